#include "engine/integrity_check.h"
#include "support/test_names.h"

#include <windows.h>
#include <wintrust.h>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

struct VerdictCase {
    const char* name;
    std::uint32_t result;
    std::uint32_t lastError;
    int verdict;
    IntegrityAction action;
};

constexpr std::uint32_t U(HRESULT h) {
    return static_cast<std::uint32_t>(h);
}

class TrustVerdicts : public testing::TestWithParam<VerdictCase> {};

TEST_P(TrustVerdicts, ResultMapsToVerdictAndAction) {
    const VerdictCase& c = GetParam();
    EXPECT_EQ(TrustVerdictFromResult(c.result, c.lastError), c.verdict);
    EXPECT_EQ(IntegrityActionFor(c.verdict), c.action);
}

using A = IntegrityAction;
INSTANTIATE_TEST_SUITE_P(
    Table, TrustVerdicts,
    testing::Values(
        VerdictCase{"Success", 0, 0, 0, A::kAccept},
        VerdictCase{"NotSigned", U(TRUST_E_NOSIGNATURE), U(TRUST_E_NOSIGNATURE), 1, A::kCompareFileCheck},
        VerdictCase{"NoSignatureButRevoked", U(TRUST_E_NOSIGNATURE), U(CERT_E_REVOKED), 10, A::kAccept},
        VerdictCase{"NoSignatureButOther", U(TRUST_E_NOSIGNATURE), 0, 6, A::kReject},
        VerdictCase{"SecuritySettings", U(CRYPT_E_SECURITY_SETTINGS), 0, 4, A::kAccept},
        VerdictCase{"CertSignature", U(TRUST_E_CERT_SIGNATURE), 0, 13, A::kAccept},
        VerdictCase{"TimeStamp", U(TRUST_E_TIME_STAMP), 0, 12, A::kReject},
        VerdictCase{"BadDigest", U(TRUST_E_BAD_DIGEST), 0, 3, A::kReject},
        VerdictCase{"SubjectNotTrusted", U(TRUST_E_SUBJECT_NOT_TRUSTED), 0, 3, A::kReject},
        VerdictCase{"UntrustedRoot", U(CERT_E_UNTRUSTEDROOT), 0, 3, A::kReject},
        VerdictCase{"Chaining", U(CERT_E_CHAINING), 0, 3, A::kReject},
        VerdictCase{"SubjectFormUnknown", U(TRUST_E_SUBJECT_FORM_UNKNOWN), 0, 9, A::kAccept},
        VerdictCase{"Expired", U(CERT_E_EXPIRED), 0, 11, A::kAccept},
        VerdictCase{"Revoked", U(CERT_E_REVOKED), 0, 10, A::kAccept},
        VerdictCase{"ExplicitDistrust", U(TRUST_E_EXPLICIT_DISTRUST), 0, 2, A::kReject},
        VerdictCase{"Other", 0x80004005u, 0, 6, A::kReject}),
    test::CaseName);

TEST(TrustVerdicts, OpenErrors) {
    for (long e : {ERROR_FILE_NOT_FOUND, ERROR_PATH_NOT_FOUND, ERROR_TOO_MANY_OPEN_FILES, ERROR_WRITE_PROTECT,
                   ERROR_BAD_UNIT, ERROR_NOT_READY}) {
        EXPECT_EQ(TrustVerdictFromOpenError(static_cast<std::uint32_t>(e)), 7) << e;
    }
    EXPECT_EQ(TrustVerdictFromOpenError(ERROR_ACCESS_DENIED), 8);
    EXPECT_EQ(TrustVerdictFromOpenError(ERROR_INVALID_ACCESS), 8);
    EXPECT_EQ(TrustVerdictFromOpenError(ERROR_SHARING_VIOLATION), 6);
    EXPECT_EQ(IntegrityActionFor(5), A::kAccept);
    EXPECT_EQ(IntegrityActionFor(14), A::kReject);
}

TEST(VerifyFileSignature, UnsignedProgramIsNotSignedAndAMissingFileIsAccepted) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    EXPECT_EQ(VerifyFileSignature(self), 1);
    EXPECT_EQ(VerifyFileSignature(L"C:\\no\\such\\file.exe"), 7);
}

}  // namespace
}  // namespace vantrel
