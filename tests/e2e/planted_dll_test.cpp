// An installer usually runs from a downloads folder, where anyone may have left a DLL named
// like one that Windows loads on demand. The engine must never load such a copy.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/child_process.h"
#include "support/ui_driver.h"

namespace vantrel {
namespace {

using test::ChildProcess;

constexpr DWORD kTimeoutMs = 20000;
constexpr const wchar_t* kPlantedNames[] = {L"version.dll", L"uxtheme.dll", L"riched20.dll"};

// Wine prefers its own builtin DLLs, so a planted copy would never be loaded and the test
// could not fail. For DLLs that are not KnownDLLs on Windows (uxtheme, riched20), "native
// first" gives Windows' own search order: the program's folder before the system folder.
// It is set for one program name only, in Wine's per-program settings (which Windows
// ignores). version.dll stays with Wine's default, since Wine's own builtins import it at
// start.
class NativeFirstOverride {
  public:
    explicit NativeFirstOverride(const std::wstring& programName)
        : key_(L"Software\\Wine\\AppDefaults\\" + programName) {
        const std::wstring overrides = key_ + L"\\DllOverrides";
        for (const wchar_t* dll : {L"uxtheme", L"riched20"}) {
            const wchar_t* order = L"native,builtin";
            RegSetKeyValueW(HKEY_CURRENT_USER, overrides.c_str(), dll, REG_SZ, order,
                            static_cast<DWORD>((wcslen(order) + 1) * sizeof(wchar_t)));
        }
    }
    ~NativeFirstOverride() { RegDeleteTreeW(HKEY_CURRENT_USER, key_.c_str()); }
    NativeFirstOverride(const NativeFirstOverride&) = delete;
    NativeFirstOverride& operator=(const NativeFirstOverride&) = delete;

  private:
    std::wstring key_;
};

// A folder holding a program and the planted DLLs beside it.
struct PlantedFolder {
    PlantedFolder(const std::wstring& name, const char* program, const std::wstring& programName)
        : folder(name) {
        path = folder.Join(programName);
        CopyFileW(test::HostPathToWindows(program).c_str(), path.c_str(), FALSE);
        for (const wchar_t* dll : kPlantedNames)
            CopyFileW(test::HostPathToWindows(VANTREL_PLANTED_DLL).c_str(), folder.Join(dll).c_str(), FALSE);
    }
    bool Loaded(const std::wstring& dll) const {
        return GetFileAttributesW(folder.Join(dll + L".loaded").c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    test::TempFolder folder;
    std::wstring path;
};

TEST(PlantedDll, AProgramWithoutTheRestrictionLoadsThePlantedCopy) {
    const NativeFirstOverride override(L"planted-probe.exe");
    PlantedFolder planted(L"planted-control", VANTREL_LOAD_LIBRARY_PROBE_EXE, L"planted-probe.exe");
    for (const wchar_t* dll : {L"uxtheme.dll", L"riched20.dll"}) {
        ChildProcess child = ChildProcess::Start(planted.path, dll);
        ASSERT_TRUE(child.Started());
        ASSERT_TRUE(child.Wait(kTimeoutMs).has_value());
        EXPECT_TRUE(planted.Loaded(dll)) << "the control case must see the planted copy";
    }
}

TEST(PlantedDll, TheEngineShowingAMessageLoadsNoneOfThem) {
    const NativeFirstOverride override(L"planted-setup.exe");
    PlantedFolder planted(L"planted-engine", VANTREL_ENGINE_EXE, L"planted-setup.exe");
    ChildProcess child = ChildProcess::Start(planted.path, L"");
    ASSERT_TRUE(child.Started());
    HWND box = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(test::PressButton(box, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    for (const wchar_t* dll : kPlantedNames)
        EXPECT_FALSE(planted.Loaded(dll));
}

}  // namespace
}  // namespace vantrel
