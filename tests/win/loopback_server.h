#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>
#include <vector>

namespace vantrel::test {

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
            // Kept before it is answered: a client that has its answer may be checked at once.
            AcquireSRWLockExclusive(&server->lock_);
            server->requests_.push_back(request);
            ReleaseSRWLockExclusive(&server->lock_);
            static constexpr char kAnswer[] = "HTTP/1.0 200 OK\r\nContent-Length: 0\r\n\r\n";
            send(client, kAnswer, sizeof(kAnswer) - 1, 0);
            closesocket(client);
        }
    }

    bool answers_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    HANDLE thread_ = nullptr;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<std::string> requests_;
};

}  // namespace vantrel::test
