#include "actions/firewall_step.h"

#include <windows.h>

#include "context/install_log.h"
#include "format/firewall_text.h"
#include "format/path_canonical.h"
#include "format/path_join.h"
#include "format/payload_error_codes.h"
#include "format/text_encoding.h"
#include "support/crash_guard.h"
#include "support/firewall_client.h"

namespace vantrel {
namespace {

bool IsExistingFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether the line is to be recorded for the uninstaller: when any of its additions took (a
// TCP port opened beside a UDP one that failed must still be closed again; removing the
// one that was never added does no harm), or when the line asked for none.
bool OpenPort(std::uint16_t port, std::uint32_t flags, const std::wstring& name, FirewallService& firewall,
              InstallLog& log) {
    bool asked = false;
    bool added = false;
    const struct {
        std::uint32_t bit;
        int protocol;
        const char* added;
    } kinds[] = {{firewall_protocol::kTcp, ip_protocol::kTcp, "Added firewall exception: TCP port %d\r\n"},
                 {firewall_protocol::kUdp, ip_protocol::kUdp, "Added firewall exception: UDP port %d\r\n"}};
    for (const auto& kind : kinds) {
        if ((flags & kind.bit) == 0)
            continue;
        asked = true;
        const int result = firewall.AddPort(port, kind.protocol, name, 0);
        if (result != firewall_result::kDone) {
            log.WriteLogFormat("Failed to open firewall port %d, code %d\r\n",
                               {static_cast<int>(port), result});
        } else {
            log.WriteLogFormat(kind.added, {static_cast<int>(port)});
            added = true;
        }
    }
    return added || !asked;
}

void ApplyFirewallLines(const FirewallTextRead& read, const FirewallStepInput& input,
                        FirewallService& firewall, InstallLog& log, std::vector<std::string>& recordedLines) {
    const int connected = firewall.Connect();
    if (connected != firewall_result::kDone) {
        log.WriteLogFormat("Failed to connect to the firewall service: code %d\r\n", {connected});
        return;
    }
    for (std::size_t index = 0; index < read.instructions.size(); ++index) {
        const FirewallInstruction& line = read.instructions[index];
        const std::wstring name = line.name.empty() ? std::wstring(input.productName) : line.name;
        const std::wstring_view target = DecodedFirewallTarget(line.target);
        bool succeeded = false;
        if (const auto port = FirewallTargetPort(target)) {
            succeeded = OpenPort(*port, line.flags, name, firewall, log);
        } else {
            const std::wstring path = ResolveFirewallProgram(target, input.installDir, input.expandVariables);
            if (!IsExistingFile(path)) {
                log.WriteLogFormat(L"Failed to add firewall exception for \"%s\": file does not exist\r\n",
                                   {path});
            } else if (const int result = firewall.AddProgram(path, name, 0);
                       result != firewall_result::kDone) {
                log.WriteLogFormat(L"Failed to add firewall exception for \"%s\", code %d\r\n",
                                   {path, result});
            } else {
                log.WriteLogPieces({std::wstring_view(L"Added firewall exception: "), std::wstring_view(path),
                                    std::wstring_view(L"\r\n")});
                succeeded = true;
            }
        }
        if (succeeded && !line.keep)
            recordedLines.push_back(Utf16ToUtf8(read.lineTexts[index]));
    }
    firewall.Disconnect();
}

}  // namespace

std::wstring ResolveFirewallProgram(std::wstring_view decodedTarget, std::wstring_view installDir,
                                    const std::function<void(std::wstring&)>& expandVariables) {
    std::wstring path(decodedTarget);
    if (expandVariables)
        expandVariables(path);
    if (!IsAbsolutePathText(path))
        path = PathJoin(installDir, path);
    return path;
}

int AddFirewallExceptions(const FirewallStepInput& input, FirewallService& firewall, InstallLog& log,
                          std::vector<std::string>& recordedLines) {
    if (input.portable && (input.productFlags2 & kNoFirewallWhenPortable) != 0)
        return 0;
    if (input.firewallText.empty())
        return 0;
    // The whole text is checked before the firewall is touched, so a damaged payload opens
    // nothing that no record would ever close again.
    const FirewallTextRead read = ReadFirewallText(input.firewallText);
    if (read.errorCode != 0)
        return read.errorCode;

    // A crash inside the firewall's objects (or anything the step calls) ends the step
    // without a message; the log says so, and the installation goes on with the next step.
    // The lines recorded before the crash stay: those exceptions were added.
    if (RunGuarded([&] { ApplyFirewallLines(read, input, firewall, log, recordedLines); }).crashed)
        log.WriteLog(std::string_view("CRASHED!\r\n"));
    return 0;
}

}  // namespace vantrel
