#include "actions/file_associations.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/text_encoding.h"
#include "registry_test_keys.h"
#include "support/test_files.h"
#include "uninstall/association_removal.h"

namespace vantrel {
namespace {

constexpr wchar_t kProduct[] = L"Vantrel Test\\Product";  // the backslash is left out of the backup name
constexpr wchar_t kBackup[] = L"Vantrel TestProduct Backup";
constexpr wchar_t kInstallDir[] = L"C:\\Program Files\\Vantrel Test";

void ExpandForTest(std::wstring& text) {
    const std::wstring token = L"%InstallDir%";
    for (std::size_t at = text.find(token); at != std::wstring::npos; at = text.find(token))
        text.replace(at, token.size(), kInstallDir);
}

std::wstring Text(HKEY root, const std::wstring& path, const std::wstring& name) {
    const test::StoredValue value = test::ReadStoredValue(root, path, name);
    if (!value.present)
        return L"(absent)";
    std::wstring text;
    for (std::size_t at = 0; at + 1 < value.bytes.size(); at += 2)
        text.push_back(static_cast<wchar_t>(value.bytes[at] | (value.bytes[at + 1] << 8)));
    while (!text.empty() && text.back() == L'\0')
        text.pop_back();
    return text;
}

std::wstring CurrentTestName() {
    const char* name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    return std::wstring(name, name + std::char_traits<char>::length(name));
}

// HKEY_CLASSES_ROOT is redirected to a key of the test's own, in which ".txt" already belongs
// to another file type with its own icon, command and "Open With" list.
class FileAssociationRoundTrip : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::wstring root = classes_.Path();
        test::WriteText(HKEY_CURRENT_USER, root + L"\\.txt", L"", L"VantrelOtherFile");
        test::WriteText(HKEY_CURRENT_USER, root + L"\\.txt", L"Content Type", L"text/plain");
        test::WriteText(HKEY_CURRENT_USER, root + L"\\.txt\\OpenWithProgids", L"OtherViewer.txt", L"");
        test::WriteText(HKEY_CURRENT_USER, root + L"\\VantrelOtherFile", L"", L"Other text");
        test::WriteText(HKEY_CURRENT_USER, root + L"\\VantrelOtherFile\\DefaultIcon", L"",
                        L"C:\\other\\other.exe,1");
        test::WriteText(HKEY_CURRENT_USER, root + L"\\VantrelOtherFile\\shell\\open", L"",
                        L"Open with Other");
        test::WriteText(HKEY_CURRENT_USER, root + L"\\VantrelOtherFile\\shell\\open\\command", L"",
                        L"C:\\other\\other.exe \"%1\"");
        ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, root.c_str(), 0, KEY_ALL_ACCESS, &classes_key_),
                  ERROR_SUCCESS);
        ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_key_), ERROR_SUCCESS);
        ASSERT_TRUE(log_.Begin());
    }

    void TearDown() override {
        RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
        if (classes_key_ != nullptr)
            RegCloseKey(classes_key_);
        log_.CloseAndDelete();
    }

    std::wstring Export() const {
        return test::ExportTree(HKEY_CURRENT_USER, classes_.Path() + L"\\.txt") +
               test::ExportTree(HKEY_CURRENT_USER, classes_.Path() + L"\\VantrelOtherFile");
    }
    std::wstring Classes(const std::wstring& path) const { return classes_.Path() + L"\\" + path; }
    std::string LogText() const { return test::ReadTestFile(log_.BodyPath()); }

    void Install(const std::vector<FileAssociationRecord>& records) {
        AssociationStepSettings settings;
        settings.records = records;
        settings.languageName = L"English";
        settings.productName = kProduct;
        settings.installDir = kInstallDir;
        InstallFileAssociations(settings, ExpandForTest, log_, failures_, uninstallLines_);
    }

    // Each test has a classes key of its own: the tests of this fixture run at the same time.
    test::ScratchKey classes_{L"Classes\\" + CurrentTestName()};
    HKEY classes_key_ = nullptr;
    InstallLog log_;
    FailureList failures_;
    std::vector<FileAssociation> uninstallLines_;
};

