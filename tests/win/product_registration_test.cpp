#include "actions/product_registration.h"

#include <gtest/gtest.h>

#include <cstring>
#include <variant>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/icon_group.h"
#include "format/message_table.h"
#include "format/settings.h"
#include "support/child_process.h"
#include "support/registry_key.h"
#include "support/search_path.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "uninstall/uninstall_data.h"

namespace vantrel {
namespace {

using test::PathExists;
using test::TempFolder;

// The tests of this file run at the same time in one Windows prefix: each keeps its keys
// under a name of its own, so that one test's clean-up never removes another's values.
std::wstring CurrentTestName() {
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(info->test_suite_name()) + "." + info->name();
    for (char& c : name) {
        if (c == '/')
            c = '.';
    }
    return std::wstring(name.begin(), name.end());
}

std::wstring OwnTestKey() {
    return L"Software\\VantrelTest\\" + CurrentTestName();
}

std::vector<std::uint8_t> FileBytes(const std::wstring& path) {
    const std::string bytes = test::ReadTestFile(path);
    return {bytes.begin(), bytes.end()};
}

// Two images: 16x16 with 16 colours and 32x32 at 32 bits, with made-up image bytes.
const std::vector<std::uint8_t> kIconFile = {
    0x00, 0x00, 0x01, 0x00, 0x02, 0x00,                                                              //
    0x10, 0x10, 0x10, 0x00, 0x01, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x26, 0x00, 0x00, 0x00,  //
    0x20, 0x20, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x03, 0x00, 0x00, 0x00, 0x2A, 0x00, 0x00, 0x00,  //
    0xA1, 0xA2, 0xA3, 0xA4, 0xB1, 0xB2, 0xB3};

// A registration of a product in a folder of its own, with the uninstall key removed after.
class ProductRegistration : public testing::Test {
  protected:
    ProductRegistration() : folder_(L"registration") {}

    void SetUp() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath().c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, ownKey_.c_str());
        settings_.productName = productName_;
        settings_.uninstallKeyName = productName_;
        settings_.uninstallSubfolder = L"Uninstall";
        settings_.uninstallerFileName = "uninstall.exe";
        settings_.productVersion = L"2.15.3";
        settings_.companyName = L"Example Company";
        settings_.productRegistryKey = L"Example\\Registration";
        settings_.startMenuFolder = L"Example Registration";
        settings_.titleSize = 12.5;
        settings_.topColor = 0x336699;
        settings_.bottomColor = 0x336699;
        settings_.copyright.size = 20;
        settings_.copyright.color = 0x00332211;
        settings_.copyright.text = L"(c) Example";
        settings_.uninstallBatch1 = "echo one";
        settings_.minimumVersion = "1.0";
        settings_.savedValues = {{"Channel", 1, L"%Channel%"},
                                 {"Zero", 4, L"0"},
                                 {"Seven", 4, L"7"},
                                 {"\\HKCU\\" + Narrow(ownKey_) + "\\Saved\\Where", 2, L"%Channel%\\x"}};
    }
    void TearDown() override {
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath().c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, KeyPath().c_str());
        RegDeleteTreeW(HKEY_CURRENT_USER, ownKey_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, ownKey_.c_str());
    }

    static std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
    std::wstring KeyPath() const { return UninstallKeyPath(productName_); }

    void Register(std::span<const std::uint8_t> stub = {}) {
        input_ = std::make_unique<ProductRegistrationInput>(settings_, messages_, flagsLow_);
        input_->productFlagsHigh = flagsHigh_;
        input_->productFlags2 = stub.empty() ? 0 : product_flags2::kBuildStubImage;
        input_->productName = productName_;
        input_->companyName = settings_.companyName;
        input_->installDir = folder_.Path();
        input_->installerPath = test::HostPathToWindows(VANTREL_OS_PROBE_EXE);
        input_->runStamp = 0x123456789ABCull;
        input_->estimatedSize = 2048;
        input_->sharedFiles = "\"C:\\shared.dll\"";
        input_->stubImage = stub;
        input_->expand = [](std::wstring& text) {
            for (std::size_t at; (at = text.find(L"%Channel%")) != std::wstring::npos;)
                text.replace(at, 9, L"stable");
        };
        input_->searchPathKey = searchPathKey_.c_str();
        RegisterProduct(*input_, log_, failures_, data_);
    }

    using Expected = std::variant<std::monostate, std::wstring, DWORD, std::uint64_t>;  // monostate: absent
    Expected ValueOf(HKEY root, const std::wstring& keyPath, const wchar_t* name) {
        RegistryKey key;
        DWORD type = 0;
        std::vector<BYTE> data;
        if (key.Open(root, keyPath, registry_option::kOpenOnly, KEY_READ) == RegistryOpen::kFailed ||
            !key.ReadValue(name, type, data))
            return std::monostate{};
        if (type == REG_DWORD) {
            DWORD value = 0;
            std::memcpy(&value, data.data(), sizeof value);
            return value;
        }
        if (type == REG_QWORD) {
            std::uint64_t value = 0;
            std::memcpy(&value, data.data(), sizeof value);
            return value;
        }
        std::wstring text;
        return key.ReadText(name, text) ? text : L"<not text>";
    }

    const std::wstring ownKey_ = OwnTestKey();
    const std::wstring searchPathKey_ = ownKey_ + L"\\Environment";
    const std::wstring productName_ = L"Vantrel Registration Test " + CurrentTestName();
    TempFolder folder_;
    Settings settings_;
    MessageTable messages_{{L"English"}, {L"Fallback Title"}};
    std::uint32_t flagsLow_ = product_flags::kRegisterForUninstall;
    std::uint32_t flagsHigh_ = 0;
    std::unique_ptr<ProductRegistrationInput> input_;
    InstallLog log_;
    FailureList failures_;
    UninstallData data_;
};

