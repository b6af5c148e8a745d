#include "support/notification_sender.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "loopback_server.h"
#include "run/notification_queue.h"

namespace vantrel {
namespace {

NotificationTokens Tokens() {
    NotificationTokens tokens;
    tokens.version = L"2.5 beta";
    tokens.session = L"1F";
    tokens.os = L"7";
    tokens.osMajor = L"6";
    tokens.osMinor = L"1";
    tokens.osName = L"7";
    tokens.osDescription = L"Windows 7 x64";
    tokens.osServer = L"0";
    return tokens;
}

std::string HeadLine(const std::string& request) {
    return request.substr(0, request.find("\r\n"));
}

TEST(NotificationSenderTest, SendsQueuedRequestsInOrderWithTheTokensFilledIn) {
    test::LoopbackServer server(true);
    {
        NotificationSender sender;
        sender.Notify(L"  " + server.Address(L"/start?v=%version%&s=%Session%&os=%OSDescription%") + L"\r\n",
                      Tokens());
        sender.Notify(L"", Tokens());  // nothing to send
        sender.Notify(server.Address(L"/done?srv=%OSServer%&ma=%OSMajor%.%OSMinor%"), Tokens(),
                      ProblemReportForm(L"Demo", L"2.5", L"setup.exe", L"Failed x\r\n\r\n"));
        sender.Stop();
        EXPECT_EQ(sender.Attempts(), 2u);
        sender.Notify(server.Address(L"/late"), Tokens());  // after the stop: dropped
    }
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(HeadLine(requests[0]), "GET /start?v=2.5%20beta&s=1F&os=Windows%207%20x64 HTTP/1.0");
    EXPECT_EQ(HeadLine(requests[1]), "POST /done?srv=0&ma=6.1 HTTP/1.0");
    EXPECT_NE(requests[1].find("Content-Type: application/x-www-form-urlencoded"), std::string::npos);
    const std::string body = "problems=Demo%202.5%0D%0Asetup.exe%0D%0AFailed%20x%0D%0A%0D%0A";
    EXPECT_EQ(requests[1].substr(requests[1].size() - body.size()), body);
}

TEST(NotificationSenderTest, ANeverCreatedThreadCostsNothingAtTheEnd) {
    NotificationSender sender;
    sender.Notify(L"   ", Tokens());
    const DWORD start = GetTickCount();
    sender.Stop();
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(sender.Attempts(), 0u);
}

// A server that takes the connection but never answers: the request's own time-outs end it
// well before a generous stop bound...
TEST(NotificationSenderTest, TheRequestTimeOutsEndAWaitForASilentServer) {
    test::LoopbackServer server(false);
    NotificationTimeouts timeouts;
    timeouts.connectMs = 1000;
    timeouts.sendMs = 1000;
    timeouts.receiveMs = 1000;
    timeouts.stopWaitMs = 20000;
    NotificationSender sender(timeouts);
    sender.Notify(server.Address(L"/never"), Tokens());
    Sleep(200);
    const DWORD start = GetTickCount();
    sender.Stop();
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(sender.Attempts(), 1u);
}

// ...and whatever the time-outs do, the end of the run waits no longer than the bound.
TEST(NotificationSenderTest, TheStopBoundHoldsWhenTheServerNeverAnswers) {
    test::LoopbackServer server(false);
    NotificationTimeouts timeouts;
    timeouts.connectMs = 60000;
    timeouts.sendMs = 60000;
    timeouts.receiveMs = 60000;
    timeouts.stopWaitMs = 1500;
    const DWORD start = GetTickCount();
    {
        NotificationSender sender(timeouts);
        sender.Notify(server.Address(L"/never"), Tokens());
        sender.Notify(server.Address(L"/never-again"), Tokens());
        sender.Stop();
    }
    EXPECT_LT(GetTickCount() - start, 6000u);
}

// The run's seam: plain kinds are GETs with the machine's tokens, the error notification
// posts the problem report with the failure list.
TEST(NotificationQueueTest, TheErrorNotificationCarriesTheProblemReport) {
    test::LoopbackServer server(true);
    {
        NotificationSender sender;
        const NotificationQueue queue = NotificationQueueFor(sender, [] {
            return NotificationFacts{L"Demo", L"3.1", 0xABCDEF, L"Failed one\r\n\r\n"};
        });
        queue(NotificationKind::kStart, server.Address(L"/start?v=%version%&s=%Session%&srv=%OSServer%"));
        queue(NotificationKind::kError, server.Address(L"/error"));
        queue(NotificationKind::kStart, L"");
        sender.Stop();
    }
    const std::vector<std::string> requests = server.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(HeadLine(requests[0]),
              "GET /start?v=3.1&s=ABCDEF&srv=" +
                  std::string(SystemNotificationTokens(L"", 0).osServer == L"1" ? "1" : "0") + " HTTP/1.0");
    EXPECT_EQ(HeadLine(requests[1]), "POST /error HTTP/1.0");
    const std::size_t body = requests[1].find("\r\n\r\n");
    ASSERT_NE(body, std::string::npos);
    EXPECT_EQ(requests[1].substr(body + 4),
              "problems=Demo%203.1%0D%0Awin_tests.exe%0D%0AFailed%20one%0D%0A%0D%0A");
}

}  // namespace
}  // namespace vantrel
