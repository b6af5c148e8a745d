#include "engine/file_data_area_source.h"

#include <algorithm>

namespace vantrel {

bool FileDataAreaSource::ReadNext(std::uint8_t* out, std::size_t n) {
    if (n > length_ - position_)
        return false;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(start_ + position_);
    if (!SetFilePointerEx(file_, at, nullptr, FILE_BEGIN))
        return false;
    while (n > 0) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(n, 1u << 24));
        DWORD got = 0;
        if (!ReadFile(file_, out, piece, &got, nullptr) || got != piece)
            return false;
        out += got;
        n -= got;
        position_ += got;
    }
    return true;
}

bool FileDataAreaSource::Rewind() {
    position_ = 0;
    return true;
}

}  // namespace vantrel
