#include "format/crc32.h"

#include <gtest/gtest.h>

#include <string_view>

namespace vantrel {
namespace {

TEST(Crc32, KnownValueAndPieces) {
    constexpr std::string_view text = "123456789";
    EXPECT_EQ(Crc32(text.data(), text.size()), 0xCBF43926u);  // the standard check value
    const std::uint32_t first = Crc32(text.data(), 4);
    EXPECT_EQ(Crc32(text.data() + 4, text.size() - 4, first), 0xCBF43926u);
    EXPECT_EQ(Crc32(nullptr, 0), 0u);
}

}  // namespace
}  // namespace vantrel
