#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "format/payload_error_codes.h"

namespace vantrel {

// Verdicts of the program file's signature check.
namespace trust_verdict {
inline constexpr int kValid = 0;
inline constexpr int kNotSigned = 1;
inline constexpr int kDistrusted = 2;
inline constexpr int kUntrusted = 3;
inline constexpr int kSecuritySettings = 4;
inline constexpr int kUnavailable = 5;
inline constexpr int kOther = 6;
inline constexpr int kFileMissing = 7;
inline constexpr int kFileDenied = 8;
inline constexpr int kUnknownForm = 9;
inline constexpr int kRevoked = 10;
inline constexpr int kExpired = 11;
inline constexpr int kTimeStamp = 12;
inline constexpr int kCertSignature = 13;
}  // namespace trust_verdict

// WinVerifyTrust's result and the thread's last error after the call -> verdict.
int TrustVerdictFromResult(std::uint32_t result, std::uint32_t lastError);

// The system error of a file that cannot be opened for the check -> verdict.
int TrustVerdictFromOpenError(std::uint32_t error);

enum class IntegrityAction {
    kAccept,            // signed well enough, or the check cannot be made here
    kCompareFileCheck,  // not signed: the header's file check decides
    kReject,            // payload_error::kSignatureBase + verdict
};

IntegrityAction IntegrityActionFor(int verdict);

// Asks WinVerifyTrust (loaded on demand from the system folder) about a file.
int VerifyFileSignature(const std::wstring& path);

// The whole check on an already-read leading part: 0 when accepted, else the payload error
// code (kProgramFileCheck, or kSignatureBase + verdict).
int CheckProgramIntegrity(const std::wstring& path, std::span<const std::uint8_t> leadingPart,
                          std::uint32_t fileCheck);

}  // namespace vantrel
