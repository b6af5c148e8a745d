// Each format pinned by bytes written out here by hand from its layout, not produced by the
// writer: a misreading made the same way by the writer and the reader cannot pass these.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "format/data_area.h"
#include "format/payload_header.h"
#include "format/settings_stream.h"
#include "format/stream_reader.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes Zeros(std::size_t count) {
    return Bytes(count, 0);
}

// A payload header of two files, not enciphered.
const Bytes kPlainHeader = {
    0xE5, 0x3D, 0xF2, 0xA4,                  // 1 magic 0xA4F23DE5
    '4',  '1',  '.',  '1',  '.', '1', 0x00,  // 2 engine version, NUL-terminated
    0x20, 0x00, 0x00, 0x00,                  // 3 ProductFlags2: 0x20
    0x10, 0x00, 0x00, 0x00,                  // 4 settings size: 16
    0xEF, 0xBE, 0xAD, 0xDE,                  // 5 settings check 0xDEADBEEF
    0x04, 0x03, 0x02, 0x01,                  // 6 file check 0x01020304
    0x00, 0x20, 0x00, 0x00,                  // 7 data end 0x2000
    0x02, 0x00, 0x00, 0x00,                  // 8 file count 2
    0x00, 0x01, 0x00, 0x00,                  // 9 data size 0x100
    0xBE, 0xBA, 0xFE, 0xCA,                  // 10 data check 0xCAFEBABE
    0x05, 0x00, 0x00, 0x00,                  // 11 file sizes: 5,
    0x00, 0x00, 0x00, 0x40,                  //    and 0x40000000, the largest allowed
};

PayloadHeader PlainHeaderFields() {
    PayloadHeader header;
    header.engineVersion = "41.1.1";  // as in the bytes above, whatever the engine's own is
    header.productFlags2 = 0x20;
    header.settingsSize = 16;
    header.settingsCheck = 0xDEADBEEF;
    header.fileCheck = 0x01020304;
    header.dataEnd = 0x2000;
    header.dataSize = 0x100;
    header.dataCheck = 0xCAFEBABE;
    header.fileSizes = {5, 0x40000000};
    return header;
}

TEST(GoldenBytes, PayloadHeaderReads) {
    const Bytes section = Join({kPlainHeader, Zeros(16)});
    PayloadHeader read;
    const PayloadHeaderRead result = ReadPayloadHeader(section, "41.1.1", read);
    ASSERT_EQ(result.errorCode, 0);
    EXPECT_FALSE(result.versionMismatch);
    const PayloadHeader expected = PlainHeaderFields();
    EXPECT_EQ(read.magic, 0xA4F23DE5u);
    EXPECT_EQ(read.engineVersion, "41.1.1");
    EXPECT_EQ(read.productFlags2, expected.productFlags2);
    EXPECT_EQ(read.settingsSize, expected.settingsSize);
    EXPECT_EQ(read.settingsCheck, expected.settingsCheck);
    EXPECT_EQ(read.fileCheck, expected.fileCheck);
    EXPECT_EQ(read.dataEnd, expected.dataEnd);
    EXPECT_EQ(read.dataSize, expected.dataSize);
    EXPECT_EQ(read.dataCheck, expected.dataCheck);
    EXPECT_EQ(read.fileSizes, expected.fileSizes);
    EXPECT_FALSE(read.cipherKey.has_value());
    EXPECT_EQ(read.length, kPlainHeader.size());
    EXPECT_EQ(read.DataOffset(), kPlainHeader.size() + 16);
    EXPECT_EQ(read.FileCheckOffset(), 23u);  // after fields 1 to 5
}

TEST(GoldenBytes, PayloadHeaderWrites) {
    EXPECT_EQ(WritePayloadHeader(PlainHeaderFields()), kPlainHeader);
}

