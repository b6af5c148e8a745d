#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "builder/cli.h"
#include "builder_test_support.h"
#include "support/test_names.h"

namespace vantrel::builder {
namespace {

// Runs the command line with stdout and stderr captured in temporary files.
struct CliRun {
    int code = 0;
    std::string out, err;
};

std::string Slurp(std::FILE* file) {
    std::rewind(file);
    std::string text;
    char buffer[4096];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, count);
    std::fclose(file);
    return text;
}

CliRun RunCli(const std::vector<std::string>& args) {
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    CliRun run;
    run.code = RunBuilder(args, "/nowhere/vantrel-build", out, err);
    run.out = Slurp(out);
    run.err = Slurp(err);
    return run;
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    int code;
    const char* errText;
};

class CliUsage : public testing::TestWithParam<UsageCase> {};

TEST_P(CliUsage, ExitsWithCodeAndMessage) {
    const CliRun run = RunCli(GetParam().args);
    EXPECT_EQ(run.code, GetParam().code);
    EXPECT_NE(run.err.find(GetParam().errText), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsage,
    testing::Values(UsageCase{"Nothing", {}, 2, "Usage:"},
                    UsageCase{"NoOutput", {"p.toml"}, 2, "no output file given"},
                    UsageCase{"UnknownOption", {"p.toml", "--fast"}, 2, "unknown option --fast"},
                    UsageCase{"TwoProjects", {"a.toml", "b.toml", "-o", "x"}, 2, "more than one project"},
                    UsageCase{"InspectWithoutFile", {"inspect"}, 2, "inspect takes one installer file"},
                    UsageCase{"JobsWithoutCount", {"p.toml", "-o", "x", "--jobs"}, 2, "needs a thread count"},
                    UsageCase{"JobsZero", {"p.toml", "-o", "x", "-j", "0"}, 2, "needs a thread count"},
                    UsageCase{"JobsNotANumber", {"p.toml", "-o", "x", "-j", "2x"}, 2, "needs a thread count"},
                    UsageCase{"MissingProject",
                              {"/nonexistent/p.toml", "-o", "x.exe"},
                              1,
                              "p.toml: cannot read the project file"},
                    UsageCase{"InspectMissing", {"inspect", "/nonexistent/setup.exe"}, 1, "cannot read"}),
    test::CaseName);

TEST(Cli, HelpAndVersionGoToStandardOutput) {
    EXPECT_EQ(RunCli({"--help"}).code, 0);
    EXPECT_NE(RunCli({"--help"}).out.find("vantrel-build inspect SETUP.exe"), std::string::npos);
    EXPECT_EQ(RunCli({"--version"}).out, std::string("vantrel-build ") + VANTREL_VERSION + "\n");
}

TEST(Cli, BuildsAndInspectsThroughTheCommandLine) {
    test::HostTempFolder folder;
    folder.Write("a.txt", "hello");
    const auto project = folder.Write("p.toml", "[product]\nname = \"Cli\"\n[[files]]\nsource = \"a.txt\"\n");
    const auto stub = test::FakeEngineStub();
    const auto enginePath = folder.Path() / "engine.exe";
    std::ofstream(enginePath, std::ios::binary)
        .write(reinterpret_cast<const char*>(stub.data()), static_cast<std::streamsize>(stub.size()));
    const auto output = (folder.Path() / "setup.exe").string();
    const CliRun build = RunCli({project.string(), "-o", output, "--engine", enginePath.string(), "--quiet"});
    ASSERT_EQ(build.code, 0) << build.err;
    EXPECT_EQ(build.out, "");
    const CliRun inspect = RunCli({"inspect", output});
    EXPECT_EQ(inspect.code, 0) << inspect.err;
    EXPECT_NE(inspect.out.find("a.txt"), std::string::npos);
    EXPECT_NE(inspect.out.find("All checksums verified."), std::string::npos);

    // The thread count changes nothing in the installer.
    const CliRun threaded =
        RunCli({project.string(), "-o", output + "3", "--engine", enginePath.string(), "--jobs", "3", "-q"});
    ASSERT_EQ(threaded.code, 0) << threaded.err;
    EXPECT_EQ(test::ReadFileBytes(output + "3"), test::ReadFileBytes(output));

    // A built installer is not an engine.
    const CliRun again = RunCli({project.string(), "-o", output + "2", "--engine", output});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.err.find("already carries a \".setup\" section"), std::string::npos);

    // Damage the payload: inspect names the error code.
    std::fstream file(output, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(stub.size()) + 0x30);
    file.put('\x7F');
    file.close();
    const CliRun damaged = RunCli({"inspect", output});
    EXPECT_EQ(damaged.code, 1);
    EXPECT_NE(damaged.err.find("is damaged: error code"), std::string::npos) << damaged.err;
}

}  // namespace
}  // namespace vantrel::builder
