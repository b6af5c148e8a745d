// An interactive installation as a person sees it: the background window with the product's
// caption, and the progress page over it while the installation works.
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
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

using test::ChildProcess;

constexpr DWORD kTimeoutMs = 120000;
constexpr int kStatusId = 1011;
constexpr int kBarId = 1007;

// A top-level window of the process other than `except` that says `text`, or null.
HWND FindWindowSaying(DWORD processId, HWND except, const std::wstring& text) {
    for (HWND window : test::TopLevelWindows(processId)) {
        if (window != except && test::AllStaticText(window).find(text) != std::wstring::npos)
            return window;
    }
    return nullptr;
}

TEST(InstallWindows, TheProgressPageShowsTheInstallationAndAsksBeforeCancelling) {
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
    texts[20] = L"Stop Installing";
    texts[28] = L"Do you really want to cancel the installation?";
    texts[36] = L"Finishing the installation";
    texts[39] = L"Please wait while <product> is installed.";
    texts[54] = L"Installing";
    texts[49] = L"Cancel";
    texts[79] = L"Yes";
    texts[80] = L"No";
    settings.messages = MessageTable({L"English"}, texts);
    const std::wstring setup = root.Join(L"setup.exe");
    ASSERT_TRUE(
        test::BuildSetup(test::ReadWholeFile(test::HostPathToWindows(VANTREL_ENGINE_EXE)), settings, {})
            .Save(setup));

    ChildProcess child = ChildProcess::Start(setup, L"");
    ASSERT_TRUE(child.Started());
    HWND background = nullptr;
    HWND page = nullptr;
    std::wstring lastStatus;
    LRESULT lastPercent = 0;
    // The status changes before the percentage does: wait for both to reach their last values.
    for (DWORD waited = 0; waited < kTimeoutMs; waited += 50) {
        if (background == nullptr)
            background = test::FindBackgroundWindow(child.Id());
        if (page == nullptr)
            page = test::FindProgressPage(child.Id());
        if (page != nullptr) {
            lastStatus = test::WindowText(GetDlgItem(page, kStatusId));
            lastPercent = SendMessageW(GetDlgItem(page, kBarId), PBM_GETPOS, 0, 0);
            if (lastStatus == L"Finishing the installation" && lastPercent == 100)
                break;
        }
        if (child.Wait(50))
            break;
    }
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(test::WindowText(background), L"Install Windows Caption");
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(lastStatus, L"Finishing the installation");
    EXPECT_EQ(lastPercent, 100);
    // The plain layout: the page's title is its caption, and its main text says what happens.
    EXPECT_EQ(test::WindowText(page), L"Installing");
    EXPECT_EQ(test::ControlText(page, IDC_PAGE_MAIN_TEXT),
              L"Please wait while Vantrel E2E Install Windows is installed.");
    // The page is the progress display: the background carries no status line of its own.
    EXPECT_EQ(GetDlgItem(background, kStatusId), nullptr);

    // Cancel asks first; No keeps the installation going.
    ASSERT_TRUE(test::PressButton(page, L"Cancel"));
    HWND question = nullptr;
    for (DWORD waited = 0; waited < kTimeoutMs && question == nullptr; waited += 50) {
        question = FindWindowSaying(child.Id(), page, L"Do you really want to cancel the installation?");
        if (question == nullptr)
            Sleep(50);
    }
    ASSERT_NE(question, nullptr);
    EXPECT_EQ(test::WindowText(question), L"Stop Installing");
    ASSERT_TRUE(test::PressButton(question, L"No"));
    for (DWORD waited = 0; waited < kTimeoutMs && IsWindowVisible(question); waited += 50)
        Sleep(50);
    EXPECT_FALSE(IsWindowVisible(question));

    // Esc is Cancel too: the same question.
    test::PressKey(GetDlgItem(page, IDC_PAGE_CANCEL), VK_ESCAPE);
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            question = FindWindowSaying(child.Id(), page, L"Do you really want to cancel the installation?");
            return question != nullptr;
        },
        kTimeoutMs));
    ASSERT_TRUE(test::PressButton(question, L"No"));
    EXPECT_TRUE(test::WaitUntil([&] { return !IsWindowVisible(question); }, kTimeoutMs));

    ASSERT_TRUE(test::WriteTestFile(go, "go"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_FALSE(IsWindow(background));
    EXPECT_FALSE(IsWindow(page));
}

}  // namespace
}  // namespace vantrel
