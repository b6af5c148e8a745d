// The notification points of real installations: each address of the settings reaches a web
// server on this machine when the run passes its point (the relation to an earlier version,
// a cancelled page), and a server that never answers does not hold the installer open.
#include "win/loopback_server.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "format/settings.h"
#include "format/text_encoding.h"
#include "e2e/engine_bytes.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/test_registry.h"
#include "support/ui_driver.h"
#include "support/wizard_driver.h"
#include "ui/wizard_ids.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::PathExists;

constexpr DWORD kTimeoutMs = 60000;
constexpr const wchar_t* kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// A product of version 2.0, registered for uninstallation (which is where an earlier
// installation is found), whose every notification address points at `server` with the
// address's own name as its path; its uninstall entry is removed before and after.
struct NotifyingProduct {
    NotifyingProduct(const std::wstring& name, const test::LoopbackServer& server)
        : product(L"Vantrel Notify Point " + name),
          root(L"notify-point-" + name),
          installDir(root.Join(L"app")),
          entryKey(kUninstallRoot + product) {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str());
        settings = test::FixtureSettings(product);
        settings.productVersion = L"2.0";
        settings.defaultInstallFolder = installDir;
        settings.uninstallKeyName = product;
        settings.uninstallSubfolder = L"uninstall";
        settings.productFlagsLow |= product_flags::kCompressedBlocks | product_flags::kRegisterForUninstall;
        settings.productFlagsHigh |= product_flags::kCompareVersions;
        settings.startNotification = server.Address(L"/start");
        settings.beginNotification = server.Address(L"/begin?v=%version%");
        settings.completionNotification = server.Address(L"/completion");
        settings.upgradeNotification = server.Address(L"/upgrade?v=%version%");
        settings.downgradeNotification = server.Address(L"/downgrade");
        settings.reinstallNotification = server.Address(L"/reinstall");
        settings.cancelNotification = server.Address(L"/cancel?s=%Session%");
        std::vector<std::wstring> texts(120);
        texts[21] = L"Notify Error";
        texts[27] = L"Password:";
        texts[48] = L"Next";
        texts[49] = L"Cancel";
        texts[75] = L"Password";
        texts[76] = L"This installation is protected.";
        texts[98] = L"The installation was cancelled.";
        texts[111] = L"Cancelled";
        settings.messages = MessageTable({L"English"}, texts);
    }
    ~NotifyingProduct() { RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str()); }
    NotifyingProduct(const NotifyingProduct&) = delete;
    NotifyingProduct& operator=(const NotifyingProduct&) = delete;

    // What the installer reads of an earlier installation: its folder and its version.
    void EarlierInstallation(const std::wstring& version) const {
        CreateDirectoryW(installDir.c_str(), nullptr);
        test::SetRegistryText(HKEY_LOCAL_MACHINE, entryKey, L"InstallLocation", installDir);
        test::SetRegistryText(HKEY_LOCAL_MACHINE, entryKey, L"DisplayVersion", version);
    }

    ChildProcess Start(const std::wstring& arguments) {
        const std::wstring path = root.Join(L"setup.exe");
        EXPECT_TRUE(test::BuildSetup(test::EngineBytes(), settings, {test::FilledFile("app.bin", 3000, 'n')})
                        .Save(path));
        return ChildProcess::Start(path, arguments);
    }

    bool Installed() const { return PathExists(installDir + L"\\app.bin"); }

    std::wstring product;
    test::TempFolder root;
    std::wstring installDir;
    std::wstring entryKey;
    Settings settings;
};

// The method and path of each request the server received ("GET /path"), in order.
std::vector<std::string> RequestLines(test::LoopbackServer& server) {
    std::vector<std::string> lines;
    for (const std::string& request : server.Requests())
        lines.push_back(request.substr(0, request.find(" HTTP/")));
    return lines;
}

struct RelationCase {
    const char* name;
    const wchar_t* earlierVersion;  // null: no earlier installation
    const char* endRequest;         // the request line that replaces the completion
};

class RelationNotification : public testing::TestWithParam<RelationCase> {};

// The end of an installation is told by the address of its relation to what was there: a
// first installation, an upgrade, the same version again or an older one.
TEST_P(RelationNotification, TheEndIsToldByTheAddressOfTheRelation) {
    const RelationCase& c = GetParam();
    test::LoopbackServer server(true);
    NotifyingProduct p(Windows1252ToUtf16(c.name), server);
    if (c.earlierVersion != nullptr)
        p.EarlierInstallation(c.earlierVersion);
    ChildProcess child = p.Start(L"/a");
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_TRUE(p.Installed());
    // The run waits for its requests at its end: all have arrived.
    EXPECT_EQ(RequestLines(server),
              (std::vector<std::string>{"GET /start", "GET /begin?v=2.0", c.endRequest}));
}

INSTANTIATE_TEST_SUITE_P(NotificationPoints, RelationNotification,
                         testing::Values(RelationCase{"First", nullptr, "GET /completion"},
                                         RelationCase{"Upgrade", L"1.5", "GET /upgrade?v=2.0"},
                                         RelationCase{"Reinstall", L"2.0", "GET /reinstall"},
                                         RelationCase{"Downgrade", L"3.0", "GET /downgrade"}),
                         test::CaseName);

// Cancelling a page sends the cancel address with the run's stamp before the cancel message,
// and nothing is installed.
TEST(NotificationPoints, CancelledPageSendsTheCancelAddress) {
    test::LoopbackServer server(true);
    NotifyingProduct p(L"Cancel", server);
    p.settings.installPassword = L"secret";
    ChildProcess child = p.Start(L"");
    ASSERT_TRUE(child.Started());
    const HWND page = test::WaitForPageWithControl(child.Id(), IDC_PAGE_PASSWORD, kTimeoutMs);
    ASSERT_NE(page, nullptr);
    test::ClickControl(page, IDC_PAGE_CANCEL);
    HWND box = nullptr;
    ASSERT_TRUE(test::WaitUntil(
        [&] {
            for (const HWND window : test::TopLevelWindows(child.Id())) {
                if (window != page && test::WindowText(window) == L"Cancelled")
                    box = window;
            }
            return box != nullptr;
        },
        kTimeoutMs));
    // The request is queued before the message is shown and sent while it waits.
    EXPECT_TRUE(test::WaitUntil([&] { return server.Requests().size() == 2; }, kTimeoutMs));
    test::PressButton(box, L"OK");
    ASSERT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_FALSE(p.Installed());
    const std::vector<std::string> lines = RequestLines(server);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "GET /start");
    EXPECT_EQ(lines[1].rfind("GET /cancel?s=", 0), 0u) << lines[1];
    EXPECT_EQ(lines[1].find("%Session%"), std::string::npos) << lines[1];
}

// A server that takes the connections and never answers: the installation still ends, soon
// after its own work, instead of waiting for answers that never come.
TEST(NotificationPoints, ServerThatNeverAnswersDoesNotHoldTheInstallerOpen) {
    test::LoopbackServer server(false);
    NotifyingProduct p(L"Silent Server", server);
    ChildProcess child = p.Start(L"/silent");
    ASSERT_TRUE(child.Started());
    const ULONGLONG started = GetTickCount64();
    ASSERT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    const ULONGLONG seconds = (GetTickCount64() - started) / 1000;
    EXPECT_TRUE(p.Installed());
    // Three requests wait on a mute server; the sender gives each a few seconds and the end of
    // the run waits a few seconds more at most. Without those bounds the run never ends.
    EXPECT_LT(seconds, 40u);
}

}  // namespace
}  // namespace vantrel
