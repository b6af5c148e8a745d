#include "format/batch_text.h"

#include <gtest/gtest.h>

namespace vantrel {
namespace {

TEST(BatchText, CodePageLineFollowsTheTextAndTheWindowsVersion) {
    EXPECT_EQ(EncodeBatchText(L"rd \"C:\\App\"\r\n", true), "@chcp 1252 >nul\r\nrd \"C:\\App\"\r\n");
    EXPECT_EQ(EncodeBatchText(L"rd \"C:\\Caf\u00E9\"\r\n", true),
              "@chcp 65001 >nul\r\nrd \"C:\\Caf\xC3\xA9\"\r\n");
    EXPECT_EQ(EncodeBatchText(L"rd \"C:\\Caf\u00E9\"\r\n", false),
              "@chcp 1252 >nul\r\nrd \"C:\\Caf\xE9\"\r\n");
    EXPECT_EQ(EncodeBatchText(L"\u4E2D", false), "@chcp 1252 >nul\r\n?");
}

TEST(BatchText, PercentSignsAreDoubled) {
    EXPECT_EQ(BatchLiteral(L"C:\\100% App\\%TEMP%"), L"C:\\100%% App\\%%TEMP%%");
    EXPECT_EQ(BatchLiteral(L"plain"), L"plain");
}

}  // namespace
}  // namespace vantrel
