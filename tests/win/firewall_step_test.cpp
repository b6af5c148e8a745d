#include "actions/firewall_step.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <map>
#include <string>
#include <vector>

#include "context/install_log.h"
#include "format/payload_error_codes.h"
#include "support/firewall_client.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "uninstall/firewall_removal.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

// Records every call and answers with scripted results.
class RecordingFirewall final : public FirewallService {
  public:
    int connectResult = 0;
    std::map<std::wstring, int> results;  // by call text; 0 when not listed
    std::vector<std::wstring> calls;

    int Connect() override { return Answer(L"connect"); }
    int AddProgram(const std::wstring& path, const std::wstring& name, unsigned options) override {
        return Answer(L"add program " + path + L" as " + name + L" options " + std::to_wstring(options));
    }
    int AddPort(std::uint16_t port, int protocol, const std::wstring& name, unsigned options) override {
        return Answer(L"add port " + std::to_wstring(port) + L"/" + std::to_wstring(protocol) + L" as " +
                      name + L" options " + std::to_wstring(options));
    }
    int RemoveProgram(const std::wstring& path, unsigned options) override {
        return Answer(L"remove program " + path + L" options " + std::to_wstring(options));
    }
    int RemovePort(std::uint16_t port, int protocol, unsigned options) override {
        return Answer(L"remove port " + std::to_wstring(port) + L"/" + std::to_wstring(protocol) +
                      L" options " + std::to_wstring(options));
    }
    void Disconnect() override { calls.push_back(L"disconnect"); }

  private:
    int Answer(const std::wstring& call) {
        calls.push_back(call);
        if (call == L"connect")
            return connectResult;
        const auto found = results.find(call);
        return found == results.end() ? 0 : found->second;
    }
};

class FirewallStepTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"vantrel-firewall-step-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(folder_.c_str(), nullptr);
        program_ = folder_ + L"\\server.exe";
        test::WriteTestFile(program_, "MZ");
        ASSERT_TRUE(log_.Begin());
    }
    void TearDown() override {
        const std::wstring body = log_.BodyPath();
        log_.CloseAndDelete();
        DeleteFileW(program_.c_str());
        RemoveDirectoryW(folder_.c_str());
    }

    int Run(std::wstring_view text, bool portable = false, std::uint32_t flags2 = 0) {
        FirewallStepInput input;
        input.firewallText = text;
        input.productName = L"Vantrel Demo";
        input.installDir = folder_;
        input.portable = portable;
        input.productFlags2 = flags2;
        input.expandVariables = [this](std::wstring& path) {
            const std::wstring variable = L"%InstallDir%";
            if (const auto at = path.find(variable); at != std::wstring::npos)
                path.replace(at, variable.size(), folder_);
        };
        return AddFirewallExceptions(input, firewall_, log_, records_);
    }
    std::string LogText() { return test::ReadTestFile(log_.BodyPath()); }
    std::string Narrow(const std::wstring& text) {
        return std::string(text.begin(), text.end());  // the test paths are ASCII
    }

    std::wstring folder_;
    std::wstring program_;
    InstallLog log_;
    std::vector<std::string> records_;
    RecordingFirewall firewall_;
};

TEST_F(FirewallStepTest, BothProtocolsOpenTcpThenUdpAndTheLineIsRecordedAsItStands) {
    EXPECT_EQ(Run(L"8080;Web;3;0\n"), 0);
    const std::vector<std::wstring> expected = {L"connect", L"add port 8080/6 as Web options 0",
                                                L"add port 8080/17 as Web options 0", L"disconnect"};
    EXPECT_EQ(firewall_.calls, expected);
    EXPECT_EQ(LogText(),
              "Added firewall exception: TCP port 8080\r\nAdded firewall exception: UDP port 8080\r\n");
    EXPECT_EQ(records_, std::vector<std::string>{"8080;Web;3;0\n"});
}

