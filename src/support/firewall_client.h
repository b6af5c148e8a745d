#pragma once

#include <cstdint>
#include <string>

struct INetFwProfile;

namespace vantrel {

// Result codes of the firewall operations; 0 is success and the others appear in log lines.
namespace firewall_result {
inline constexpr int kDone = 0;  // also: the entry already exists and is enabled
inline constexpr int kNotConnected = 1;
inline constexpr int kNoManager = 2;
inline constexpr int kNoPolicy = 3;
inline constexpr int kNoProfile = 4;
inline constexpr int kMissingArgument = 7;
inline constexpr int kNoApplications = 8;
inline constexpr int kProgramStateUnreadable = 9;
inline constexpr int kNoProgramEntry = 10;
inline constexpr int kPathRejected = 11;
inline constexpr int kNameRejected = 12;
inline constexpr int kAddFailed = 13;
inline constexpr int kRemoveFailed = 14;
inline constexpr int kNoPorts = 15;
inline constexpr int kPortStateUnreadable = 16;
inline constexpr int kNoPortEntry = 18;
inline constexpr int kPortRejected = 19;
inline constexpr int kProtocolRejected = 20;
inline constexpr int kCrashed = 27;
inline constexpr int kEntryMissing = 28;
inline constexpr int kEntryExists = 29;
}  // namespace firewall_result

// Option bits of the add and remove operations.
namespace firewall_option {
inline constexpr unsigned kFailWhenMissing = 0x1;  // removal: 28 instead of 0
inline constexpr unsigned kFailWhenPresent = 0x2;  // addition: 29 instead of 0
}  // namespace firewall_option

// IP protocol numbers of port entries.
namespace ip_protocol {
inline constexpr int kTcp = 6;
inline constexpr int kUdp = 17;
}  // namespace ip_protocol

// The operations the firewall step and the uninstaller ask of the firewall. The system's
// implementation is FirewallClient; tests record the calls instead, since a firewall that
// really opens ports cannot be checked from a test.
class FirewallService {
  public:
    virtual ~FirewallService() = default;
    virtual int Connect() = 0;
    virtual int AddProgram(const std::wstring& path, const std::wstring& name, unsigned options) = 0;
    virtual int AddPort(std::uint16_t port, int protocol, const std::wstring& name, unsigned options) = 0;
    virtual int RemoveProgram(const std::wstring& path, unsigned options) = 0;
    virtual int RemovePort(std::uint16_t port, int protocol, unsigned options) = 0;
    virtual void Disconnect() = 0;
};

// The Windows Firewall through its COM interfaces. The manager and its local policy are
// made on the first connection and kept for the rest of the process; the current profile
// belongs to this object, from Connect to Disconnect. COM must be initialised on the thread.
// A crash inside the firewall's objects ends the operation with kCrashed.
class FirewallClient final : public FirewallService {
  public:
    FirewallClient() = default;
    ~FirewallClient() override;
    FirewallClient(const FirewallClient&) = delete;
    FirewallClient& operator=(const FirewallClient&) = delete;

    int Connect() override;
    int AddProgram(const std::wstring& path, const std::wstring& name, unsigned options) override;
    int AddPort(std::uint16_t port, int protocol, const std::wstring& name, unsigned options) override;
    int RemoveProgram(const std::wstring& path, unsigned options) override;
    int RemovePort(std::uint16_t port, int protocol, unsigned options) override;
    void Disconnect() override;

  private:
    int ConnectUnguarded();
    int AddProgramUnguarded(const std::wstring& path, const std::wstring& name, unsigned options);
    int AddPortUnguarded(std::uint16_t port, int protocol, const std::wstring& name, unsigned options);
    int RemoveProgramUnguarded(const std::wstring& path, unsigned options);
    int RemovePortUnguarded(std::uint16_t port, int protocol, unsigned options);

    INetFwProfile* profile_ = nullptr;
};

}  // namespace vantrel
