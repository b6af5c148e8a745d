// The interactive uninstaller as a person sees it: the background window in the look the
// product key kept, the progress page over it with the product's texts, the status line and
// the percentage, and the page gone again before the completion text.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "support/child_process.h"
#include "support/installed_product.h"
#include "support/test_files.h"
#include "support/ui_driver.h"
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::InstalledProduct;

constexpr DWORD kTimeoutMs = 120000;
constexpr const wchar_t* kSharedDlls = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr int kStatusId = IDC_PAGE_PROGRESS_STATUS;
constexpr int kBarId = IDC_PAGE_PROGRESS_BAR;

// The next window that asks something, other than `previous` (the progress page asks
// nothing).
HWND NextBox(DWORD processId, HWND previous) {
    for (DWORD waited = 0; waited < kTimeoutMs; waited += 100) {
        for (HWND window : test::TopLevelWindows(processId)) {
            if (window != previous && GetDlgItem(window, kBarId) == nullptr)
                return window;
        }
        Sleep(100);
    }
    return nullptr;
}

void SetSharedCount(const std::wstring& path, DWORD count) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, path.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), sizeof count);
    RegCloseKey(key);
}

void RemoveSharedCount(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, path.c_str());
    RegCloseKey(key);
}

// The uninstaller copied into the product's uninstall folder, as the installation leaves it.
std::wstring PlaceUninstaller(const InstalledProduct& product) {
    const std::wstring path = product.UninstallFolder() + L"\\uninstall.exe";
    CopyFileW(test::HostPathToWindows(VANTREL_ENGINE_EXE).c_str(), path.c_str(), FALSE);
    return path;
}

constexpr std::uint64_t kProgressShown = std::uint64_t{0x80000} << 32;

// Installer strings of the product's data file, by number.
void SetStrings(InstalledProduct& product, const std::map<int, std::wstring>& texts) {
    for (const auto& [number, text] : texts)
        product.Data().strings[number] = text;
}

