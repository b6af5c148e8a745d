// A product whose own COM server crashes while it registers: the real installation logs the
// crash, lists it among the failures, and still ends normally with every later step done.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "format/settings.h"
#include "format/text_encoding.h"
#include "e2e/engine_bytes.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"
#include "support/test_registry.h"

namespace vantrel {
namespace {

using test::ChildProcess;
using test::PathExists;

constexpr DWORD kTimeoutMs = 180000;  // regsvr32 and its crash are slow under load
constexpr const wchar_t* kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const wchar_t* kSharedDlls = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

TEST(GuardedInstallation, ACrashingComServerIsReportedAndTheInstallationEndsNormally) {
    const std::wstring product = L"Vantrel Guarded Crash";
    const std::wstring entryKey = kUninstallRoot + product;
    test::TempFolder root(L"guarded-installation");
    const std::wstring installDir = root.Join(L"app");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str());

    Settings settings = test::FixtureSettings(product);
    settings.defaultInstallFolder = installDir;
    settings.uninstallKeyName = product;
    settings.uninstallSubfolder = L"uninstall";
    settings.productFlagsLow |=
        product_flags::kCompressedBlocks | product_flags::kRegisterForUninstall | product_flags::kCreateLog;
    PayloadFileInput server;
    server.record.name = "crashing.dll";
    server.record.kind = static_cast<std::uint32_t>(DestinationKind::kSystemCom);
    server.record.nameText = "1.0";
    server.record.destination = installDir + L"\\";
    const Bytes serverBytes = test::ReadWholeFile(test::HostPathToWindows(VANTREL_CRASHING_COM_SERVER_DLL));
    ASSERT_FALSE(serverBytes.empty());
    server.size = serverBytes.size();
    server.readData = [&serverBytes] { return serverBytes; };
    const std::wstring setup = root.Join(L"setup.exe");
    ASSERT_TRUE(
        test::BuildSetup(test::EngineBytes(), settings, {server, test::FilledFile("after.txt", 100, 'a')})
            .Save(setup));

    ChildProcess child = ChildProcess::Start(setup, L"/silent");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));

    const std::wstring dll = installDir + L"\\crashing.dll";
    const std::string log = test::ReadTestFile(installDir + L"\\uninstall\\Install.log");
    EXPECT_NE(log.find("Registering COM File \"" + Utf16ToUtf8(dll) + "\"...CRASHED!\r\n"), std::string::npos)
        << log;
    EXPECT_NE(log.find("Crashed while registering COM file crashing.dll"), std::string::npos) << log;
    EXPECT_EQ(log.find("INSTALLER CRASHED!"), std::string::npos) << log;
    // The steps after the registrations ran: the product is registered for uninstallation.
    EXPECT_TRUE(PathExists(installDir + L"\\after.txt"));
    EXPECT_TRUE(PathExists(installDir + L"\\uninstall\\Uninstall.DAT"));
    EXPECT_TRUE(test::KeyExists(HKEY_LOCAL_MACHINE, entryKey));

    RegDeleteTreeW(HKEY_LOCAL_MACHINE, entryKey.c_str());
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedDlls, dll.c_str());
}

}  // namespace
}  // namespace vantrel
