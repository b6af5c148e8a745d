#include "support/notification_sender.h"

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace vantrel {
namespace {

// A web server on the loopback interface only. Answering, it records each request (head and
// body) and answers 200; silent, it lets connections queue and never reads or answers.
class LoopbackServer {
  public:
    explicit LoopbackServer(bool answers) : answers_(answers) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = 0;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        int size = sizeof(address);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        listen(listener_, 8);
        if (answers_)
            thread_ = CreateThread(nullptr, 0, &LoopbackServer::Serve, this, 0, nullptr);
    }
    ~LoopbackServer() {
        closesocket(listener_);  // ends accept()
        if (thread_ != nullptr) {
            WaitForSingleObject(thread_, 5000);
            CloseHandle(thread_);
        }
        WSACleanup();
    }
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    std::wstring Address(const std::wstring& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + path;
    }

    std::vector<std::string> Requests() {
        AcquireSRWLockExclusive(&lock_);
        std::vector<std::string> copy = requests_;
        ReleaseSRWLockExclusive(&lock_);
        return copy;
    }

  private:
    static DWORD WINAPI Serve(void* self) {
        auto* server = static_cast<LoopbackServer*>(self);
        for (;;) {
            const SOCKET client = accept(server->listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET)
                return 0;
            std::string request;
            char buffer[4096];
            for (;;) {
                const std::size_t headEnd = request.find("\r\n\r\n");
                if (headEnd != std::string::npos) {
                    std::size_t length = 0;
                    const std::size_t field = request.find("Content-Length: ");
                    if (field != std::string::npos && field < headEnd)
                        length = std::stoul(request.substr(field + 16));
                    if (request.size() >= headEnd + 4 + length)
                        break;
                }
                const int got = recv(client, buffer, sizeof(buffer), 0);
                if (got <= 0)
                    break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            static constexpr char kAnswer[] = "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n";
            send(client, kAnswer, sizeof(kAnswer) - 1, 0);
            closesocket(client);
            AcquireSRWLockExclusive(&server->lock_);
            server->requests_.push_back(request);
            ReleaseSRWLockExclusive(&server->lock_);
        }
    }

    bool answers_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE thread_ = nullptr;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<std::string> requests_;
};

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
    LoopbackServer server(true);
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
    LoopbackServer server(false);
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
    LoopbackServer server(false);
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

}  // namespace
}  // namespace vantrel
