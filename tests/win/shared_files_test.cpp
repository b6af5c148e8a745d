// Shared-file reference counts over two products that share one file, and the uninstaller's
// lowering of them.
#include "actions/shared_file_list.h"

#include <gtest/gtest.h>

#include <optional>

#include "context/failure_list.h"
#include "context/install_log.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/test_files.h"
#include "support/test_names.h"
#include "support/unique_registry_key.h"
#include "run/user_interface_seam.h"
#include "uninstall/component_removal.h"

namespace vantrel {
namespace {

std::optional<DWORD> CountOf(const std::wstring& path) {
    DWORD count = 0;
    DWORD size = sizeof(count);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, path.c_str(), RRF_RT_REG_DWORD, nullptr, &count,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return count;
}

TEST(SharedFileList, MarkersByKindPermanenceAndPortability) {
    const std::vector<SharedFileInput> files = {
        {L"C:\\s\\plain.dll", 1, false},    {L"C:\\s\\kept.dll", 1, true}, {L"C:\\s\\system.dll", 6, false},
        {L"C:\\s\\com.dll", 7, false},      {L"C:\\s\\lib.tlb", 8, false}, {L"C:\\s\\keptcom.dll", 7, true},
        {L"C:\\s\\caf\u00E9.dll", 1, false}};
    EXPECT_EQ(BuildSharedFileList(files, false),
              (std::vector<std::string>{"C:\\s\\plain.dll", "C:\\s\\kept.dll ", "C:\\s\\system.dll ",
                                        "C:\\s\\com.dll^", "C:\\s\\lib.tlb\xA9", "C:\\s\\keptcom.dll ",
                                        "|C:\\s\\caf\xC3\xA9.dll"}));
    EXPECT_EQ(BuildSharedFileList(files, true),
              (std::vector<std::string>{"C:\\s\\system.dll ", "C:\\s\\lib.tlb\xA9"}));
    EXPECT_EQ(SharedEntryPath("C:\\a.dll^"), "C:\\a.dll");
    EXPECT_EQ(SharedEntryPath("C:\\a.dll \xA9"), "C:\\a.dll ");
    EXPECT_EQ(SharedEntryPath("C:\\a.tlb\xA9"), "C:\\a.tlb");
}

// One step of the life of a file shared by products A and B: who installs or uninstalls,
// the count afterwards and whether the file is still there.
struct SharedStep {
    const char* name;
    char product;
    bool install;
    std::optional<DWORD> countAfter;
    bool fileAfter;
};

struct SharedCase {
    const char* name;
    bool permanent;
    std::vector<SharedStep> steps;
};

class SharedFileLife : public ::testing::TestWithParam<SharedCase> {};

TEST_P(SharedFileLife, CountsRiseAndFallWithTheProductsAndTheFileGoesAtZero) {
    test::TempFolder folder(std::wstring(L"shared-") + Utf8ToUtf16(GetParam().name));
    const std::wstring file = folder.Join(L"common.dll");
    ASSERT_TRUE(test::WriteTestFile(file, "MZ"));
    const std::vector<std::string> list = BuildSharedFileList({{file, 1, GetParam().permanent}}, false);
    std::string savedA;
    std::string savedB;
    for (const SharedStep& step : GetParam().steps) {
        SCOPED_TRACE(step.name);
        std::string& saved = step.product == 'A' ? savedA : savedB;
        InstallLog log;
        FailureList failures;
        if (step.install) {
            RaiseSharedFileCounts(list, saved, log, failures);
        } else {
            LowerProductSharedFileCounts(saved, false, false, {}, {}, failures);
            saved.clear();
        }
        EXPECT_TRUE(failures.Empty()) << Utf16ToUtf8(failures.Text());
        EXPECT_EQ(CountOf(file), step.countAfter);
        EXPECT_EQ(test::PathExists(file), step.fileAfter);
    }
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, file.c_str());
}

INSTANTIATE_TEST_SUITE_P(TwoProducts, SharedFileLife,
                         ::testing::Values(SharedCase{"Shared",
                                                      false,
                                                      {{"AInstalls", 'A', true, 1, true},
                                                       {"BInstalls", 'B', true, 2, true},
                                                       {"AReinstalls", 'A', true, 2, true},
                                                       {"AUninstalls", 'A', false, 1, true},
                                                       {"BUninstalls", 'B', false, 0, false}}},
                                           SharedCase{"Permanent",
                                                      true,
                                                      {{"AInstalls", 'A', true, 1, true},
                                                       {"BInstalls", 'B', true, 2, true},
                                                       {"BUninstalls", 'B', false, 1, true},
                                                       {"AUninstalls", 'A', false, 0, true}}}),
                         test::CaseName);

TEST(SharedFileLowering, AnEntryWithoutACountIsLeftAlone) {
    test::TempFolder folder(L"shared-uncounted");
    const std::wstring file = folder.Join(L"alone.dll");
    ASSERT_TRUE(test::WriteTestFile(file, "MZ"));
    UniqueRegistryKey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDllsKey, 0, nullptr, 0, KEY_READ, nullptr,
                              key.Receive(), nullptr),
              ERROR_SUCCESS);
    FailureList failures;
    LowerProductSharedFileCounts("\"" + EncodeText(file) + "\"", false, false, {}, {}, failures);
    EXPECT_TRUE(test::PathExists(file));
    EXPECT_TRUE(failures.Empty());
}

TEST(SharedFileLowering, TheQuestionKeepsTheFileOnNo) {
    test::TempFolder folder(L"shared-asked");
    const std::wstring file = folder.Join(L"asked.dll");
    ASSERT_TRUE(test::WriteTestFile(file, "MZ"));
    InstallLog log;
    FailureList failures;
    std::string saved;
    RaiseSharedFileCounts({EncodeText(file)}, saved, log, failures);
    EXPECT_EQ(saved, "\"" + EncodeText(file) + "\"");
    struct NoUi final : UserInterface {
        int ShowMessageBox(const std::wstring& text, const std::wstring& caption, unsigned) override {
            asked = text + L"|" + caption;
            return mb::kIdNo;
        }
        std::wstring asked;
    } ui;
    LowerProductSharedFileCounts(saved, false, true, {&ui, L"Delete %s?", L"Shared file"}, {}, failures);
    EXPECT_EQ(ui.asked, L"Delete " + file + L"?|Shared file");
    EXPECT_TRUE(test::PathExists(file));
    EXPECT_EQ(CountOf(file), DWORD{0});
    RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSharedDllsKey, file.c_str());
}

}  // namespace
}  // namespace vantrel