TEST_F(ProductRegistration, ProductKeyHoldsTheExpectedValues) {
    Register();
    EXPECT_TRUE(failures_.Empty()) << failures_.Text();
    const std::wstring uninstaller = folder_.Join(L"Uninstall\\uninstall.exe");
    EXPECT_TRUE(PathExists(uninstaller));
    const struct {
        const wchar_t* name;
        Expected value;
    } expected[] = {
        {L"UninstallString", L"\"" + uninstaller + L"\" /u:\"" + productName_ + L"\""},
        {L"QuietUninstallString", L"\"" + uninstaller + L"\" /a /u:\"" + productName_ + L"\""},
        {L"DisplayName", productName_},
        {L"InstallSource", test::HostPathToWindows(VANTREL_OS_PROBE_EXE)},
        {L"Publisher", std::wstring(L"Example Company")},
        {L"Bitness", DWORD{0}},
        {L"DisplayVersion", std::wstring(L"2.15.3")},
        {L"NoDowngradeBelow", std::wstring(L"1.0")},
        {L"DisplayIcon", std::monostate{}},
        {L"VersionMajor", DWORD{2}},
        {L"VersionMinor", DWORD{15}},
        {L"ProductRegistry", std::wstring(L"Example\\Registration")},
        {L"ProductStartMenu", std::wstring(L"Example Registration")},
        {L"SharedPath", std::monostate{}},
        {L"ProductFonts", std::monostate{}},
        {L"ProductFlags", std::wstring(L"4")},
        {L"ProductFlags2", std::wstring(L"0")},
        {L"UninstallBatch1", std::wstring(L"echo one")},
        {L"UninstallBatch2", std::monostate{}},
        {L"SharedFiles", std::wstring(L"\"C:\\shared.dll\"")},
        {L"UninstallSubdir", std::wstring(L"Uninstall")},
        {L"ShortcutMode", std::monostate{}},
        {L"EstimatedSize", DWORD{2}},
        {L"DisplayTitle", std::wstring(L"Fallback Title")},
        {L"TitleSize", std::wstring(L"12.5")},
        {L"TopColor", DWORD{0x336699}},
        {L"BottomColor", std::monostate{}},
        {L"MonoColor", DWORD{1}},
        {L"CopyrightText", std::wstring(L"(c) Example")},
        {L"CopyrightSize", std::wstring(L"20")},
        {L"CopyrightColor", std::wstring(L"112233")},
        {L"Session", std::uint64_t{0x123456789ABCull}},
        {L"BitmapSize", std::monostate{}},
        {L"Channel", std::wstring(L"stable")},
        {L"Zero", std::monostate{}},
        {L"Seven", DWORD{7}},
        {L"InstallLocation", folder_.Path()},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, KeyPath(), name), value)
            << testing::PrintToString(std::wstring(name));
    EXPECT_EQ(ValueOf(HKEY_CURRENT_USER, ownKey_ + L"\\Saved", L"Where"),
              Expected(std::wstring(L"stable\\x")));
    const Expected date = ValueOf(HKEY_LOCAL_MACHINE, KeyPath(), L"InstallDate");
    ASSERT_TRUE(std::holds_alternative<std::wstring>(date));
    EXPECT_EQ(std::get<std::wstring>(date).size(), 6u);
}

