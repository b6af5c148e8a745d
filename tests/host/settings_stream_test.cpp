#include "format/settings_stream.h"

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "format/byte_writer.h"
#include "payload_samples.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using test::MinimalSettings;

int ReadBack(const Bytes& stream, Settings& out, const SettingsReadHooks& hooks = {}) {
    MemoryStreamReader reader(stream);
    return ReadSettingsStream(reader, out, hooks);
}

struct FieldCase {
    const char* name;
    std::function<void(Settings&)> set;
};

class SettingsRoundTrip : public testing::TestWithParam<FieldCase> {};

TEST_P(SettingsRoundTrip, FieldReadsBackAsWritten) {
    Settings written = MinimalSettings();
    GetParam().set(written);
    const Bytes stream = WriteSettingsStream(written);
    Settings read;
    ASSERT_EQ(ReadBack(stream, read), 0);
    EXPECT_TRUE(read == written);
}

const std::wstring kLong(300, L'x');  // needs the middle VarText form (600 bytes)

const FieldCase kFieldCases[] = {
    {"ProductFlags",
     [](Settings& s) {
         s.productFlagsLow = 0x12345678 & ~0x10004u;
         s.productFlagsHigh = 0x9ABCDEF0;
     }},
    {"AutomaticMode", [](Settings& s) { s.automaticMode = 2; }},
    {"TaskbarText", [](Settings& s) { s.taskbarText = L"Taskbar \u00e9"; }},
    {"DisplayTitle", [](Settings& s) { s.displayTitle = kLong; }},
    {"TitleSize", [](Settings& s) { s.titleSize = 27.5; }},
    {"ProgressDialogOption", [](Settings& s) { s.progressDialogOption = 0xDEADBEEF; }},
    {"StatusDelay", [](Settings& s) { s.statusDelay = 9999; }},
    {"ShortcutMode", [](Settings& s) { s.shortcutMode = 3; }},
    {"UninstallerFileTime",
     [](Settings& s) {
         for (std::size_t i = 0; i < 24; ++i)
             s.uninstallerFileTime[i] = static_cast<std::uint8_t>(i + 1);
     }},
    {"CompanyName", [](Settings& s) { s.companyName = L"Company"; }},
    {"ProductName", [](Settings& s) { s.productName = L"Another Product"; }},
    {"DisplayProductName", [](Settings& s) { s.displayProductName = L"Display"; }},
    {"Bitness", [](Settings& s) { s.bitness = 1; }},
    {"SharedFolderLocation", [](Settings& s) { s.sharedFolderLocation = 2; }},
    {"SharedFolderName", [](Settings& s) { s.sharedFolderName = L"Shared"; }},
    {"PortableSharedFolder", [](Settings& s) { s.portableSharedFolder = L"PortShared"; }},
    {"StartMenuFolder", [](Settings& s) { s.startMenuFolder = L"Menu"; }},
    {"ProductVersion", [](Settings& s) { s.productVersion = L"1.2.3"; }},
    {"DefaultInstallFolder", [](Settings& s) { s.defaultInstallFolder = L"<os>\\Folder"; }},
    {"ProductRegistryKey", [](Settings& s) { s.productRegistryKey = L"Software\\X"; }},
    {"RegistryInstructions", [](Settings& s) { s.registryInstructions = L"HKLM\\A;B;C"; }},
    {"RegistryMergeText",
     [](Settings& s) {
         s.registryMergeText = {'R', 'E', 'G', 0, 1};
     }},
    {"BitmapSize", [](Settings& s) { s.bitmapSize = 100; }},
    {"StretchMode", [](Settings& s) { s.stretchMode = -3; }},
    {"StartPageText", [](Settings& s) { s.startPageText = L"Start page"; }},
    {"LicenceTexts", [](Settings& s) { s.licenceTexts = std::vector<std::wstring>(20, L"Licence"); }},
    {"ReadmeTexts",
     [](Settings& s) {
         s.readmeTexts = {L"Readme 1", L"", L"Readme 3"};
     }},
    {"UninstallSubfolder", [](Settings& s) { s.uninstallSubfolder = L"Uninstall"; }},
    {"UninstallerFileName", [](Settings& s) { s.uninstallerFileName = "uninst.exe"; }},
    {"UninstallKeyName", [](Settings& s) { s.uninstallKeyName = L"Key"; }},
    {"InstallLocationValue", [](Settings& s) { s.installLocationValue = "HKLM\\Software\\X\\Path"; }},
    {"InstallerTitle", [](Settings& s) { s.installerTitle = L"Installer"; }},
    {"HeaderTextColor", [](Settings& s) { s.headerTextColor = -1; }},
    {"SidePictureFrame", [](Settings& s) { s.sidePictureFrame = 3; }},
    {"TitleColor", [](Settings& s) { s.titleColor = 0xFF00FF; }},
    {"TitleShadow", [](Settings& s) { s.titleShadow = 1; }},
    {"TitlePosition", [](Settings& s) { s.titlePosition = 2; }},
    {"TitleFont", [](Settings& s) { s.titleFont = L"Arial"; }},
    {"TopColor", [](Settings& s) { s.topColor = 0x112233; }},
    {"BottomColor", [](Settings& s) { s.bottomColor = 0x445566; }},
    {"Bitmap",
     [](Settings& s) {
         s.bitmap = test::PatternBytes(1000, 1);
         s.bitmapTpi = 96;
     }},
    {"Copyright",
     [](Settings& s) {
         s.copyright = {1, 0xABCDEF, 12.25, L"(c) Someone", L"Tahoma"};
     }},
    {"RequiredProduct",
     [](Settings& s) {
         s.productFlagsLow |= product_flags::kRequiredProduct;
         s.requiredProduct = {L"Look", L"Show", L"2.0"};
     }},
    {"StartSound", [](Settings& s) { s.startSound = test::PatternBytes(70000, 2); }},
    {"DesktopFolder", [](Settings& s) { s.desktopFolder = L"Desk"; }},
    {"DesktopFolderIcon",
     [](Settings& s) {
         s.desktopFolderIcon = {0, 0, 1, 0};
     }},
    {"Batches",
     [](Settings& s) {
         s.preInstallBatch = "echo pre";
         s.postInstallBatch = "echo post";
         s.exitBatch = "echo exit";
         s.uninstallBatch1 = "u1";
         s.uninstallBatch2 = "u2";
         s.upgradeBatch = "up";
         s.reinstallBatch = "re";
     }},
    {"SpareRecord", [](Settings& s) { s.spareRecord.fill(7); }},
    {"ExcludedWindowsVersions", [](Settings& s) { s.excludedWindowsVersions = 0x30; }},
    {"DataInFile", [](Settings& s) { s.dataInFile = 1; }},
    {"LaunchAndOpen",
     [](Settings& s) {
         s.launchApplication = L"a.exe";
         s.openItem = L"b.txt";
         s.openItem2 = L"c.txt";
     }},
    {"Notifications",
     [](Settings& s) {
         s.startNotification = L"http://s";
         s.beginNotification = L"http://b";
         s.completionNotification = L"http://c";
         s.upgradeNotification = L"http://u";
         s.downgradeNotification = L"http://d";
         s.reinstallNotification = L"http://r";
         s.uninstallNotification = L"http://n";
         s.startPageAddress = L"http://p";
         s.cancelNotification = L"http://x";
         s.errorNotification = L"http://e";
     }},
    {"QuestionVersion", [](Settings& s) { s.questionVersion = "3.0"; }},
    {"MinimumVersion", [](Settings& s) { s.minimumVersion = "1.0"; }},
    {"InstallPassword", [](Settings& s) { s.installPassword = L"secret"; }},
    {"MustUninstallVersion", [](Settings& s) { s.mustUninstallVersion = L"2.5"; }},
    {"FirewallText", [](Settings& s) { s.firewallText = L"a;b;c;d"; }},
    {"PathSubfolder", [](Settings& s) { s.pathSubfolder = L"bin"; }},
    {"PageStyles",
     [](Settings& s) {
         for (std::size_t i = 0; i < 10; ++i)
             s.pageStyles[i] = static_cast<std::uint32_t>(i * 3);
     }},
    {"UninstallerIcon",
     [](Settings& s) {
         s.productFlagsLow |= product_flags::kRegisterForUninstall;
         s.uninstallerIcon = {1, 2, 3};
     }},
    {"ConditionalDeletions",
     [](Settings& s) {
         s.conditionalDeletions = {{"*.tmp", 1, "1.0", 2}, {"x", 0, "", 0}};
     }},
    {"Associations",
     [](Settings& s) {
         s.associations = {
             {7, ".abc", "ABC.File", "Desc", "open,edit", "Open", L"cmd %1", L"en", L"icon.ico"}};
     }},
    {"Shortcuts",
     [](Settings& s) {
         s.shortcuts = {{L"t.exe", L"T", L"i.ico", L"-a", L"C:\\w", 1, 1, 0, "Folder", 7, 1}};
     }},
    {"ShortcutTexts",
     [](Settings& s) {
         s.rootShortcutTarget = L"root";
         s.rootShortcutName = L"Root";
         s.pinCommand = L"pin";
         s.pinName = L"Pin";
     }},
    {"SavedValues",
     [](Settings& s) {
         s.savedValues = {{"Name", 4, L"42"}, {"Other", 1, L"text"}};
     }},
    {"SupportOffer", [](Settings& s) { s.supportOffer = L"Support"; }},
    {"ProductIcon", [](Settings& s) { s.productIcon = test::PatternBytes(300, 3); }},
    {"AutoClose",
     [](Settings& s) {
         s.autoClose = {{L"Window*", "Class", "prog.exe", 1, 3}};
     }},
    {"Messages",
     [](Settings& s) {
         s.messages = MessageTable({L"Deutsch", L"english"}, {L"a", L"b", L"c", L"d"});
     }},
};

