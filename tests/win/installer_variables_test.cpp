#include "context/installer_variables.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>

#include "context/install_session.h"
#include "ui/user_interface.h"
#include "format/os_version.h"
#include "support/os_info.h"
#include "support/shell_folders.h"
#include "support/temp_file_name.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

struct VariablesFixture {
    VariablesFixture() {
        settings.productName = L"Vantrel Variables";
        settings.productVersion = L"2.10.3";
        settings.uninstallSubfolder = L"uninstall";
        session = std::make_unique<InstallSession>(settings, options, ui);
        session->SetInstallDir(L"C:\\Apps\\Vantrel");
    }
    std::wstring Expand(std::wstring text) const {
        ExpandVariables(*session, text);
        return text;
    }
    CommandLineOptions options;
    SilentUserInterface ui;
    Settings settings;
    std::unique_ptr<InstallSession> session;
};

using Variables = std::vector<std::pair<const wchar_t*, const wchar_t*>>;

// Sets (or, with a null value, removes) environment variables for one test and removes
// them again afterwards.
struct EnvironmentGuard {
    explicit EnvironmentGuard(Variables values) : set(std::move(values)) {
        for (const auto& [name, value] : set)
            SetEnvironmentVariableW(name, value);
    }
    ~EnvironmentGuard() {
        for (const auto& entry : set)
            SetEnvironmentVariableW(entry.first, nullptr);
    }
    Variables set;
};

struct ExpansionCase {
    const char* name;
    std::function<void(InstallSession&)> arrange;
    const wchar_t* input;
    const wchar_t* expected;
};

class Expansion : public testing::TestWithParam<ExpansionCase> {};

TEST_P(Expansion, ReplacesAsTheTableSays) {
    EnvironmentGuard environment(Variables{{L"VANTREL_TEST_VALUE", L"from-env"}, {L"ProductName", nullptr}});
    VariablesFixture fixture;
    if (GetParam().arrange)
        GetParam().arrange(*fixture.session);
    EXPECT_EQ(fixture.Expand(GetParam().input), GetParam().expected);
}

void Existing(InstallSession& s, const wchar_t* version) {
    s.product.existingVersion = version;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Expansion,
    testing::Values(
        ExpansionCase{"ExactCase", nullptr, L"%InstallDir%\\bin", L"C:\\Apps\\Vantrel\\bin"},
        ExpansionCase{"LowerCase", nullptr, L"%installdir%\\bin", L"C:\\Apps\\Vantrel\\bin"},
        ExpansionCase{"UpperCase", nullptr, L"%INSTALLDIR%\\bin", L"C:\\Apps\\Vantrel\\bin"},
        ExpansionCase{"EveryOccurrence", nullptr, L"%InstallDir%;%installdir%",
                      L"C:\\Apps\\Vantrel;C:\\Apps\\Vantrel"},
        ExpansionCase{"UninstallFolder", nullptr, L"%UninstallDir%", L"C:\\Apps\\Vantrel\\uninstall"},
        ExpansionCase{"VersionInsideProductNameExpands",
                      [](InstallSession& s) { s.product.name = L"Tool %Version%"; }, L"[%ProductName%]",
                      L"[Tool 2.10.3]"},
        ExpansionCase{"ProductNameInsideVersionStays",
                      [](InstallSession& s) { s.product.version = L"%ProductName% 1"; }, L"%Version%",
                      L"%ProductName% 1"},
        ExpansionCase{"InsertedValueIsNotSearchedAgainForItsToken",
                      [](InstallSession& s) { s.product.name = L"%ProductName%!"; }, L"%ProductName%",
                      L"%ProductName%!"},
        ExpansionCase{"UnknownTokenStays", nullptr, L"%NoSuchVariable%\\x", L"%NoSuchVariable%\\x"},
        ExpansionCase{"EnvironmentVariable", nullptr, L"%VANTREL_TEST_VALUE%\\x", L"from-env\\x"},
        ExpansionCase{"LoneAndDoublePercent", nullptr, L"100% %%InstallDir%", L"100% %C:\\Apps\\Vantrel"},
        ExpansionCase{"UncFolderHasNoDrive",
                      [](InstallSession& s) { s.SetInstallDir(L"\\\\server\\share\\App"); },
                      L"[%InstallDrive%][%Portable%]", L"[][0]"},
        ExpansionCase{"DriveLetterUpperCased", [](InstallSession& s) { s.SetInstallDir(L"c:\\apps"); },
                      L"%InstallDrive%", L"C:"},
        ExpansionCase{"FixedDriveIsNotPortable", [](InstallSession& s) { s.SetInstallDir(L"C:\\apps"); },
                      L"%Portable%", L"0"},
        ExpansionCase{"OldVersionParts", [](InstallSession& s) { Existing(s, L"2.10.3"); },
                      L"%OldVersion%|%OldVersionMajor%|%OldVersionMinor%", L"2.10.3|2|10"},
        ExpansionCase{"OldVersionSinglePart", [](InstallSession& s) { Existing(s, L"7"); },
                      L"%OldVersionMajor%|%OldVersionMinor%", L"7|"},
        ExpansionCase{"NoOldVersion", nullptr, L"[%OldVersion%][%OldVersionMajor%][%OldVersionMinor%]",
                      L"[][][]"},
        ExpansionCase{"OldVersionTokensAreCaseSensitive", [](InstallSession& s) { Existing(s, L"2.10.3"); },
                      L"%oldversionmajor%|%OLDVERSIONMINOR%", L"%oldversionmajor%|%OLDVERSIONMINOR%"},
        ExpansionCase{"ExistingNone", nullptr, L"%Existing%", L"0"},
        ExpansionCase{"ExistingSame", [](InstallSession& s) { Existing(s, L"2.10.3"); }, L"%Existing%", L"1"},
        ExpansionCase{"ExistingOlder", [](InstallSession& s) { Existing(s, L"2.9"); }, L"%Existing%", L"2"},
        ExpansionCase{"ExistingNewer", [](InstallSession& s) { Existing(s, L"2.10.3a"); }, L"%Existing%",
                      L"3"},
        ExpansionCase{"NotAutomatic", nullptr, L"%Automatic%", L"0"},
        ExpansionCase{"Automatic", [](InstallSession& s) { s.automatic = true; }, L"%Automatic%", L"1"},
        ExpansionCase{"EmptyBeforeChosen", [](InstallSession& s) { s.SetInstallDir(L""); },
                      L"[%InstallDir%][%SharedDir%][%DesktopShortcuts%]", L"[][][]"},
        ExpansionCase{"CompanyAndShared",
                      [](InstallSession& s) {
                          s.product.company = L"Vantrel Co";
                          s.folders.sharedDir = L"C:\\Shared";
                      },
                      L"%CompanyName%|%SharedDir%", L"Vantrel Co|C:\\Shared"}),
    test::CaseName);