FileAssociationRecord Record(std::uint32_t kind, std::string extension, std::string fileType,
                             std::string verbs, std::wstring command, std::wstring icon = L"",
                             std::wstring language = L"") {
    FileAssociationRecord record;
    record.kind = kind;
    record.extension = std::move(extension);
    record.fileType = std::move(fileType);
    record.description = "Vantrel " + record.fileType;
    record.verbs = std::move(verbs);
    record.verbCaption = "&Caption";
    record.command = std::move(command);
    record.icon = std::move(icon);
    record.language = std::move(language);
    return record;
}

TEST_F(FileAssociationRoundTrip, TakeOverAndOpenWithAreUndoneExactly) {
    const std::wstring before = Export();
    Install({
        Record(1, "txt", "VantrelText", " open , edit ", L"%InstallDir%\\app.exe \"%1\"", L"app.exe,0"),
        Record(2, ".txt", "VantrelViewer", "view", L"%InstallDir%\\viewer.exe \"%1\""),
        Record(1, ".txt", "VantrelGerman", "open", L"german.exe", L"", L"Deutsch"),
        Record(0, ".vtnone", "", "open", L"none.exe"),
    });
    EXPECT_EQ(failures_.Text(), L"");

    // The extension now belongs to the product's type; the other type is kept in the backup.
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L".txt"), L""), L"VantrelText");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L".txt"), kBackup), L"VantrelOtherFile");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L".txt\\OpenWithProgids"), L"VantrelText"), L"");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L".txt\\OpenWithProgids"), L"VantrelViewer"), L"");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelText"), L""), L"Vantrel VantrelText");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelText\\DefaultIcon"), L""),
              L"C:\\Program Files\\Vantrel Test\\app.exe,0");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelText\\shell"), L""), L"edit");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelText\\shell\\open"), L""), L"&Caption");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelText\\shell\\open\\command"), L""),
              L"C:\\Program Files\\Vantrel Test\\app.exe \"%1\"");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelText\\shell\\edit\\command"), L""),
              L"C:\\Program Files\\Vantrel Test\\app.exe \"%1\"");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelViewer\\shell\\view\\command"), L""),
              L"C:\\Program Files\\Vantrel Test\\viewer.exe \"%1\"");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelViewer\\shell"), L""),
              L"(absent)");  // not its default
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, Classes(L"VantrelGerman")));
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, Classes(L".vtnone")));
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelOtherFile\\shell\\open\\command"), L""),
              L"C:\\other\\other.exe \"%1\"");

    const std::vector<FileAssociation> expectedLines = {
        {".txt", "VantrelText", "open", L"app.exe,0"},
        {".txt", "VantrelText", "edit", L"app.exe,0"},
        {".txt", "VantrelViewer", "view", L""},
    };
    EXPECT_EQ(uninstallLines_, expectedLines);
    const std::string log = LogText();
    EXPECT_NE(
        log.find("Associated .txt with C:\\Program Files\\Vantrel Test\\app.exe \"%1\" (verb=open)\r\n"),
        std::string::npos);
    EXPECT_NE(
        log.find("Associated .txt with C:\\Program Files\\Vantrel Test\\app.exe \"%1\" (verb=edit)\r\n"),
        std::string::npos);
    EXPECT_EQ(log.find("(verb=view)"),
              std::string::npos);  // the type of an Open With entry is not the extension's
    EXPECT_NE(log.find(".txt Open With C:\\Program Files\\Vantrel Test\\viewer.exe \"%1\"\r\n"),
              std::string::npos);
    EXPECT_NE(log.find("Association failed/key inaccessible:  \".vtnone\".\r\n\r\n"), std::string::npos);

    RemoveFileAssociations(uninstallLines_, kProduct);
    EXPECT_EQ(Export(), before);
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, Classes(L"VantrelText")));
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, Classes(L"VantrelViewer")));
}

