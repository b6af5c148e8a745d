#include "format/pe_section_writer.h"

#include <cstring>

#include <gtest/gtest.h>

#include "format/byte_writer.h"
#include "format/pe_layout.h"
#include "format/settings_defaults.h"
#include "format/stub_image.h"
#include "payload_samples.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

constexpr std::uint32_t kPe = 0x80;
constexpr std::uint32_t kOptional = kPe + 24;
constexpr std::uint16_t kOptionalSize = 224;
constexpr std::uint32_t kTable = kOptional + kOptionalSize;

// A PE32 image of `sections` sections of 0x200 raw bytes each (headers 0x400 bytes, file
// alignment 0x200, section alignment 0x1000).
Bytes SyntheticPe(int sections) {
    Bytes pe(0x400 + static_cast<std::size_t>(sections) * 0x200, 0);
    pe[0] = 'M';
    pe[1] = 'Z';
    StoreU32(pe.data() + 60, kPe);
    std::memcpy(pe.data() + kPe, "PE\0\0", 4);
    StoreU16(pe.data() + kPe + 6, static_cast<std::uint16_t>(sections));
    StoreU16(pe.data() + kPe + 20, kOptionalSize);
    StoreU16(pe.data() + kOptional, 0x10B);
    StoreU32(pe.data() + kOptional + 8,
             0x200u * static_cast<std::uint32_t>(sections));  // SizeOfInitializedData
    StoreU32(pe.data() + kOptional + 32, 0x1000);             // SectionAlignment
    StoreU32(pe.data() + kOptional + 36, 0x200);              // FileAlignment
    StoreU32(pe.data() + kOptional + 56, 0x1000u * static_cast<std::uint32_t>(sections + 1));  // SizeOfImage
    StoreU32(pe.data() + kOptional + 60, 0x400);  // SizeOfHeaders
    for (int i = 0; i < sections; ++i) {
        std::uint8_t* e = pe.data() + kTable + i * 40;
        e[0] = '.';
        e[1] = static_cast<std::uint8_t>('a' + i);
        StoreU32(e + 8, 0x100);
        StoreU32(e + 12, 0x1000u * static_cast<std::uint32_t>(i + 1));
        StoreU32(e + 16, 0x200);
        StoreU32(e + 20, 0x400u + 0x200u * static_cast<std::uint32_t>(i));
        std::memset(pe.data() + 0x400 + 0x200 * i, 0x11 * (i + 1), 0x200);
    }
    return pe;
}

TEST(AppendSection, AddsAnAlignedInitializedReadableSection) {
    const Bytes exe = SyntheticPe(4);
    const Bytes data = test::PatternBytes(0x345, 1);
    std::size_t offset = 0;
    const Bytes out = AppendSection(exe, kPayloadSectionName, data, {}, &offset);
    EXPECT_EQ(offset, exe.size());
    EXPECT_EQ(out.size(), exe.size() + 0x400);
    const PeLookup lookup = ReadPeLayout(out.data(), out.size());
    ASSERT_EQ(lookup.errorCode, 0);
    ASSERT_EQ(lookup.payloadIndex, std::optional<std::size_t>(4));
    const PeSection& s = lookup.layout.sections[4];
    EXPECT_EQ(s.virtualSize, 0x345u);
    EXPECT_EQ(s.virtualAddress, 0x5000u);
    EXPECT_EQ(s.sizeOfRawData, 0x400u);
    EXPECT_EQ(s.pointerToRawData, offset);
    EXPECT_EQ(LoadU32(out.data() + s.entryOffset + 36), 0x40000040u);
    EXPECT_EQ(LoadU32(out.data() + kOptional + 56), 0x6000u);
    EXPECT_EQ(LoadU32(out.data() + kOptional + 8), 0x800u + 0x400u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), out.begin() + static_cast<std::ptrdiff_t>(offset)));
}

