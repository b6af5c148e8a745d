// The engine's application manifest, read back from the built executable.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/child_process.h"

namespace vantrel {
namespace {

std::string EngineManifest() {
    const std::wstring path = test::HostPathToWindows(VANTREL_ENGINE_EXE);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return {};
    std::string text;
    if (HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24))) {
        if (HGLOBAL loaded = LoadResource(module, resource)) {
            text.assign(static_cast<const char*>(LockResource(loaded)), SizeofResource(module, resource));
        }
    }
    FreeLibrary(module);
    return text;
}

TEST(EngineManifest, AsksForElevationAndDeclaresWindows10) {
    const std::string manifest = EngineManifest();
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find(R"(requestedExecutionLevel level="requireAdministrator")"), std::string::npos);
    EXPECT_NE(manifest.find("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"),
              std::string::npos);  // Windows 10 and 11
    EXPECT_NE(manifest.find("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}"), std::string::npos);  // Windows 7
}

TEST(EngineManifest, DeclaresPerMonitorDpiAwareness) {
    const std::string manifest = EngineManifest();
    // Windows 10 takes the second form (scaling the dialogs itself), older ones the first.
    EXPECT_NE(manifest.find(">PerMonitorV2, PerMonitor</dpiAwareness>"), std::string::npos) << manifest;
    EXPECT_NE(manifest.find(">true/pm</dpiAware>"), std::string::npos) << manifest;
}

TEST(EngineManifest, TakesTheCommonControlsOfVersion6) {
    // Only these buttons show a picture beside their text.
    const std::string manifest = EngineManifest();
    EXPECT_NE(manifest.find(R"(name="Microsoft.Windows.Common-Controls" version="6.0.0.0")"),
              std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find(R"(publicKeyToken="6595b64144ccf1df")"), std::string::npos) << manifest;
}

}  // namespace
}  // namespace vantrel
