#include "support/system_library.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace vantrel {
namespace {

std::wstring FolderOfModule(HMODULE module) {
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
    std::wstring text(path, length);
    const std::size_t slash = text.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : text.substr(0, slash);
}

// The folder that holds this 32-bit process's own system DLLs.
std::wstring OwnSystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    UINT length = GetSystemWow64DirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        length = GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, length);
}

// A 64-bit product's run switches file-system redirection off for its whole length; the
// system DLLs it loads on the way (the imaging, common-control and installer libraries)
// must still be the ones this 32-bit process can use.
TEST(LoadSystemLibrary, TakesThe32BitSystemFolderWithRedirectionOff) {
    PVOID previous = nullptr;
    const bool redirectionOff = Wow64DisableWow64FsRedirection(&previous) != FALSE;
    const UniqueLibrary library(LoadSystemLibrary(L"msimg32.dll"));
    const std::wstring folder = library ? FolderOfModule(library.Get()) : std::wstring();
    if (redirectionOff)
        Wow64RevertWow64FsRedirection(previous);
    ASSERT_TRUE(library);
    EXPECT_NE(GetProcAddress(library.Get(), "AlphaBlend"), nullptr);
    EXPECT_EQ(CompareStringOrdinal(folder.c_str(), -1, OwnSystemFolder().c_str(), -1, TRUE), CSTR_EQUAL)
        << "loaded from " << std::string(folder.begin(), folder.end());
}

TEST(LoadSystemLibrary, MissingLibraryIsNull) {
    EXPECT_EQ(LoadSystemLibrary(L"no-such-library-of-vantrel.dll"), nullptr);
}

}  // namespace
}  // namespace vantrel