TEST(AppendSection, TrailingDataFollowsTheSectionDataDirectly) {
    Bytes exe = SyntheticPe(4);
    exe.resize(exe.size() + 5, 0xEE);  // an unaligned file end: the section starts aligned
    const Bytes data = test::PatternBytes(100, 2), trailing = test::PatternBytes(1000, 3);
    std::size_t offset = 0;
    const Bytes out = AppendSection(exe, kPayloadSectionName, data, trailing, &offset);
    EXPECT_EQ(offset % 0x200, 0u);
    EXPECT_EQ(out.size(), offset + data.size() + trailing.size());
    EXPECT_TRUE(std::equal(trailing.begin(), trailing.end(),
                           out.begin() + static_cast<std::ptrdiff_t>(offset + 100)));
    const PeLookup lookup = ReadPeLayout(out.data(), out.size());
    EXPECT_LE(lookup.layout.sections[4].pointerToRawData + lookup.layout.sections[4].sizeOfRawData,
              out.size());
}

struct SplitLayoutCase {
    const char* name;
    std::uint64_t sectionSize;
    std::uint64_t trailingSize;
    std::uint32_t rawSize;  // the new entry's SizeOfRawData
    std::uint64_t padding;
};

class AppendSectionHeadersLayout : public testing::TestWithParam<SplitLayoutCase> {};

// The data of a streamed build is written after these bytes, so their size must not depend on
// the section's or the data's size, and the raw size must match what follows.
TEST_P(AppendSectionHeadersLayout, LeadingPartEndsWhereTheSectionBegins) {
    const SplitLayoutCase& c = GetParam();
    Bytes exe = SyntheticPe(4);
    exe.resize(exe.size() + 5, 0xEE);
    std::uint64_t padding = 7;
    const Bytes lead =
        AppendSectionHeaders(exe, kPayloadSectionName, c.sectionSize, c.trailingSize, &padding);
    EXPECT_EQ(lead.size(), 0x400u + 4 * 0x200 + 0x200);
    EXPECT_EQ(padding, c.padding);
    EXPECT_EQ(LoadU32(lead.data() + kTable + 4 * 40 + 8), c.sectionSize);
    EXPECT_EQ(LoadU32(lead.data() + kTable + 4 * 40 + 16), c.rawSize);
    EXPECT_EQ(LoadU32(lead.data() + kTable + 4 * 40 + 20), lead.size());
}

INSTANTIATE_TEST_SUITE_P(Cases, AppendSectionHeadersLayout,
                         testing::Values(SplitLayoutCase{"SectionOnlyPadded", 0x123, 0, 0x200, 0x200 - 0x123},
                                         SplitLayoutCase{"SectionOnlyAligned", 0x400, 0, 0x400, 0},
                                         SplitLayoutCase{"ShortTrailingData", 0x123, 0x10, 0x133, 0},
                                         SplitLayoutCase{"LongTrailingData", 0x123, 3000000000ull, 0x200, 0}),
                         test::CaseName);

TEST(AppendSection, RefusesWhatItCannotExtend) {
    const Bytes data = {1};
    EXPECT_THROW(AppendSection(Bytes(100, 0), kPayloadSectionName, data, {}, nullptr), std::invalid_argument);
    EXPECT_THROW(AppendSection(SyntheticPe(4), kPayloadSectionName, {}, {}, nullptr), std::invalid_argument);
    Bytes full = SyntheticPe(4);
    full[kTable + 4 * 40] = 1;  // the slot for the new entry is in use
    EXPECT_THROW(AppendSection(full, kPayloadSectionName, data, {}, nullptr), std::invalid_argument);
}

TEST(StubImage, RemovesTheSectionAndEditsTheHeadersExactly) {
    // The payload in the middle: the following entry moves up and its raw pointer drops.
    Bytes exe = SyntheticPe(5);
    std::memcpy(exe.data() + kTable + 2 * 40, kPayloadSectionName, 8);
    const PeLookup lookup = ReadPeLayout(exe.data(), exe.size());
    ASSERT_EQ(lookup.payloadIndex, std::optional<std::size_t>(2));
    const std::size_t start = 0x400 + 2 * 0x200;
    const Bytes stub = BuildStubImage(
        {exe.data(), start}, {exe.data() + start + 0x200, exe.size() - start - 0x200}, lookup.layout, 2);
    ASSERT_EQ(stub.size(), exe.size() - 0x200);
    EXPECT_EQ(LoadU16(stub.data() + kPe + 6), 4u);
    EXPECT_EQ(LoadU32(stub.data() + kPe + 32), 0xA00u - 0x200u);
    EXPECT_EQ(LoadU32(stub.data() + kPe + 80), 0x6000u - 0x200u);
    const std::uint8_t* moved = stub.data() + kTable + 2 * 40;
    EXPECT_EQ(moved[1], 'd');
    EXPECT_EQ(LoadU32(moved + 20), 0x400u + 3 * 0x200u - 0x200u);
    EXPECT_EQ(stub[LoadU32(moved + 20)], 0x44);  // it points at its own data
    EXPECT_EQ(stub.data()[kTable + 3 * 40 + 1], 'e');
    for (int i = 0; i < 40; ++i)
        EXPECT_EQ(stub[kTable + 4 * 40 + static_cast<std::size_t>(i)], 0);
}