TEST_F(FileAssociationRoundTrip, AnExistingTypeGetsTheVerbAndKeepsTheRest) {
    const std::wstring before = Export();
    Install({Record(0, ".txt", "", "print", L"%InstallDir%\\app.exe /p \"%1\"", L"app.exe,0"),
             Record(0, ".txt", "!VantrelUnused", "open", L"%InstallDir%\\app.exe \"%1\"")});
    EXPECT_EQ(failures_.Text(), L"");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L".txt"), L""), L"VantrelOtherFile");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L".txt"), kBackup), L"(absent)");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelOtherFile\\shell\\print\\command"), L""),
              L"C:\\Program Files\\Vantrel Test\\app.exe /p \"%1\"");
    // The replaced command, and the existing type's own description.
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelOtherFile\\shell\\open\\command"), L""),
              L"C:\\Program Files\\Vantrel Test\\app.exe \"%1\"");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelOtherFile\\shell\\open\\command"), kBackup),
              L"C:\\other\\other.exe \"%1\"");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelOtherFile"), L""), L"Other text");
    // The icon is set on an existing type too, the old one kept in the backup.
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelOtherFile\\DefaultIcon"), L""),
              L"C:\\Program Files\\Vantrel Test\\app.exe,0");
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelOtherFile\\DefaultIcon"), kBackup),
              L"C:\\other\\other.exe,1");
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, Classes(L"VantrelUnused")));
    const std::vector<FileAssociation> expectedLines = {
        {".txt", "VantrelOtherFile", "print", L"app.exe,0"},
        {".txt", "VantrelOtherFile", "open", L""},
    };
    EXPECT_EQ(uninstallLines_, expectedLines);
    EXPECT_EQ(LogText().find("Associated"), std::string::npos);

    // Reinstalling makes no new backups of values it set itself.
    Install({Record(0, ".txt", "", "open", L"%InstallDir%\\app.exe \"%1\"")});
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L"VantrelOtherFile\\shell\\open\\command"), kBackup),
              L"C:\\other\\other.exe \"%1\"");

    RemoveFileAssociations(expectedLines, kProduct);
    EXPECT_EQ(Export(), before);
}

TEST_F(FileAssociationRoundTrip, NoLabelAndTypeFromBangOnANewExtension) {
    test::WriteText(HKEY_CURRENT_USER, Classes(L".vtempty"), L"Other", L"x");
    Install(
        {Record(0, ".vtempty", "", "open", L"a.exe"), Record(0, "vtbang", "!VantrelBang", "open", L"b.exe")});
    EXPECT_EQ(failures_.Text(), L"");
    EXPECT_NE(LogText().find("Association failed/no label:  \".vtempty\".\r\n\r\n"), std::string::npos);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, Classes(L".vtbang"), L""), L"VantrelBang");
    EXPECT_NE(LogText().find("Associated .vtbang with b.exe (verb=open)\r\n"), std::string::npos);
    const std::vector<FileAssociation> expectedLines = {{".vtbang", "VantrelBang", "open", L""}};
    EXPECT_EQ(uninstallLines_, expectedLines);
    RemoveFileAssociations(expectedLines, kProduct);
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, Classes(L".vtbang")));
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, Classes(L"VantrelBang")));
}

TEST_F(FileAssociationRoundTrip, PortableSkipAndAnEmptyListDoNothing) {
    const std::wstring before = Export();
    AssociationStepSettings settings;
    const std::vector<FileAssociationRecord> records = {Record(1, ".txt", "VantrelText", "open", L"a.exe")};
    settings.records = records;
    settings.skip = true;
    InstallFileAssociations(settings, ExpandForTest, log_, failures_, uninstallLines_);
    EXPECT_EQ(Export(), before);
    EXPECT_TRUE(uninstallLines_.empty());
}

TEST_F(FileAssociationRoundTrip, ACrashInsideTheStepIsReportedAndTheRunGoesOn) {
    AssociationStepSettings settings;
    const std::vector<FileAssociationRecord> records = {
        Record(1, ".vtcrash", "VantrelCrash", "open", L"a.exe")};
    settings.records = records;
    settings.productName = kProduct;
    InstallFileAssociations(
        settings, [](std::wstring&) { RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr); }, log_,
        failures_, uninstallLines_);
    EXPECT_EQ(failures_.Text(), L"Crashed while installing associations.\r\n");
    EXPECT_TRUE(uninstallLines_.empty());
}

}  // namespace
}  // namespace vantrel