TEST(UninstallWindows, BackgroundThenProgressThenCompletion) {
    test::TempFolder installDir(L"uninstall-windows");
    InstalledProduct product(L"Vantrel E2E Windows", installDir.Path());
    product.AddFile(L"app.exe");
    // A shared file whose count drops to zero: its question holds the uninstaller while the
    // progress display shows the step it is in.
    // It is not on the removal list, so that only the answer decides whether it stays.
    const std::wstring shared = installDir.Join(L"shared.dll");
    ASSERT_TRUE(test::WriteTestFile(shared, "shared"));
    product.SetValue(L"SharedFiles", L"\"" + shared + L"\"");
    SetSharedCount(shared, 1);
    const std::uint64_t flags = kProgressShown | 0x20000;  // ask for shared files
    product.SetValue(L"ProductFlags", std::to_wstring(flags));
    product.SetValue(L"ProductFlags2", std::to_wstring(0x40000));  // the completion text
    product.SetValue(L"TaskbarText", L"Vantrel E2E Windows Caption");
    product.SetValue(L"DisplayTitle", L"Vantrel E2E Windows 1.0");
    product.SetNumber(L"TitlePosition", 2);
    product.SetNumber(L"TopColor", RGB(0, 0, 128));
    product.SetNumber(L"MonoColor", 1);
    SetStrings(product, {{53, L"Remove the windows product?"},
                         {55, L"Windows Uninstall"},
                         {65, L"Windows Setup"},
                         {71, L"Please wait while <product> is removed."},
                         {49, L"Cancel"},
                         {68, L"Removing shared files"},
                         {59, L"Delete the shared file %s?"},
                         {35, L"Shared file"},
                         {34, L"The windows product is gone."},
                         {15, L"Done"}});
    ASSERT_TRUE(product.Write());
    const std::wstring uninstaller = PlaceUninstaller(product);
    ASSERT_TRUE(test::PathExists(uninstaller));

    ChildProcess child = ChildProcess::Start(uninstaller, L"/u:\"Vantrel E2E Windows\"");
    ASSERT_TRUE(child.Started());
    // The confirmation, over the background; no progress yet.
    HWND confirmation = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(confirmation, nullptr);
    EXPECT_EQ(test::AllStaticText(confirmation), L"Remove the windows product?");
    const HWND background = test::FindBackgroundWindow(child.Id());
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(test::WindowText(background), L"Vantrel E2E Windows Caption");
    EXPECT_TRUE(IsWindowVisible(background));
    EXPECT_EQ(GetDlgItem(background, kStatusId), nullptr);
    ASSERT_TRUE(test::PressButton(confirmation, L"Yes"));

    // The shared-file question: the progress page shows the step and its percentage.
    HWND question = NextBox(child.Id(), confirmation);
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(test::AllStaticText(question), L"Delete the shared file " + shared + L"?");
    const HWND page = test::FindProgressPage(child.Id());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(GetWindow(page, GW_OWNER), background);
    // The header layout: the caption and the band's second line name the uninstallation,
    // the first line the product; the main text has its marker replaced.
    EXPECT_EQ(test::WindowText(page), L"Windows Uninstall");
    EXPECT_EQ(test::ControlText(page, IDC_PAGE_HEADER_TITLE), L"Vantrel E2E Windows");
    EXPECT_EQ(test::ControlText(page, IDC_PAGE_HEADER_SUBTITLE), L"Windows Uninstall");
    // A name is shown as it is written: an '&' in it marks no mnemonic.
    EXPECT_NE(GetWindowLongW(GetDlgItem(page, IDC_PAGE_HEADER_TITLE), GWL_STYLE) & SS_NOPREFIX, 0);
    EXPECT_EQ(test::ControlText(page, IDC_PAGE_MAIN_TEXT),
              L"Please wait while Vantrel E2E Windows is removed.");
    EXPECT_EQ(test::ControlText(page, IDC_PAGE_CANCEL), L"Cancel");
    EXPECT_FALSE(test::ControlEnabled(page, IDC_PAGE_CANCEL)) << "an uninstallation cannot be cancelled";
    EXPECT_EQ(test::ControlText(page, kStatusId), L"Removing shared files");
    EXPECT_EQ(SendMessageW(GetDlgItem(page, kBarId), PBM_GETPOS, 0, 0), 5);
    // The page is the display: the background carries no status line of its own.
    EXPECT_EQ(GetDlgItem(background, kStatusId), nullptr);
    ASSERT_TRUE(test::PressButton(question, L"No"));

    // The completion text: the product closes its progress display before it.
    HWND completion = NextBox(child.Id(), question);
    ASSERT_NE(completion, nullptr);
    EXPECT_EQ(test::AllStaticText(completion), L"The windows product is gone.");
    EXPECT_FALSE(IsWindow(page));
    EXPECT_EQ(test::FindProgressPage(child.Id()), nullptr);
    ASSERT_TRUE(test::PressButton(completion, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));
    EXPECT_FALSE(IsWindow(background));
    EXPECT_TRUE(test::PathExists(shared)) << "kept: the question was answered No";
    RemoveSharedCount(shared);
    // Let the self-deletion batch finish before the folder goes.
    for (DWORD waited = 0; waited < kTimeoutMs && test::PathExists(uninstaller); waited += 250)
        Sleep(250);
}

