#include <gtest/gtest.h>

#include "builder/default_messages.h"
#include "builder/inspect.h"
#include "builder/project.h"
#include "builder/setup_builder.h"
#include "builder/toml_table_reader.h"
#include "builder_test_support.h"
#include "format/checksum.h"
#include "format/file_time.h"
#include "format/payload_error_codes.h"
#include "format/pe_layout.h"
#include "format/pe_section_writer.h"
#include "format/settings_block.h"
#include "format/settings_stream.h"
#include "support/xz_bomb.h"
#include "support/test_names.h"

namespace vantrel::builder {
namespace {

using test::FakeEngineStub;
using test::HostTempFolder;

// A project with a few files of different sizes in a nested folder.
struct Fixture {
    HostTempFolder folder;
    Fixture() {
        folder.Write("src/app.exe", std::string(70000, 'A') + "end");
        folder.Write("src/lib/z.dll", "zzz");
        folder.Write("src/lib/a.dll", std::string(5000, '\x01'));
        folder.Write("src/empty.txt", "");
        folder.Write("licence.txt", "Licence text");
    }
    Project Parse(const std::string& extra = {}) const {
        return ParseProject(
            "[product]\nname = \"Round Trip\"\nversion = \"1.2\"\n"
            "[languages.English]\nlicence = \"licence.txt\"\n"
            "[languages.Deutsch.messages]\n1 = \"Willkommen\"\n"
            "[[files]]\nsource = \"src/**\"\n" +
                extra,
            "project.toml", folder.Path());
    }
};

TEST(BuildSetup, SameInputsGiveIdenticalBytes) {
    Fixture fixture;
    const Bytes stub = FakeEngineStub();
    const Bytes first = BuildSetup(stub, fixture.Parse());
    const Bytes second = BuildSetup(stub, fixture.Parse());
    EXPECT_EQ(first, second);
    EXPECT_NE(first, BuildSetup(stub, fixture.Parse("[build]\nxz_preset = 1\n")));
}

struct RoundTripCase {
    const char* name;
    const char* extra;
    bool dataInFile;
    bool enciphered;
};

class BuildRoundTrip : public testing::TestWithParam<RoundTripCase> {};

TEST_P(BuildRoundTrip, InspectReadsBackEveryFile) {
    Fixture fixture;
    const Project project = fixture.Parse(GetParam().extra);
    BuildSummary summary;
    std::uint64_t lastDone = 0;
    const Bytes setup = BuildSetup(
        FakeEngineStub(), project, [&](std::uint64_t done, std::uint64_t) { lastDone = done; }, &summary);
    EXPECT_EQ(summary.dataInFile, GetParam().dataInFile);
    EXPECT_EQ(lastDone, summary.inputBytes);

    const InspectedSetup read = ReadSetup(setup);
    ASSERT_EQ(read.errorCode, 0) << read.problem;
    EXPECT_EQ(read.header.cipherKey.has_value(), GetParam().enciphered);
    EXPECT_EQ(read.header.fileCheck, summary.fileCheck);
    EXPECT_EQ(read.settings.productName, L"Round Trip");
    EXPECT_EQ(read.settings.dataInFile, GetParam().dataInFile ? 1 : 0);
    ASSERT_EQ(read.settings.messages.LanguageCount(), 2u);
    EXPECT_EQ(read.settings.messages.Text(1, 1), L"Willkommen");
    EXPECT_EQ(read.settings.messages.Text(13, 0), DefaultEnglishMessages()[13]);
    ASSERT_EQ(read.settings.licenceTexts.size(), 2u);
    EXPECT_EQ(read.settings.licenceTexts[1], L"Licence text");
    ASSERT_EQ(read.files.size(), project.files.size());
    for (std::size_t i = 0; i < read.files.size(); ++i) {
        EXPECT_EQ(read.files[i].record.name, project.files[i].record.name);
        EXPECT_EQ(read.files[i].size, project.files[i].size);
        EXPECT_EQ(read.files[i].record.fileTime, project.files[i].record.fileTime);
    }
    EXPECT_EQ(read.files[0].record.name, "app.exe");
    EXPECT_EQ(read.files[2].record.name, "lib\\a.dll");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BuildRoundTrip,
    testing::Values(RoundTripCase{"Plain", "", false, false},
                    RoundTripCase{"SmallBlocksUncompressed", "[build]\nblock_size = 4096\ncompress = false\n",
                                  false, false},
                    RoundTripCase{"DataInFile", "[build]\ndata_in_file = true\n", true, false},
                    RoundTripCase{"DerivedKey", "[build]\ncipher = true\n", false, true},
                    RoundTripCase{"GivenKeyDataInFile",
                                  "[build]\ncipher_key = \"0123456789abcdef\"\ndata_in_file = true\n", true,
                                  true}),
    test::CaseName);

struct DamageCase {
    const char* name;
    bool inStub;  // damage the engine part instead of the data
    int expected;
};

class BuildDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(BuildDamage, InspectNamesTheErrorCode) {
    Fixture fixture;
    BuildSummary summary;
    Bytes setup = BuildSetup(FakeEngineStub(),
                             fixture.Parse("[build]\ncompress = false\ndata_in_file = true\n"), {}, &summary);
    if (GetParam().inStub) {
        setup[0x400 + 5] ^= 0xFF;  // a byte of the first section
    } else {
        setup[setup.size() - 100] ^= 0x01;  // in the data area
    }
    EXPECT_EQ(ReadSetup(setup).errorCode, GetParam().expected);
}

TEST(BuildSetup, ASignatureAddedAfterTheBuildIsNotData) {
    Fixture fixture;
    Bytes setup = BuildSetup(FakeEngineStub(), fixture.Parse("[build]\ndata_in_file = true\n"));
    // What signing does to the file: a certificate table at the end, named by the security
    // directory (optional-header offset 128), which also changes the file-checked headers.
    while (setup.size() % 8 != 0)
        setup.push_back(0);
    const auto tableOffset = static_cast<std::uint32_t>(setup.size());
    setup.resize(setup.size() + 64, 0x5C);
    const std::size_t directory = 0x80 + 24 + 128;
    test::PutU32(setup, directory, tableOffset);
    test::PutU32(setup, directory + 4, 64);
    const InspectedSetup inspected = ReadSetup(setup);
    EXPECT_EQ(inspected.errorCode, 0) << inspected.problem;
    EXPECT_TRUE(inspected.signed_);
    EXPECT_EQ(inspected.files.size(), 4u);

    // Without the directory entry the same bytes are data of the wrong length.
    test::PutU32(setup, directory, 0);
    test::PutU32(setup, directory + 4, 0);
    EXPECT_EQ(ReadSetup(setup).errorCode, 46);
}

INSTANTIATE_TEST_SUITE_P(Cases, BuildDamage,
                         testing::Values(DamageCase{"ChangedProgram", true, 40},
                                         DamageCase{"ChangedData", false, 55}),
                         test::CaseName);

TEST(BuildSetup, InspectEndsASettingsBombAsASettingsBlockThatDoesNotDecode) {
    // Valid settings followed by gigabytes of zeros, in a block of a few hundred KB.
    Settings settings;
    settings.productName = L"Bomb";
    settings.messages = MessageTable({L"English"}, {L"Title"});
    PayloadHeader header;
    header.settingsCheck = 0x13572468;
    Bytes block = vantrel::test::XzBomb(std::uint64_t{4} << 30, WriteSettingsStream(settings));
    ASSERT_LT(block.size(), 1u << 20);
    XorScramble(block, header.settingsCheck);
    header.settingsSize = static_cast<std::int32_t>(block.size());
    header.dataCheck = Checksum(Bytes{});
    header.length = header.Length();
    header.dataEnd = static_cast<std::int32_t>(header.DataOffset());
    Bytes section = WritePayloadHeader(header);
    section.insert(section.end(), block.begin(), block.end());
    const Bytes setup = AppendSection(FakeEngineStub(), kPayloadSectionName, section, {}, nullptr);
    EXPECT_EQ(ReadSetup(setup).errorCode, payload_error::kSettingsDecode);
}

class WriteSetupFileCase : public testing::TestWithParam<RoundTripCase> {};

// The command line writes installers straight to the file, block by block; the bytes must be
// those of the in-memory build, and inspect must accept them.
TEST_P(WriteSetupFileCase, GivesTheInMemoryBytesAndInspects) {
    Fixture fixture;
    const Project project = fixture.Parse(GetParam().extra);
    const Bytes stub = FakeEngineStub();
    BuildSummary inMemory, streamed;
    const Bytes expected = BuildSetup(stub, project, {}, &inMemory);
    const std::filesystem::path output = fixture.folder.Path() / "setup.exe";
    std::uint64_t lastDone = 0;
    WriteSetupFile(
        stub, project, output, [&](std::uint64_t done, std::uint64_t) { lastDone = done; }, &streamed);

    std::string error;
    const auto written = ReadWholeFile(output, error);
    ASSERT_TRUE(written) << error;
    EXPECT_EQ(*written, expected);
    EXPECT_EQ(streamed.outputSize, expected.size());
    EXPECT_EQ(inMemory.outputSize, expected.size());
    EXPECT_EQ(streamed.fileCheck, inMemory.fileCheck);
    EXPECT_EQ(streamed.dataInFile, GetParam().dataInFile);
    EXPECT_EQ(lastDone, streamed.inputBytes);
    EXPECT_FALSE(std::filesystem::exists(fixture.folder.Path() / "setup.exe.partial"));

    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(InspectSetup(output, sink, sink), 0);
    std::fclose(sink);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteSetupFileCase,
    testing::Values(
        RoundTripCase{"InSection", "", false, false},
        RoundTripCase{"DataInFile", "[build]\ndata_in_file = true\n", true, false},
        // app.exe (70003 bytes) is spread over many 4 KiB blocks.
        RoundTripCase{"FilesLargerThanABlockInFile",
                      "[build]\nblock_size = 4096\ncompress = false\ndata_in_file = true\n", true, false},
        RoundTripCase{"FilesLargerThanABlockCompressed", "[build]\nblock_size = 4096\n", false, false},
        RoundTripCase{"EncipheredInFile", "[build]\ncipher_key = \"0123456789abcdef\"\ndata_in_file = true\n",
                      true, true}),
    test::CaseName);

struct ChangedSourceCase {
    const char* name;
    const char* file;
    std::string contents;
};

class WriteSetupFileChangedSource : public testing::TestWithParam<ChangedSourceCase> {};

// A source that changed between scanning and building fails the build and leaves neither
// the installer nor its partial file behind (an older installer of the same name stays).
TEST_P(WriteSetupFileChangedSource, FailsAndLeavesTheOldOutput) {
    Fixture fixture;
    const Project project = fixture.Parse("[build]\nblock_size = 4096\ndata_in_file = true\n");
    const std::filesystem::path output = fixture.folder.Write("setup.exe", "old installer");
    fixture.folder.Write(GetParam().file, GetParam().contents);
    EXPECT_THROW(WriteSetupFile(FakeEngineStub(), project, output), BuildError);
    std::string error;
    EXPECT_EQ(ReadWholeFile(output, error),
              Bytes({'o', 'l', 'd', ' ', 'i', 'n', 's', 't', 'a', 'l', 'l', 'e', 'r'}));
    EXPECT_FALSE(std::filesystem::exists(fixture.folder.Path() / "setup.exe.partial"));
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteSetupFileChangedSource,
                         testing::Values(ChangedSourceCase{"Grew", "src/lib/z.dll", "longer now"},
                                         ChangedSourceCase{"Shrank", "src/app.exe", "short"},
                                         ChangedSourceCase{"EmptyGotData", "src/empty.txt", "x"},
                                         ChangedSourceCase{"LargeGrewByOneByte", "src/app.exe",
                                                           "x" + std::string(70003, 'A')}),
                         test::CaseName);

TEST(BuildSetup, FileCheckCoversTheProgramUpToThePayload) {
    Fixture fixture;
    BuildSummary summary;
    const Bytes setup = BuildSetup(FakeEngineStub(), fixture.Parse(), {}, &summary);
    const std::size_t start = 0x80 + 92;
    EXPECT_EQ(summary.fileCheck,
              Checksum(setup.data() + start, static_cast<std::ptrdiff_t>(summary.sectionOffset - start)));
}

TEST(BuildSetup, RefusesUnusableStubs) {
    Fixture fixture;
    const Project project = fixture.Parse();
    const Bytes built = BuildSetup(FakeEngineStub(), project);
    EXPECT_THROW(BuildSetup(built, project), BuildError);
    EXPECT_THROW(BuildSetup(Bytes(100, 0), project), BuildError);
    EXPECT_THROW(BuildSetup(FakeEngineStub(3), project), BuildError);
}

TEST(BuildSetup, NoPayloadIsReportedByInspect) {
    EXPECT_EQ(ReadSetup(FakeEngineStub()).errorCode, kInspectNoPayload);
}

TEST(BuildSetup, SourceChangedAfterScanningIsAnError) {
    Fixture fixture;
    const Project project = fixture.Parse();
    fixture.folder.Write("src/lib/z.dll", "longer now");
    EXPECT_THROW(BuildSetup(FakeEngineStub(), project), BuildError);
}

}  // namespace
}  // namespace vantrel::builder
