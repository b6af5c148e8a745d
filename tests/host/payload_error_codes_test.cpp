#include "format/payload_error_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

TEST(PayloadErrorCodes, AscendingUniqueAndEachWithAMeaning) {
    int previous = 0;
    for (const PayloadErrorCode& entry : PayloadErrorCodes()) {
        EXPECT_GT(entry.code, previous) << "the table must stay in ascending order of code";
        previous = entry.code;
        ASSERT_NE(entry.meaning, nullptr);
        EXPECT_FALSE(std::string(entry.meaning).empty()) << entry.code;
        EXPECT_EQ(PayloadErrorMeaning(entry.code), entry.meaning);
    }
    EXPECT_LT(previous, payload_error::kSignatureBase);
}

TEST(PayloadErrorCodes, SignatureVerdictsAndUnknownNumbers) {
    EXPECT_STREQ(PayloadErrorMeaning(payload_error::kSignatureBase + 3),
                 "the signature check rejected the file");
    EXPECT_EQ(PayloadErrorMeaning(0), nullptr);
    EXPECT_EQ(PayloadErrorMeaning(21), nullptr);
    EXPECT_EQ(PayloadErrorMeaning(payload_error::kSignatureBase), nullptr);
}

TEST(PayloadErrorCodes, NamesKeepTheirNumbers) {
    // Installers in the field report these numbers: they never change.
    EXPECT_EQ(payload_error::kHeaderMagic, 20);
    EXPECT_EQ(payload_error::kSettingsCheck, 25);
    EXPECT_EQ(payload_error::kProgramFileCheck, 40);
    EXPECT_EQ(payload_error::kSettingsDecode, 47);
    EXPECT_EQ(payload_error::kBlockDecode, 60);
    EXPECT_EQ(payload_error::kFileDataCheck, 100);
    EXPECT_EQ(payload_error::kSavedValueType, 200);
}

}  // namespace
}  // namespace vantrel
