// A product of machine code: its data block is compressed behind the x86 branch filter, and
// the engine, whose own xz decoder carries only what payloads need, installs it byte for byte.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "e2e/engine_bytes.h"
#include "format/settings.h"
#include "format/xz_codec.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/test_files.h"

namespace vantrel {
namespace {

using test::ChildProcess;

constexpr DWORD kTimeoutMs = 120000;

TEST(MachineCodePayload, TheX86FilteredBlockInstallsByteForByte) {
    test::TempFolder root(L"machine-code-payload");
    const std::wstring installDir = root.Join(L"app");
    Settings settings = test::FixtureSettings(L"Vantrel Machine Code Payload");
    settings.defaultInstallFolder = installDir;
    settings.productFlagsLow |= product_flags::kCompressedBlocks;
    // The engine itself is the product's program: 32-bit x86 code, like most of what ships.
    const Bytes program = test::EngineBytes();
    ASSERT_TRUE(LooksLikeX86Code(program));
    PayloadFileInput file;
    file.record.name = "program.exe";
    file.size = program.size();
    file.readData = [&program] { return program; };
    const std::wstring setup = root.Join(L"setup.exe");
    ASSERT_TRUE(test::BuildSetup(test::EngineBytes(), settings, {file}).Save(setup));

    ChildProcess child = ChildProcess::Start(setup, L"/silent");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    const std::string installed = test::ReadTestFile(installDir + L"\\program.exe");
    EXPECT_EQ(installed.size(), program.size());
    EXPECT_TRUE(installed == std::string(program.begin(), program.end()));
}

}  // namespace
}  // namespace vantrel
