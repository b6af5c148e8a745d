#include "engine/extraction/extraction.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "context/install_log.h"
#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/file_time.h"
#include "format/settings.h"
#include "format/text_encoding.h"
#include "support/child_process.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint64_t kDay = 864000000000ull;
constexpr std::uint64_t kOld = 133511760000000000ull;  // 2024-01-31 12:00:00 UTC
constexpr std::uint64_t kNew = kOld + kDay;

std::string ReadAll(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes(GetFileSize(file, nullptr), '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

void WriteAll(const std::wstring& path, const std::string& bytes, std::uint64_t time) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FILETIME ft{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SetFileTime(file, nullptr, nullptr, &ft);
    CloseHandle(file);
}

void SetWriteTime(const std::wstring& path, std::uint64_t time) {
    HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    FILETIME ft{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
    SetFileTime(file, nullptr, nullptr, &ft);
    CloseHandle(file);
}

// Writes like the real writer would: into a side file first, under the target's name only
// when complete, with the record's time.
class TestWrite : public ExtractedFileWrite {
  public:
    TestWrite(const ExtractedFileRequest& request, int crashAtPiece)
        : request_(request), crashAtPiece_(crashAtPiece) {
        side_ = request.path + L".part";
        file_ = CreateFileW(side_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    }
    ~TestWrite() override {
        if (file_ != INVALID_HANDLE_VALUE) {
            CloseHandle(file_);
            DeleteFileW(side_.c_str());
        }
    }
    bool Write(std::span<const std::uint8_t> piece) override {
        if (++pieces_ == crashAtPiece_)
            *reinterpret_cast<volatile int*>(nowhere) = 1;
        DWORD written = 0;
        return WriteFile(file_, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr) != 0;
    }
    FileWriteOutcome Finish() override {
        if (const auto times = DecodeFileTime(request_.time)) {
            FILETIME ft{static_cast<DWORD>(times->lastWrite), static_cast<DWORD>(times->lastWrite >> 32)};
            SetFileTime(file_, nullptr, nullptr, &ft);
        }
        CloseHandle(file_);
        file_ = INVALID_HANDLE_VALUE;
        FileWriteOutcome outcome;
        outcome.writtenNow =
            MoveFileExW(side_.c_str(), request_.path.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
        return outcome;
    }
    static inline volatile std::uintptr_t nowhere = 0;

  private:
    ExtractedFileRequest request_;
    int crashAtPiece_;
    int pieces_ = 0;
    std::wstring side_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

struct FileSpec {
    FileRecord record;
    Bytes data;
};

FileSpec File(const std::string& name, std::uint32_t kind, std::uint32_t flags, const std::string& content,
              std::uint64_t time = kNew) {
    FileSpec f;
    f.record.name = name;
    f.record.kind = kind;
    f.record.flags = flags;
    if (time != 0)
        f.record.fileTime = EncodeFileTime({time, time, time});
    f.data.assign(content.begin(), content.end());
    return f;
}

// One installation run over a data area made of the given files.
class ExtractionRun {
  public:
    explicit ExtractionRun(const std::wstring& name) : root_(name) {
        folders.installDir = root_.Join(L"inst");
        folders.sharedDir = root_.Join(L"shared");
        folders.fontDir = root_.Join(L"fonts");
        folders.systemDir = root_.Join(L"sys");
        folders.uninstallDataDir = root_.Join(L"inst\\uninstall");
        for (const auto& folder : {folders.sharedDir, folders.fontDir, folders.systemDir})
            CreateDirectoryW(folder.c_str(), nullptr);
        services.beginWrite = [this](const ExtractedFileRequest& request) {
            requests.push_back(request);
            blocksReadAtWrite.push_back(BlocksRead());
            const std::wstring fileName = request.path.substr(request.path.find_last_of(L'\\') + 1);
            return std::make_unique<TestWrite>(request, fileName == crashWritingFile ? 1 : 0);
        };
        services.recordFileRemoval = [this](const std::wstring& path) { removedFiles.push_back(path); };
        services.recordFolderRemoval = [this](const std::wstring& path) { removedFolders.push_back(path); };
        services.createFolder = CreateFolderWithParents;
        services.probeExisting = ProbeExistingFile;
        services.normalisePath = FullPath;
        services.registerFont = [this](const FontEntry& font, const std::wstring&) { fonts.push_back(font); };
        services.showStatus = [this](const std::wstring& status) { statuses.push_back(status); };
        services.showProgress = [this](int percent) { progress.push_back(percent); };
        services.pumpMessages = [this] { ++pumps; };
        services.beforeWrite = [this](const std::wstring& path) {
            if (path.substr(path.find_last_of(L'\\') + 1) == crashBeforeWriteFile)
                *reinterpret_cast<volatile int*>(TestWrite::nowhere) = 1;
        };
        messages = MessageTable({L"English"}, std::vector<std::wstring>(60));
        auto texts = messages.Texts();
        texts[kMessageFolderFailed] = L"Could not create folder";
        texts[kMessageReadingData] = L"Reading data...";
        texts[kMessageHiddenFile] = L"Installing files...";
        messages = MessageTable({L"English"}, texts);
    }

    std::wstring Path(const std::wstring& relative) const { return root_.Join(relative); }

    // Builds the area (items cut into blocks of `blockSize` decoded bytes) and extracts it.
    int Run(const std::vector<FileSpec>& files, std::size_t blockSize = 1 << 20, bool compress = true,
            int damagedBlock = -1) {
        Bytes items;
        PayloadHeader header;
        for (const FileSpec& f : files) {
            const Bytes item = WriteFileItem(f.record, f.data);
            items.insert(items.end(), item.begin(), item.end());
            header.fileSizes.push_back(static_cast<std::int32_t>(f.data.size()));
        }
        Bytes area;
        int index = 0;
        for (std::size_t offset = 0; offset < items.size(); offset += blockSize, ++index) {
            Bytes block = WriteDataBlock({items.data() + offset, std::min(blockSize, items.size() - offset)},
                                         compress, 0, nullptr);
            if (index == damagedBlock)
                damage(block);
            area.insert(area.end(), block.begin(), block.end());
        }
        blocksStored = index;
        header.dataSize = static_cast<std::int32_t>(area.size());
        header.dataCheck = Checksum(area);
        MemoryDataAreaSource source(area);
        ExtractionInputs inputs{
            header,       source,   BlockDecoding{compress, nullptr},
            folders,      messages, flagsLow,
            flagsHigh,    silent,   [](std::wstring_view text) { return std::wstring(text); },
            decodeThreads};
        EXPECT_TRUE(log.Begin());
        return ExtractFiles(inputs, services, state, log);
    }

    std::string LogText() const { return ReadAll(log.BodyPath()); }

    // Blocks taken so far: the status line names each one.
    long BlocksRead() const { return std::count(statuses.begin(), statuses.end(), L"Reading data..."); }

    DestinationFolders folders;
    ExtractionServices services;
    ExtractionState state;
    MessageTable messages;
    InstallLog log;
    std::uint32_t flagsLow = 0;
    std::uint32_t flagsHigh = 0;
    bool silent = false;
    unsigned decodeThreads = 2;
    // Applied to the stored block (size, check, bytes) chosen by Run's `damagedBlock`.
    std::function<void(Bytes& block)> damage = [](Bytes& block) { block[8] ^= 0x40; };
    int blocksStored = 0;
    std::vector<long> blocksReadAtWrite;  // per written record, when its write began
    std::wstring crashWritingFile;
    std::wstring crashBeforeWriteFile;
    std::vector<ExtractedFileRequest> requests;
    std::vector<std::wstring> removedFiles;
    std::vector<std::wstring> removedFolders;
    std::vector<FontEntry> fonts;
    std::vector<std::wstring> statuses;
    std::vector<int> progress;
    int pumps = 0;

  private:
    test::TempFolder root_;
};

enum class Existing { kNone, kOlder, kNewer, kVersioned };

struct Scenario {
    const char* name;
    Existing existing;
    std::uint32_t kind;
    std::uint32_t flags;
    std::uint64_t recordTime;
    const char* recordVersion;
    const wchar_t* destination;  // record field 9
    const wchar_t* target;       // where the file lands, under the test folder
    bool written;                // the new content is there afterwards
    const char* logAfterPath;    // the log line after the target path; "" for none
    bool removalRecorded;
    bool restartAllowed;
};

const Scenario kScenarios[] = {
    {"Mode4LeavesNoTrace", Existing::kNone, 0, 0x4, kNew, "", L"", L"inst\\f.bin", false, "", false, false},
    {"Mode8WithoutFileWritesNothing", Existing::kNone, 0, 0x8, kNew, "", L"", L"inst\\f.bin", false,
     " was not installed because it does not already exist.\r\n", false, false},
    {"Mode8WithFileReplacesIt", Existing::kOlder, 0, 0x8, kNew, "", L"", L"inst\\f.bin", true, "", true,
     false},
    {"ModeCWithFileKeepsAndRecordsIt", Existing::kOlder, 0, 0xC, kNew, "", L"", L"inst\\f.bin", false,
     " was not installed because it already exists.\r\n", true, false},
    {"Mode10ExistingNewerIsKept", Existing::kNewer, 10, 0x10, kOld, "", L"", L"inst\\f.bin", false,
     " was not installed because the existing file is newer.\r\n", true, false},
    {"Kind0ReplacesSilently", Existing::kNewer, 0, 0, kOld, "", L"", L"inst\\f.bin", true, "", true, false},
    {"Kind0PermanentIsNotRecorded", Existing::kNone, 0, 0x20, kOld, "", L"", L"inst\\f.bin", true, "", false,
     false},
    {"Kind1SameTimeIsUpToDate", Existing::kOlder, 1, 0, kOld, "", L"", L"shared\\f.bin", false,
     " is up to date.\r\n", false, false},
    {"Kind1NewerReplaces", Existing::kOlder, 1, 0, kNew, "", L"", L"shared\\f.bin", true,
     " is out of date and will be replaced.\r\n", false, true},
    {"Kind9SameVersionIsKeptAndRecorded", Existing::kVersioned, 9, 0, kNew, "2.0.1.5", L"", L"inst\\f.bin",
     false, " was not installed because its version (2.0.1.5) is not newer than 2. 0. 1. 5\r\n", true, false},
    {"Kind6NewerVersionAndDate", Existing::kVersioned, 6, 0, kNew, "2.0.1.6", L"", L"sys\\f.bin", true,
     " needs replacement because its version (2.0.1.6) is newer than 2. 0. 1. 5 and its date (2024-02-01 "
     "12:00:00) is newer than 2024-01-31 12:00:00\r\n",
     false, true},
    {"ExplicitFolderTakesTheName", Existing::kNone, 0, 0, kNew, "", L"sub\\deeper\\",
     L"inst\\sub\\deeper\\f.bin", true, "", true, false},
    {"ExplicitSharedRelativeGoesUnderSharedDir", Existing::kNone, 1, 0, kNew, "", L"lib\\f.bin",
     L"shared\\lib\\f.bin", true, "", false, false},
    {"UninstallFolderFlag", Existing::kNone, 0, 0x40, kNew, "", L"", L"inst\\uninstall\\f.bin", true, "",
     true, false},
    {"Mode14LeavesNoTrace", Existing::kOlder, 0, 0x14, kNew, "", L"", L"inst\\f.bin", false, "", false,
     false},
    {"Mode10ExistingOlderIsReplaced", Existing::kOlder, 0, 0x10, kNew, "", L"", L"inst\\f.bin", true, "",
     true, false},
    {"ModeCPermanentKeptIsNotRecorded", Existing::kOlder, 0, 0xC | 0x20, kNew, "", L"", L"inst\\f.bin", false,
     " was not installed because it already exists.\r\n", false, false},
    {"Mode18AppliesTheKindRules", Existing::kOlder, 1, 0x18, kOld, "", L"", L"shared\\f.bin", false,
     " is up to date.\r\n", false, false},
    {"Kind1RecordWithoutTimeCountsAsNewer", Existing::kNewer, 1, 0, 0, "", L"", L"shared\\f.bin", true,
     " is out of date and will be replaced.\r\n", false, true},
    {"Kind4SameTimeIsUpToDate", Existing::kOlder, 4, 0, kOld, "", L"", L"fonts\\f.bin", false,
     " is up to date.\r\n", false, false},
    {"Kind9OlderVersionIsKeptAndRecorded", Existing::kVersioned, 9, 0, kNew, "2.0.1.4", L"", L"inst\\f.bin",
     false, " was not installed because its version (2.0.1.4) is not newer than 2. 0. 1. 5\r\n", true, false},
    {"Kind9PermanentKeptIsNotRecorded", Existing::kVersioned, 9, 0x20, kNew, "2.0.1.5", L"", L"inst\\f.bin",
     false, " was not installed because its version (2.0.1.5) is not newer than 2. 0. 1. 5\r\n", false,
     false},
    {"Kind7SameVersionIsKeptWithoutRecord", Existing::kVersioned, 7, 0, kNew, "2.0.1.5", L"", L"sys\\f.bin",
     false, " was not installed because its version (2.0.1.5) is not newer than 2. 0. 1. 5\r\n", false,
     false},
    {"Kind9NewerVersionButSameDateIsKept", Existing::kVersioned, 9, 0, kOld, "2.0.1.6", L"", L"inst\\f.bin",
     false,
     " was not installed because its date (2024-01-31 12:00:00) is not newer than 2024-01-31 12:00:00.\r\n",
     true, false},
    {"Kind9WithoutVersionGoesByDate", Existing::kVersioned, 9, 0, kNew, "", L"", L"inst\\f.bin", true,
     " needs replacement because its date (2024-02-01 12:00:00) is newer than 2024-01-31 12:00:00\r\n", true,
     true},
    {"Kind9OverAFileWithoutVersionGoesByDate", Existing::kOlder, 9, 0, kNew, "3.0", L"", L"inst\\f.bin", true,
     " needs replacement because its date (2024-02-01 12:00:00) is newer than 2024-01-31 12:00:00\r\n", true,
     true},
    {"Kind8WithoutTimeAndVersionIsOutOfDate", Existing::kVersioned, 8, 0, 0, "", L"", L"sys\\f.bin", true,
     " is out of date and will be replaced.\r\n", false, true},
};

class ExtractionScenario : public testing::TestWithParam<Scenario> {};

TEST_P(ExtractionScenario, FileLogAndRemovalRecord) {
    const Scenario& s = GetParam();
    ExtractionRun run(L"extract-scenario");
    const std::wstring target = run.Path(s.target);
    CreateDirectoryW(run.folders.installDir.c_str(), nullptr);
    std::string before = "<missing>";
    switch (s.existing) {
        case Existing::kNone:
            break;
        case Existing::kOlder:
        case Existing::kNewer:
            before = "existing content";
            WriteAll(target, before, s.existing == Existing::kOlder ? kOld : kNew);
            break;
        case Existing::kVersioned:
            ASSERT_TRUE(CopyFileW(test::HostPathToWindows(VANTREL_VERSION_FIXTURE_commas).c_str(),
                                  target.c_str(), FALSE));
            SetWriteTime(target, kOld);
            before = ReadAll(target);
            break;
    }
    FileSpec file = File("f.bin", s.kind, s.flags, "new content", s.recordTime);
    file.record.nameText = s.recordVersion;
    file.record.destination = s.destination;
    ASSERT_EQ(run.Run({file}), 0);
    EXPECT_EQ(ReadAll(target), s.written ? "new content" : before);
    const std::string expectedLog = *s.logAfterPath ? Utf16ToUtf8(target) + s.logAfterPath : "";
    EXPECT_EQ(run.LogText(), expectedLog);
    EXPECT_EQ(std::find(run.removedFiles.begin(), run.removedFiles.end(), target) != run.removedFiles.end(),
              s.removalRecorded);
    if (s.written) {
        ASSERT_EQ(run.requests.size(), 1u);
        EXPECT_EQ(run.requests[0].restartReplacementAllowed, s.restartAllowed);
    } else {
        EXPECT_TRUE(run.requests.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ExtractionScenario, testing::ValuesIn(kScenarios), test::CaseName);

std::vector<FileSpec> ManyFiles(std::size_t count) {
    std::vector<FileSpec> files;
    for (std::size_t i = 0; i < count; ++i) {
        std::string content;
        for (std::size_t k = 0; k < 3000 * (i % 7); ++k)
            content.push_back(static_cast<char>('a' + (k * (i + 3)) % 26));
        files.push_back(File("file" + std::to_string(i) + ".txt", 0, 0, content));
    }
    return files;
}

TEST(Extraction, ManyFilesAcrossBlocksLandWithProgressAndStatus) {
    ExtractionRun run(L"extract-many");
    run.flagsLow = product_flags::kLogEachFile;
    std::vector<FileSpec> files = ManyFiles(40);
    files[5].record.name = "b/0@+";  // a name the status line must not show
    files[5].record.destination = L"hidden.bin";
    ASSERT_EQ(run.Run(files, 8192), 0);
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::wstring path =
            i == 5 ? run.Path(L"inst\\hidden.bin") : run.Path(L"inst\\" + Utf8ToUtf16(files[i].record.name));
        EXPECT_EQ(ReadAll(path), std::string(files[i].data.begin(), files[i].data.end())) << i;
    }
    ASSERT_EQ(run.progress.size(), 40u);
    EXPECT_EQ(run.progress.front(), 28);
    EXPECT_EQ(run.progress[20], 28 + 62 * 20 / 40);
    EXPECT_EQ(std::count(run.statuses.begin(), run.statuses.end(), L"Installing files..."), 1);
    const auto blocks = std::count(run.statuses.begin(), run.statuses.end(), L"Reading data...");
    EXPECT_GT(blocks, 5);
    EXPECT_EQ(run.pumps, 40 + blocks);  // after each record and at each block
    const std::string log = run.LogText();
    EXPECT_NE(log.find("file3.txt >>> " + Utf16ToUtf8(run.Path(L"inst\\file3.txt")) + "\r\n"),
              std::string::npos);
    // The installation folder was made and is recorded for removal once.
    EXPECT_EQ(std::count(run.removedFolders.begin(), run.removedFolders.end(), run.folders.installDir), 1);
}

TEST(Extraction, ADamagedBlockEndsTheRunAndNothingAfterItIsWritten) {
    ExtractionRun run(L"extract-damaged");
    const std::vector<FileSpec> files = ManyFiles(30);
    EXPECT_EQ(run.Run(files, 4096, true, 6), 62);
    std::size_t written = 0;
    bool gap = false;
    for (const FileSpec& f : files) {
        const std::wstring path = run.Path(L"inst\\" + Utf8ToUtf16(f.record.name));
        const bool present = ReadAll(path) != "<missing>";
        if (present) {
            EXPECT_FALSE(gap) << "a file after the damaged block was written";
            EXPECT_EQ(ReadAll(path), std::string(f.data.begin(), f.data.end()));
            ++written;
        } else {
            gap = true;
        }
        EXPECT_EQ(ReadAll(path + L".part"), "<missing>");  // no half-written file stays
    }
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, files.size());
}

TEST(Extraction, ACrashInOneRecordIsLoggedAndTheNextIsInstalled) {
    ExtractionRun run(L"extract-crash");
    run.crashBeforeWriteFile = L"b.txt";
    run.crashWritingFile = L"d.txt";
    const std::vector<FileSpec> files = {File("a.txt", 0, 0, "A"), File("b.txt", 0, 0, "B"),
                                         File("c.txt", 0, 0, "C"), File("d.txt", 0, 0, "D"),
                                         File("e.txt", 0, 0, "E")};
    // A crash while looking at the file already there.
    run.services.probeExisting = [](const std::wstring& path, bool withVersion) {
        if (path.ends_with(L"c.txt"))
            *reinterpret_cast<volatile int*>(TestWrite::nowhere) = 1;
        return ProbeExistingFile(path, withVersion);
    };
    ASSERT_EQ(run.Run(files), 0);
    EXPECT_EQ(ReadAll(run.Path(L"inst\\a.txt")), "A");
    EXPECT_EQ(ReadAll(run.Path(L"inst\\b.txt")), "<missing>");
    EXPECT_EQ(ReadAll(run.Path(L"inst\\c.txt")), "<missing>");
    EXPECT_EQ(ReadAll(run.Path(L"inst\\d.txt")), "<missing>");
    EXPECT_EQ(ReadAll(run.Path(L"inst\\d.txt.part")), "<missing>");
    EXPECT_EQ(ReadAll(run.Path(L"inst\\e.txt")), "E");
    const std::string log = run.LogText();
    EXPECT_NE(log.find(Utf16ToUtf8(run.Path(L"inst\\b.txt")) + " CRASHED!\r\n"), std::string::npos);
    EXPECT_NE(log.find(Utf16ToUtf8(run.Path(L"inst\\c.txt")) + " CRASHED!\r\n"), std::string::npos);
    EXPECT_NE(log.find(Utf16ToUtf8(run.Path(L"inst\\d.txt")) + " CRASHED!\r\n"), std::string::npos);
}

// Each way a block in the middle of a long product can be damaged: its code ends the run, the
// files before it are whole, and nothing after it is written (not even partly).
struct BlockDamage {
    const char* name;
    void (*damage)(Bytes& block);
    int errorCode;
};

const BlockDamage kBlockDamages[] = {
    {"CheckDoesNotMatch", [](Bytes& block) { block[8] ^= 0x40; }, 62},
    {"BytesDoNotDecode",
     [](Bytes& block) {
         std::fill(block.begin() + 8, block.end(), std::uint8_t{0x5A});
         StoreU32(block.data() + 4, Checksum({block.data() + 8, block.size() - 8}));
     },
     60},
    {"StoredSizeZero", [](Bytes& block) { StoreU32(block.data(), 0); }, 61},
    {"StoredSizeNegative", [](Bytes& block) { StoreU32(block.data(), 0x80000000u); }, 61},
    {"StoredSizeBeyondTheArea", [](Bytes& block) { StoreU32(block.data(), 0x7FFFFFF0u); }, 63},
};

class DamagedBlock : public testing::TestWithParam<BlockDamage> {};

TEST_P(DamagedBlock, EndsTheRunWithItsCodeAndNothingAfterItIsWritten) {
    ExtractionRun run(L"extract-damage");
    run.damage = GetParam().damage;
    const std::vector<FileSpec> files = ManyFiles(60);
    // Where the middle block lies depends on the compressed sizes: count them undamaged first.
    int middle = 0;
    {
        ExtractionRun probe(L"extract-damage-probe");
        ASSERT_EQ(probe.Run(files, 4096), 0);
        middle = probe.blocksStored / 2;
    }
    ASSERT_GT(middle, 2);
    EXPECT_EQ(run.Run(files, 4096, true, middle), GetParam().errorCode);
    std::size_t written = 0;
    for (const FileSpec& f : files) {
        const std::wstring path = run.Path(L"inst\\" + Utf8ToUtf16(f.record.name));
        const std::string content = ReadAll(path);
        if (content != "<missing>") {
            EXPECT_EQ(written, &f - files.data()) << "a file after the damaged block was written";
            EXPECT_EQ(content, std::string(f.data.begin(), f.data.end()));
            ++written;
        }
        EXPECT_EQ(ReadAll(path + L".part"), "<missing>");  // no half-written file stays
    }
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, files.size());
    // No block after the damaged one was taken.
    EXPECT_LE(run.BlocksRead(), middle + 1);
}

INSTANTIATE_TEST_SUITE_P(Extraction, DamagedBlock, testing::ValuesIn(kBlockDamages), test::CaseName);

// Two items in one decoded block: the second record is served from it without reading
// another block, and the third record's block is read only when the third record is due.
TEST(Extraction, ADecodedBlockServesTwoRecordsWithoutReadingAnother) {
    const std::vector<FileSpec> files = {File("one.txt", 0, 0, std::string(300, '1')),
                                         File("two.txt", 0, 0, std::string(200, '2')),
                                         File("three.txt", 0, 0, std::string(100, '3'))};
    const std::size_t firstTwo = WriteFileItem(files[0].record, files[0].data).size() +
                                 WriteFileItem(files[1].record, files[1].data).size();
    for (const bool compress : {false, true}) {
        ExtractionRun run(L"extract-two-in-one");
        run.decodeThreads = 0;  // nothing is read before it is asked for
        ASSERT_EQ(run.Run(files, firstTwo, compress), 0);
        EXPECT_EQ(run.blocksStored, 2);
        EXPECT_EQ(run.blocksReadAtWrite, (std::vector<long>{1, 1, 2})) << compress;
        for (const FileSpec& f : files)
            EXPECT_EQ(ReadAll(run.Path(L"inst\\" + Utf8ToUtf16(f.record.name))),
                      std::string(f.data.begin(), f.data.end()));
    }
}

struct SplitCase {
    const char* name;
    std::size_t blockSize;
    bool compress;
};

const SplitCase kSplitCases[] = {
    {"RecordFieldsCutEverySevenBytes", 7, false},
    {"PlainBlocksOfOneKilobyte", 1000, false},
    {"CompressedBlocksOfOneKilobyte", 1000, true},
    {"CompressedBlocksOfFourKilobytes", 4096, true},
};

class SplitFile : public testing::TestWithParam<SplitCase> {};

// A file larger than a block arrives whole from several blocks, between records that share
// its first and last block; every block of the area is read exactly once.
TEST_P(SplitFile, ArrivesWholeFromSeveralBlocks) {
    const SplitCase& c = GetParam();
    std::string large;
    for (std::size_t k = 0; k < 20000; ++k)
        large.push_back(static_cast<char>('a' + (k * 7 + k / 26) % 26));
    const std::vector<FileSpec> files = {File("before.txt", 0, 0, "before"), File("large.txt", 0, 0, large),
                                         File("after.txt", 0, 0, "after")};
    ExtractionRun run(L"extract-split");
    ASSERT_EQ(run.Run(files, c.blockSize, c.compress), 0);
    EXPECT_GT(run.blocksStored, 3);
    EXPECT_EQ(run.BlocksRead(), run.blocksStored);
    for (const FileSpec& f : files)
        EXPECT_EQ(ReadAll(run.Path(L"inst\\" + Utf8ToUtf16(f.record.name))),
                  std::string(f.data.begin(), f.data.end()))
            << f.record.name;
}

INSTANTIATE_TEST_SUITE_P(Extraction, SplitFile, testing::ValuesIn(kSplitCases), test::CaseName);

TEST(Extraction, AFolderThatCannotBeMadeSkipsTheRecordWithItsReason) {
    ExtractionRun run(L"extract-folder");
    CreateDirectoryW(run.folders.installDir.c_str(), nullptr);
    WriteAll(run.Path(L"inst\\blocked"), "a file, not a folder", kOld);
    FileSpec blocked = File("x.txt", 0, 0, "X");
    blocked.record.destination = L"blocked\\";
    ASSERT_EQ(run.Run({blocked, File("y.txt", 0, 0, "Y")}), 0);
    EXPECT_EQ(ReadAll(run.Path(L"inst\\y.txt")), "Y");
    EXPECT_EQ(run.LogText(),
              "Could not create folder " + Utf16ToUtf8(run.Path(L"inst\\blocked")) +
                  "\r\nCannot create folder because there is a file with the same name.\r\n\r\n"
                  "Not installed: " +
                  Utf16ToUtf8(run.Path(L"inst\\blocked\\x.txt")) + "\r\n\r\n");
    EXPECT_EQ(std::count(run.removedFiles.begin(), run.removedFiles.end(), run.Path(L"inst\\blocked\\x.txt")),
              0);
}

TEST(Extraction, KindsAreHandedToTheirLists) {
    ExtractionRun run(L"extract-kinds");
    run.silent = true;
    FileSpec shortcut = File("app.exe", 0, file_flags::kDesktopShortcut, "app");
    shortcut.record.nameText = "App";
    shortcut.record.icon = L"app.ico";
    FileSpec font = File("font.ttf", 4, 0, "font");
    font.record.nameText = "Sample Font (TrueType)";
    FileSpec com = File("com.dll", 7, 0, "com");
    FileSpec tlb = File("lib.tlb", 8, (5u << 13) | file_flags::kPermanent, "tlb");
    FileSpec msi = File("setup.msi", 11, 0, "msi");
    msi.record.msiInterfaceLevel = 5;
    FileSpec applet = File("panel.cpl", 12, 0, "cpl");
    applet.record.parameter = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
    applet.record.arguments = "-open";
    ASSERT_EQ(run.Run({shortcut, font, com, tlb, msi, applet, File("shared.dll", 1, 0, "s"),
                       File("perm.dll", 6, 0, "p"), File("drv.inf", 10, 0, "d")}),
              0);
    ASSERT_EQ(run.state.shortcuts.size(), 1u);
    EXPECT_EQ(run.state.shortcuts[0].name, "App");
    EXPECT_EQ(run.state.shortcuts[0].icon, L"app.ico");
    EXPECT_EQ(run.state.shortcuts[0].target, run.Path(L"inst\\app.exe"));
    ASSERT_EQ(run.fonts.size(), 1u);
    EXPECT_EQ(run.fonts[0].fontName, L"Sample Font (TrueType)");
    EXPECT_EQ(run.fonts[0].fileName, L"font.ttf");
    EXPECT_TRUE(run.state.fontsChanged);
    EXPECT_EQ(run.state.productFonts.size(), 1u);
    ASSERT_EQ(run.state.comFiles.size(), 1u);
    ASSERT_EQ(run.state.typeLibraries.size(), 1u);
    EXPECT_EQ(run.state.typeLibraries[0].typeLibraryParameter, 5u);
    EXPECT_TRUE(run.state.typeLibraries[0].permanent);
    ASSERT_EQ(run.state.msiPackages.size(), 1u);
    EXPECT_EQ(run.state.msiPackages[0].interfaceLevel, 2u);  // silent
    ASSERT_EQ(run.state.applets.size(), 1u);
    EXPECT_EQ(run.state.applets[0].name, L"panel.cpl");
    EXPECT_EQ(run.state.applets[0].arguments, L"-open");
    ASSERT_EQ(run.state.sharedFiles.size(), 4u);  // com, tlb, shared, perm in record order
    EXPECT_EQ(run.state.sharedFiles[2].path, run.Path(L"shared\\shared.dll"));
    EXPECT_TRUE(run.state.sharedFiles[3].permanent);
    ASSERT_EQ(run.state.drivers.size(), 1u);
}

// A writer that finds every target in use and registers the replacement for the restart.
class DeferredWrite : public ExtractedFileWrite {
  public:
    bool Write(std::span<const std::uint8_t>) override { return true; }
    FileWriteOutcome Finish() override { return {false, true}; }
};

TEST(Extraction, AFileReplacedAtRestartMarksTheRestartAndIsNotHandedOn) {
    ExtractionRun run(L"extract-deferred");
    run.flagsLow = product_flags::kLogEachFile;
    run.services.beginWrite =
        [&run](const ExtractedFileRequest& request) -> std::unique_ptr<ExtractedFileWrite> {
        run.requests.push_back(request);
        return std::make_unique<DeferredWrite>();
    };
    WriteAll(run.Path(L"sys\\in-use.dll"), "old", kOld);
    FileSpec applet = File("panel.cpl", 12, 0, "cpl");
    applet.record.parameter = "{01234567-89AB-CDEF-0123-456789ABCDEF}";
    ASSERT_EQ(run.Run({File("in-use.dll", 7, 0, "new"), applet}), 0);
    ASSERT_EQ(run.requests.size(), 2u);
    EXPECT_TRUE(run.requests[0].restartReplacementAllowed);  // kind 7 over an existing file
    EXPECT_FALSE(run.requests[1].restartReplacementAllowed);
    EXPECT_TRUE(run.state.restartNeeded);
    EXPECT_TRUE(run.state.comFiles.empty());  // registered only once it is really there
    EXPECT_EQ(run.state.applets.size(), 1u);  // an applet is registered all the same
    // No " >>> " line for a file that was not written now.
    EXPECT_EQ(run.LogText().find(" >>> "), std::string::npos);
}

TEST(Extraction, AnAppletWithoutClassIdentifierEndsTheRunWith79) {
    ExtractionRun run(L"extract-applet");
    EXPECT_EQ(run.Run({File("panel.cpl", 12, 0, "cpl")}), 79);
}

TEST(Extraction, DecodingInlineOrAheadGivesTheSameFiles) {
    for (const unsigned threads : {0u, 1u, 2u}) {
        ExtractionRun run(L"extract-threads");
        run.decodeThreads = threads;
        const std::vector<FileSpec> files = ManyFiles(25);
        ASSERT_EQ(run.Run(files, 5000), 0) << threads;
        for (const FileSpec& f : files)
            EXPECT_EQ(ReadAll(run.Path(L"inst\\" + Utf8ToUtf16(f.record.name))),
                      std::string(f.data.begin(), f.data.end()))
                << threads;
    }
}

}  // namespace
}  // namespace vantrel
