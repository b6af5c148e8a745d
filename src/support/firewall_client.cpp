#include "support/firewall_client.h"

#include "support/crash_guard.h"

#include <windows.h>
#include <netfw.h>
#include <oleauto.h>

#include <utility>

namespace vantrel {
namespace {

// netfw.h declares the class and interface identifiers without defining them; the engine
// links no import library that holds them.
constexpr CLSID kManagerClass = {
    0x304ce942, 0x6e39, 0x40d8, {0x94, 0x3a, 0xb9, 0x13, 0xc4, 0x0c, 0x9c, 0xd4}};
constexpr IID kManagerInterface = {
    0xf7898af5, 0xcac4, 0x4632, {0xa2, 0xec, 0xda, 0x06, 0xe5, 0x11, 0x1a, 0xf2}};
constexpr CLSID kApplicationClass = {
    0xec9846b3, 0x2762, 0x4a6b, {0xa2, 0x14, 0x6a, 0xcb, 0x60, 0x34, 0x62, 0xd2}};
constexpr IID kApplicationInterface = {
    0xb5e64ffa, 0xc2c5, 0x444e, {0xa3, 0x01, 0xfb, 0x5e, 0x00, 0x01, 0x80, 0x50}};
constexpr CLSID kOpenPortClass = {
    0x0ca545c6, 0x37ad, 0x4a6c, {0xbf, 0x92, 0x9f, 0x76, 0x10, 0x06, 0x7e, 0xf5}};
constexpr IID kOpenPortInterface = {
    0xe0483ba0, 0x47ff, 0x4d9c, {0xa6, 0xd6, 0x77, 0x41, 0xd0, 0xb1, 0x95, 0xf7}};

// Kept for the rest of the process once made: creating the manager is slow, and the
// uninstaller and the installer each connect once at most.
INetFwMgr* processManager = nullptr;
INetFwPolicy* processPolicy = nullptr;

template <typename Interface>
class ComRef {
  public:
    ComRef() = default;
    ~ComRef() {
        if (pointer_ != nullptr)
            pointer_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    Interface* operator->() const { return pointer_; }
    Interface** Out() { return &pointer_; }
    void** OutVoid() { return reinterpret_cast<void**>(&pointer_); }
    explicit operator bool() const { return pointer_ != nullptr; }
    Interface* Get() const { return pointer_; }

  private:
    Interface* pointer_ = nullptr;
};

class Bstr {
  public:
    explicit Bstr(const std::wstring& text)
        : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return text_; }

