#include "support/payload_fixture.h"

#include <windows.h>

#include <cstring>
#include <stdexcept>

#include "format/byte_writer.h"
#include "format/checksum.h"
#include "format/pe_layout.h"
#include "format/pe_section_writer.h"
#include "format/settings_block.h"
#include "format/settings_stream.h"

namespace vantrel::test {
namespace {

constexpr std::size_t kVersionLength = 7;  // "41.1.1" and its NUL

BuiltSetup Assemble(const Bytes& engine, const PayloadImage& image) {
    BuiltSetup setup;
    setup.exe =
        AppendSection(engine, kPayloadSectionName, image.section, image.trailingData, &setup.sectionOffset);
    PayloadHeader header;
    const PayloadHeaderRead read = ReadPayloadHeader(image.section, kPayloadEngineVersion, header);
    if (read.errorCode != 0 || read.versionMismatch)
        throw std::runtime_error("fixture payload does not read");
    setup.headerLength = header.length;
    setup.settingsSize = static_cast<std::size_t>(header.settingsSize);
    setup.dataOffset = setup.sectionOffset + static_cast<std::size_t>(header.DataOffset());
    setup.dataSize = static_cast<std::size_t>(header.dataSize);
    setup.PatchFileCheck();
    return setup;
}

}  // namespace

bool BuiltSetup::Save(const std::wstring& path) const {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(file, exe.data(), static_cast<DWORD>(exe.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == exe.size();
}

void BuiltSetup::PatchFileCheck() {
    const std::uint32_t check = ProgramFileCheck({exe.data(), sectionOffset});
    StoreU32(exe.data() + sectionOffset + 4 + kVersionLength + 12, check);
}

Settings FixtureSettings(const std::wstring& productName) {
    Settings s;
    s.productName = productName;
    // An interactive run of the fixture asks nothing of its own: no start question and no
    // notice at the end, so that a test sees only the windows it provokes.
    s.productFlagsLow = product_flags::kNoEndNotice;
    s.productFlagsHigh = product_flags::kNoStartQuestion;
    std::vector<std::wstring> texts(120);
    texts[21] = L"Fixture Error Title";
    s.messages = MessageTable({L"English"}, texts);
    return s;
}

PayloadFileInput FilledFile(const std::string& name, std::size_t size, std::uint8_t fill) {
    PayloadFileInput input;
    input.record.name = name;
    input.size = size;
    input.readData = [size, fill] { return Bytes(size, fill); };
    return input;
}

Bytes ReadWholeFile(const std::wstring& path) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    LARGE_INTEGER size;
    GetFileSizeEx(file, &size);
    Bytes bytes(static_cast<std::size_t>(size.QuadPart));
    DWORD got = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(file);
    bytes.resize(got);
    return bytes;
}

BuiltSetup BuildSetup(const Bytes& engine, const Settings& settings,
                      const std::vector<PayloadFileInput>& files, const PayloadWriteOptions& options) {
    return Assemble(engine, WritePayload(settings, files, options));
}

BuiltSetup BuildSetupFromImage(const Bytes& engine, const PayloadImage& image) {
    return Assemble(engine, image);
}

BuiltSetup BuildSetupFromStream(const Bytes& engine, const Bytes& stream) {
    const std::uint32_t check = Checksum(stream);
    return BuildSetupFromSettingsBlock(engine, check, EncodeSettingsBlock(stream, check, nullptr, 6));
}

BuiltSetup BuildSetupFromSettingsBlock(const Bytes& engine, std::uint32_t settingsCheck, const Bytes& block) {
    PayloadHeader header;
    header.settingsCheck = settingsCheck;
    header.settingsSize = static_cast<std::int32_t>(block.size());
    header.dataSize = 0;
    header.dataCheck = Checksum(Bytes{});
    header.length = header.Length();
    header.dataEnd = static_cast<std::int32_t>(header.DataOffset());
    PayloadImage image;
    image.section = WritePayloadHeader(header);
    image.section.insert(image.section.end(), block.begin(), block.end());
    return Assemble(engine, image);
}

std::size_t SettingsSizeOffset(const BuiltSetup& setup) {
    return setup.sectionOffset + 4 + kVersionLength + 4;
}
std::size_t DataSizeOffset(const BuiltSetup& setup) {
    return setup.sectionOffset + 4 + kVersionLength + 4 * 6;
}
std::size_t FirstFileSizeOffset(const BuiltSetup& setup) {
    return setup.sectionOffset + 4 + kVersionLength + 4 * 8;
}

std::size_t SettingsFieldEnd(const Bytes& stream, int field) {
    MemoryStreamReader reader(stream);
    std::uint64_t offset = 0;
    SettingsReadHooks hooks;
    hooks.afterField = [&](Settings&, int read) {
        if (read == field)
            offset = reader.Position();
    };
    Settings ignored;
    ReadSettingsStream(reader, ignored, hooks);
    return static_cast<std::size_t>(offset);
}

}  // namespace vantrel::test