// A port line is recorded when either of its additions took: the uninstaller must close a
// TCP port that was opened even though the UDP one failed.
TEST_F(FirewallStepTest, APortLineIsRecordedWhenAnyOfItsAdditionsTook) {
    firewall_.results[L"add port 53/6 as Vantrel Demo options 0"] = firewall_result::kAddFailed;
    firewall_.results[L"add port 54/17 as Vantrel Demo options 0"] = firewall_result::kAddFailed;
    firewall_.results[L"add port 55/6 as Vantrel Demo options 0"] = firewall_result::kAddFailed;
    firewall_.results[L"add port 55/17 as Vantrel Demo options 0"] = firewall_result::kAddFailed;
    EXPECT_EQ(Run(L"53;;3;0\r\n54;;3;0\r\n55;;3;0\r\n"), 0);
    EXPECT_EQ(LogText(),
              "Failed to open firewall port 53, code 13\r\nAdded firewall exception: UDP port 53\r\n"
              "Added firewall exception: TCP port 54\r\nFailed to open firewall port 54, code 13\r\n"
              "Failed to open firewall port 55, code 13\r\nFailed to open firewall port 55, code 13\r\n");
    EXPECT_EQ(records_, (std::vector<std::string>{"53;;3;0\r\n", "54;;3;0\r\n"}));
}

TEST_F(FirewallStepTest, ProgramsAreResolvedCheckedAndKeptLinesAreNotRecorded) {
    const std::wstring text =
        L"%InstallDir%\\server.exe;Server;0;0\r\n"
        L"server.exe;;0;1\r\n"
        L"|missing.exe;Gone;0;0\r\n"
        L"server.exe;Refused;0;0\r\n";
    firewall_.results[L"add program " + program_ + L" as Refused options 0"] = firewall_result::kPathRejected;
    EXPECT_EQ(Run(text), 0);
    const std::vector<std::wstring> expected = {
        L"connect", L"add program " + program_ + L" as Server options 0",
        L"add program " + program_ + L" as Vantrel Demo options 0",
        L"add program " + program_ + L" as Refused options 0", L"disconnect"};
    EXPECT_EQ(firewall_.calls, expected);
    const std::string path = Narrow(program_);
    EXPECT_EQ(LogText(),
              "Added firewall exception: " + path + "\r\nAdded firewall exception: " + path +
                  "\r\nFailed to add firewall exception for \"" + Narrow(folder_) +
                  "\\missing.exe\": file does not exist\r\nFailed to add firewall exception for \"" + path +
                  "\", code 11\r\n");
    EXPECT_EQ(records_, std::vector<std::string>{"%InstallDir%\\server.exe;Server;0;0\r\n"});
}

TEST_F(FirewallStepTest, AFailedConnectionIsLoggedAndNothingElseHappens) {
    firewall_.connectResult = firewall_result::kNoManager;
    EXPECT_EQ(Run(L"8080;Web;1;0"), 0);
    EXPECT_EQ(firewall_.calls, std::vector<std::wstring>{L"connect"});
    EXPECT_EQ(LogText(), "Failed to connect to the firewall service: code 2\r\n");
    EXPECT_TRUE(records_.empty());
}

struct DamagedText {
    const char* name;
    const wchar_t* text;
};

class FirewallStepDamagedTextTest : public FirewallStepTest,
                                    public ::testing::WithParamInterface<DamagedText> {};

TEST_P(FirewallStepDamagedTextTest, EndsWithTheCorruptPayloadCodeBeforeTouchingTheFirewall) {
    EXPECT_EQ(Run(GetParam().text), payload_error::kFirewallFields);
    EXPECT_TRUE(firewall_.calls.empty());
    EXPECT_TRUE(records_.empty());
}

INSTANTIATE_TEST_SUITE_P(Lines, FirewallStepDamagedTextTest,
                         ::testing::Values(DamagedText{"ThreeFields", L"8080;Web;1;0\r\n8081;Web;1\r\n"},
                                           DamagedText{"FiveFields", L"8080;Web;1;0;x"},
                                           DamagedText{"EmptyLineInside",
                                                       L"8080;Web;1;0\r\n\r\n8081;Web;1;0"}),
                         test::CaseName);

TEST_F(FirewallStepTest, SkippedForAPortableInstallationThatAsksForIt) {
    EXPECT_EQ(Run(L"8080;Web;1;0", true, kNoFirewallWhenPortable), 0);
    EXPECT_TRUE(firewall_.calls.empty());
    EXPECT_EQ(Run(L"8080;Web;1;0", false, kNoFirewallWhenPortable), 0);
    EXPECT_EQ(firewall_.calls.size(), 3u);
}