TEST_F(ProductRegistration, EmptyTextsDeleteTheirValuesOnReinstallation) {
    Register();
    settings_.companyName.clear();
    settings_.productVersion = L"7";
    settings_.bottomColor = 0x000000;
    Register();
    EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, KeyPath(), L"Publisher"), Expected());
    EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, KeyPath(), L"DisplayVersion"), Expected(std::wstring(L"7")));
    EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, KeyPath(), L"BottomColor"), Expected(DWORD{0}));
    EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, KeyPath(), L"MonoColor"), Expected(DWORD{0}));
}

TEST_F(ProductRegistration, ReadmeAndLicenceCopies) {
    flagsHigh_ = product_flags::kCopyReadme | product_flags::kCopyLicence;
    settings_.readmeTexts = {L"first", L"", L"{\\rtf1 second}"};
    settings_.licenceTexts = {L"only"};
    Register();
    EXPECT_EQ(test::ReadTestFile(folder_.Join(L"readme1.txt")), std::string("\xFF\xFE"
                                                                            "f\0i\0r\0s\0t\0",
                                                                            12));
    EXPECT_EQ(test::ReadTestFile(folder_.Join(L"readme2.rtf")), "{\\rtf1 second}");
    EXPECT_EQ(test::ReadTestFile(folder_.Join(L"eula.txt")), std::string("\xFF\xFE"
                                                                         "o\0n\0l\0y\0",
                                                                         10));
    EXPECT_EQ(data_.Content().removalList.size(), 3u);
}

TEST_F(ProductRegistration, UninstallerFromTheStubImageCarriesTheProductIcon) {
    const std::vector<std::uint8_t> stub = FileBytes(test::HostPathToWindows(VANTREL_OS_PROBE_EXE));
    ASSERT_FALSE(stub.empty());
    settings_.uninstallerIcon = kIconFile;
    Register(stub);
    const std::wstring uninstaller = folder_.Join(L"Uninstall\\uninstall.exe");
    ASSERT_TRUE(PathExists(uninstaller));
    HMODULE module = LoadLibraryExW(uninstaller.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    auto resourceBytes = [module](LPCWSTR type, WORD id) {
        const HRSRC found = FindResourceExW(module, type, MAKEINTRESOURCEW(id), 1033);
        if (found == nullptr)
            return std::vector<std::uint8_t>();
        const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(module, found)));
        return std::vector<std::uint8_t>(data, data + SizeofResource(module, found));
    };
    const std::vector<std::uint8_t> group = resourceBytes(RT_GROUP_ICON, 1);
    const std::vector<std::uint8_t> first = resourceBytes(RT_ICON, 1);
    const std::vector<std::uint8_t> second = resourceBytes(RT_ICON, 2);
    FreeLibrary(module);
    const std::vector<std::uint8_t> expectedGroup = {
        0x00, 0x00, 0x01, 0x00, 0x02, 0x00,                                                  //
        0x10, 0x10, 0x10, 0x00, 0x01, 0x00, 0x04, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00,  //
        0x20, 0x20, 0x00, 0x00, 0x01, 0x00, 0x20, 0x00, 0x03, 0x00, 0x00, 0x00, 0x02, 0x00};
    EXPECT_EQ(group, expectedGroup);
    EXPECT_EQ(first, (std::vector<std::uint8_t>{0xA1, 0xA2, 0xA3, 0xA4}));
    EXPECT_EQ(second, (std::vector<std::uint8_t>{0xB1, 0xB2, 0xB3}));
}