INSTANTIATE_TEST_SUITE_P(Fields, SettingsRoundTrip, testing::ValuesIn(kFieldCases), test::CaseName);

TEST(SettingsStream, EveryFieldAtOnceReadsBackAndUsesTheWholeStream) {
    Settings written = MinimalSettings();
    for (const auto& c : kFieldCases)
        c.set(written);
    const Bytes stream = WriteSettingsStream(written);
    MemoryStreamReader reader(stream);
    Settings read;
    ASSERT_EQ(ReadSettingsStream(reader, read), 0);
    EXPECT_TRUE(read == written);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(read.messages.DefaultLanguage(), 1u);
}

// ---- VarText length forms ----

Bytes Prefixed(std::initializer_list<std::uint8_t> prefix, std::size_t bodyLength) {
    Bytes b(prefix);
    b.resize(b.size() + bodyLength, 'a');
    return b;
}

TEST(VarText, ShortForm) {
    const Bytes b = Prefixed({254}, 254);
    MemoryStreamReader r(b);
    EXPECT_EQ(r.VarText().size(), 254u);
    EXPECT_FALSE(r.Failed());
}

TEST(VarText, MiddleFormIsLowByteThenHighByte) {
    // 255, 3, then the third byte 2: 3 + 256 x 2 bytes.
    const Bytes b = Prefixed({255, 3, 2}, 3 + 256 * 2);
    MemoryStreamReader r(b);
    EXPECT_EQ(r.VarText().size(), 515u);
    EXPECT_EQ(r.Remaining(), 0u);
    EXPECT_FALSE(r.Failed());
}