TEST_F(FirewallStepTest, TheUninstallerRemovesWhatWasRecorded) {
    ASSERT_EQ(Run(L"8080;Web;3;0\r\n%InstallDir%\\server.exe;Server;0;0\r\n9000;;2;0\r\n"), 0);
    // Through Uninstall.DAT's records, as the uninstaller gets them back.
    UninstallData data;
    for (const std::string& line : records_)
        data.AddFirewallLine(line);
    std::vector<std::string> recorded = data.Content().firewallLines;
    ASSERT_EQ(recorded.size(), 3u);
    EXPECT_EQ(recorded[0], "8080;Web;3;0");
    recorded.insert(recorded.begin() + 1, "damaged;line");
    RecordingFirewall removal;
    RemoveFirewallExceptions(recorded, folder_, nullptr, removal);
    const std::vector<std::wstring> expected = {
        L"connect", L"remove port 8080/6 options 0", L"remove port 8080/17 options 0",
        // No expansion at hand here: the variable stays and the path is taken as relative.
        L"remove program " + folder_ + L"\\%InstallDir%\\server.exe options 0",
        L"remove port 9000/17 options 0", L"disconnect"};
    EXPECT_EQ(removal.calls, expected);

    RecordingFirewall unreachable;
    unreachable.connectResult = firewall_result::kNoProfile;
    RemoveFirewallExceptions(recorded, folder_, nullptr, unreachable);
    EXPECT_EQ(unreachable.calls, std::vector<std::wstring>{L"connect"});
}

// A firewall whose port call crashes, the way a broken system component would.
class CrashingFirewall final : public FirewallService {
  public:
    std::vector<std::wstring> calls;
    int Connect() override {
        calls.push_back(L"connect");
        return 0;
    }
    int AddProgram(const std::wstring&, const std::wstring&, unsigned) override { return 0; }
    int AddPort(std::uint16_t, int, const std::wstring&, unsigned) override {
        calls.push_back(L"add port");
        *nowhere = 1;
        return 0;
    }
    int RemoveProgram(const std::wstring&, unsigned) override { return 0; }
    int RemovePort(std::uint16_t, int, unsigned) override { return 0; }
    void Disconnect() override { calls.push_back(L"disconnect"); }

  private:
    static inline volatile int* volatile nowhere = nullptr;
};

TEST_F(FirewallStepTest, ACrashEndsTheStepWithItsLogLineAndTheRunGoesOn) {
    CrashingFirewall crashing;
    FirewallStepInput input;
    input.firewallText = L"8080;Web;1;0\r\n8081;Web;1;0\r\n";
    input.productName = L"Vantrel Demo";
    input.installDir = folder_;
    EXPECT_EQ(AddFirewallExceptions(input, crashing, log_, records_), 0);
    EXPECT_EQ(crashing.calls, (std::vector<std::wstring>{L"connect", L"add port"}));
    // No message, but the log tells why the exceptions after the crash are missing.
    EXPECT_EQ(LogText(), "CRASHED!\r\n");
    EXPECT_TRUE(records_.empty());
    // The step after it still runs.
    EXPECT_EQ(Run(L"9000;;1;0"), 0);
    EXPECT_EQ(records_, std::vector<std::string>{"9000;;1;0"});
}

// The system's firewall objects: whatever the platform stores, the calls must come back with
// a code of the table and never crash.
TEST(FirewallClientTest, TheSystemFirewallAnswersWithCodesOfTheTable) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
        FirewallClient client;
        EXPECT_EQ(client.AddPort(8080, ip_protocol::kTcp, L"x", 0), firewall_result::kNotConnected);
        const int connected = client.Connect();
        EXPECT_TRUE(connected == firewall_result::kDone || connected == firewall_result::kNoManager ||
                    connected == firewall_result::kNoPolicy || connected == firewall_result::kNoProfile)
            << connected;
        if (connected == firewall_result::kDone) {
            const int added = client.AddPort(48123, ip_protocol::kUdp, L"Vantrel test", 0);
            EXPECT_TRUE(added >= 0 && added <= 29) << added;
            EXPECT_EQ(client.AddProgram(L"", L"x", 0), firewall_result::kMissingArgument);
            const int removed = client.RemovePort(48123, ip_protocol::kUdp, 0);
            EXPECT_TRUE(removed >= 0 && removed <= 29) << removed;
            const int program = client.RemoveProgram(L"C:\\nowhere\\none.exe", 0);
            EXPECT_TRUE(program >= 0 && program <= 29) << program;
        }
        client.Disconnect();
    }
    if (SUCCEEDED(com))
        CoUninitialize();
}

}  // namespace
}  // namespace vantrel
