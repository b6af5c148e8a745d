#include "support/whole_file.h"

#include <windows.h>

#include "support/file_system.h"
#include "support/unique_handle.h"

namespace vantrel {

bool WriteWholeFile(const std::wstring& path, std::span<const std::uint8_t> bytes) {
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid())
        return false;
    if (WriteAll(file.Get(), bytes.data(), bytes.size()))
        return true;
    const DWORD error = GetLastError();
    file.Reset();
    DeleteFileW(path.c_str());
    SetLastError(error);
    return false;
}

}  // namespace vantrel