TEST(VarText, LongFormTakesTheFollowingU32) {
    const Bytes b = Prefixed({255, 255, 0x00, 0x00, 0x01, 0x00}, 0x10000);
    MemoryStreamReader r(b);
    EXPECT_EQ(r.VarText().size(), 0x10000u);
    EXPECT_EQ(r.Remaining(), 0u);
}

TEST(VarText, LengthAbove0x40000000FailsAndReadsEmpty) {
    const Bytes b = {255, 255, 0x01, 0x00, 0x00, 0x40, 'a', 'b'};
    MemoryStreamReader r(b);
    EXPECT_TRUE(r.VarText().empty());
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(r.Remaining(), 2u);  // nothing of the body was consumed
}

TEST(VarText, WriterPicksTheFormTheReaderExpects) {
    for (std::size_t length : {0u, 1u, 254u, 255u, 256u, 511u, 0x1FFu, 0xFEFFu, 0xFFFFu, 0x10000u}) {
        SCOPED_TRACE(length);
        ByteWriter w;
        w.VarText(Bytes(length, 'z'));
        MemoryStreamReader r(w.Bytes());
        EXPECT_EQ(r.VarText().size(), length);
        EXPECT_EQ(r.Remaining(), 0u);
        EXPECT_FALSE(r.Failed());
    }
}

