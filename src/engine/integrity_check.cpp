#include "engine/integrity_check.h"

#include <windows.h>
#include <softpub.h>
#include <wintrust.h>

#include "format/payload_header.h"
#include "support/system_library.h"
#include "support/unique_handle.h"

namespace vantrel {
namespace {

constexpr std::uint32_t Code(HRESULT value) {
    return static_cast<std::uint32_t>(value);
}

int MapTrustCode(std::uint32_t code) {
    using namespace trust_verdict;
    switch (code) {
        case 0:
            return kValid;
        case Code(CRYPT_E_SECURITY_SETTINGS):
            return kSecuritySettings;
        case Code(TRUST_E_CERT_SIGNATURE):
            return kCertSignature;
        case Code(TRUST_E_TIME_STAMP):
            return kTimeStamp;
        case Code(TRUST_E_BAD_DIGEST):
        case Code(TRUST_E_SUBJECT_NOT_TRUSTED):
        case Code(CERT_E_UNTRUSTEDROOT):
        case Code(CERT_E_CHAINING):
            return kUntrusted;
        case Code(TRUST_E_SUBJECT_FORM_UNKNOWN):
            return kUnknownForm;
        case Code(CERT_E_EXPIRED):
            return kExpired;
        case Code(CERT_E_REVOKED):
            return kRevoked;
        case Code(TRUST_E_EXPLICIT_DISTRUST):
            return kDistrusted;
        default:
            return kOther;
    }
}

using WinVerifyTrustFunction = LONG(WINAPI*)(HWND, GUID*, LPVOID);

}  // namespace

int TrustVerdictFromResult(std::uint32_t result, std::uint32_t lastError) {
    if (result == 0)
        return trust_verdict::kValid;
    if (result == Code(TRUST_E_NOSIGNATURE)) {
        // Only a missing signature confirmed by the last error counts as "not signed";
        // otherwise the last error says what really went wrong.
        // A last error of 0 here is no success: the check failed without saying why.
        if (lastError == Code(TRUST_E_NOSIGNATURE))
            return trust_verdict::kNotSigned;
        return lastError == 0 ? trust_verdict::kOther : MapTrustCode(lastError);
    }
    return MapTrustCode(result);
}

int TrustVerdictFromOpenError(std::uint32_t error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_TOO_MANY_OPEN_FILES:
        case ERROR_WRITE_PROTECT:
        case ERROR_BAD_UNIT:
        case ERROR_NOT_READY:
            return trust_verdict::kFileMissing;
        case ERROR_ACCESS_DENIED:
        case ERROR_INVALID_ACCESS:
            return trust_verdict::kFileDenied;
        default:
            return trust_verdict::kOther;
    }
}

IntegrityAction IntegrityActionFor(int verdict) {
    using namespace trust_verdict;
    switch (verdict) {
        case kValid:
        case kSecuritySettings:
        case kUnavailable:
        case kFileMissing:
        case kFileDenied:
        case kUnknownForm:
        case kRevoked:
        case kExpired:
        case kCertSignature:
            return IntegrityAction::kAccept;
        case kNotSigned:
            return IntegrityAction::kCompareFileCheck;
        default:
            return IntegrityAction::kReject;
    }
}

int VerifyFileSignature(const std::wstring& path) {
    {
        UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file)
            return TrustVerdictFromOpenError(GetLastError());
    }
    const UniqueLibrary wintrust(LoadSystemLibrary(L"wintrust.dll"));
    const auto verify = ModuleFunction<WinVerifyTrustFunction>(wintrust.Get(), "WinVerifyTrust");
    if (verify == nullptr)
        return trust_verdict::kUnavailable;
    WINTRUST_FILE_INFO fileInfo{};
    fileInfo.cbStruct = sizeof fileInfo;
    fileInfo.pcwszFilePath = path.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_WHOLECHAIN;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &fileInfo;
    data.dwStateAction = WTD_STATEACTION_IGNORE;
    data.dwProvFlags = WTD_REVOCATION_CHECK_CHAIN_EXCLUDE_ROOT;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    SetLastError(0);
    const LONG result = verify(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    const DWORD lastError = GetLastError();
    return TrustVerdictFromResult(static_cast<std::uint32_t>(result), lastError);
}

int CheckProgramIntegrity(const std::wstring& path, std::span<const std::uint8_t> leadingPart,
                          std::uint32_t fileCheck) {
    const int verdict = VerifyFileSignature(path);
    switch (IntegrityActionFor(verdict)) {
        case IntegrityAction::kAccept:
            return 0;
        case IntegrityAction::kCompareFileCheck:
            return ProgramFileCheck(leadingPart) == fileCheck ? 0 : payload_error::kProgramFileCheck;
        case IntegrityAction::kReject:
            break;
    }
    return payload_error::kSignatureBase + verdict;
}

}  // namespace vantrel
