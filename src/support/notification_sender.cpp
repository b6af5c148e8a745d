#include "support/notification_sender.h"

#include <wininet.h>

#include <deque>
#include <optional>
#include <utility>

#include "format/text_format.h"
#include "support/crash_guard.h"
#include "support/os_info.h"
#include "support/system_library.h"

namespace vantrel {
namespace {

struct Request {
    std::wstring address;
    std::string form;  // empty: GET
};

// The few WinInet functions the sender uses, looked up at first use.
struct WinInet {
    UniqueLibrary library;
    decltype(&InternetOpenW) open = nullptr;
    decltype(&InternetSetOptionW) setOption = nullptr;
    decltype(&InternetConnectW) connect = nullptr;
    decltype(&HttpOpenRequestW) openRequest = nullptr;
    decltype(&HttpSendRequestW) sendRequest = nullptr;
    decltype(&HttpQueryInfoW) queryInfo = nullptr;
    decltype(&InternetCloseHandle) close = nullptr;

    bool Load() {
        library = UniqueLibrary(LoadSystemLibrary(L"wininet.dll"));
        const HMODULE module = library.Get();
        open = ModuleFunction<decltype(open)>(module, "InternetOpenW");
        setOption = ModuleFunction<decltype(setOption)>(module, "InternetSetOptionW");
        connect = ModuleFunction<decltype(connect)>(module, "InternetConnectW");
        openRequest = ModuleFunction<decltype(openRequest)>(module, "HttpOpenRequestW");
        sendRequest = ModuleFunction<decltype(sendRequest)>(module, "HttpSendRequestW");
        queryInfo = ModuleFunction<decltype(queryInfo)>(module, "HttpQueryInfoW");
        close = ModuleFunction<decltype(close)>(module, "InternetCloseHandle");
        return open && setOption && connect && openRequest && sendRequest && queryInfo && close;
    }
};

class InternetHandle {
  public:
    InternetHandle(const WinInet& api, HINTERNET handle) : api_(api), handle_(handle) {}
    ~InternetHandle() {
        if (handle_ != nullptr)
            api_.close(handle_);
    }
    InternetHandle(const InternetHandle&) = delete;
    InternetHandle& operator=(const InternetHandle&) = delete;
    HINTERNET Get() const { return handle_; }

