#include <cstring>

#include <gtest/gtest.h>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/data_area.h"
#include "format/payload_header.h"
#include "format/payload_writer.h"
#include "format/settings_block.h"
#include "format/settings_stream.h"
#include "payload_samples.h"
#include "support/test_names.h"

namespace vantrel {
namespace {

using test::FileInput;
using test::MinimalSettings;
using test::PatternBytes;

struct ReadPayload {
    PayloadHeader header;
    Settings settings;
    int error = 0;
};

// What the engine does with a section in memory, minus the Windows parts.
ReadPayload ReadBack(const Bytes& section) {
    ReadPayload out;
    const PayloadHeaderRead read = ReadPayloadHeader(section, kPayloadEngineVersion, out.header);
    if (read.errorCode != 0 || read.versionMismatch) {
        out.error = read.versionMismatch ? -1 : read.errorCode;
        return out;
    }
    Bytes block(section.begin() + static_cast<std::ptrdiff_t>(out.header.length),
                section.begin() + static_cast<std::ptrdiff_t>(out.header.DataOffset()));
    std::unique_ptr<Blowfish> cipher;
    if (out.header.cipherKey)
        cipher = std::make_unique<Blowfish>(*out.header.cipherKey);
    if (!DecodeSettingsBlock(block, out.header.settingsCheck, cipher.get())) {
        out.error = 47;
        return out;
    }
    SettingsReadHooks hooks;
    const std::uint32_t expected = out.header.settingsCheck;
    hooks.afterDisplayTitle = [&](const Settings&) { return Checksum(block) == expected ? 0 : 25; };
    MemoryStreamReader reader(block);
    out.error = ReadSettingsStream(reader, out.settings, hooks);
    return out;
}

std::vector<DataAreaFile> Walk(DataAreaSource& source, const PayloadHeader& header, const Settings& settings,
                               int& error, std::vector<Bytes>* datas = nullptr) {
    std::unique_ptr<Blowfish> cipher;
    if (header.cipherKey)
        cipher = std::make_unique<Blowfish>(*header.cipherKey);
    error = VerifyDataArea(source, header);
    std::vector<DataAreaFile> files;
    if (error != 0)
        return files;
    DataAreaWalker walker(source, header, (settings.productFlagsLow & product_flags::kCompressedBlocks) != 0,
                          cipher.get());
    for (;;) {
        DataAreaFile file;
        const DataAreaStep step = walker.Next(file);
        if (step.errorCode != 0) {
            error = step.errorCode;
            return files;
        }
        if (step.finished)
            return files;
        if (datas)
            datas->emplace_back(file.data.begin(), file.data.end());
        files.push_back(file);
    }
}

struct Variant {
    const char* name;
    bool compress;
    bool encipher;
    bool dataInFile;
    std::size_t blockSize;
};

class PayloadRoundTrip : public testing::TestWithParam<Variant> {};

TEST_P(PayloadRoundTrip, SettingsAndFilesReadBack) {
    const Variant& v = GetParam();
    Settings settings = MinimalSettings();
    settings.productFlagsLow = v.compress ? product_flags::kCompressedBlocks : 0;
    settings.dataInFile = v.dataInFile ? 1 : 0;
    settings.companyName = L"Round Trip Ltd";
    std::vector<PayloadFileInput> files = {
        FileInput("a.txt", PatternBytes(1000, 1)), FileInput("empty.bin", {}),
        FileInput("b.dll", PatternBytes(70000, 2), 9), FileInput("c.dat", PatternBytes(3, 3), 1)};
    files[1].record.flags = file_flags::kDesktopShortcut;
    files[1].record.icon = L"icon.ico";
    files[2].record.nameText = "1.2.3.4";
    files[3].record.destination = L"%InstallDir%\\sub\\";
    PayloadWriteOptions options;
    options.blockSize = v.blockSize;
    if (v.encipher)
        options.cipherKey = std::array<std::uint8_t, 8>{1, 2, 3, 4, 5, 6, 7, 8};
    options.productFlags2 = product_flags2::kBuildStubImage;
    const PayloadImage image = WritePayload(settings, files, options);

    EXPECT_EQ(image.trailingData.empty(), !v.dataInFile);
    const ReadPayload read = ReadBack(image.section);
    ASSERT_EQ(read.error, 0);
    EXPECT_TRUE(read.settings == settings);
    EXPECT_EQ(read.header.productFlags2 & product_flags2::kEnciphered,
              v.encipher ? product_flags2::kEnciphered : 0u);
    EXPECT_EQ(read.header.FileCount(), files.size());
    EXPECT_EQ(image.fileCheckOffset, read.header.FileCheckOffset());

    const Bytes area =
        v.dataInFile ? image.trailingData
                     : Bytes(image.section.begin() + static_cast<std::ptrdiff_t>(read.header.DataOffset()),
                             image.section.begin() + read.header.dataEnd);
    MemoryDataAreaSource source(area);
    int error = 0;
    std::vector<Bytes> datas;
    const auto walked = Walk(source, read.header, read.settings, error, &datas);
    ASSERT_EQ(error, 0);
    ASSERT_EQ(walked.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(walked[i].index, i);
        EXPECT_EQ(walked[i].record.name, files[i].record.name);
        EXPECT_EQ(walked[i].record.kind, files[i].record.kind);
        EXPECT_EQ(walked[i].record.icon, files[i].record.icon);
        EXPECT_EQ(walked[i].record.nameText, files[i].record.nameText);
        EXPECT_EQ(walked[i].record.destination, files[i].record.destination);
        EXPECT_EQ(datas[i], files[i].readData());
    }
}

INSTANTIATE_TEST_SUITE_P(Variants, PayloadRoundTrip,
                         testing::Values(Variant{"Plain", false, false, false, 8u << 20},
                                         Variant{"Compressed", true, false, false, 8u << 20},
                                         Variant{"Enciphered", false, true, false, 8u << 20},
                                         Variant{"CompressedEnciphered", true, true, false, 1000},
                                         Variant{"ItemsSpreadOverBlocks", true, false, false, 4096},
                                         Variant{"DataInFile", true, false, true, 4096}),
                         test::CaseName);

TEST(PayloadWriter, OutputIsDeterministic) {
    Settings settings = MinimalSettings();
    settings.productFlagsLow = product_flags::kCompressedBlocks;
    std::vector<PayloadFileInput> files = {FileInput("a", PatternBytes(5000, 9))};
    PayloadWriteOptions options;
    options.cipherKey = std::array<std::uint8_t, 8>{9, 9, 9, 9, 1, 1, 1, 1};
    EXPECT_EQ(WritePayload(settings, files, options).section, WritePayload(settings, files, options).section);
}

}  // namespace
}  // namespace vantrel
