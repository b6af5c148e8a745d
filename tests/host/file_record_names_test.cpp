#include "builder/file_record_names.h"

#include <gtest/gtest.h>

#include <set>

namespace vantrel::builder {
namespace {

TEST(FileRecordNames, EveryKindHasOneNameThatLeadsBackToIt) {
    std::set<std::string_view> seen;
    for (const auto& [name, kind] : kDestinationKindNames) {
        EXPECT_TRUE(seen.insert(name).second) << name;
        EXPECT_EQ(DestinationKindName(static_cast<std::uint32_t>(kind)), name);
    }
    EXPECT_EQ(DestinationKindName(2), "?");
    EXPECT_EQ(DestinationKindName(13), "?");
}

TEST(FileRecordNames, ReplaceModesReadFromTheFlagsWithTheirOtherStoredForms) {
    for (const auto& [name, mode] : kReplaceModeNames)
        EXPECT_EQ(ReplaceModeName(mode | file_flags::kPermanent | file_flags::kDesktopShortcut), name);
    EXPECT_EQ(ReplaceModeName(replace_mode::kSkipToo), "skip");
    EXPECT_EQ(ReplaceModeName(replace_mode::kByKindRules2), "by-kind");
    EXPECT_EQ(ReplaceModeName(replace_mode::kByKindRules3), "by-kind");
}

}  // namespace
}  // namespace vantrel::builder
