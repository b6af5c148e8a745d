#include "support/system_library.h"

#include <string>

namespace vantrel {
namespace {

// The folder that holds this process's own system DLLs. A 32-bit process on 64-bit Windows
// finds them in the WOW64 folder; the ordinary system folder leads there only through the
// file-system redirection, which a 64-bit product's run switches off, and would then hand
// this process the 64-bit DLLs, which it cannot load.
UINT SystemLibraryFolder(wchar_t* folder, UINT capacity) {
#ifndef _WIN64
    if (const UINT length = GetSystemWow64DirectoryW(folder, capacity); length > 0 && length < capacity)
        return length;
#endif
    return GetSystemDirectoryW(folder, capacity);
}

}  // namespace

HMODULE LoadSystemLibrary(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH];
    const UINT length = SystemLibraryFolder(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(folder, length);
    if (path.back() != L'\\')
        path.push_back(L'\\');
    path += fileName;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace vantrel