TEST(GoldenBytes, EncipheredPayloadHeaderEndsWithTheCipherKey) {
    Bytes golden = kPlainHeader;
    golden[11] = 0x20;
    golden[12] = 0x10;  // ProductFlags2 0x1020: enciphered
    const Bytes key = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    golden.insert(golden.end(), key.begin(), key.end());

    PayloadHeader fields = PlainHeaderFields();
    fields.productFlags2 = 0x1020;
    fields.cipherKey = std::array<std::uint8_t, 8>{0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    EXPECT_EQ(WritePayloadHeader(fields), golden);

    PayloadHeader read;
    ASSERT_EQ(ReadPayloadHeader(Join({golden, Zeros(16)}), "41.1.1", read).errorCode, 0);
    ASSERT_TRUE(read.cipherKey.has_value());
    EXPECT_EQ(Bytes(read.cipherKey->begin(), read.cipherKey->end()), key);
    EXPECT_EQ(read.length, golden.size());
}

// One plain data block (neither compressed nor enciphered) holding one file item: "a.txt",
// kind 0, no flags, attributes kept, no time, the two bytes "hi".
const Bytes kPlainDataBlock = Join({
    {0x39, 0x00, 0x00, 0x00},         // stored size 57
    {0xC1, 0x5C, 0x14, 0x3D},         // block check of the 57 stored bytes
    {0x35, 0x00, 0x00, 0x00},         // item length 53: record 47 + data 2 + data check 4
    {'a', '.', 't', 'x', 't', 0x00},  // 1 name
    {0x00, 0x00, 0x00, 0x00},         // 2 kind 0: the installation folder
    {0x00, 0x00, 0x00, 0x00},         // 3 flags
    {0xFF, 0xFF, 0xFF, 0xFF},         // 4 attributes: leave as they are
    Zeros(24),                        // 5 file time: none
    {0x00},                           // 6 name text
    {0x00},                           // 8 arguments (7, the icon, only with a shortcut flag)
    {0x00, 0x00},                     // 9 destination (WText)
    {0x00},                           // 10 parameter
    {'h', 'i'},                       // 12 data (11 only for MSI packages)
    {0x70, 0xBD, 0xE2, 0x79},         // 13 data check: 0x79E2BC9D + 'h' + 'i' + length 2
});

PayloadHeader PlainDataAreaHeader() {
    PayloadHeader header;
    header.dataSize = static_cast<std::int32_t>(kPlainDataBlock.size());
    header.dataCheck = 0x7A28B9C3;  // checksum of the whole 65-byte area
    header.fileSizes = {2};
    return header;
}

TEST(GoldenBytes, DataBlockReads) {
    MemoryDataAreaSource source(kPlainDataBlock);
    const PayloadHeader header = PlainDataAreaHeader();
    ASSERT_EQ(VerifyDataArea(source, header), 0);
    ASSERT_TRUE(source.Rewind());
    DataAreaWalker walker(source, header, /*compressed=*/false, nullptr);
    DataAreaFile file;
    const DataAreaStep first = walker.Next(file);
    ASSERT_EQ(first.errorCode, 0);
    ASSERT_FALSE(first.finished);
    EXPECT_EQ(file.record.name, "a.txt");
    EXPECT_EQ(file.record.kind, 0u);
    EXPECT_EQ(file.record.flags, 0u);
    EXPECT_EQ(file.record.attributes, kKeepAttributes);
    EXPECT_EQ(Bytes(file.data.begin(), file.data.end()), (Bytes{'h', 'i'}));
    const DataAreaStep end = walker.Next(file);
    EXPECT_EQ(end.errorCode, 0);
    EXPECT_TRUE(end.finished);
}

TEST(GoldenBytes, DataBlockWrites) {
    FileRecord record;
    record.name = "a.txt";
    const Bytes data = {'h', 'i'};
    EXPECT_EQ(WriteDataBlock(WriteFileItem(record, data), /*compress=*/false, 0, nullptr), kPlainDataBlock);
}

// The smallest settings stream: every field present with an empty or zero value, except a
// title size of 12, the product name "Ab", the version "1" and one language with two
// messages. Field numbers as in the layout; conditional fields (45, 79) are absent.
Bytes GoldenSettingsStream() {
    const Bytes emptyVarText = {0x00};
    return Join({
        Zeros(8),  // 1 ProductFlags low, high
        {0x00},    // 2 automatic mode
        emptyVarText,
        emptyVarText,                                      // 3 taskbar text, 4 display title
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x28, 0x40},  // 5 title size 12.0 (f64)
        Zeros(4),                                          // 6 progress dialog option
        Zeros(2),                                          // 7 status delay
        {0x00},                                            // 8 shortcut mode
        Zeros(24),                                         // 9 uninstaller file time
        emptyVarText,                                      // 10 company name
        {0x04, 'A', 0x00, 'b', 0x00},                      // 11 product name "Ab" (UTF-16LE)
        emptyVarText,                                      // 12 display product name
        {0x00, 0x00},                                      // 13 bitness, 14 shared folder location
        emptyVarText,
        emptyVarText,
        emptyVarText,       // 15 shared name, 16 portable, 17 Start menu
        {0x02, '1', 0x00},  // 18 product version "1"
        emptyVarText,
        emptyVarText,  // 19 default folder, 20 registry key
        Zeros(4),      // 21 registry instructions (Text32)
        emptyVarText,  // 22 registry merge text
        Zeros(4),
        Zeros(4),  // 23 bitmap size, 24 stretch mode
        Zeros(2),  // 25 start page text (Text16)
        Zeros(4),
        Zeros(4),      // 26 licence count, 28 readme count
        emptyVarText,  // 30 uninstall subfolder
        {0x00},        // 31 uninstaller file name (Text8)
        emptyVarText,  // 32 uninstall key name
        {0x00},        // 33 install-location value (CText)
        emptyVarText,  // 34 installer title
        Zeros(4),
        {0x00},
        Zeros(4),
        {0x00},
        {0x00},    // 35 header colour .. 39 title position
        Zeros(2),  // 40 title font (Text16)
        Zeros(4),
        Zeros(4),  // 41 top colour, 42 bottom colour
        Zeros(4),  // 43 bitmap length
        {0x00},    // 44 copyright position
        emptyVarText,
        emptyVarText,    // 46 start sound, 47 desktop folder
        Zeros(4),        // 48 desktop folder icon (Text32)
        Bytes(7, 0x00),  // 49-55 the seven batches
        Zeros(20),       // 56 spare record
        Zeros(4),
        {0x00},           // 57 excluded versions, 58 data in file
        Bytes(13, 0x00),  // 59-71 launch, open, notifications
        {0x00},
        {0x00},          // 72 question version, 73 minimum version
        Bytes(4, 0x00),  // 74-77 password .. PATH subfolder
        Zeros(40),       // 78 page styles, 10 x u32
        {'~', '~', 'T', 'H', 'E', ' ', 'E', 'N', 'D', '~', '~', 0x00},  // 80 deletion list end
        Zeros(4),
        Zeros(4),                              // 81 associations, 82 shortcuts
        {0x00, 0x00, 0x00, 0x00, 0x00, 0x00},  // 83 2 x VarText, 2 x WText
        Zeros(4),                              // 84 saved values
        Zeros(2),
        Zeros(4),                                                     // 85 support offer, 86 product icon
        {0x16, 0x00, '~', 0, '~', 0, 'T', 0, 'H', 0, 'E', 0, '~', 0,  // 87 AutoCloseList end
         'E',  0,    'N', 0, 'D', 0, '~', 0, '~', 0},
        {0x01},                                                          // 88 language count
        {0x02, 0x00, 0x00, 0x00},                                        // 89 message count
        {'E', 0, 'n', 0, 'g', 0, 'l', 0, 'i', 0, 's', 0, 'h', 0, 0, 0},  // 90 "English"
        {'H', 0, 'i', 0, 0, 0},                                          // 91 message 0 "Hi"
        {0x00, 0x00},                                                    //    message 1 ""
        {0x97, 0x2B, 0xE8, 0xD3},                                        // 92 end marker 0xD3E82B97
    });
}