TEST(StreamReader, ShortReadCopiesWhatIsLeftFillsZerosAndGoesOn) {
    const Bytes b = {0x11, 0x22};
    MemoryStreamReader r(b);
    EXPECT_EQ(r.U32(), 0x2211u);
    EXPECT_TRUE(r.Failed());
    EXPECT_EQ(r.U8(), 0u);
    EXPECT_EQ(r.CText(), "");
}

TEST(StreamReader, NegativeText32FailsAndReadsEmpty) {
    const Bytes b = {0xFF, 0xFF, 0xFF, 0xFF, 'a'};
    MemoryStreamReader r(b);
    EXPECT_TRUE(r.Text32().empty());
    EXPECT_TRUE(r.Failed());
}

TEST(StreamReader, CutOffTextHoldsOnlyTheBytesThatWereThere) {
    const Bytes b = {0x00, 0x00, 0x00, 0x40, 'a', 'b'};  // Text32 of 0x40000000 bytes
    MemoryStreamReader r(b);
    EXPECT_EQ(r.Text32(), (Bytes{'a', 'b'}));
    EXPECT_TRUE(r.Failed());
}

// ---- conditional fields and terminators ----

// Offset at which the stream's next field starts once `field` has been read; the read may
// fail later on (a stream without its end), the hook has seen the field by then.
std::size_t OffsetAfterField(const Bytes& stream, int field) {
    MemoryStreamReader reader(stream);
    std::uint64_t offset = 0;
    SettingsReadHooks hooks;
    hooks.afterField = [&](Settings&, int done) {
        if (done == field)
            offset = reader.Position();
    };
    Settings read;
    ReadSettingsStream(reader, read, hooks);
    return static_cast<std::size_t>(offset);
}

// Offset at which field 80 starts (field 79 is absent without its flag bit).
std::size_t ListsOffset(const Bytes& stream) {
    Settings read;
    EXPECT_EQ(ReadBack(stream, read), 0);
    return OffsetAfterField(stream, 78);
}

TEST(SettingsStream, DeletionListWithOnlyItsTerminatorReadsExactlyTwelveBytes) {
    Settings s = MinimalSettings();
    const Bytes stream = WriteSettingsStream(s);
    const std::size_t offset = ListsOffset(stream);
    ASSERT_EQ(std::string(stream.begin() + static_cast<std::ptrdiff_t>(offset),
                          stream.begin() + static_cast<std::ptrdiff_t>(offset + 12)),
              std::string("~~THE END~~\0", 12));
    int fieldAfter80 = 0;
    std::uint64_t positionAfter80 = 0;
    MemoryStreamReader reader(stream);
    SettingsReadHooks hooks;
    hooks.afterField = [&](Settings& read, int field) {
        if (field == 80) {
            fieldAfter80 = field;
            positionAfter80 = reader.Position();
            EXPECT_TRUE(read.conditionalDeletions.empty());
        }
    };
    Settings read;
    ASSERT_EQ(ReadSettingsStream(reader, read, hooks), 0);
    EXPECT_EQ(fieldAfter80, 80);
    EXPECT_EQ(positionAfter80, offset + 12);
}

