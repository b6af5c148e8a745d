#include "support/version_resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "engine/extraction/replacement.h"
#include "support/child_process.h"

namespace vantrel {
namespace {

TEST(VersionResource, TheTextIsReadAsStored) {
    EXPECT_EQ(ReadFileVersionText(test::HostPathToWindows(VANTREL_VERSION_FIXTURE_commas)),
              L" 2, 0, 1, 5 \r\n");
    // As the replacement rules compare it.
    EXPECT_EQ(
        NormaliseVersionText(ReadFileVersionText(test::HostPathToWindows(VANTREL_VERSION_FIXTURE_commas))),
        L"2. 0. 1. 5");
}

TEST(VersionResource, TheFirstListedTranslationIsRead) {
    EXPECT_EQ(ReadFileVersionText(test::HostPathToWindows(VANTREL_VERSION_FIXTURE_translations)),
              L"3.1.0.0 deutsch");
}

TEST(VersionResource, NoTextNoResourceOrNoFileGiveEmpty) {
    EXPECT_EQ(ReadFileVersionText(test::HostPathToWindows(VANTREL_VERSION_FIXTURE_no_version_text)), L"");
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);  // the test program has no version resource
    EXPECT_EQ(ReadFileVersionText(self), L"");
    EXPECT_EQ(ReadFileVersionText(L"C:\\does\\not\\exist.dll"), L"");
}

}  // namespace
}  // namespace vantrel
