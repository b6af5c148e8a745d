#include "support/file_io.h"

#include <algorithm>

namespace vantrel {

bool ReadFileAt(HANDLE file, std::uint64_t offset, void* out, std::size_t size) {
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN))
        return false;
    auto* next = static_cast<std::uint8_t*>(out);
    while (size > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(file, next, piece, &got, nullptr) || got != piece)
            return false;
        next += got;
        size -= got;
    }
    return true;
}

}  // namespace vantrel