struct ConditionalCase {
    const char* name;
    std::uint32_t flagsLow;
    bool requiredPresent;
    bool iconPresent;
};

class ConditionalFields : public testing::TestWithParam<ConditionalCase> {};

TEST_P(ConditionalFields, PresentOnlyWithTheirFlagBit) {
    Settings s = MinimalSettings();
    s.productFlagsLow = GetParam().flagsLow;
    s.requiredProduct = {L"L", L"D", L"V"};
    s.uninstallerIcon = {9, 9, 9, 9};
    const Bytes stream = WriteSettingsStream(s);
    Settings bare = MinimalSettings();
    bare.productFlagsLow = GetParam().flagsLow;
    const std::size_t requiredBytes = 3 * (1 + 2);
    const std::size_t iconBytes = 4 + 4;
    Settings empty = MinimalSettings();
    empty.productFlagsLow = 0;
    const std::size_t base = WriteSettingsStream(empty).size();
    EXPECT_EQ(stream.size(), base + (GetParam().requiredPresent ? requiredBytes : 0) +
                                 (GetParam().iconPresent ? iconBytes : 0));
    Settings read;
    ASSERT_EQ(ReadBack(stream, read), 0);
    EXPECT_EQ(read.requiredProduct.displayName, GetParam().requiredPresent ? L"D" : L"");
    EXPECT_EQ(read.uninstallerIcon.size(), GetParam().iconPresent ? 4u : 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, ConditionalFields,
                         testing::Values(ConditionalCase{"None", 0, false, false},
                                         ConditionalCase{"RequiredProduct", 0x10000, true, false},
                                         ConditionalCase{"UninstallerIcon", 0x4, false, true},
                                         ConditionalCase{"Both", 0x10004, true, true}),
                         test::CaseName);

TEST(SettingsStream, FlagRewriteAfterFieldTwoDecidesWhatIsReadLater) {
    // Written with both conditional fields; a hook that clears the bits makes the reader
    // skip them, so it reads them as the following fields and fails further on.
    Settings s = MinimalSettings();
    s.productFlagsLow = product_flags::kRequiredProduct;
    s.requiredProduct = {L"L", L"D", L"V"};
    const Bytes stream = WriteSettingsStream(s);
    SettingsReadHooks hooks;
    int calls = 0;
    hooks.afterModeFields = [&](Settings& read) {
        ++calls;
        EXPECT_EQ(read.productFlagsLow, product_flags::kRequiredProduct);
        read.productFlagsLow &= ~product_flags::kRequiredProduct;
    };
    Settings read;
    ReadBack(stream, read, hooks);
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(read.requiredProduct.displayName.empty());
    EXPECT_EQ(read.startSound, (Bytes{'L', 0}));  // the first required-product text
}

TEST(SettingsStream, HooksRunInTheirPlaces) {
    Settings s = MinimalSettings();
    s.displayTitle = L"Title";
    s.progressDialogOption = 5;
    const Bytes stream = WriteSettingsStream(s);
    std::vector<std::string> order;
    SettingsReadHooks hooks;
    hooks.afterModeFields = [&](Settings& r) {
        order.push_back("mode:" + std::to_string(r.displayTitle.size()));
    };
    hooks.afterDisplayTitle = [&](const Settings& r) {
        order.push_back("title:" + std::to_string(r.displayTitle.size()) + ":" +
                        std::to_string(r.progressDialogOption));
        return 0;
    };
    hooks.backgroundWindowSeam = [&](const Settings& r) {
        order.push_back("window:" + std::to_string(r.progressDialogOption));
    };
    hooks.afterField = [&](Settings&, int field) {
        if (field == 7 || field == 91)
            order.push_back("field:" + std::to_string(field));
    };
    Settings read;
    ASSERT_EQ(ReadBack(stream, read, hooks), 0);
    EXPECT_EQ(order, (std::vector<std::string>{"mode:0", "title:5:0", "window:5", "field:7", "field:91"}));
}

TEST(SettingsStream, ChecksumHookErrorStopsReading) {
    const Bytes stream = WriteSettingsStream(MinimalSettings());
    SettingsReadHooks hooks;
    hooks.afterDisplayTitle = [](const Settings&) { return 25; };
    bool laterField = false;
    hooks.afterField = [&](Settings&, int) { laterField = true; };
    Settings read;
    EXPECT_EQ(ReadBack(stream, read, hooks), 25);
    EXPECT_FALSE(laterField);
}

// ---- range checks ----

// Overwrites the bytes at the offset where `field` begins (found through the hooks).
struct Patch {
    int afterField;  // patch the bytes right after this field
    Bytes bytes;
};

Bytes PatchedStream(const Settings& s, const Patch& patch) {
    Bytes stream = WriteSettingsStream(s);
    MemoryStreamReader reader(stream);
    std::uint64_t offset = 0;
    SettingsReadHooks hooks;
    hooks.backgroundWindowSeam = [&](const Settings&) {
        if (patch.afterField == 6)
            offset = reader.Position();
    };
    hooks.afterField = [&](Settings&, int field) {
        if (field == patch.afterField)
            offset = reader.Position();
    };
    Settings read;
    EXPECT_EQ(ReadSettingsStream(reader, read, hooks), 0);
    std::copy(patch.bytes.begin(), patch.bytes.end(), stream.begin() + static_cast<std::ptrdiff_t>(offset));
    return stream;
}

Bytes I32Bytes(std::int32_t v) {
    ByteWriter w;
    w.I32(v);
    return w.Bytes();
}

struct RangeCase {
    const char* name;
    Patch patch;
    int expected;
};

class SettingsRange : public testing::TestWithParam<RangeCase> {};

TEST_P(SettingsRange, CheckGivesItsErrorCode) {
    Settings s = MinimalSettings();
    Settings read;
    EXPECT_EQ(ReadBack(PatchedStream(s, GetParam().patch), read), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, SettingsRange,
                         testing::Values(RangeCase{"StatusDelay9999", {6, {0x0F, 0x27}}, 0},
                                         RangeCase{"StatusDelay10000", {6, {0x10, 0x27}}, 19},
                                         RangeCase{"BitmapSize100", {22, I32Bytes(100)}, 0},
                                         RangeCase{"BitmapSize101", {22, I32Bytes(101)}, 39},
                                         RangeCase{"BitmapSizeNegative", {22, I32Bytes(-1)}, 39},
                                         RangeCase{"LicenceCountNegative", {25, I32Bytes(-1)}, 24},
                                         RangeCase{"ReadmeCount21", {27, I32Bytes(21)}, 26},
                                         RangeCase{"AssociationCount1001", {80, I32Bytes(1001)}, 36},
                                         RangeCase{"AssociationCountNegative", {80, I32Bytes(-1)}, 36},
                                         RangeCase{"ShortcutCount1001", {81, I32Bytes(1001)}, 48},
                                         RangeCase{"SavedValueCount1001", {83, I32Bytes(1001)}, 37},
                                         RangeCase{"LanguageCount0", {87, {0}}, 30},
                                         RangeCase{"LanguageCount201", {87, {201}}, 30},
                                         RangeCase{"MessageCount0", {88, I32Bytes(0)}, 31},
                                         RangeCase{"MessageCount10001", {88, I32Bytes(10001)}, 31}),
                         test::CaseName);

TEST(SettingsStream, LicenceCount21FailsBeforeAnyLicenceTextIsRead) {
    Settings s = MinimalSettings();
    s.licenceTexts = {L"first"};
    const Bytes stream = PatchedStream(s, {25, I32Bytes(21)});
    MemoryStreamReader reader(stream);
    std::uint64_t positionAfter25 = 0;
    SettingsReadHooks hooks;
    hooks.afterField = [&](Settings&, int field) {
        if (field == 25)
            positionAfter25 = reader.Position();
    };
    Settings read;
    EXPECT_EQ(ReadSettingsStream(reader, read, hooks), 24);
    EXPECT_EQ(reader.Position(), positionAfter25 + 4);  // only the count was read
    EXPECT_TRUE(read.licenceTexts.empty());
}

struct CountCase {
    const char* name;
    std::size_t languages;
    std::size_t messages;
    int expected;
};

class MessageTableLimits : public testing::TestWithParam<CountCase> {};

TEST_P(MessageTableLimits, LanguageAndMessageCounts) {
    // Write a valid table of the largest accepted size in the other dimension, then patch
    // the count bytes to the value under test and append enough empty texts.
    Settings s = MinimalSettings();
    const auto& c = GetParam();
    const std::size_t languages = std::max<std::size_t>(1, std::min<std::size_t>(c.languages, 200));
    const std::size_t messages = std::max<std::size_t>(1, std::min<std::size_t>(c.messages, 10000));
    s.messages = test::Messages(languages, messages);
    Bytes stream = WriteSettingsStream(s);
    stream.resize(stream.size() - 4);  // drop the end marker
    // The counts follow field 87.
    const std::size_t countsAt = OffsetAfterField(stream, 87);
    stream[countsAt] = static_cast<std::uint8_t>(c.languages);
    const Bytes count = I32Bytes(static_cast<std::int32_t>(c.messages));
    std::copy(count.begin(), count.end(), stream.begin() + static_cast<std::ptrdiff_t>(countsAt + 1));
    // Language names are "Language N" in the written table; extra entries are empty texts.
    const std::size_t wanted = c.languages * (1 + c.messages);
    const std::size_t have = languages * (1 + messages);
    if (wanted > have)
        stream.resize(stream.size() + (wanted - have) * 2, 0);
    ByteWriter tail(stream);
    tail.U32(kSettingsEndMarker);
    Settings read;
    MemoryStreamReader reader(stream);
    const int result = ReadSettingsStream(reader, read);
    if (c.expected == 0) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(read.messages.LanguageCount(), c.languages);
        EXPECT_EQ(read.messages.MessageCount(), c.messages);
    } else {
        EXPECT_EQ(result, c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MessageTableLimits,
                         testing::Values(CountCase{"Languages0", 0, 1, 30},
                                         CountCase{"Languages200", 200, 1, 0},
                                         CountCase{"Languages201", 201, 1, 30},
                                         CountCase{"Messages10000", 1, 10000, 0},
                                         CountCase{"Messages10001", 1, 10001, 31}),
                         test::CaseName);

TEST(SettingsStream, DefaultLanguageIsEnglishElseTheFirst) {
    Settings s = MinimalSettings();
    s.messages = MessageTable({L"Deutsch", L"Fran\u00e7ais"}, {L"a", L"b"});
    Settings read;
    ASSERT_EQ(ReadBack(WriteSettingsStream(s), read), 0);
    EXPECT_EQ(read.messages.DefaultLanguage(), 0u);
    s.messages = MessageTable({L"Deutsch", L"ENGLISH"}, {L"a", L"b"});
    ASSERT_EQ(ReadBack(WriteSettingsStream(s), read), 0);
    EXPECT_EQ(read.messages.SelectedLanguage(), 1u);
}

class TruncatedSettings : public testing::TestWithParam<std::size_t> {};

TEST_P(TruncatedSettings, ReadZerosAndEndWithACheck) {
    Settings s = MinimalSettings();
    s.licenceTexts = {L"licence"};
    s.conditionalDeletions = {{"a", 1, "b", 2}};
    s.autoClose = {{L"w", "c", "p", 0, 0}};
    Bytes stream = WriteSettingsStream(s);
    stream.resize(std::min(stream.size() - 1, GetParam()));
    Settings read;
    const int result = ReadBack(stream, read);
    // A cut-off stream reads zeros: the deletion list never sees its terminator (38),
    // the language count is 0 (30), or the end marker is wrong (32).
    EXPECT_TRUE(result == 32 || result == 30 || result == 38) << result;
}

// A table that claims the largest counts and then ends: the reader stops at the end of the
// stream instead of filling the claimed two million texts with empty ones.
TEST(SettingsStream, TableThatEndsEarlyIsNotPaddedToItsClaimedCounts) {
    Settings s = MinimalSettings();
    s.messages = test::Messages(1, 1);
    Bytes stream = WriteSettingsStream(s);
    stream.resize(OffsetAfterField(stream, 87));
    ByteWriter counts(stream);
    counts.U8(kMaxLanguages);
    counts.I32(kMaxMessages);
    counts.Raw(Bytes{'E', 0, 'n', 0, 0, 0});  // one language name, then the stream ends
    Settings read;
    EXPECT_EQ(ReadBack(stream, read), payload_error::kEndMarker);
    EXPECT_LE(read.messages.Texts().size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Cuts, TruncatedSettings, testing::Values(0u, 1u, 9u, 100u, 200u, 400u, 100000u),
                         test::CaseName);

TEST(SettingsStream, EndMarkerMustMatch) {
    Bytes stream = WriteSettingsStream(MinimalSettings());
    stream.back() ^= 1;
    Settings read;
    EXPECT_EQ(ReadBack(stream, read), 32);
}

TEST(SettingsStream, ListsLongerThanAThousandEntriesFail) {
    Settings s = MinimalSettings();
    s.conditionalDeletions = std::vector<ConditionalDeletion>(1000, ConditionalDeletion{"x", 0, "", 0});
    s.autoClose = std::vector<AutoCloseRecord>(1000, AutoCloseRecord{L"w", "", "", 0, 0});
    Settings read;
    ASSERT_EQ(ReadBack(WriteSettingsStream(s), read), 0);
    EXPECT_EQ(read.conditionalDeletions.size(), 1000u);
    EXPECT_EQ(read.autoClose.size(), 1000u);
    // One more entry each: write 1000, then splice one more entry in front of each terminator.
    Bytes stream = WriteSettingsStream(s);
    const std::string end = std::string(kDeletionListEnd) + '\0';
    auto at = std::search(stream.begin(), stream.end(), end.begin(), end.end());
    ASSERT_NE(at, stream.end());
    const Bytes entry = {'x', 0, 0, 0, 0};
    stream.insert(at, entry.begin(), entry.end());
    EXPECT_EQ(ReadBack(stream, read), 38);

    stream = WriteSettingsStream(s);
    const Bytes autoEnd = [] {
        ByteWriter w;
        w.Text16(Utf16Bytes(kAutoCloseListEnd));
        return w.Bytes();
    }();
    at = std::search(stream.begin(), stream.end(), autoEnd.begin(), autoEnd.end());
    ASSERT_NE(at, stream.end());
    const Bytes autoEntry = {2, 0, 'w', 0, 0, 0, 0, 0};
    stream.insert(at, autoEntry.begin(), autoEntry.end());
    EXPECT_EQ(ReadBack(stream, read), 41);
}

TEST(SettingsStream, WriterRefusesWhatTheReaderWouldReject) {
    Settings s = MinimalSettings();
    s.licenceTexts = std::vector<std::wstring>(21);
    EXPECT_THROW(WriteSettingsStream(s), std::length_error);
    s = MinimalSettings();
    s.messages = MessageTable();
    EXPECT_THROW(WriteSettingsStream(s), std::length_error);
    s = MinimalSettings();
    s.statusDelay = 10000;
    EXPECT_THROW(WriteSettingsStream(s), std::invalid_argument);
}

}  // namespace
}  // namespace vantrel
