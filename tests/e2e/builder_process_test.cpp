// Installers made by vantrel-build from a project file, run the way people run them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "builder/default_messages.h"
#include "builder/project.h"
#include "builder/setup_builder.h"
#include "format/payload_header.h"
#include "support/child_process.h"
#include "support/ui_driver.h"
#include "support/wizard_driver.h"

namespace vantrel {
namespace {

using test::ChildProcess;

constexpr DWORD kTimeoutMs = 20000;

Bytes ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::filesystem::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// What an installation of the example leaves in the registry: its uninstall entry (which
// makes the next run an installation over an existing one), its keys and its file type.
void ForgetExampleInstallation() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE,
                   L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Hello World");
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Example Software");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Example Software");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L".hello");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"ExampleSoftware.Hello");
}

// The example project shipped in examples/hello, built with the engine of this tree.
struct ExampleInstaller {
    explicit ExampleInstaller(const std::wstring& name) : folder(name) {
        ForgetExampleInstallation();
        const std::filesystem::path project =
            test::HostPathToWindows(VANTREL_SOURCE_DIR "/examples/hello/hello.toml");
        std::ifstream in(project, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const builder::Project parsed = builder::ParseProject(text, "hello.toml", project.parent_path());
        const Bytes stub = ReadAll(test::HostPathToWindows(VANTREL_ENGINE_EXE));
        bytes = builder::BuildSetup(stub, parsed, {}, &summary);
        path = folder.Join(L"hello-setup.exe");
        WriteAll(path, bytes);
    }
    ~ExampleInstaller() { ForgetExampleInstallation(); }
    ExampleInstaller(const ExampleInstaller&) = delete;
    ExampleInstaller& operator=(const ExampleInstaller&) = delete;

    test::TempFolder folder;
    std::wstring path;
    Bytes bytes;
    builder::BuildSummary summary;
};

TEST(BuiltInstaller, SilentRunReadsThePayloadAndEndsWithOne) {
    ExampleInstaller installer(L"built-silent");
    ChildProcess child = ChildProcess::Start(installer.path, L"/silent");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    EXPECT_TRUE(test::TopLevelWindows(child.Id()).empty());
}

TEST(BuiltInstaller, DamagedDataSpeaksWithTheProjectsOwnTexts) {
    ExampleInstaller installer(L"built-damaged");
    ASSERT_FALSE(installer.summary.dataInFile);
    const std::span<const std::uint8_t> section(installer.bytes.data() + installer.summary.sectionOffset,
                                                installer.bytes.size() - installer.summary.sectionOffset);
    PayloadHeader header;
    ASSERT_EQ(ReadPayloadHeader(section, kPayloadEngineVersion, header).errorCode, 0);
    // The last byte of the data area: its checksum no longer matches.
    Bytes damaged = installer.bytes;
    damaged[installer.summary.sectionOffset + static_cast<std::size_t>(header.dataEnd) - 1] ^= 0x5A;
    WriteAll(installer.path, damaged);
    ChildProcess child = ChildProcess::Start(installer.path, L"");
    const std::vector<std::wstring>& messages = builder::DefaultEnglishMessages();
    // The data is checked only once the installation has begun: after the pages.
    const HWND box = test::ClickThroughPages(
        child.Id(), [&] { return child.Wait(0).has_value(); }, kTimeoutMs);
    ASSERT_NE(box, nullptr);
    // Once the settings are read, fatal messages take their title and text from the table.
    EXPECT_EQ(test::WindowText(box), messages.at(21));
    const std::wstring text = test::AllStaticText(box);
    EXPECT_NE(text.find(L"55"), std::wstring::npos) << text.c_str();
    ASSERT_TRUE(test::PressButton(box, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

}  // namespace
}  // namespace vantrel
