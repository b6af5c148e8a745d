// The engine started as a process, the way a person or an administrator starts it.
#include <gtest/gtest.h>

#include "support/child_process.h"
#include "support/ui_driver.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using test::ChildProcess;

constexpr DWORD kTimeoutMs = 20000;

// A copy of the bare engine under its own name, so tests never share a file.
struct BareEngine {
    explicit BareEngine(const std::wstring& name) : folder(name) {
        path = folder.Join(L"setup.exe");
        CopyFileW(test::HostPathToWindows(VANTREL_ENGINE_EXE).c_str(), path.c_str(), FALSE);
    }
    test::TempFolder folder;
    std::wstring path;
};

TEST(EngineProcess, NoPayloadSilentEndsWithOneAndShowsNothing) {
    BareEngine engine(L"nopayload-silent");
    ChildProcess child = ChildProcess::Start(engine.path, L"/silent");
    ASSERT_TRUE(child.Started());
    const auto code = child.Wait(kTimeoutMs);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 1u);
}

TEST(EngineProcess, NoPayloadInteractiveShowsTheNoPayloadMessage) {
    BareEngine engine(L"nopayload-ui");
    ChildProcess child = ChildProcess::Start(engine.path, L"");
    ASSERT_TRUE(child.Started());
    HWND box = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::WindowText(box), L"Error");
    const std::wstring text = test::AllStaticText(box);
    EXPECT_NE(text.find(L"There is no installation data present."), std::wstring::npos) << text.c_str();
    EXPECT_NE(text.find(L"You should not delete this program or execute it directly."), std::wstring::npos);
    EXPECT_FALSE(child.Wait(200).has_value()) << "the run must wait for the message to be answered";
    ASSERT_TRUE(test::PressButton(box, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

TEST(EngineProcess, UninstallOfAnUnknownProductEndsWithZero) {
    BareEngine engine(L"uninstall-unknown");
    ChildProcess child = ChildProcess::Start(engine.path, L"/silent /u:\"Vantrel E2E Nothing\"");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));
}

TEST(EngineProcess, UninstallOfAnUnknownProductSaysSo) {
    BareEngine engine(L"uninstall-unknown-ui");
    ChildProcess child = ChildProcess::Start(engine.path, L"/u:\"Vantrel E2E Nothing\"");
    HWND box = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::AllStaticText(box), L"No product named 'Vantrel E2E Nothing' is installed.");
    ASSERT_TRUE(test::PressButton(box, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(0u));
}

struct UsageCase {
    const char* name;
    const wchar_t* arguments;
    const wchar_t* leading;
};

class EngineUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(EngineUsage, CommandLineFaultsShowTheUsageTextAndEndWithOne) {
    BareEngine engine(L"usage");
    ChildProcess child = ChildProcess::Start(engine.path, GetParam().arguments);
    HWND box = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(box, nullptr);
    const std::wstring text = test::AllStaticText(box);
    EXPECT_EQ(text.rfind(GetParam().leading, 0), 0u) << text.c_str();
    EXPECT_NE(text.find(L"Usage:\r\nsetup.exe [/a]"), std::wstring::npos) << text.c_str();
    ASSERT_TRUE(test::PressButton(box, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

INSTANTIATE_TEST_SUITE_P(
    Table, EngineUsage,
    testing::Values(UsageCase{"UninstallWithoutName", L"/u", L"Product name required"},
                    UsageCase{"UninstallNameWithoutColon", L"/uName", L"Product name required"},
                    UsageCase{"Unexpected", L"oops", L"Unexpected command line parameter:\r\noops"},
                    UsageCase{"Illegal", L"/what", L"Illegal command line atom:\r\n/what"}),
    test::CaseName);

TEST(EngineProcess, CommandLineFaultInSilentModeShowsNothing) {
    BareEngine engine(L"usage-silent");
    ChildProcess child = ChildProcess::Start(engine.path, L"/silent /u");
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

}  // namespace
}  // namespace vantrel
