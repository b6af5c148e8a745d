#include "format/icon_group.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace vantrel {
namespace {

// Two images: 16x16 with 16 colours (4 bytes of data) and 32x32 at 32 bits (3 bytes).
const std::vector<std::uint8_t> kTwoImageIcon = {0x00, 0x00, 0x01, 0x00, 0x02, 0x00,  // header
                                                 0x10, 0x10, 0x10, 0x00, 0x01, 0x00, 0x04, 0x00,
                                                 0x04, 0x00, 0x00, 0x00, 0x26, 0x00, 0x00, 0x00,  // entry 1
                                                 0x20, 0x20, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00,
                                                 0x03, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00,  // entry 2
                                                 0xA1, 0xA2, 0xA3, 0xA4,  // image 1 at 0x26
                                                 0xB1, 0xB2, 0xB3};       // image 2 at 0x2A

TEST(IconGroup, GroupDirectoryHasTheResourceLayout) {
    const auto resources = SplitIconFile(kTwoImageIcon);
    ASSERT_TRUE(resources);
    const std::vector<std::uint8_t> expected = {
        0x00, 0x00, 0x01, 0x00, 0x02, 0x00,  // u16 0, u16 1, u16 2
        0x10, 0x10, 0x10, 0x00, 0x01, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00,   // id 1
        0x20, 0x20, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x00};  // id 2
    EXPECT_EQ(resources->groupDirectory, expected);
    ASSERT_EQ(resources->images.size(), 2u);
    EXPECT_EQ(std::vector<std::uint8_t>(resources->images[0].begin(), resources->images[0].end()),
              (std::vector<std::uint8_t>{0xA1, 0xA2, 0xA3, 0xA4}));
    EXPECT_EQ(std::vector<std::uint8_t>(resources->images[1].begin(), resources->images[1].end()),
              (std::vector<std::uint8_t>{0xB1, 0xB2, 0xB3}));
}

TEST(IconGroup, RefusesWhatIsNoIconFile) {
    std::vector<std::uint8_t> cursor = kTwoImageIcon;
    cursor[2] = 2;  // a cursor file
    EXPECT_FALSE(SplitIconFile(cursor));
    std::vector<std::uint8_t> outside = kTwoImageIcon;
    outside[30] = 0x2B;  // the second image would end one byte past the file
    EXPECT_FALSE(SplitIconFile(outside));
    EXPECT_FALSE(SplitIconFile(std::vector<std::uint8_t>(kTwoImageIcon.begin(), kTwoImageIcon.begin() + 20)));
    EXPECT_FALSE(SplitIconFile(std::vector<std::uint8_t>{0, 0, 1, 0, 0, 0}));
}

}  // namespace
}  // namespace vantrel
