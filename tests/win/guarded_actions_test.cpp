// A crash inside each guarded action of the installation: the guard writes its own line, the
// action's next item (or the caller) carries on, and nothing of the crashed item is recorded
// for the uninstaller. The crashes come from the actions' replaceable system calls; a COM
// server, the associations and the firewall crash in their own tests.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "actions/component_registration.h"
#include "actions/shortcuts.h"
#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/message_table.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

[[noreturn]] void Crash() {
    RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
    std::abort();
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What one guarded action works with, in a folder of its own.
struct ActionBench {
    ActionBench() {
        EXPECT_TRUE(log.Begin());
        places.installDir = folder.Join(L"Program");
        places.startMenu = folder.Join(L"Programs\\Vantrel Guarded");
        CreateDirectoryW(places.installDir.c_str(), nullptr);
        CreateDirectoryW(folder.Join(L"Temp").c_str(), nullptr);
        // Links named "Crash..." crash their maker; the others are made for real.
        services.makeLink = [](std::wstring& linkPath, const std::wstring& target,
                               const std::wstring& arguments, const std::wstring& workingFolder,
                               const std::wstring& icon, unsigned flags) {
            if (linkPath.find(L"Crash") != std::wstring::npos)
                Crash();
            return CreateShellLink(linkPath, target, arguments, workingFolder, icon, flags);
        };
    }
    ~ActionBench() { log.CloseAndDelete(); }
    std::string LogText() const { return test::ReadTestFile(log.BodyPath()); }

    test::TempFolder folder{L"guarded"};
    InstallLog log;
    FailureList failures;
    UninstallData data;
    MessageTable messages{{L"English"}, std::vector<std::wstring>(40)};
    ShortcutPlaces places;
    ShortcutServices services;
};

struct GuardedCase {
    const char* name;
    std::function<void(ActionBench&)> run;  // crashes in the first item of the action
    std::function<std::string(ActionBench&)> expectedLog;
    const wchar_t* expectedFailures;
    std::function<bool(ActionBench&)> wentOn;  // what the action did after the crash
};

std::string LinkLine(ActionBench& bench, const wchar_t* name) {
    return "Start Menu Shortcut(" + Utf16ToUtf8(name) + ") >>> " + Utf16ToUtf8(bench.places.startMenu) +
           "\\" + Utf16ToUtf8(name) + ".LNK\r\n";
}

const GuardedCase kCases[] = {
    {"TypeLibrary",
     [](ActionBench& b) {
         RegistrationServices services;
         services.registerTypeLibrary = [](const std::wstring& path) -> HRESULT {
             if (EndsWith(path, L"first.tlb"))
                 Crash();
             return S_OK;
         };
         RegisterTypeLibraries({{b.folder.Join(L"first.tlb")}, {b.folder.Join(L"second.tlb")}}, services,
                               b.log, b.failures);
     },
     [](ActionBench& b) {
         return "Registering Type Library \"" + Utf16ToUtf8(b.folder.Join(L"first.tlb")) +
                "\"...CRASHED!\r\nRegistering Type Library \"" + Utf16ToUtf8(b.folder.Join(L"second.tlb")) +
                "\"...OK\r\n";
     },
     L"Crashed while registering TLB file first.tlb\r\n", [](ActionBench&) { return true; }},
    {"ShortcutStep",
     [](ActionBench& b) {
         ShortcutListEntry crashing;
         crashing.startMenu = true;
         crashing.target = L"C:\\windows\\notepad.exe";
         crashing.name = L"Crash";
         ShortcutListEntry next = crashing;
         next.name = L"Next";
         ShortcutOptions options;
         options.detailedLog = true;
         ShortcutRunState state;
         CreateShortcuts({crashing, next}, b.places, options, b.services, state, b.messages, b.log,
                         b.failures, b.data);
     },
     [](ActionBench& b) { return "CRASHED!\r\n" + LinkLine(b, L"Next"); }, L"",
     [](ActionBench& b) {
         bool crashedRecorded = false;
         for (const std::string& line : b.data.Content().removalList)
             crashedRecorded = crashedRecorded || line.find("Crash") != std::string::npos;
         return test::PathExists(b.places.startMenu + L"\\Next.LNK") && !crashedRecorded;
     }},
    {"RootShortcut",
     [](ActionBench& b) {
         CreateRootShortcut(L"\"C:\\windows\\notepad.exe\"", L"Crash <product>", {L"Vantrel", L"", L""},
                            b.places, true, b.services, b.messages, b.log, b.failures, b.data);
     },
     [](ActionBench&) { return std::string(); }, L"Crash while installing root shortcut.\r\n",
     [](ActionBench& b) { return b.data.Content().removalList.empty(); }},
    {"TaskbarPin",
     [](ActionBench& b) {
         TaskbarPinContext context;
         context.tempFolder = b.folder.Join(L"Temp");
         context.appDataFolder = b.folder.Join(L"AppData");
         context.majorVersion = 6;
         context.minorVersion = 1;
         context.runVerb = [](const std::wstring&, const wchar_t*) -> std::intptr_t { Crash(); };
         PinToTaskbar(L"\"C:\\windows\\notepad.exe\"", L"Pinned", {L"Vantrel", L"", L""}, context, b.services,
                      b.messages, b.log, b.failures, b.data);
     },
     [](ActionBench&) { return std::string(); }, L"Crash while pinning to taskbar.\r\n",
     // The temporary link the verb was given does not stay behind, and no pin is recorded.
     [](ActionBench& b) {
         return test::CountFilesStartingWith(b.folder.Join(L"Temp"), L"Pinned") == 0 &&
                b.data.Content().removalList.empty();
     }},
};

class GuardedAction : public testing::TestWithParam<GuardedCase> {};

TEST_P(GuardedAction, ACrashWritesTheGuardsLineAndTheRunGoesOn) {
    const GuardedCase& c = GetParam();
    ActionBench bench;
    c.run(bench);
    // Back here at all: the crash did not end the process.
    EXPECT_EQ(bench.LogText(), c.expectedLog(bench));
    EXPECT_EQ(bench.failures.Text(), c.expectedFailures);
    EXPECT_TRUE(c.wentOn(bench));
}

INSTANTIATE_TEST_SUITE_P(Actions, GuardedAction, testing::ValuesIn(kCases), test::CaseName);

}  // namespace
}  // namespace vantrel
