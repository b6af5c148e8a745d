#include "format/pe_layout.h"
#include "support/test_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace vantrel {
namespace {

// A small PE image: headers and a section table, no section data.
struct FakeImage {
    static constexpr std::uint32_t kPe = 128;
    static constexpr std::uint16_t kOptionalSize = 224;

    explicit FakeImage(std::vector<const char*> names) : bytes(1024, 0) {
        bytes[0] = 'M';
        bytes[1] = 'Z';
        Put16(60, kPe);
        std::memcpy(&bytes[kPe], "PE\0\0", 4);
        Put16(kPe + 6, static_cast<std::uint16_t>(names.size()));
        Put16(kPe + 20, kOptionalSize);
        for (std::size_t i = 0; i < names.size(); ++i) {
            const std::size_t entry = kPe + 24 + kOptionalSize + i * kSectionEntrySize;
            std::memcpy(&bytes[entry], names[i], std::strlen(names[i]));
            Put32(entry + 12, static_cast<std::uint32_t>(0x1000 * (i + 1)));   // VirtualAddress
            Put32(entry + 16, 0x200);                                          // SizeOfRawData
            Put32(entry + 20, static_cast<std::uint32_t>(0x400 + 0x200 * i));  // PointerToRawData
        }
    }
    void Put16(std::size_t at, std::uint16_t v) {
        bytes[at] = static_cast<std::uint8_t>(v);
        bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    void Put32(std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    PeLookup Read() const { return ReadPeLayout(bytes.data(), bytes.size()); }

    std::vector<std::uint8_t> bytes;
};

const std::vector<const char*> kFourSections{".text", ".data", ".rdata", ".setup"};

TEST(PeLayout, FindsThePayloadSectionAndItsPlace) {
    const PeLookup lookup = FakeImage(kFourSections).Read();
    ASSERT_EQ(lookup.errorCode, 0);
    ASSERT_TRUE(lookup.payloadIndex.has_value());
    EXPECT_EQ(*lookup.payloadIndex, 3u);
    const PeSection& section = lookup.layout.sections[3];
    EXPECT_EQ(section.virtualAddress, 0x4000u);
    EXPECT_EQ(section.pointerToRawData, 0xA00u);
    EXPECT_EQ(section.entryOffset, FakeImage::kPe + 24 + FakeImage::kOptionalSize + 3 * kSectionEntrySize);
}

TEST(PeLayout, NoPayloadSectionIsNotAnError) {
    const PeLookup lookup = FakeImage({".text", ".data", ".rdata", ".setupx"}).Read();
    EXPECT_EQ(lookup.errorCode, 0);
    EXPECT_FALSE(lookup.payloadIndex.has_value());
}

struct HeaderCase {
    const char* name;
    std::uint16_t peOffset;
    std::uint16_t sectionCount;
    int error;
};

class PeHeaderChecks : public testing::TestWithParam<HeaderCase> {};

TEST_P(PeHeaderChecks, GiveTheirErrorCodes) {
    FakeImage image(kFourSections);
    if (GetParam().peOffset != FakeImage::kPe) {
        image.Put16(60, GetParam().peOffset);
        // Keep the count readable at the new place so only the offset check can fail.
        if (GetParam().peOffset + 8u <= image.bytes.size())
            image.Put16(GetParam().peOffset + 6u, 4);
    }
    if (GetParam().sectionCount != 4)
        image.Put16(FakeImage::kPe + 6, GetParam().sectionCount);
    EXPECT_EQ(image.Read().errorCode, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PeHeaderChecks,
    testing::Values(HeaderCase{"OffsetBelow64", 63, 4, payload_error::kPeHeaderOffset},
                    HeaderCase{"Offset64", 64, 4, 0},
                    HeaderCase{"Offset4096Unreadable", 4096, 4, payload_error::kSectionCount},
                    HeaderCase{"OffsetAbove4096", 4097, 4, payload_error::kPeHeaderOffset},
                    HeaderCase{"ThreeSections", FakeImage::kPe, 3, payload_error::kSectionCount},
                    HeaderCase{"NinetyNineSections", FakeImage::kPe, 99, 0},
                    HeaderCase{"HundredSections", FakeImage::kPe, 100, payload_error::kSectionCount}),
    test::CaseName);

TEST(PeLayout, ATooShortFileFailsTheOffsetCheck) {
    const std::vector<std::uint8_t> tiny(40, 0);
    EXPECT_EQ(ReadPeLayout(tiny.data(), tiny.size()).errorCode, payload_error::kPeHeaderOffset);
}

TEST(PeLayout, DataAreaEndsBeforeAnAppendedSignature) {
    FakeImage image(kFourSections);
    image.Put32(FakeImage::kPe + 24 + 128, 5000);  // certificate table offset
    image.Put32(FakeImage::kPe + 24 + 132, 800);   // and size
    const PeLayout layout = image.Read().layout;
    EXPECT_EQ(layout.certificateOffset, 5000u);
    EXPECT_EQ(layout.certificateSize, 800u);
    EXPECT_EQ(DataAreaFileEnd(layout, 5800, 3000, 2000), 5000u);
    // Signing pads the file to a multiple of 8 before the table: up to 7 bytes are not data.
    EXPECT_EQ(DataAreaFileEnd(layout, 5800, 3000, 1995), 4995u);
    EXPECT_EQ(DataAreaFileEnd(layout, 5800, 3000, 1993), 4993u);
    EXPECT_EQ(DataAreaFileEnd(layout, 5800, 3000, 1992), 5000u) << "8 bytes more are a wrong length";
    EXPECT_EQ(DataAreaFileEnd(layout, 5800, 3000, 2001), 5000u);
    // A table that is not the file's tail, or lies before the data, is not taken off.
    EXPECT_EQ(DataAreaFileEnd(layout, 6000, 3000, 2000), 6000u);
    EXPECT_EQ(DataAreaFileEnd(layout, 5800, 5500, 300), 5800u);
    EXPECT_EQ(DataAreaFileEnd(FakeImage(kFourSections).Read().layout, 5800, 3000, 2800), 5800u);
}

}  // namespace
}  // namespace vantrel