TEST(GoldenBytes, SettingsStreamReads) {
    const Bytes golden = GoldenSettingsStream();
    MemoryStreamReader reader(golden);
    Settings settings;
    ASSERT_EQ(ReadSettingsStream(reader, settings), 0);
    EXPECT_EQ(reader.Remaining(), 0u);
    EXPECT_EQ(settings.titleSize, 12.0);
    EXPECT_EQ(settings.productName, L"Ab");
    EXPECT_EQ(settings.productVersion, L"1");
    EXPECT_TRUE(settings.companyName.empty());
    ASSERT_EQ(settings.messages.LanguageCount(), 1u);
    EXPECT_EQ(settings.messages.LanguageName(0), L"English");
    ASSERT_EQ(settings.messages.MessageCount(), 2u);
    EXPECT_EQ(settings.messages.Text(0), L"Hi");
    EXPECT_EQ(settings.messages.Text(1), L"");
}

TEST(GoldenBytes, SettingsStreamWrites) {
    const Bytes golden = GoldenSettingsStream();
    MemoryStreamReader reader(golden);
    Settings settings;
    ASSERT_EQ(ReadSettingsStream(reader, settings), 0);
    EXPECT_EQ(WriteSettingsStream(settings), golden);
}

}  // namespace
}  // namespace vantrel