TEST(UninstallWindows, NoToTheConfirmationLeavesEverythingInstalled) {
    test::TempFolder installDir(L"uninstall-windows-kept");
    InstalledProduct product(L"Vantrel E2E Windows Kept", installDir.Path());
    const std::wstring file = product.AddFile(L"bin\\app.exe");
    product.AddProductRegistryKey(L"Vantrel E2E Windows Kept Company\\App");
    product.SetValue(L"ProductFlags", std::to_wstring(kProgressShown));
    // The question's buttons speak the installation's language.
    SetStrings(product,
               {{53, L"Remove the kept product?"}, {55, L"Kept Uninstall"}, {79, L"Ja"}, {80, L"Nein"}});
    ASSERT_TRUE(product.Write());
    const std::wstring uninstaller = PlaceUninstaller(product);

    ChildProcess child = ChildProcess::Start(uninstaller, L"/u:\"Vantrel E2E Windows Kept\"");
    ASSERT_TRUE(child.Started());
    const HWND confirmation = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(confirmation, nullptr);
    EXPECT_EQ(test::WindowText(confirmation), L"Kept Uninstall");
    EXPECT_EQ(test::AllStaticText(confirmation), L"Remove the kept product?");
    EXPECT_EQ(test::WindowText(GetDlgItem(confirmation, IDYES)), L"Ja");
    EXPECT_EQ(test::WindowText(GetDlgItem(confirmation, IDNO)), L"Nein");
    EXPECT_EQ(test::FindProgressPage(child.Id()), nullptr);
    ASSERT_TRUE(test::PressButton(confirmation, L"Nein"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));

    EXPECT_TRUE(test::PathExists(file));
    EXPECT_TRUE(product.KeyExists());
    EXPECT_TRUE(test::MachineKeyExists(L"Software\\Vantrel E2E Windows Kept Company\\App"));
    EXPECT_TRUE(test::PathExists(product.DataFilePath()));
    // No self-deletion batch was started: the uninstaller stays for another time.
    Sleep(1000);
    EXPECT_TRUE(test::PathExists(uninstaller));
}

TEST(UninstallWindows, ALockedFileIsReportedOnceTheProgressIsOver) {
    test::TempFolder installDir(L"uninstall-windows-locked");
    InstalledProduct product(L"Vantrel E2E Windows Locked", installDir.Path());
    const std::wstring locked = product.AddFile(L"bin\\busy.dll");
    const std::wstring free = product.AddFile(L"bin\\idle.dll");
    product.SetValue(L"ProductFlags", std::to_wstring(kProgressShown));
    SetStrings(product,
               {{53, L"Remove the locked product?"}, {55, L"Locked Uninstall"}, {20, L"Locked Problems"}});
    ASSERT_TRUE(product.Write());
    const std::wstring uninstaller = PlaceUninstaller(product);

    test::LockedFile lock(locked);
    ASSERT_TRUE(lock.Valid());
    ChildProcess child = ChildProcess::Start(uninstaller, L"/u:\"Vantrel E2E Windows Locked\"");
    ASSERT_TRUE(child.Started());
    const HWND confirmation = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(confirmation, nullptr);
    EXPECT_EQ(test::AllStaticText(confirmation), L"Remove the locked product?");
    ASSERT_TRUE(test::PressButton(confirmation, L"Yes"));

    // The report names the file that stayed; the progress page has closed before it, the
    // background is still there behind it.
    const HWND report = NextBox(child.Id(), confirmation);
    ASSERT_NE(report, nullptr);
    EXPECT_EQ(test::WindowText(report), L"Locked Problems");
    const std::wstring text = test::AllStaticText(report);
    EXPECT_EQ(text.find(L"These items could not be removed:"), 0u) << testing::PrintToString(text);
    EXPECT_NE(text.find(L"Unable to delete: " + locked), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_EQ(text.find(free), std::wstring::npos) << testing::PrintToString(text);
    EXPECT_EQ(test::FindProgressPage(child.Id()), nullptr);
    EXPECT_NE(test::FindBackgroundWindow(child.Id()), nullptr);
    ASSERT_TRUE(test::PressButton(report, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));

    // What failed stays recorded for the next run; what could go is gone.
    EXPECT_TRUE(test::PathExists(locked));
    EXPECT_FALSE(test::PathExists(free));
    EXPECT_TRUE(product.KeyExists());
    EXPECT_TRUE(test::PathExists(product.DataFilePath()));
    EXPECT_TRUE(test::PathExists(uninstaller));
}

}  // namespace
}  // namespace vantrel
