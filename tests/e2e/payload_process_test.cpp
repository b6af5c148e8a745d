// Setup programs built in the test, intact or damaged, started as processes: each damage
// ends the run with its error code, silently or with the corrupt-payload message.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/pe_layout.h"
#include "format/settings_block.h"
#include "format/settings_stream.h"
#include "format/stub_image.h"
#include "support/child_process.h"
#include "support/payload_fixture.h"
#include "support/ui_driver.h"
#include "support/wizard_driver.h"
#include "support/test_names.h"
#include "support/xz_bomb.h"

namespace vantrel {
namespace {

using test::BuiltSetup;
using test::ChildProcess;

constexpr DWORD kTimeoutMs = 30000;

const Bytes& EngineBytes() {
    static const Bytes bytes = test::ReadWholeFile(test::HostPathToWindows(VANTREL_ENGINE_EXE));
    return bytes;
}

PayloadFileInput File(const std::string& name, Bytes data) {
    PayloadFileInput input;
    input.record.name = name;
    input.size = data.size();
    input.readData = [data] { return data; };
    return input;
}

std::vector<PayloadFileInput> SomeFiles() {
    return {File("readme.txt", Bytes(2000, 'r')), File("app.bin", Bytes(5000, 7))};
}

Settings CompressedSettings(const std::wstring& product) {
    Settings s = test::FixtureSettings(product);
    s.productFlagsLow |= product_flags::kCompressedBlocks;
    return s;
}

BuiltSetup Valid(const std::wstring& product) {
    return test::BuildSetup(EngineBytes(), CompressedSettings(product), SomeFiles());
}

void PutU32(BuiltSetup& setup, std::size_t offset, std::uint32_t value) {
    StoreU32(setup.exe.data() + offset, value);
}

// A valid installer whose header puts the end of the data elsewhere (the field before the
// file count, which comes before the data size).
std::function<BuiltSetup(const std::wstring&)> WithDataEnd(std::uint32_t dataEnd) {
    return [dataEnd](const std::wstring& p) {
        BuiltSetup s = Valid(p);
        PutU32(s, test::DataSizeOffset(s) - 8, dataEnd);
        return s;
    };
}

BuiltSetup FromPatchedStream(const Settings& settings, int afterField, const Bytes& bytes,
                             std::size_t cut = 0) {
    Bytes stream = WriteSettingsStream(settings);
    if (afterField != 0) {
        const std::size_t at = test::SettingsFieldEnd(stream, afterField);
        std::copy(bytes.begin(), bytes.end(), stream.begin() + static_cast<std::ptrdiff_t>(at));
    }
    stream.resize(stream.size() - cut);
    return test::BuildSetupFromStream(EngineBytes(), stream);
}

Bytes I32(std::int32_t value) {
    ByteWriter w;
    w.I32(value);
    return w.Bytes();
}

// Leading-part byte between the section table and the first section's data: padding that
// no loader reads, so the program still starts but its file check no longer matches.
void AlterStub(BuiltSetup& setup) {
    std::uint8_t* p = setup.exe.data();
    const std::uint32_t pe = LoadU32(p + 60);
    const std::size_t tableEnd = pe + 24u + LoadU16(p + pe + 20) + LoadU16(p + pe + 6) * 40u;
    p[tableEnd + 8] ^= 0x55;
}

struct PayloadCase {
    const char* name;
    std::function<BuiltSetup(const std::wstring& product)> build;
    int expected;          // 0: the payload reads; -1: the version message
    const wchar_t* title;  // of the message box
};

const wchar_t* const kPlainTitle = L"Error";
const wchar_t* const kTableTitle = L"Fixture Error Title";

const PayloadCase kCases[] = {
    {"Valid", Valid, 0, nullptr},
    {"Enciphered",
     [](const std::wstring& p) {
         PayloadWriteOptions options;
         options.cipherKey = std::array<std::uint8_t, 8>{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
         return test::BuildSetup(EngineBytes(), CompressedSettings(p), SomeFiles(), options);
     },
     0, nullptr},
    {"DataInFile",
     [](const std::wstring& p) {
         Settings s = CompressedSettings(p);
         s.dataInFile = 1;
         return test::BuildSetup(EngineBytes(), s, SomeFiles());
     },
     0, nullptr},
    {"Magic",
     [](const std::wstring& p) {
         BuiltSetup s = Valid(p);
         s.exe[s.sectionOffset] ^= 1;
         return s;
     },
     20, kPlainTitle},
    {"VersionMismatch",
     [](const std::wstring& p) {
         BuiltSetup s = Valid(p);
         s.exe[s.sectionOffset + 9] = '2';  // "41.1.1" -> "41.1.2"
         return s;
     },
     -1, kPlainTitle},
    {"SettingsSize0x3200000",
     [](const std::wstring& p) {
         BuiltSetup s = Valid(p);
         PutU32(s, test::SettingsSizeOffset(s), 0x3200000);
         return s;
     },
     22, kPlainTitle},
    {"SettingsSize0x31FFFFFPassesTheSizeCheck",
     [](const std::wstring& p) {
         PayloadImage image = WritePayload(CompressedSettings(p), {}, {});
         image.section.resize(image.section.size() + 0x3200000, 0);
         BuiltSetup s = test::BuildSetupFromImage(EngineBytes(), image);
         PutU32(s, test::SettingsSizeOffset(s), 0x31FFFFF);
         return s;  // accepted by the size check; the block then does not decode
     },
     47, kPlainTitle},
    {"SettingsBomb",
     [](const std::wstring& p) {
         // Valid settings, then gigabytes of zeros: a few hundred KB that must not be
         // decoded to the end (nor until memory runs out).
         const Bytes stream = WriteSettingsStream(CompressedSettings(p));
         const std::uint32_t check = Checksum(stream);
         Bytes block = test::XzBomb(std::uint64_t{4} << 30, stream);
         XorScramble(block, check);
         return test::BuildSetupFromSettingsBlock(EngineBytes(), check, block);
     },
     47, kPlainTitle},
    {"FileSize0x40000000",
     [](const std::wstring& p) {
         BuiltSetup s = Valid(p);
         PutU32(s, test::FirstFileSizeOffset(s), 0x40000000);
         return s;  // accepted by the size check; the data area then holds too little
     },
     100, kTableTitle},
    {"FileSize0x40000001",
     [](const std::wstring& p) {
         BuiltSetup s = Valid(p);
         PutU32(s, test::FirstFileSizeOffset(s), 0x40000001);
         return s;
     },
     28, kPlainTitle},
    {"Languages0", [](const std::wstring& p) { return FromPatchedStream(test::FixtureSettings(p), 87, {0}); },
     30, kPlainTitle},
    {"Languages200",
     [](const std::wstring& p) {
         Settings s = test::FixtureSettings(p);
         std::vector<std::wstring> names(200, L"Other");
         s.messages = MessageTable(names, std::vector<std::wstring>(200));
         return test::BuildSetup(EngineBytes(), s, {});
     },
     0, nullptr},
    {"Languages201",
     [](const std::wstring& p) { return FromPatchedStream(test::FixtureSettings(p), 87, {201}); }, 30,
     kPlainTitle},
    {"Messages10000",
     [](const std::wstring& p) {
         Settings s = test::FixtureSettings(p);
         s.messages = MessageTable({L"English"}, std::vector<std::wstring>(10000));
         return test::BuildSetup(EngineBytes(), s, {});
     },
     0, nullptr},
    {"Messages10001",
     [](const std::wstring& p) { return FromPatchedStream(test::FixtureSettings(p), 88, I32(10001)); }, 31,
     kPlainTitle},
    {"Licences21",
     [](const std::wstring& p) { return FromPatchedStream(test::FixtureSettings(p), 25, I32(21)); }, 24,
     kPlainTitle},
    {"TruncatedSettings",
     [](const std::wstring& p) { return FromPatchedStream(test::FixtureSettings(p), 0, {}, 4); }, 32,
     kTableTitle},
    {"DataCheck",
     [](const std::wstring& p) {
         BuiltSetup s = Valid(p);
         s.exe[s.dataOffset + s.dataSize - 1] ^= 0x40;
         return s;
     },
     55, kTableTitle},
    {"DataCheckInFile",
     [](const std::wstring& p) {
         Settings settings = CompressedSettings(p);
         settings.dataInFile = 1;
         BuiltSetup s = test::BuildSetup(EngineBytes(), settings, SomeFiles());
         s.exe.back() ^= 0x40;
         return s;
     },
     55, kTableTitle},
    {"DataSize",
     [](const std::wstring& p) {
         BuiltSetup s = Valid(p);
         PutU32(s, test::DataSizeOffset(s), static_cast<std::uint32_t>(s.dataSize + 1));
         return s;
     },
     46, kTableTitle},
    // Inside the section the data ends at the header's data end, which must lie in the section.
    {"DataEndBeyondTheSection", WithDataEnd(0x7FFFFFF0), 46, kTableTitle},
    {"DataEndBeforeTheData", WithDataEnd(1), 46, kTableTitle},
    {"IntegrityUnsignedIntact",
     [](const std::wstring& p) {
         Settings s = CompressedSettings(p);
         s.productFlagsHigh |= product_flags::kIntegrityCheck;
         return test::BuildSetup(EngineBytes(), s, SomeFiles());
     },
     0, nullptr},
    {"IntegrityUnsignedAlteredStub",
     [](const std::wstring& p) {
         Settings s = CompressedSettings(p);
         s.productFlagsHigh |= product_flags::kIntegrityCheck;
         BuiltSetup setup = test::BuildSetup(EngineBytes(), s, SomeFiles());
         AlterStub(setup);
         return setup;
     },
     40, kTableTitle},
};

std::wstring Wide(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

class PayloadProcess : public testing::TestWithParam<PayloadCase> {};

TEST_P(PayloadProcess, SilentRunEndsWithOneAndShowsNothing) {
    const std::wstring product = L"Vantrel E2E Payload " + Wide(GetParam().name);
    test::TempFolder folder(L"payload-silent-" + Wide(GetParam().name));
    const std::wstring path = folder.Join(L"setup.exe");
    ASSERT_TRUE(GetParam().build(product).Save(path));
    ChildProcess child = ChildProcess::Start(path, L"/silent");
    ASSERT_TRUE(child.Started());
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

TEST_P(PayloadProcess, InteractiveRunShowsItsErrorCode) {
    const PayloadCase& c = GetParam();
    const std::wstring product = L"Vantrel E2E Payload UI " + Wide(c.name);
    test::TempFolder folder(L"payload-ui-" + Wide(c.name));
    const std::wstring path = folder.Join(L"setup.exe");
    ASSERT_TRUE(c.build(product).Save(path));
    ChildProcess child = ChildProcess::Start(path, L"");
    ASSERT_TRUE(child.Started());
    if (c.expected == 0) {
        // Read without a fault: the run goes on through its pages (Next on each) to its end.
        EXPECT_EQ(test::ClickThroughPages(
                      child.Id(), [&] { return child.Wait(0).has_value(); }, kTimeoutMs),
                  nullptr);
        EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
        return;
    }
    HWND box = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(test::WindowText(box), c.title);
    const std::wstring text = test::AllStaticText(box);
    if (c.expected == -1) {
        EXPECT_EQ(text,
                  L"The installer version (41.1.1) does not match the version of Vantrel Setup (41.1.2).  "
                  L"Close all "
                  L"applications and reinstall Vantrel Setup.");
    } else {
        EXPECT_EQ(text.rfind(L"This installation program is corrupt.", 0), 0u) << text.c_str();
        const std::wstring suffix = L"Error code: " + std::to_wstring(c.expected);
        EXPECT_TRUE(text.size() >= suffix.size() &&
                    text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0)
            << text.c_str();
    }
    ASSERT_TRUE(test::PressButton(box, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

INSTANTIATE_TEST_SUITE_P(Table, PayloadProcess, testing::ValuesIn(kCases), test::CaseName);

// The uninstaller image: the built program without its payload section, itself a program
// that starts and, having no payload, says so.
struct PlacementCase {
    const char* name;
    bool dataInFile;
};

class StubImageProcess : public testing::TestWithParam<PlacementCase> {};

TEST_P(StubImageProcess, StubStartsAndHasNoPayload) {
    const bool dataInFile = GetParam().dataInFile;
    Settings settings = CompressedSettings(L"Vantrel E2E Stub");
    settings.dataInFile = dataInFile ? 1 : 0;
    PayloadWriteOptions options;
    options.productFlags2 = product_flags2::kBuildStubImage;
    const BuiltSetup setup = test::BuildSetup(EngineBytes(), settings, SomeFiles(), options);
    const PeLookup lookup = ReadPeLayout(setup.exe.data(), setup.exe.size());
    ASSERT_TRUE(lookup.payloadIndex.has_value());
    const PeSection& section = lookup.layout.sections[*lookup.payloadIndex];
    const std::size_t rawEnd = section.pointerToRawData + section.sizeOfRawData;
    const std::size_t end = dataInFile ? setup.dataOffset : setup.exe.size();
    const std::span<const std::uint8_t> before(setup.exe.data(), section.pointerToRawData);
    const std::span<const std::uint8_t> after(setup.exe.data() + std::min(rawEnd, end),
                                              end - std::min(rawEnd, end));
    BuiltSetup stub;
    stub.exe = BuildStubImage(before, after, lookup.layout, *lookup.payloadIndex);
    // The stub is the engine it was built from, but for SizeOfImage: lowered by the raw
    // size, not by the mapped size the section added.
    Bytes expected = EngineBytes();
    Bytes got = stub.exe;
    ASSERT_EQ(got.size(), expected.size());
    const std::uint32_t pe = LoadU32(expected.data() + 60);
    EXPECT_EQ(LoadU32(got.data() + pe + 80), LoadU32(expected.data() + pe + 80) +
                                                 ((section.virtualSize + 0xFFFu) & ~0xFFFu) -
                                                 section.sizeOfRawData);
    StoreU32(got.data() + pe + 80, 0);
    StoreU32(expected.data() + pe + 80, 0);
    EXPECT_TRUE(got == expected);

    test::TempFolder folder(dataInFile ? L"stub-in-file" : L"stub");
    const std::wstring path = folder.Join(L"uninstall.exe");
    ASSERT_TRUE(stub.Save(path));
    ChildProcess silent = ChildProcess::Start(path, L"/silent");
    EXPECT_EQ(silent.Wait(kTimeoutMs), std::optional<DWORD>(1u));
    ChildProcess child = ChildProcess::Start(path, L"");
    HWND box = test::WaitForTopLevelWindow(child.Id(), kTimeoutMs);
    ASSERT_NE(box, nullptr);
    EXPECT_NE(test::AllStaticText(box).find(L"There is no installation data present."), std::wstring::npos);
    ASSERT_TRUE(test::PressButton(box, L"OK"));
    EXPECT_EQ(child.Wait(kTimeoutMs), std::optional<DWORD>(1u));
}

INSTANTIATE_TEST_SUITE_P(Placement, StubImageProcess,
                         testing::Values(PlacementCase{"DataInSection", false},
                                         PlacementCase{"DataInFile", true}),
                         test::CaseName);

}  // namespace
}  // namespace vantrel
