#include "engine/extraction/destination.h"
#include "support/test_names.h"

#include <gtest/gtest.h>

#include <string>

namespace vantrel {
namespace {

DestinationFolders Folders() {
    DestinationFolders f;
    f.installDir = L"C:\\Program Files\\Product";
    f.sharedDir = L"C:\\Program Files\\Common Files\\Shared";
    f.fontDir = L"C:\\Windows\\Fonts";
    f.systemDir = L"C:\\Windows\\system32";
    f.uninstallDataDir = L"C:\\Program Files\\Product\\uninstall";
    return f;
}

// Variables the tests use; the real expansion is the installer's own.
std::wstring Expand(std::wstring_view text) {
    std::wstring out(text);
    const std::wstring token = L"%AppData%";
    if (const auto at = out.find(token); at != std::wstring::npos)
        out.replace(at, token.size(), L"C:\\Users\\me\\AppData\\Roaming");
    return out;
}

// Collapses "." and ".." and doubled separators, as a full-path normalisation does.
std::wstring Normalise(std::wstring_view path) {
    std::vector<std::wstring> parts;
    std::wstring part;
    std::wstring prefix;
    std::size_t i = 0;
    if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
        prefix = L"\\\\";
        i = 2;
    }
    auto flush = [&] {
        if (part == L"..") {
            if (parts.size() > 1)
                parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        part.clear();
    };
    for (; i < path.size(); ++i) {
        if (path[i] == L'\\' || path[i] == L'/')
            flush();
        else
            part += path[i];
    }
    flush();
    std::wstring out = prefix;
    for (std::size_t k = 0; k < parts.size(); ++k)
        out += (k == 0 ? L"" : L"\\") + parts[k];
    return out;
}

struct DestinationCase {
    const char* name;
    std::uint32_t kind;
    std::uint32_t flags;
    const wchar_t* destination;
    bool portable;
    const wchar_t* expected;  // nullptr: fails with 110
    bool explicitDestination;
};

const DestinationCase kDestinationCases[] = {
    {"Kind0InstallDir", 0, 0, L"", false, L"C:\\Program Files\\Product\\app.exe", false},
    {"Kind1SharedDir", 1, 0, L"", false, L"C:\\Program Files\\Common Files\\Shared\\app.exe", false},
    {"Kind4FontDir", 4, 0, L"", false, L"C:\\Windows\\Fonts\\app.exe", false},
    {"Kind5InstallDir", 5, 0, L"", false, L"C:\\Program Files\\Product\\app.exe", false},
    {"Kind6SystemDir", 6, 0, L"", false, L"C:\\Windows\\system32\\app.exe", false},
    {"Kind7SystemDir", 7, 0, L"", false, L"C:\\Windows\\system32\\app.exe", false},
    {"Kind8SystemDir", 8, 0, L"", false, L"C:\\Windows\\system32\\app.exe", false},
    {"Kind9InstallDir", 9, 0, L"", false, L"C:\\Program Files\\Product\\app.exe", false},
    {"Kind10InstallDir", 10, 0, L"", false, L"C:\\Program Files\\Product\\app.exe", false},
    {"Kind11InstallDir", 11, 0, L"", false, L"C:\\Program Files\\Product\\app.exe", false},
    {"Kind12InstallDir", 12, 0, L"", false, L"C:\\Program Files\\Product\\app.exe", false},
    {"Kind2Fails110", 2, 0, L"", false, nullptr, false},
    {"Kind3Fails110", 3, 0, L"", false, nullptr, false},
    {"Kind13Fails110", 13, 0, L"", false, nullptr, false},
    {"UninstallFolderFlagWinsOverTheKind", 6, 0x40, L"", false,
     L"C:\\Program Files\\Product\\uninstall\\app.exe", false},
    {"UninstallFolderFlagGivesUnknownKindsAFolder", 2, 0x40, L"", false,
     L"C:\\Program Files\\Product\\uninstall\\app.exe", false},
    {"ExplicitAbsolute", 0, 0, L"D:\\Data\\other.exe", false, L"D:\\Data\\other.exe", true},
    {"ExplicitRelativeToInstallDir", 9, 0, L"bin\\tool.exe", false,
     L"C:\\Program Files\\Product\\bin\\tool.exe", true},
    {"ExplicitRelativeOfKind1ToSharedDir", 1, 0, L"lib\\x.dll", false,
     L"C:\\Program Files\\Common Files\\Shared\\lib\\x.dll", true},
    {"ExplicitTrailingBackslashTakesTheName", 0, 0, L"D:\\Data\\", false, L"D:\\Data\\app.exe", true},
    {"ExplicitRelativeFolderTakesTheName", 0, 0, L"sub\\", false, L"C:\\Program Files\\Product\\sub\\app.exe",
     true},
    {"ExplicitWithVariables", 0, 0, L"%AppData%\\Product\\", false,
     L"C:\\Users\\me\\AppData\\Roaming\\Product\\app.exe", true},
    {"ExplicitIsNormalised", 0, 0, L"bin\\..\\etc\\.\\x.cfg", false,
     L"C:\\Program Files\\Product\\etc\\x.cfg", true},
    {"ExplicitUnknownKindIsAccepted", 3, 0, L"D:\\x.bin", false, L"D:\\x.bin", true},
    {"ExplicitUncIsAbsolute", 0, 0, L"\\\\server\\share\\x.bin", false, L"\\\\server\\share\\x.bin", true},
    {"PortableSharedRelativeGoesUnderThePortableFolder", 1, 0, L"lib\\x.dll", true,
     L"E:\\Tools\\Portable Shared\\lib\\x.dll", true},
    {"PortableSharedRelativeFolderTakesTheName", 1, 0, L"lib\\", true,
     L"E:\\Tools\\Portable Shared\\lib\\app.exe", true},
    {"PortableSharedWithoutBackslashIsDropped", 1, 0, L"x.dll", true,
     L"C:\\Program Files\\Common Files\\Shared\\app.exe", false},
    {"PortableSharedAbsoluteIsDropped", 1, 0, L"D:\\lib\\x.dll", true,
     L"C:\\Program Files\\Common Files\\Shared\\app.exe", false},
    {"PortableSharedWithVariableIsDropped", 1, 0, L"%AppData%\\x.dll", true,
     L"C:\\Program Files\\Common Files\\Shared\\app.exe", false},
    {"PortableOtherKindsKeepTheirDestination", 0, 0, L"lib\\x.dll", true, L"E:\\Tools\\lib\\x.dll", true},
};

class Destinations : public testing::TestWithParam<DestinationCase> {};

TEST_P(Destinations, FollowKindFlagsAndExplicitPath) {
    const DestinationCase& c = GetParam();
    FileRecord record;
    record.name = "app.exe";
    record.kind = c.kind;
    record.flags = c.flags;
    record.destination = c.destination;
    DestinationFolders folders = Folders();
    if (c.portable) {
        folders.portable = true;
        folders.installDir = L"E:\\Tools";
        folders.portableSharedDir = L"Portable Shared";  // relative: under the installation folder
    }
    const Destination d = ComputeDestination(record, folders, Expand, Normalise);
    if (c.expected == nullptr) {
        EXPECT_EQ(d.errorCode, 110);
        return;
    }
    EXPECT_EQ(d.errorCode, 0);
    EXPECT_EQ(d.path, c.expected);
    EXPECT_EQ(d.explicitDestination, c.explicitDestination);
}

INSTANTIATE_TEST_SUITE_P(Table, Destinations, testing::ValuesIn(kDestinationCases), test::CaseName);

TEST(Destination, NamesAreUtf8) {
    FileRecord record;
    record.name = "caf\xc3\xa9.txt";
    const Destination d = ComputeDestination(record, Folders(), Expand, Normalise);
    EXPECT_EQ(d.path, L"C:\\Program Files\\Product\\caf\u00e9.txt");
    EXPECT_EQ(InstalledFileLine(record, d.path),
              L"caf\u00e9.txt >>> C:\\Program Files\\Product\\caf\u00e9.txt\r\n");
}

TEST(Destination, StatusHidesThePathForTheHiddenNameOrWhenAsked) {
    FileRecord record;
    record.name = "app.exe";
    EXPECT_FALSE(StatusHidesPath(record, false));
    EXPECT_TRUE(StatusHidesPath(record, true));
    record.name = "b/0@+";
    EXPECT_TRUE(StatusHidesPath(record, false));
}

TEST(Destination, ProgressRunsFrom28Towards90) {
    EXPECT_EQ(ExtractionProgress(0, 10), 28);
    EXPECT_EQ(ExtractionProgress(1, 10), 34);  // 28 + 62 / 10
    EXPECT_EQ(ExtractionProgress(9, 10), 83);
    EXPECT_EQ(ExtractionProgress(2, 3), 69);  // integer division: 28 + 124 / 3
    EXPECT_EQ(ExtractionProgress(0, 0), 28);
    EXPECT_EQ(ExtractionProgress(99999, 100000), 89);
}

}  // namespace
}  // namespace vantrel
