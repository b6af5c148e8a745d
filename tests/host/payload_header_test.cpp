#include "format/payload_header.h"

#include <gtest/gtest.h>

#include "format/byte_writer.h"
#include "format/settings.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

// A header with one file and a settings block of `settingsSize` bytes after it.
Bytes Section(PayloadHeader h, std::size_t settingsBytes) {
    Bytes section = WritePayloadHeader(h);
    section.resize(section.size() + settingsBytes, 0);
    return section;
}

PayloadHeader Sample() {
    PayloadHeader h;
    h.settingsSize = 16;
    h.fileSizes = {10, 0, 20};
    h.dataSize = 5;
    return h;
}

constexpr std::size_t kSettingsSizeAt = 4 + 7 + 4;
constexpr std::size_t kFirstFileSizeAt = 4 + 7 + 32;

TEST(PayloadHeader, RoundTrip) {
    PayloadHeader h = Sample();
    h.productFlags2 = product_flags2::kEnciphered | product_flags2::kBuildStubImage;
    h.cipherKey = std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8};
    h.settingsCheck = 0x11111111;
    h.fileCheck = 0x22222222;
    h.dataEnd = 1234;
    h.dataCheck = 0x33333333;
    const Bytes section = Section(h, 16);
    PayloadHeader read;
    const PayloadHeaderRead result = ReadPayloadHeader(section, kPayloadEngineVersion, read);
    ASSERT_EQ(result.errorCode, 0);
    EXPECT_FALSE(result.versionMismatch);
    EXPECT_EQ(read.length, h.Length());
    EXPECT_EQ(read.fileSizes, h.fileSizes);
    EXPECT_EQ(read.cipherKey, h.cipherKey);
    EXPECT_EQ(read.settingsCheck, h.settingsCheck);
    EXPECT_EQ(read.fileCheck, h.fileCheck);
    EXPECT_EQ(LoadU32(section.data() + h.FileCheckOffset()), h.fileCheck);
    EXPECT_EQ(read.dataEnd, 1234);
    EXPECT_EQ(read.dataCheck, h.dataCheck);
    EXPECT_EQ(read.DataOffset(), h.Length() + 16);
}

struct HeaderCase {
    const char* name;
    std::size_t offset;
    std::uint32_t value;
    int expected;
};

class HeaderChecks : public testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderChecks, FieldCheckGivesItsCode) {
    Bytes section = Section(Sample(), 16);
    StoreU32(section.data() + GetParam().offset, GetParam().value);
    PayloadHeader read;
    EXPECT_EQ(ReadPayloadHeader(section, kPayloadEngineVersion, read).errorCode, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, HeaderChecks,
                         testing::Values(HeaderCase{"Magic", 0, 0xA4F23DE4, 20},
                                         HeaderCase{"SettingsSize0", kSettingsSizeAt, 0, 22},
                                         HeaderCase{"SettingsSizeNegative", kSettingsSizeAt, 0xFFFFFFFF, 22},
                                         HeaderCase{"SettingsSize0x3200000", kSettingsSizeAt, 0x3200000, 22},
                                         HeaderCase{"DataEndNegative", 4 + 7 + 16, 0x80000000, 45},
                                         HeaderCase{"FileCountNegative", 4 + 7 + 20, 0xFFFFFFFF, 27},
                                         HeaderCase{"FileCountBeyondSection", 4 + 7 + 20, 0x10000000, 27},
                                         HeaderCase{"DataSizeNegative", 4 + 7 + 24, 0xFFFFFFFF, 29},
                                         HeaderCase{"FileSize0x40000000", kFirstFileSizeAt, 0x40000000, 0},
                                         HeaderCase{"FileSize0x40000001", kFirstFileSizeAt, 0x40000001, 28},
                                         HeaderCase{"FileSizeNegative", kFirstFileSizeAt + 8, 0xFFFFFFFF, 28},
                                         HeaderCase{"SettingsBeyondSection", kSettingsSizeAt, 17, 22}),
                         test::CaseName);

TEST(PayloadHeader, SettingsSizeLimitIsInclusive) {
    PayloadHeader h = Sample();
    h.settingsSize = 0x31FFFFF;
    const Bytes section = Section(h, 0x31FFFFF);
    PayloadHeader read;
    EXPECT_EQ(ReadPayloadHeader(section, kPayloadEngineVersion, read).errorCode, 0);
}

TEST(PayloadHeader, VersionMismatchNamesTheFoundVersion) {
    PayloadHeader h = Sample();
    h.engineVersion = "40.9";
    PayloadHeader read;
    const PayloadHeaderRead result = ReadPayloadHeader(Section(h, 16), kPayloadEngineVersion, read);
    EXPECT_TRUE(result.versionMismatch);
    EXPECT_EQ(read.engineVersion, "40.9");
}

TEST(PayloadHeader, VersionsCompareAsDottedNumbers) {
    EXPECT_TRUE(DottedVersionEquals("41.1.1", "41.1.1"));
    EXPECT_TRUE(DottedVersionEquals("41.01.1", "41.1.1"));
    EXPECT_TRUE(DottedVersionEquals("41.1.1.0", "41.1.1"));
    EXPECT_FALSE(DottedVersionEquals("41.1.2", "41.1.1"));
    EXPECT_FALSE(DottedVersionEquals("41.1", "41.1.1"));
    EXPECT_FALSE(DottedVersionEquals("", "41.1.1"));
    EXPECT_FALSE(DottedVersionEquals("41.1.x", "41.1.1"));
}

TEST(PayloadHeader, NothingIsReadOutsideTheSection) {
    const Bytes full = Section(Sample(), 16);
    for (std::size_t cut = 0; cut < full.size(); ++cut) {
        SCOPED_TRACE(cut);
        const Bytes part(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(cut));
        PayloadHeader read;
        const PayloadHeaderRead result = ReadPayloadHeader(part, kPayloadEngineVersion, read);
        EXPECT_NE(result.errorCode, 0);
    }
}

TEST(PayloadHeader, CipherKeyOnlyWithItsFlag) {
    PayloadHeader h = Sample();
    h.cipherKey = std::array<std::uint8_t, 8>{};
    EXPECT_THROW(WritePayloadHeader(h), std::invalid_argument);
    h.cipherKey.reset();
    h.productFlags2 = product_flags2::kEnciphered;
    EXPECT_THROW(WritePayloadHeader(h), std::invalid_argument);
}

TEST(ProgramFileCheck, SumsFromPeHeaderPlus92) {
    Bytes leading(300, 0);
    StoreU16(leading.data() + 60, 100);
    leading[192] = 1;  // PE + 92: the first byte that counts
    leading[191] = 7;  // before it: ignored
    EXPECT_EQ(ProgramFileCheck(leading), 0x79E2BC9Du + 1u + 108u);
}

}  // namespace
}  // namespace vantrel
