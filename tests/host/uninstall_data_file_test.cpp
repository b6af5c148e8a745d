#include "format/uninstall_data_file.h"

#include <gtest/gtest.h>

#include "format/text_encoding.h"

namespace vantrel {
namespace {

// The [Strings] section as the writer makes it when every installer string is empty.
std::string EmptyStringsSection(std::string_view title) {
    std::string text = "\r\n\r\n[Strings]\r\n";
    for (const int number : kUninstallStringNumbers)
        text += "~" + std::to_string(number) + "\r\n\r\n";
    return text + "~999\r\n" + std::string(title) + "\r\n";
}

TEST(UninstallDataWriter, RemovalListAndEmptyStringsGolden) {
    UninstallDataContent content;
    content.removalList = {"C:\\App\\a.exe", "~C:\\App", "!\\HKCU\\Software\\App\\Dir",
                           "^\\HKLM\\Software\\X", "*\\HKLM\\Software\\Classes\\CLSID\\{1}"};
    content.productTitle = L"App";
    const std::string expected =
        "C:\\App\\a.exe\r\n~C:\\App\r\n!\\HKCU\\Software\\App\\Dir\r\n^\\HKLM\\Software\\X\r\n"
        "*\\HKLM\\Software\\Classes\\CLSID\\{1}\r\n" +
        EmptyStringsSection("App");
    EXPECT_EQ(BuildUninstallData(content), expected);
}

TEST(UninstallDataWriter, EverySectionInOrderGolden) {
    UninstallDataContent content;
    content.strings[10] = L"Uninstall";
    content.strings[15] = L"Zeile eins\r\nZeile \u00FCber";
    content.strings[42] = L"not in the list";
    content.productTitle = L"Caf\u00E9";
    content.autoClose.push_back({L"*Caf\u00E9", "AppClass", "App, the tool", 2, 4});
    content.associations.push_back({".app", "App.Document", "open", L"C:\\App\\app.exe,1"});
    content.firewallLines = {"8080;Web;1;"};
    content.infLines = {"C:\\Windows\\INF\\oem3.inf"};
    content.msiLines = {FormatMsiLine(L"C:\\App\\x.msi", 2)};
    content.registryScript = "\\HKCU\\Software\\App\r\n";
    content.deletions = {{"%InstallDir%\\*.log", 0, "", 8}, {"skipped.txt", 0, "", 4}, {" lead", 5, "0", 9}};
    std::string expected =
        "\r\n\r\n[Strings]\r\n~10\r\nUninstall\r\n~15\r\nZeile eins\r\nZeile \xC3\xBC"
        "ber\r\n";
    for (std::size_t i = 2; i < kUninstallStringNumbers.size(); ++i)
        expected += "~" + std::to_string(kUninstallStringNumbers[i]) + "\r\n\r\n";
    expected +=
        "~999\r\nCaf\xC3\xA9\r\n"
        "\r\n\r\n[AutoClose]\r\n*Caf\xC3\xA9,AppClass,\"App, the tool\",2\r\n"
        "\r\n\r\n[Associations]\r\n.app~!~App.Document~!~open~!~C:\\App\\app.exe,1\r\n"
        "\r\n\r\n[Firewall]\r\n8080;Web;1;\r\n"
        "\r\n\r\n[INF]\r\nC:\\Windows\\INF\\oem3.inf\r\n"
        "\r\n\r\n[MSI]\r\n\"C:\\App\\x.msi\",2\r\n"
        "\r\n\r\n[Registry2]\r\n\\HKCU\\Software\\App\r\n"
        "\r\n\r\n[ConditionalDelete]\r\n%InstallDir%\\*.log,0,,8\r\n\" lead\",5,0,9\r\n";
    EXPECT_EQ(BuildUninstallData(content), expected);
}

TEST(UninstallDataRoundTrip, WrittenContentReadsBack) {
    UninstallDataContent content;
    content.removalList = {"C:\\App\\a.exe", "|C:\\Caf\xC3\xA9\\b.txt", "~C:\\App"};
    for (const int number : kUninstallStringNumbers)
        content.strings[number] = L"Text " + std::to_wstring(number);
    content.strings[15] = L"one\r\ntwo\r\nthree";
    content.productTitle = L"Produit \u00E9t\u00E9";
    content.autoClose.push_back({L"Title \u00E9", "Cls", "Prog", 2, 4});
    content.autoClose.push_back({L"", "*Cls", "Prog,2", 3, 2});
    content.associations.push_back({".app", "App.Document", "open", L"C:\\Caf\u00E9\\app.exe,1"});
    content.firewallLines = {"|C:\\Caf\xC3\xA9\\app.exe;App;0;", "80;Web;1;0"};
    content.infLines = {"C:\\Windows\\INF\\oem3.inf"};
    content.msiLines = {"\"C:\\App\\x.msi\",2"};
    content.registryScript = "\\HKCU\\Software\\App\r\n\\HKCU\\Software\\App,\"a,b\",1,x,3\r\n";
    content.deletions = {{"|%InstallDir%\\\xC3\xA9*.log", 2, "1.2.3.4", 10}};

    UninstallDataContent read = ParseUninstallData(BuildUninstallData(content));
    // The empty line pair before [Strings] belongs to the removal list, as the format reads it.
    content.removalList.push_back("");
    content.removalList.push_back("");
    EXPECT_EQ(read, content);
}

TEST(UninstallDataReader, OnlyTheTitleGivesNothingElse) {
    const auto read = ParseUninstallData("\r\n\r\n[Strings]\r\n~999\r\n\r\n");
    EXPECT_EQ(read.productTitle, L"");
    EXPECT_TRUE(read.strings.empty());
    EXPECT_TRUE(read.autoClose.empty());
    EXPECT_TRUE(read.associations.empty());
    EXPECT_TRUE(read.firewallLines.empty() && read.infLines.empty() && read.msiLines.empty());
    EXPECT_TRUE(read.registryScript.empty());
    EXPECT_TRUE(read.deletions.empty());
    EXPECT_EQ(read.removalList, (std::vector<std::string>{"", ""}));
}

struct LineEndCase {
    const char* name;
    const char* bytes;
};

class UninstallDataLineEnds : public testing::TestWithParam<LineEndCase> {};

TEST_P(UninstallDataLineEnds, EveryLineEndReadsTheSame) {
    const auto read = ParseUninstallData(GetParam().bytes);
    EXPECT_EQ(read.removalList, (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(read.productTitle, L"T");
    EXPECT_EQ(read.msiLines, std::vector<std::string>{"\"x.msi\",1"});
}

INSTANTIATE_TEST_SUITE_P(
    Table, UninstallDataLineEnds,
    testing::Values(
        LineEndCase{"CrLf", "a.txt\r\nb.txt\r\n[Strings]\r\n~999\r\nT\r\n[MSI]\r\n\"x.msi\",1\r\n"},
        LineEndCase{"LoneCr", "a.txt\rb.txt\r[Strings]\r~999\rT\r[MSI]\r\"x.msi\",1\r"},
        LineEndCase{"LoneLf", "a.txt\nb.txt\n[Strings]\n~999\nT\n[MSI]\n\"x.msi\",1\n"},
        LineEndCase{"LfCr", "a.txt\n\rb.txt\n\r[Strings]\n\r~999\n\rT\n\r[MSI]\n\r\"x.msi\",1\n\r"},
        LineEndCase{"LastLineWithoutEnd", "a.txt\r\nb.txt\r\n[Strings]\r\n~999\r\nT\r\n[MSI]\r\n\"x.msi\",1"},
        LineEndCase{"SpacesAndTabsTrimmed",
                    "  a.txt\t\r\n\tb.txt \r\n [Strings] \r\n~999\r\nT  \r\n[MSI]\r\n \"x.msi\",1 "}),
    [](const auto& param_info) { return std::string(param_info.param.name); });

TEST(UninstallDataReader, CrCrIsTwoLineEnds) {
    const auto read = ParseUninstallData("a\r\rb");
    EXPECT_EQ(read.removalList, (std::vector<std::string>{"a", "", "b"}));
}

TEST(UninstallDataReader, StringNumbersOutsideTheRangeAreSkippedWithTheirText) {
    const auto read = ParseUninstallData(
        "[Strings]\r\n~0\r\nzero\r\n~1001\r\nbig\r\n~1000\r\nlast\r\n~1\r\nfirst\r\n~x\r\nnone\r\n~7\r\n["
        "Strings]\r\n"
        "seven\r\n  \r\n");
    EXPECT_EQ(read.strings,
              (std::map<int, std::wstring>{{1, L"first"}, {7, L"[Strings]\r\nseven"}, {1000, L"last"}}));
}

TEST(UninstallDataReader, StringTextEndsAtAnotherHeaderEvenWithTextAfterIt) {
    const auto read = ParseUninstallData("[Strings]\r\n~10\r\nline\r\n[MSI] trailing\r\n~999\r\nTitle\r\n");
    EXPECT_EQ(read.strings.at(10), L"line");
    EXPECT_EQ(read.productTitle, L"Title");
}

TEST(UninstallDataReader, LowerCaseHeaderIsARecordOfTheCurrentSection) {
    const auto read = ParseUninstallData("a\r\n[strings]\r\n[MSI]\r\n[inf]\r\n");
    EXPECT_EQ(read.removalList, (std::vector<std::string>{"a", "[strings]"}));
    EXPECT_EQ(read.msiLines, std::vector<std::string>{"[inf]"});
}

TEST(UninstallDataReader, AssociationsNeedThreeNamedFields) {
    const auto read = ParseUninstallData(
        "[Associations]\r\n.a~!~~!~open~!~icon\r\n.b~!~B.File~!~open\r\n.c~!~ "
        "\t~!~open~!~x\r\n.d~!~D~!~edit~!~|\xC3\xA9"
        "~!~more\r\n.e~!~E\r\n");
    ASSERT_EQ(read.associations.size(), 2u);
    EXPECT_EQ(read.associations[0], (FileAssociation{".b", "B.File", "open", L""}));
    EXPECT_EQ(read.associations[1], (FileAssociation{".d", "D", "edit", L"\u00E9~!~more"}));
}

TEST(UninstallDataReader, LegacyAnsiTextGoesThroughTheDecoder) {
    const auto read =
        ParseUninstallData("[Associations]\r\n.a~!~A~!~open~!~C:\\Caf\xE9.ico\r\n",
                           [](std::string_view text) { return L"ansi:" + Windows1252ToUtf16(text); });
    ASSERT_EQ(read.associations.size(), 1u);
    EXPECT_EQ(read.associations[0].icon, L"ansi:C:\\Caf\u00E9.ico");
}

TEST(UninstallDataReader, RecordsWithTheWrongFieldCountAreSkipped) {
    const auto read = ParseUninstallData(
        "[AutoClose]\r\nt,c,p\r\nt,c,p,1,5\r\nt,c,p,2\r\n[ConditionalDelete]\r\na,1,2\r\n\"b,c\",5,100,"
        "264\r\n\r\n");
    ASSERT_EQ(read.autoClose.size(), 1u);
    EXPECT_EQ(read.autoClose[0], (AutoCloseEntry{L"t", "c", "p", 2, 4}));
    ASSERT_EQ(read.deletions.size(), 1u);
    // The flag byte is a byte: 264 keeps its low eight bits.
    EXPECT_EQ(read.deletions[0], (FileDeletion{"b,c", 5, "100", 8}));
}

TEST(UninstallDataReader, UnknownLinesBeforeTheFirstHeaderAreRemovalRecords) {
    const auto read = ParseUninstallData("garbage line\r\n\xFF\xFE\r\n");
    EXPECT_EQ(read.removalList, (std::vector<std::string>{"garbage line", "\xFF\xFE"}));
}

TEST(UninstallDataReader, EmptyLinesOfLineSectionsAreNoRecords) {
    const auto read = ParseUninstallData("[Firewall]\r\n\r\nf\r\n\r\n[Registry2]\r\n\r\nk\r\n\r\n");
    EXPECT_EQ(read.firewallLines, std::vector<std::string>{"f"});
    EXPECT_EQ(read.registryScript, "k\r\n");
}

TEST(RemovalLines, KindsAndPaths) {
    EXPECT_EQ(RemovalKindOf("C:\\a"), RemovalKind::kFile);
    EXPECT_EQ(RemovalKindOf("~C:\\a"), RemovalKind::kFolder);
    EXPECT_EQ(RemovalKindOf("!\\HKCU\\a\\v"), RemovalKind::kRegistryValue);
    EXPECT_EQ(RemovalKindOf("^\\HKLM\\a"), RemovalKind::kRegistryKey);
    EXPECT_EQ(RemovalKindOf("*\\HKLM\\a"), RemovalKind::kRegistryKey64);
    EXPECT_EQ(RemovalPathOf("~|C:\\\xC3\xA9"), "|C:\\\xC3\xA9");
    EXPECT_EQ(RemovalPathOf("|C:\\\xC3\xA9"), "|C:\\\xC3\xA9");
    EXPECT_EQ(RemovalPrefix(RemovalKind::kRegistryKey64), '*');
    EXPECT_EQ(RemovalPrefix(RemovalKind::kFile), 0);
}

}  // namespace
}  // namespace vantrel
