// Project files that once crashed the TOML reader end with an ordinary error naming the
// file and line, through the library call and through the command line alike.
#include <gtest/gtest.h>

#include <cstdio>
#include <regex>

#include "builder/cli.h"
#include "builder/project.h"
#include "builder_test_support.h"
#include "support/test_names.h"

namespace vantrel::builder {
namespace {

struct MalformedCase {
    const char* name;
    std::string text;
    int line;
};

const MalformedCase kMalformed[] = {
    {"OpenBracketThenLineBreak", "[\n", 1},
    {"DateTimeCutAfterT", "r=2024-05-01T:", 1},
    {"ArrayClosedByABrace", "e=[}", 1},
    {"LoneCharacterUFECC", "\xEF\xBB\x8C", 1},
    {"LatinLetterAfterAValue", "[product]\nname = \"x\" \xC3\xA9\n", 2},
    {"IdeographicCharacterAfterAValue", "a = 1 \xE3\x80\x81\n", 1},
    {"ArabicFormAtTheStartOfALine", "[product]\n\xEF\xBA\x8D = 1\n", 2},
};

class MalformedProject : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedProject, IsAnErrorAtItsLine) {
    const std::string prefix = "p.toml:" + std::to_string(GetParam().line) + ": ";
    try {
        ParseProject(GetParam().text, "p.toml", ".");
        FAIL() << "parsed";
    } catch (const ProjectError& error) {
        const std::string message = error.what();
        EXPECT_EQ(message.rfind(prefix, 0), 0u) << message;
        EXPECT_GT(message.size(), prefix.size()) << message;
    }
}

TEST_P(MalformedProject, EndsTheBuilderWithOneAndTheMessage) {
    test::HostTempFolder folder;
    const auto project = folder.Write("p.toml", GetParam().text);
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    const int code = RunBuilder({project.string(), "-o", (folder.Path() / "setup.exe").string()},
                                "/nowhere/vantrel-build", out, err);
    std::rewind(err);
    char buffer[1024] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, err);
    std::fclose(out);
    std::fclose(err);
    EXPECT_EQ(code, 1);
    const std::string text(buffer, n);
    EXPECT_TRUE(std::regex_search(text, std::regex("p\\.toml:" + std::to_string(GetParam().line) + ": .+\n")))
        << text;
}

INSTANTIATE_TEST_SUITE_P(Table, MalformedProject, testing::ValuesIn(kMalformed), test::CaseName);

}  // namespace
}  // namespace vantrel::builder