TEST(StubImage, OfAnAppendedSectionIsTheOriginalButForSizeOfImage) {
    const Bytes exe = SyntheticPe(4);
    std::size_t offset = 0;
    const Bytes setup = AppendSection(exe, kPayloadSectionName, test::PatternBytes(0x300, 4), {}, &offset);
    const PeLookup lookup = ReadPeLayout(setup.data(), setup.size());
    Bytes stub = BuildStubImage({setup.data(), offset}, {}, lookup.layout, *lookup.payloadIndex);
    ASSERT_EQ(stub.size(), exe.size());
    EXPECT_EQ(LoadU32(stub.data() + kPe + 80), 0x6000u - 0x400u);
    StoreU32(stub.data() + kPe + 80, LoadU32(exe.data() + kPe + 80));
    EXPECT_TRUE(stub == exe);
}

TEST(SettingsDefaults, SilentModeRewritesTheFlags) {
    Settings s;
    s.productFlagsLow = 0xFFFFFFFF;
    s.productFlagsHigh = 0xFFFFFFFF;
    ApplySilentModeFlags(s);
    EXPECT_EQ(s.productFlagsLow, 0x7FFFFF7Fu);
    EXPECT_EQ(s.productFlagsHigh, 0xFFF7EDE3u);
    s.productFlagsLow = 0;
    s.productFlagsHigh = 0;
    ApplySilentModeFlags(s);
    EXPECT_EQ(s.productFlagsLow, 0x30600000u);
    EXPECT_EQ(s.productFlagsHigh, 0x800u);
}

TEST(SettingsDefaults, ButtonPicturesAreDroppedBeforeXpOnly) {
    struct Case {
        std::uint32_t flags2;
        bool olderThanXp;
        std::uint32_t expected;
    };
    for (const Case& c : {Case{0x400, true, 0}, Case{0x400, false, 0x400}, Case{0xFFFFFFFF, true, 0xFFFFFBFF},
                          Case{0xFFFFFFFF, false, 0xFFFFFFFF}, Case{0x1003, true, 0x1003}}) {
        EXPECT_EQ(ProductFlags2ForPlatform(c.flags2, c.olderThanXp), c.expected)
            << std::hex << c.flags2 << " older than XP: " << c.olderThanXp;
    }
}

TEST(SettingsDefaults, TextsFallBackToTheProductName) {
    Settings s;
    s.productName = L"Product";
    ApplyFieldDefault(s, 11, L"");
    EXPECT_EQ(s.productName, L"Product");
    ApplyFieldDefault(s, 11, L"From Command Line");
    EXPECT_EQ(s.productName, L"From Command Line");
    for (int field : {12, 15, 17, 32, 47})
        ApplyFieldDefault(s, field, L"");
    EXPECT_EQ(s.displayProductName, L"From Command Line");
    EXPECT_EQ(s.sharedFolderName, L"From Command Line");
    EXPECT_EQ(s.startMenuFolder, L"From Command Line");
    EXPECT_EQ(s.uninstallKeyName, L"From Command Line");
    EXPECT_EQ(s.desktopFolder, L"");  // only with high bit 0x4000000
    s.productFlagsHigh = product_flags::kDesktopFolderDefaultsToProduct;
    ApplyFieldDefault(s, 47, L"");
    EXPECT_EQ(s.desktopFolder, L"From Command Line");

    Settings c;
    c.productName = L"P";
    c.companyName = L"Company";
    c.startMenuFolder = L"Own";
    ApplyFieldDefault(c, 15, L"");
    ApplyFieldDefault(c, 17, L"");
    EXPECT_EQ(c.sharedFolderName, L"Company");
    EXPECT_EQ(c.startMenuFolder, L"Own");
}

}  // namespace
}  // namespace vantrel
