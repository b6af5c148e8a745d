// An interactive installation as a person sees it: the background window with the product's
// caption, and the progress display on it while the installation works.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/ui_driver.h"

namespace vantrel {
namespace {

using test::ChildProcess;

constexpr DWORD kTimeoutMs = 120000;
constexpr int kStatusId = 1011;
constexpr int kBarId = 1007;

TEST(InstallWindows, TheProgressShowsOnTheBackgroundWhileTheInstallationWorks) {
    test::TempFolder root(L"install-windows");
    const std::wstring go = root.Join(L"go");
    Settings settings = test::FixtureSettings(L"Vantrel E2E Install Windows");
    settings.defaultInstallFolder = root.Join(L"app");
    settings.uninstallSubfolder = L"uninstall";
    settings.productFlagsHigh |= product_flags::kShowProgressDialog;
    settings.taskbarText = L"Install Windows Caption";
    settings.topColor = RGB(0, 64, 0);
    settings.bottomColor = RGB(0, 0, 64);
    settings.titlePosition = 1;
    settings.titleSize = 1.0;
    // The batch after the installation holds the run, with the last status on show, until
    // the test has seen it.
    settings.postInstallBatch =
        "@echo off\r\n:wait\r\nif not exist \"" + Utf16ToWindows1252(go) + "\" goto wait\r\n";
    std::vector<std::wstring> texts = settings.messages.Texts();
    texts[0] = L"Install Windows Title";
    texts[36] = L"Finishing the installation";
    settings.messages = MessageTable({L"English"}, texts);
    const std::wstring setup = root.Join(L"setup.exe");
    ASSERT_TRUE(
        test::BuildSetup(test::ReadWholeFile(test::HostPathToWindows(VANTREL_ENGINE_EXE)), settings, {})
            .Save(setup));

    ChildProcess child = ChildProcess::Start(setup, L"");
    ASSERT_TRUE(child.Started());
    HWND background = nullptr;
    HWND status = nullptr;
    HWND bar = nullptr;
    std::wstring lastStatus;
    LRESULT lastPercent = 0;
    // The status changes before the percentage does: wait for both to reach their last values.
    for (DWORD waited = 0; waited < kTimeoutMs; waited += 50) {
        if (background == nullptr)
            background = test::FindBackgroundWindow(child.Id());
        if (background != nullptr) {
            status = GetDlgItem(background, kStatusId);
            bar = GetDlgItem(background, kBarId);
        }
        if (status != nullptr && bar != nullptr) {
            lastStatus = test::WindowText(status);
            lastPercent = SendMessageW(bar, PBM_GETPOS, 0, 0);
            if (lastStatus == L"Finishing the installation" && lastPercent == 100)
                break;
        }
        if (child.Wait(50))
            break;
    }
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(test::WindowText(background), L"Install Windows Caption");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(lastStatus, L"Finishing the installation");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(lastPercent, 100);
    // The display is part of the background: no window of its own, nothing that asks.
    EXPECT_TRUE(test::TopLevelWindows(child.Id()).empty());
    ASSERT_TRUE(test::WriteTestFile(go, "go"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_FALSE(IsWindow(background));
}

}  // namespace
}  // namespace vantrel