  private:
    const WinInet& api_;
    HINTERNET handle_;
};

// Set on every handle of a request: which handle a WinInet takes its time-outs from
// differs between implementations.
void SetTimeouts(const WinInet& api, HINTERNET handle, const NotificationTimeouts& timeouts) {
    DWORD connect = timeouts.connectMs;
    DWORD send = timeouts.sendMs;
    DWORD receive = timeouts.receiveMs;
    api.setOption(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof(connect));
    api.setOption(handle, INTERNET_OPTION_SEND_TIMEOUT, &send, sizeof(send));
    api.setOption(handle, INTERNET_OPTION_DATA_SEND_TIMEOUT, &send, sizeof(send));
    api.setOption(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &receive, sizeof(receive));
    api.setOption(handle, INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, &receive, sizeof(receive));
}

void SendOne(const WinInet& api, HINTERNET session, const Request& request,
             const NotificationTimeouts& timeouts) {
    const std::optional<WebAddress> address = ParseWebAddress(request.address);
    if (!address)
        return;
    const InternetHandle connection(api, api.connect(session, address->host.c_str(), address->port, nullptr,
                                                     nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (connection.Get() == nullptr)
        return;
    SetTimeouts(api, connection.Get(), timeouts);
    // No redirection is followed: a secure address could otherwise end up answered over
    // plain http, and the answer is never read anyway. Certificate errors are not ignored.
    DWORD flags = INTERNET_FLAG_NO_UI | INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE |
                  INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_AUTO_REDIRECT;
    if (address->secure)
        flags |= INTERNET_FLAG_SECURE;
    const bool post = !request.form.empty();
    const InternetHandle http(
        api, api.openRequest(connection.Get(), post ? L"POST" : L"GET", address->pathAndQuery.c_str(),
                             L"HTTP/1.0", nullptr, nullptr, flags, 0));
    if (http.Get() == nullptr)
        return;
    SetTimeouts(api, http.Get(), timeouts);
    static constexpr wchar_t kFormHeader[] = L"Content-Type: application/x-www-form-urlencoded\r\n";
    const BOOL sent = api.sendRequest(
        http.Get(), post ? kFormHeader : nullptr, post ? static_cast<DWORD>(-1) : 0,
        post ? const_cast<char*>(request.form.data()) : nullptr, static_cast<DWORD>(request.form.size()));
    if (!sent)
        return;
    DWORD status = 0;
    DWORD size = sizeof(status);
    api.queryInfo(http.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
}

HINTERNET OpenSession(const WinInet& api, const NotificationTimeouts& timeouts) {
    const HINTERNET session = api.open(L"Vantrel Setup", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (session != nullptr)
        SetTimeouts(api, session, timeouts);
    return session;
}

}  // namespace

void PostWebForm(std::wstring_view address, const std::string& form, const NotificationTimeouts& timeouts) {
    WinInet api;
    if (!api.Load())
        return;
    const InternetHandle session(api, OpenSession(api, timeouts));
    if (session.Get() != nullptr)
        SendOne(api, session.Get(), Request{std::wstring(address), form}, timeouts);
}

struct NotificationSender::Shared {
    SRWLOCK lock = SRWLOCK_INIT;
    CONDITION_VARIABLE ready = CONDITION_VARIABLE_INIT;
    std::deque<Request> queue;
    bool stopping = false;
    HANDLE thread = nullptr;
    volatile LONG references = 1;
    volatile LONG attempts = 0;
    NotificationTimeouts timeouts;

    void Release() {
        if (InterlockedDecrement(&references) == 0)
            delete this;
    }

    static DWORD WINAPI ThreadMain(void* context) {
        auto* shared = static_cast<Shared*>(context);
        // Nothing may leave a thread's entry by exception; a failure only ends the sending.
        try {
            shared->Work();
        } catch (...) {
        }
        shared->Release();
        return 0;
    }

    bool Next(Request& request) {
        AcquireSRWLockExclusive(&lock);
        while (queue.empty() && !stopping)
            SleepConditionVariableSRW(&ready, &lock, INFINITE, 0);
        const bool have = !queue.empty();
        if (have) {
            request = std::move(queue.front());
            queue.pop_front();
        }
        ReleaseSRWLockExclusive(&lock);
        return have;
    }

    void Work() {
        WinInet api;
        HINTERNET session = nullptr;
        bool loaded = false;
        Request request;
        while (Next(request)) {
            if (!loaded) {
                loaded = true;
                if (api.Load())
                    session = OpenSession(api, timeouts);
            }
            InterlockedIncrement(&attempts);
            // A crash inside the system's internet functions loses this request only; the
            // installation on the main thread never notices.
            if (session != nullptr)
                RunGuarded([&] { SendOne(api, session, request, timeouts); });
        }
        if (session != nullptr)
            api.close(session);
    }
};

NotificationSender::NotificationSender(NotificationTimeouts timeouts)
    : shared_(new Shared), timeouts_(timeouts) {
    shared_->timeouts = timeouts;
}

NotificationSender::~NotificationSender() {
    Stop();
    shared_->Release();
}

void NotificationSender::Notify(std::wstring_view address, const NotificationTokens& tokens,
                                std::string form) {
    Request request{ExpandNotificationAddress(address, tokens), std::move(form)};
    if (request.address.empty())
        return;
    AcquireSRWLockExclusive(&shared_->lock);
    if (!shared_->stopping && shared_->thread == nullptr) {
        InterlockedIncrement(&shared_->references);
        shared_->thread = CreateThread(nullptr, 0, &Shared::ThreadMain, shared_, 0, nullptr);
        if (shared_->thread == nullptr) {
            InterlockedDecrement(&shared_->references);
            shared_->stopping = true;  // no thread, no sending
        }
    }
    if (!shared_->stopping)
        shared_->queue.push_back(std::move(request));
    ReleaseSRWLockExclusive(&shared_->lock);
    WakeConditionVariable(&shared_->ready);
}

void NotificationSender::Stop() {
    AcquireSRWLockExclusive(&shared_->lock);
    shared_->stopping = true;
    const HANDLE thread = std::exchange(shared_->thread, nullptr);
    ReleaseSRWLockExclusive(&shared_->lock);
    WakeAllConditionVariable(&shared_->ready);
    if (thread != nullptr) {
        // A thread still waiting for a server after the bound is left to end on its own;
        // it holds its own reference to the shared state.
        WaitForSingleObject(thread, timeouts_.stopWaitMs);
        CloseHandle(thread);
    }
}

unsigned NotificationSender::Attempts() const {
    return static_cast<unsigned>(InterlockedCompareExchange(&shared_->attempts, 0, 0));
}

NotificationTokens SystemNotificationTokens(std::wstring_view productVersion, std::uint64_t session) {
    const OsVersionInfo& os = CurrentOs();
    NotificationTokens tokens;
    tokens.version = productVersion;
    tokens.session = FormatText(L"%llX", {static_cast<unsigned long long>(session)});
    tokens.os = DecimalText(OsCode(os));
    tokens.osMajor = DecimalText(os.major);
    tokens.osMinor = DecimalText(os.minor);
    tokens.osName = OsName(os);
    tokens.osDescription = OsDescription(os);
    tokens.osServer = OsIsServer(os) ? L"1" : L"0";
    return tokens;
}

}  // namespace vantrel