TEST_F(ProductRegistration, UnknownSavedValueTypeIsACorruptPayload) {
    settings_.savedValues = {{"Odd", 3, L"x"}};
    int error = 0;
    input_.reset();
    Register();  // without a handler the value is only skipped
    EXPECT_EQ(ValueOf(HKEY_LOCAL_MACHINE, KeyPath(), L"Odd"), Expected());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath().c_str());
    ProductRegistrationInput input(settings_, messages_, flagsLow_);
    input.productName = productName_;
    input.installDir = folder_.Path();
    input.corruptPayload = [&error](int code) { error = code; };
    RegisterProduct(input, log_, failures_, data_);
    EXPECT_EQ(error, 200);
}

// The search path, in a key of the test's own: a long value with its type and terminating
// zero comes back byte for byte.
class SearchPathEdit : public testing::TestWithParam<DWORD> {
  protected:
    void TearDown() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, ownKey_.c_str());
        RegDeleteKeyW(HKEY_CURRENT_USER, ownKey_.c_str());
    }
    const std::wstring ownKey_ = OwnTestKey();
    const std::wstring searchPathKey_ = ownKey_ + L"\\Environment";
};

TEST_P(SearchPathEdit, AddThenRemoveGivesBackTheSameBytes) {
    TempFolder folder(L"search-path");
    std::wstring original;
    for (int i = 0; i < 400; ++i)
        original += L"C:\\Some Long Folder Name\\number" + std::to_wstring(i) + L";";
    original += L"%SystemRoot%\\system32";
    ASSERT_GT(original.size(), 10000u);
    std::vector<BYTE> bytes((original.size() + 1) * sizeof(wchar_t));
    std::memcpy(bytes.data(), original.c_str(), bytes.size());
    RegistryKey key;
    ASSERT_NE(key.Open(HKEY_CURRENT_USER, searchPathKey_, registry_option::kDefaultSecurity, KEY_ALL_ACCESS),
              RegistryOpen::kFailed);
    ASSERT_TRUE(key.SetValue(L"Path", GetParam(), bytes.data(), static_cast<DWORD>(bytes.size())));
    SearchPathLocation location;
    location.root = HKEY_CURRENT_USER;
    location.keyPath = searchPathKey_.c_str();

    EXPECT_EQ(AddFolderToSearchPath(folder.Path(), location), SearchPathChange::kChanged);
    DWORD type = 0;
    std::vector<BYTE> changed;
    ASSERT_TRUE(key.ReadValue(L"Path", type, changed));
    EXPECT_EQ(type, GetParam());
    std::wstring text;
    ASSERT_TRUE(key.ReadText(L"Path", text));
    EXPECT_EQ(text, original + L";" + folder.Path());
    // Added once only, whatever the letter case.
    std::wstring upper = folder.Path();
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    EXPECT_EQ(AddFolderToSearchPath(upper, location), SearchPathChange::kUnchanged);

    EXPECT_EQ(RemoveFolderFromSearchPath(folder.Path(), location), SearchPathChange::kChanged);
    std::vector<BYTE> after;
    ASSERT_TRUE(key.ReadValue(L"Path", type, after));
    EXPECT_EQ(type, GetParam());
    EXPECT_EQ(after, bytes);
    EXPECT_EQ(RemoveFolderFromSearchPath(folder.Path(), location), SearchPathChange::kUnchanged);
}

INSTANTIATE_TEST_SUITE_P(Types, SearchPathEdit, testing::Values(DWORD{REG_EXPAND_SZ}, DWORD{REG_SZ}),
                         [](const testing::TestParamInfo<DWORD>& typeInfo) {
                             return std::string(typeInfo.param == REG_SZ ? "Sz" : "ExpandSz");
                         });

struct RemoveCase {
    const char* name;
    const wchar_t* path;
    const wchar_t* folder;
    const wchar_t* expected;  // null: no entry is equal
};