  private:
    BSTR text_;
};

int ExistingEntryResult(VARIANT_BOOL enabled, unsigned options, bool* exists) {
    *exists = enabled != VARIANT_FALSE;
    return *exists && (options & firewall_option::kFailWhenPresent) != 0 ? firewall_result::kEntryExists
                                                                         : firewall_result::kDone;
}

// The firewall's objects run inside this process; a crash in one of them ends only the
// operation, with its own code.
template <typename Body>
int Guarded(Body&& body) {
    int result = firewall_result::kCrashed;
    if (RunGuarded([&] { result = body(); }).crashed)
        return firewall_result::kCrashed;
    return result;
}

}  // namespace

int FirewallClient::Connect() {
    return Guarded([&] { return ConnectUnguarded(); });
}

int FirewallClient::AddProgram(const std::wstring& path, const std::wstring& name, unsigned options) {
    return Guarded([&] { return AddProgramUnguarded(path, name, options); });
}

int FirewallClient::AddPort(std::uint16_t port, int protocol, const std::wstring& name, unsigned options) {
    return Guarded([&] { return AddPortUnguarded(port, protocol, name, options); });
}

int FirewallClient::RemoveProgram(const std::wstring& path, unsigned options) {
    return Guarded([&] { return RemoveProgramUnguarded(path, options); });
}

int FirewallClient::RemovePort(std::uint16_t port, int protocol, unsigned options) {
    return Guarded([&] { return RemovePortUnguarded(port, protocol, options); });
}

FirewallClient::~FirewallClient() {
    Disconnect();
}

int FirewallClient::ConnectUnguarded() {
    Disconnect();
    if (processManager == nullptr) {
        if (FAILED(CoCreateInstance(kManagerClass, nullptr, CLSCTX_INPROC_SERVER, kManagerInterface,
                                    reinterpret_cast<void**>(&processManager))) ||
            processManager == nullptr) {
            processManager = nullptr;
            return firewall_result::kNoManager;
        }
    }
    if (processPolicy == nullptr) {
        if (FAILED(processManager->get_LocalPolicy(&processPolicy)) || processPolicy == nullptr) {
            processPolicy = nullptr;
            return firewall_result::kNoPolicy;
        }
    }
    if (FAILED(processPolicy->get_CurrentProfile(&profile_)) || profile_ == nullptr) {
        profile_ = nullptr;
        return firewall_result::kNoProfile;
    }
    return firewall_result::kDone;
}

void FirewallClient::Disconnect() {
    if (profile_ != nullptr)
        std::exchange(profile_, nullptr)->Release();
}

int FirewallClient::AddProgramUnguarded(const std::wstring& path, const std::wstring& name,
                                        unsigned options) {
    if (profile_ == nullptr)
        return firewall_result::kNotConnected;
    if (path.empty() || name.empty())
        return firewall_result::kMissingArgument;
    ComRef<INetFwAuthorizedApplications> applications;
    if (FAILED(profile_->get_AuthorizedApplications(applications.Out())) || !applications)
        return firewall_result::kNoApplications;
    const Bstr pathText(path);
    {
        ComRef<INetFwAuthorizedApplication> existing;
        if (SUCCEEDED(applications->Item(pathText.Get(), existing.Out())) && existing) {
            VARIANT_BOOL enabled = VARIANT_FALSE;
            if (FAILED(existing->get_Enabled(&enabled)))
                return firewall_result::kProgramStateUnreadable;
            bool exists = false;
            const int result = ExistingEntryResult(enabled, options, &exists);
            if (exists)
                return result;
        }
    }
    ComRef<INetFwAuthorizedApplication> entry;
    if (FAILED(CoCreateInstance(kApplicationClass, nullptr, CLSCTX_INPROC_SERVER, kApplicationInterface,
                                entry.OutVoid())) ||
        !entry) {
        return firewall_result::kNoProgramEntry;
    }
    if (FAILED(entry->put_ProcessImageFileName(pathText.Get())))
        return firewall_result::kPathRejected;
    const Bstr nameText(name);
    if (FAILED(entry->put_Name(nameText.Get())))
        return firewall_result::kNameRejected;
    if (FAILED(applications->Add(entry.Get())))
        return firewall_result::kAddFailed;
    return firewall_result::kDone;
}

int FirewallClient::AddPortUnguarded(std::uint16_t port, int protocol, const std::wstring& name,
                                     unsigned options) {
    if (profile_ == nullptr)
        return firewall_result::kNotConnected;
    if (name.empty())
        return firewall_result::kMissingArgument;
    ComRef<INetFwOpenPorts> ports;
    if (FAILED(profile_->get_GloballyOpenPorts(ports.Out())) || !ports)
        return firewall_result::kNoPorts;
    const auto ipProtocol = static_cast<NET_FW_IP_PROTOCOL>(protocol);
    {
        ComRef<INetFwOpenPort> existing;
        if (SUCCEEDED(ports->Item(port, ipProtocol, existing.Out())) && existing) {
            VARIANT_BOOL enabled = VARIANT_FALSE;
            if (FAILED(existing->get_Enabled(&enabled)))
                return firewall_result::kPortStateUnreadable;
            bool exists = false;
            const int result = ExistingEntryResult(enabled, options, &exists);
            if (exists)
                return result;
        }
    }
    ComRef<INetFwOpenPort> entry;
    if (FAILED(CoCreateInstance(kOpenPortClass, nullptr, CLSCTX_INPROC_SERVER, kOpenPortInterface,
                                entry.OutVoid())) ||
        !entry) {
        return firewall_result::kNoPortEntry;
    }
    if (FAILED(entry->put_Port(port)))
        return firewall_result::kPortRejected;
    if (FAILED(entry->put_Protocol(ipProtocol)))
        return firewall_result::kProtocolRejected;
    const Bstr nameText(name);
    if (FAILED(entry->put_Name(nameText.Get())))
        return firewall_result::kNameRejected;
    if (FAILED(ports->Add(entry.Get())))
        return firewall_result::kAddFailed;
    return firewall_result::kDone;
}

int FirewallClient::RemoveProgramUnguarded(const std::wstring& path, unsigned options) {
    if (profile_ == nullptr)
        return firewall_result::kNotConnected;
    if (path.empty())
        return firewall_result::kMissingArgument;
    ComRef<INetFwAuthorizedApplications> applications;
    if (FAILED(profile_->get_AuthorizedApplications(applications.Out())) || !applications)
        return firewall_result::kNoApplications;
    const Bstr pathText(path);
    ComRef<INetFwAuthorizedApplication> existing;
    if (FAILED(applications->Item(pathText.Get(), existing.Out())) || !existing) {
        return (options & firewall_option::kFailWhenMissing) != 0 ? firewall_result::kEntryMissing
                                                                  : firewall_result::kDone;
    }
    return FAILED(applications->Remove(pathText.Get())) ? firewall_result::kRemoveFailed
                                                        : firewall_result::kDone;
}

int FirewallClient::RemovePortUnguarded(std::uint16_t port, int protocol, unsigned options) {
    if (profile_ == nullptr)
        return firewall_result::kNotConnected;
    ComRef<INetFwOpenPorts> ports;
    if (FAILED(profile_->get_GloballyOpenPorts(ports.Out())) || !ports)
        return firewall_result::kNoPorts;
    const auto ipProtocol = static_cast<NET_FW_IP_PROTOCOL>(protocol);
    ComRef<INetFwOpenPort> existing;
    if (FAILED(ports->Item(port, ipProtocol, existing.Out())) || !existing) {
        return (options & firewall_option::kFailWhenMissing) != 0 ? firewall_result::kEntryMissing
                                                                  : firewall_result::kDone;
    }
    return FAILED(ports->Remove(port, ipProtocol)) ? firewall_result::kRemoveFailed : firewall_result::kDone;
}

}  // namespace vantrel