TEST(ExpandVariables, LowerCaseOldVersionTokenIsLeftForTheEnvironment) {
    EnvironmentGuard environment(Variables{{L"OLDVERSIONMAJOR", L"from-env"}});
    VariablesFixture fixture;
    fixture.session->product.existingVersion = L"2.10.3";
    EXPECT_EQ(fixture.Expand(L"%oldversionmajor%|%OldVersionMajor%"), L"from-env|2");
}

TEST(ExpandVariables, InstallerValuesWinOverEnvironmentVariables) {
    EnvironmentGuard environment(Variables{{L"InstallDir", L"from-env"}});
    VariablesFixture fixture;
    EXPECT_EQ(fixture.Expand(L"%InstallDir%"), L"C:\\Apps\\Vantrel");
    EXPECT_EQ(fixture.Expand(L"%Temp%"), TemporaryFolder());
}

TEST(ExpandVariables, TooLongForTheEnvironmentStepKeepsTheInstallerExpansion) {
    EnvironmentGuard environment(Variables{{L"VANTREL_TEST_VALUE", L"from-env"}});
    VariablesFixture fixture;
    const std::wstring filler(32100, L'a');
    EXPECT_EQ(fixture.Expand(L"%InstallDir%" + filler + L"%VANTREL_TEST_VALUE%"),
              L"C:\\Apps\\Vantrel" + filler + L"%VANTREL_TEST_VALUE%");
}

TEST(ExpandVariables, StartMenuChosenUsesTheProductNameWhileNoFolderIsChosen) {
    VariablesFixture fixture;
    EXPECT_EQ(fixture.Expand(L"%StartMenuChosen%"), SMProgramsFolder() + L"\\Vantrel Variables");
    fixture.session->folders.startMenuFolderName = L"Tools\\Vantrel";
    EXPECT_EQ(fixture.Expand(L"%StartMenuChosen%"), SMProgramsFolder() + L"\\Tools\\Vantrel");
    fixture.settings.shortcutMode = 1;
    EXPECT_EQ(fixture.Expand(L"%StartMenuChosen%"), SMProgramsAllFolder() + L"\\Tools\\Vantrel");
}

TEST(ExpandVariables, InstallerFileVariables) {
    VariablesFixture fixture;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring path = self;
    EXPECT_EQ(fixture.Expand(L"%InstallerFilepath%"), path);
    EXPECT_EQ(fixture.Expand(L"%InstallerFilename%"), L"win_tests.exe");
    EXPECT_EQ(fixture.Expand(L"%InstallerDir%\\%InstallerFilename%"), path);
    EXPECT_EQ(fixture.Expand(L"%InstallerDrive%"), path.substr(0, 2));
}