class SearchPathRemoval : public testing::TestWithParam<RemoveCase> {};

TEST_P(SearchPathRemoval, RemovesExactlyThatEntry) {
    const auto result = SearchPathWithoutFolder(GetParam().path, GetParam().folder);
    if (GetParam().expected == nullptr)
        EXPECT_FALSE(result);
    else
        EXPECT_EQ(result, std::wstring(GetParam().expected));
}

const RemoveCase kRemoveCases[] = {
    {"Last", L"A;B;C:\\P", L"C:\\P", L"A;B"},
    {"LastInOtherLetterCase", L"A;B;C:\\P", L"c:\\p", L"A;B"},
    {"LastAfterTrailingSeparator", L"A;B;;C:\\P", L"C:\\P", L"A;B;"},
    {"First", L"C:\\P;A", L"C:\\P", L"A"},
    {"Middle", L"A;C:\\P;B", L"C:\\P", L"A;B"},
    {"Only", L"C:\\P", L"C:\\P", L""},
    {"PrefixIsNotTheEntry", L"A;C:\\P\\bin;B", L"C:\\P", nullptr},
    {"Missing", L"A;B", L"C:\\P", nullptr},
    {"TwiceRemovesTheLast", L"C:\\P;A;C:\\P", L"C:\\P", L"C:\\P;A"},
    {"EmptyEntriesStay", L"A;;C:\\P", L"C:\\P", L"A;"},
};

INSTANTIATE_TEST_SUITE_P(Cases, SearchPathRemoval, testing::ValuesIn(kRemoveCases), test::CaseName);

TEST(SearchPathAddition, AddsUnlessPresent) {
    EXPECT_EQ(SearchPathWithFolder(L"A;B", L"C:\\P"), std::wstring(L"A;B;C:\\P"));
    EXPECT_EQ(SearchPathWithFolder(L"A;B;", L"C:\\P"), std::wstring(L"A;B;;C:\\P"));
    EXPECT_EQ(SearchPathWithFolder(L"", L"C:\\P"), std::wstring(L"C:\\P"));
    EXPECT_FALSE(SearchPathWithFolder(L"A;c:\\p", L"C:\\P"));
    EXPECT_FALSE(SearchPathWithFolder(L"C:\\P;A", L"C:\\P"));
}

// Whatever the value ended with, adding then removing the folder gives back the same text.
class SearchPathRoundTrip : public testing::TestWithParam<RemoveCase> {};

TEST_P(SearchPathRoundTrip, GivesBackTheOriginalText) {
    const std::wstring original = GetParam().path;
    const auto added = SearchPathWithFolder(original, GetParam().folder);
    ASSERT_TRUE(added);
    EXPECT_EQ(SearchPathWithoutFolder(*added, GetParam().folder), original);
}

const RemoveCase kRoundTripCases[] = {
    {"Empty", L"", L"C:\\P", nullptr},
    {"OneEntry", L"A", L"C:\\P", nullptr},
    {"TrailingSeparator", L"A;B;", L"C:\\P", nullptr},
    {"TwoTrailingSeparators", L"A;;", L"C:\\P", nullptr},
    {"OnlySeparator", L";", L"C:\\P", nullptr},
    {"LaterEntryStartsWithTheFolder", L"C:\\P\\bin;", L"C:\\P", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Cases, SearchPathRoundTrip, testing::ValuesIn(kRoundTripCases), test::CaseName);

TEST(ProductRegistrationTexts, SizesColoursAndEstimatedSize) {
    EXPECT_EQ(SizeText(12.5), L"12.5");
    EXPECT_EQ(SizeText(20.0), L"20");
    EXPECT_EQ(SizeText(0.0), L"0");
    EXPECT_EQ(ColorText(0x00332211), L"112233");
    const std::uint64_t sizes[] = {1, 4096, 4097, 0};
    EXPECT_EQ(EstimatedInstallSize(1000, sizes, 4096, 24), 1000u + 4096 + 4096 + 8192 + 0 + 24);
    EXPECT_EQ(EstimatedInstallSize(0, {}, 0, 1023), 1023u);
}

}  // namespace
}  // namespace vantrel
