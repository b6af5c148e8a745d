// The uninstaller's steps as the engine fills them for a run: each reaches the subsystem
// that does the work, with the product's values.
#include "engine/uninstall_actions.h"

#include <gtest/gtest.h>

#include "format/text_encoding.h"
#include "loopback_server.h"
#include "registry_test_keys.h"
#include "run/exit_routine.h"
#include "support/child_process.h"
#include "support/scripted_ui.h"
#include "support/test_files.h"

namespace vantrel {
namespace {

struct ActionsRun {
    ActionsRun() {
        auto scripted = std::make_unique<test::ScriptedUserInterface>();
        ui = scripted.get();
        run.ui = std::move(scripted);
        run.options.automatic = true;
    }
    RunState run;
    test::ScriptedUserInterface* ui = nullptr;
};

UninstallProductValues Product(const std::wstring& installDir) {
    UninstallProductValues product;
    product.displayName = L"Vantrel Actions Product";
    product.publisher = L"Vantrel Actions Maker";
    product.version = L"3.1";
    product.installDir = installDir;
    product.uninstallSubdir = L"uninstall";
    product.sharedDir = installDir + L"\\shared";
    return product;
}

TEST(UninstallActions, TheBatchSeesTheProductAsItsVariablesAndLeavesNoBatchFile) {
    test::TempFolder folder(L"uninstall-actions-batch");
    ActionsRun actions;
    const UninstallSeams seams = UninstallActionSeams(actions.run);
    ASSERT_TRUE(seams.runBatch);
    const std::string evidence = Utf16ToWindows1252(folder.Join(L"evidence.txt"));
    seams.runBatch("echo %InstallDir%> \"" + evidence + "\"\r\necho %ProductName%>> \"" + evidence +
                       "\"\r\necho %CompanyName% %Version%>> \"" + evidence +
                       "\"\r\necho %UninstallDir%>> \"" + evidence + "\"\r\necho %SharedDir%>> \"" +
                       evidence + "\"\r\n",
                   true, Product(folder.Path()));
    const std::string dir = Utf16ToWindows1252(folder.Path());
    EXPECT_EQ(test::ReadTestFile(folder.Join(L"evidence.txt")),
              dir + "\r\nVantrel Actions Product\r\nVantrel Actions Maker 3.1\r\n" + dir + "\\uninstall\r\n" +
                  dir + "\\shared\r\n");
    EXPECT_FALSE(test::PathExists(folder.Join(L"SETUPBAT.BAT")));
}

TEST(UninstallActions, TheNotificationLeavesWithTheInstallationsSessionByTheRunsEnd) {
    test::LoopbackServer server(true);
    ActionsRun actions;
    const std::size_t stepsBefore = actions.run.exitSteps.size();
    {
        const UninstallSeams seams = UninstallActionSeams(actions.run);
        EXPECT_EQ(actions.run.exitSteps.size(), stepsBefore + 1);
        ASSERT_TRUE(seams.notifyUninstalled);
        seams.notifyUninstalled(server.Address(L"/gone?v=%version%&s=%Session%"), L"Vantrel Gone", L"4.2",
                                0x2A);
    }
    // The seams are gone with the uninstaller's frame; the exit step still sends and stops.
    FinishRun(actions.run);
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].substr(0, requests[0].find("\r\n")), "GET /gone?v=4.2&s=2A HTTP/1.0");
}

TEST(UninstallActions, TheRegistryScriptRemovesWhatItsModesSay) {
    test::ScratchKey scratch(L"UninstallActionsScript");
    test::WriteText(HKEY_CURRENT_USER, scratch.Path(), L"Removed", L"there");
    test::WriteText(HKEY_CURRENT_USER, scratch.Path(), L"Kept", L"there");
    const std::wstring k = scratch.InstructionPath();
    ActionsRun actions;
    const UninstallSeams seams = UninstallActionSeams(actions.run);
    seams.removeRegistryEntries(Utf16ToUtf8(k + L",Removed,1,x,2\r\n" + k + L",Kept,1,x,1\r\n"), 0);
    EXPECT_FALSE(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), L"Removed").present);
    EXPECT_TRUE(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), L"Kept").present);
}

TEST(UninstallActions, EachFontIsAskedAboutOnlyWhenTheQuestionHasAUserInterface) {
    ActionsRun actions;
    const UninstallSeams seams = UninstallActionSeams(actions.run);
    test::ScriptedUserInterface ui;
    ui.answers = {mb::kIdNo};
    seams.removeFonts(L"\"Vantrel Absent Font\" \"vantrel-absent.ttf\"", {&ui, L"Remove %s?", L"Fonts"});
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, L"Remove Vantrel Absent Font?");
    EXPECT_EQ(ui.shown[0].caption, L"Fonts");
    seams.removeFonts(L"\"Vantrel Absent Font\" \"vantrel-absent.ttf\"", {nullptr, L"Remove %s?", L"Fonts"});
    EXPECT_EQ(ui.shown.size(), 1u);
}

}  // namespace
}  // namespace vantrel