TEST(ExpandVariables, SystemFoldersAndWindowsValues) {
    VariablesFixture fixture;
    wchar_t buffer[MAX_PATH];
    GetWindowsDirectoryW(buffer, MAX_PATH);
    EXPECT_EQ(fixture.Expand(L"%WinDir%"), buffer);
    GetSystemDirectoryW(buffer, MAX_PATH);
    EXPECT_EQ(fixture.Expand(L"%SystemDir%"), buffer);
    EXPECT_EQ(fixture.Expand(L"%BootDrive%"), L"C:");
    EXPECT_EQ(fixture.Expand(L"%Inetpub%"), L"c:\\Inetpub");  // no web server: the fallback
    const OsVersionInfo& os = CurrentOs();
    EXPECT_EQ(fixture.Expand(L"%OS%|%OSMajor%|%OSMinor%|%OSServer%"), std::to_wstring(OsCode(os)) + L"|" +
                                                                          std::to_wstring(os.major) + L"|" +
                                                                          std::to_wstring(os.minor) + L"|0");
    EXPECT_EQ(fixture.Expand(L"%OSName%"), OsName(os));
    EXPECT_EQ(fixture.Expand(L"%OSDescription%"), OsDescription(os));
    for (const wchar_t* token :
         {L"%AppDataAllDir%", L"%AppDataDir%", L"%DesktopAllDir%", L"%DesktopDir%", L"%DeviceDir%",
          L"%DocumentAllDir%", L"%DocumentDir%", L"%FavoritesDir%", L"%FontDir%", L"%MediaDir%",
          L"%SMProgramsAllDir%", L"%SMProgramsDir%", L"%StartMenuAllDir%", L"%StartMenuDir%",
          L"%StartupAllDir%", L"%StartupDir%"}) {
        const std::wstring value = fixture.Expand(token);
        EXPECT_EQ(value.substr(1, 2), L":\\") << token << L" -> " << value;
        EXPECT_EQ(value.find(L'%'), std::wstring::npos) << token;
        EXPECT_NE(value.back(), L'\\') << token;
    }
}

// This prefix is a 64-bit Windows and the tests are a 32-bit process.
TEST(ExpandVariables, ProgramFilesViewsFromA32BitProcessOn64BitWindows) {
    VariablesFixture fixture;
    EXPECT_EQ(fixture.Expand(L"%Bits%"), L"64");
    const std::wstring programs32 = fixture.Expand(L"%ProgramsDir32%");
    const std::wstring programs64 = fixture.Expand(L"%ProgramsDir64%");
    EXPECT_EQ(programs32, L"C:\\Program Files (x86)");
    EXPECT_EQ(programs64, L"C:\\Program Files");
    EXPECT_EQ(fixture.Expand(L"%CommonDir32%"), L"C:\\Program Files (x86)\\Common Files");
    EXPECT_EQ(fixture.Expand(L"%CommonDir64%"), L"C:\\Program Files\\Common Files");
    EXPECT_EQ(fixture.Expand(L"%ProgramsDir%|%CommonDir%"),
              programs32 + L"|" + fixture.Expand(L"%CommonDir32%"));
    fixture.settings.bitness = 1;
    EXPECT_EQ(fixture.Expand(L"%ProgramsDir%|%CommonDir%"),
              programs64 + L"|" + fixture.Expand(L"%CommonDir64%"));
    EXPECT_EQ(ProgramFilesFolder(FolderView::kDefault), programs32);
}

TEST(ExpandVariables, TheTableHasAllFiftyFourRowsInOrder) {
    const auto rows = InstallerVariables();
    ASSERT_EQ(rows.size(), 54u);
    EXPECT_STREQ(rows.front().token, L"%AppDataAllDir%");
    EXPECT_STREQ(rows[30].token, L"%ProductName%");
    EXPECT_STREQ(rows[46].token, L"%Version%");
    EXPECT_STREQ(rows.back().token, L"%OSServer%");
    int caseSensitive = 0;
    for (const InstallerVariable& row : rows)
        caseSensitive += row.caseSensitive ? 1 : 0;
    EXPECT_EQ(caseSensitive, 2);
}

struct RegistryFolderCase {
    const char* name;
    const wchar_t* stored;
    const wchar_t* used;
};

class RegistryFolders : public testing::TestWithParam<RegistryFolderCase> {};

TEST_P(RegistryFolders, LoseOneTrailingBackslashUnlessADriveRoot) {
    EXPECT_EQ(RegistryFolderText(GetParam().stored), GetParam().used);
}

INSTANTIATE_TEST_SUITE_P(Table, RegistryFolders,
                         testing::Values(RegistryFolderCase{"Folder", L"D:\\Data\\", L"D:\\Data"},
                                         RegistryFolderCase{"DriveRoot", L"D:\\", L"D:\\"},
                                         RegistryFolderCase{"NoBackslash", L"D:\\Data", L"D:\\Data"},
                                         RegistryFolderCase{"OnlyOneRemoved", L"D:\\Data\\\\",
                                                            L"D:\\Data\\"}),
                         test::CaseName);

}  // namespace
}  // namespace vantrel
