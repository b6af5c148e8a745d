#include "engine/payload.h"

#include <algorithm>

#include "engine/corrupt_payload.h"
#include "run/engine_identity.h"
#include "run/fatal_message.h"
#include "engine/file_data_area_source.h"
#include "engine/integrity_check.h"
#include "format/checksum.h"
#include "format/payload_error_codes.h"
#include "format/settings_block.h"
#include "format/settings_defaults.h"
#include "format/settings_stream.h"
#include "format/stub_image.h"
#include "format/text_encoding.h"
#include "format/text_format.h"
#include "support/file_io.h"
#include "support/windows_version.h"

namespace vantrel {
namespace {

std::optional<std::uint64_t> FileSize(HANDLE file) {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        return std::nullopt;
    return static_cast<std::uint64_t>(size.QuadPart);
}

// Field 13 = 1: the product needs 64-bit Windows, and the file system is seen unredirected
// for the whole run. kernel32 is always loaded; the function exists only on WOW64 systems.
bool SwitchRedirectionOff() {
    using Disable = BOOL(WINAPI*)(PVOID*);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    const auto disable = kernel ? reinterpret_cast<Disable>(reinterpret_cast<void*>(
                                      GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")))
                                : nullptr;
    PVOID old = nullptr;
    return disable != nullptr && disable(&old) != FALSE;
}

void ReadSettings(RunState& run, Payload& payload, const Bytes& decoded) {
    Settings& settings = payload.settings;
    SettingsReadHooks hooks;
    hooks.afterModeFields = [&run, &payload](Settings& s) {
        if (run.options.silent)
            ApplySilentModeFlags(s);
        payload.header.productFlags2 =
            ProductFlags2ForPlatform(payload.header.productFlags2, IsWindowsOlderThanXp());
        if (s.automaticMode == automatic_mode::kOn)
            run.options.automatic = true;
        if (s.automaticMode == automatic_mode::kOff && !run.options.silent)
            run.options.automatic = false;
        payload.backgroundMaximized = (s.productFlagsHigh & product_flags::kBackgroundMaximized) != 0;
    };
    hooks.afterDisplayTitle = [&payload, &decoded](const Settings&) {
        return Checksum(decoded) == payload.header.settingsCheck ? 0 : payload_error::kSettingsCheck;
    };
    hooks.backgroundWindowSeam = [](const Settings&) {
        // The background window is created here (unless low bit 0x20000000 is set) so that
        // it shows while the rest is read; it arrives with the wizard user interface.
    };
    hooks.afterField = [&run, &payload](Settings& s, int field) {
        ApplyFieldDefault(s, field, run.options.productNameOverride);
        if (field == settings_field::kBitness && s.bitness == product_bitness::k64Bit) {
            payload.redirectionSwitchedOff = SwitchRedirectionOff();
            payload.redirectionSwitchFailed = !payload.redirectionSwitchedOff;
        }
        if (field == settings_field::kErrorNotification)
            run.errorNotificationAddress = s.errorNotification;
        // From here on fatal messages take their title and the corrupt-payload text from
        // the table, in its default language.
        if (field == settings_field::kMessages)
            run.messages = &s.messages;
    };
    MemoryStreamReader reader(decoded);
    if (const int error = ReadSettingsStream(reader, settings, hooks); error != 0)
        CorruptPayloadError(run, error);
    if (!settings.startNotification.empty() && run.queueNotification) {
        run.queueNotification(NotificationKind::kStart, settings.startNotification);
    }
}

Bytes ReadLeadingPart(RunState& run, const Payload& payload) {
    Bytes leading(payload.section.section.pointerToRawData);
    if (!ReadFileAt(payload.section.file.Get(), 0, leading.data(), leading.size())) {
        CorruptPayloadError(run, payload_error::kLeadingPartUnreadable);
    }
    return leading;
}

}  // namespace

void PlaceDataArea(RunState& run, Payload& payload) {
    const PayloadHeader& header = payload.header;
    const PeSection& section = payload.section.section;
    const HANDLE file = payload.section.file.Get();
    const std::uint64_t start = std::uint64_t{section.pointerToRawData} + header.DataOffset();
    const std::optional<std::uint64_t> size = FileSize(file);
    std::uint64_t length = 0;
    if (payload.settings.dataInFile == 0) {
        // The section ends the area: a data end beyond what was mapped, or beyond the bytes the
        // file holds for the section, cannot be the right length.
        const std::uint64_t dataOffset = header.DataOffset();
        const std::uint64_t end = static_cast<std::uint32_t>(header.dataEnd);
        const std::uint64_t sectionEnd =
            std::min<std::uint64_t>(payload.mapped.size(), section.sizeOfRawData);
        if (end < dataOffset || end > sectionEnd)
            CorruptPayloadError(run, payload_error::kDataAreaLength);
        length = end - dataOffset;
    } else {
        // A signature added after the build sits behind the data area; it is not data.
        const std::uint64_t end = size ? DataAreaFileEnd(payload.section.layout, *size, start,
                                                         static_cast<std::uint32_t>(header.dataSize))
                                       : 0;
        length = end > start ? end - start : 0;
    }
    // Both forms read the area from the program file in pieces, never through the loader's
    // image of the section: every page of the image read would stay in the working set, and a
    // data area may be larger than the memory of the machine.
    auto source = std::make_unique<FileDataAreaSource>(file, start, length);
    FileDataAreaSource& raw = *source;
    payload.dataArea = std::move(source);
    const int error = (size && *size >= start) ? VerifyDataArea(raw, header) : kDataAreaReadFailed;
    if (error == kDataAreaReadFailed) {
        Fatal(FormatText(L"Error code 2: failed to read archive data\r\nsize=%d pos=%d",
                         {static_cast<long long>(length), static_cast<long long>(raw.FilePosition())}));
    }
    if (error != 0)
        CorruptPayloadError(run, error);
}

void ReadHeaderAndSettings(RunState& run, Payload& payload) {
    PayloadHeader& header = payload.header;
    const PayloadHeaderRead read = ReadPayloadHeader(payload.mapped, kEngineVersion, header);
    if (read.versionMismatch) {
        Fatal(FormatText(
            L"The installer version (%s) does not match the version of %s (%s).  Close all "
            L"applications and reinstall %s.",
            {kEngineVersionW, kEngineName, Windows1252ToUtf16(header.engineVersion), kEngineName}));
    }
    if (read.errorCode != 0)
        CorruptPayloadError(run, read.errorCode);
    if (header.cipherKey)
        payload.cipher = std::make_unique<Blowfish>(*header.cipherKey);
    const auto stored = payload.mapped.subspan(header.length, static_cast<std::size_t>(header.settingsSize));
    Bytes block(stored.begin(), stored.end());
    if (!DecodeSettingsBlock(block, header.settingsCheck, payload.cipher.get())) {
        CorruptPayloadError(run, payload_error::kSettingsDecode);
    }
    ReadSettings(run, payload, block);
}

std::optional<Bytes> ReadStubImage(HANDLE file, const PeLayout& layout, std::size_t sectionIndex,
                                   std::optional<std::uint64_t> dataAreaStart, int& error) {
    error = 0;
    const PeSection& section = layout.sections.at(sectionIndex);
    const std::optional<std::uint64_t> size = FileSize(file);
    Bytes before(section.pointerToRawData);
    if (!size || !ReadFileAt(file, 0, before.data(), before.size())) {
        error = payload_error::kStubImage;
        return std::nullopt;
    }
    // After the section: up to the end of the file, or up to the data area when the data
    // lies in the file, so the uninstaller never carries the product's data.
    const std::uint64_t rawEnd = std::uint64_t{section.pointerToRawData} + section.sizeOfRawData;
    const std::uint64_t end = dataAreaStart ? std::min(*dataAreaStart, *size) : *size;
    Bytes after(end > rawEnd ? static_cast<std::size_t>(end - rawEnd) : 0);
    if (!after.empty() && !ReadFileAt(file, rawEnd, after.data(), after.size())) {
        error = payload_error::kStubImage;
        return std::nullopt;
    }
    Bytes image = BuildStubImage(before, after, layout, sectionIndex);
    if (image.empty()) {
        error = payload_error::kStubImage;
        return std::nullopt;
    }
    return image;
}

void ReadPayload(RunState& run, Payload& payload) {
    payload.section = LocatePayloadSection(run);
    const PeSection& section = payload.section.section;
    const auto* base = reinterpret_cast<const std::uint8_t*>(run.instance);
    const std::uint32_t mappedSize = section.virtualSize != 0 ? section.virtualSize : section.sizeOfRawData;
    payload.mapped = {base + section.virtualAddress, mappedSize};

    ReadHeaderAndSettings(run, payload);

    if (payload.settings.productFlagsHigh & product_flags::kIntegrityCheck) {
        const Bytes leading = ReadLeadingPart(run, payload);
        const int error =
            CheckProgramIntegrity(payload.section.programPath, leading, payload.header.fileCheck);
        if (error != 0)
            CorruptPayloadError(run, error);
    }
    if (payload.header.productFlags2 & product_flags2::kBuildStubImage) {
        int error = 0;
        std::optional<std::uint64_t> dataStart;
        if (payload.settings.dataInFile != 0)
            dataStart = section.pointerToRawData + payload.header.DataOffset();
        payload.stubImage = ReadStubImage(payload.section.file.Get(), payload.section.layout,
                                          payload.section.sectionIndex, dataStart, error);
        if (error != 0)
            CorruptPayloadError(run, error);
    }
}

}  // namespace vantrel
