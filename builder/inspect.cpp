#include "builder/inspect.h"

#include <chrono>
#include <optional>
#include <span>

#include "builder/block_decode_ahead.h"
#include "builder/file_record_names.h"
#include "builder/option_flags.h"
#include "builder/text_encoding.h"
#include "builder/toml_table_reader.h"
#include "format/blowfish.h"
#include "format/checksum.h"
#include "format/data_area.h"
#include "format/file_time.h"
#include "format/ordered_work_pool.h"
#include "format/pe_layout.h"
#include "format/settings_block.h"
#include "format/settings_stream.h"
#include "format/stream_reader.h"

namespace vantrel::builder {
namespace {

std::string Narrow(const std::wstring& text) {
    return Utf16ToUtf8(text);
}

std::string TimeText(const FileTimeRecord& record) {
    const auto times = DecodeFileTime(record);
    if (!times)
        return "no time";
    const std::int64_t seconds = static_cast<std::int64_t>(times->lastWrite / 10000000ull) -
                                 static_cast<std::int64_t>(kFileTimeUnixEpoch / 10000000ull);
    const auto day =
        std::chrono::floor<std::chrono::days>(std::chrono::sys_seconds{std::chrono::seconds{seconds}});
    const std::chrono::year_month_day date{day};
    const std::int64_t inDay =
        seconds - std::chrono::duration_cast<std::chrono::seconds>(day.time_since_epoch()).count();
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02lld:%02lld:%02lld", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<long long>(inDay / 3600), static_cast<long long>(inDay / 60 % 60),
                  static_cast<long long>(inDay % 60));
    return text;
}

InspectedSetup Fail(InspectedSetup result, int code, std::string problem = {}) {
    result.errorCode = code;
    result.problem = problem.empty() ? InspectErrorMeaning(code) : std::move(problem);
    return result;
}

}  // namespace

std::string InspectErrorMeaning(int code) {
    switch (code) {
        case kInspectNoPayload:
            return "the program has no \".setup\" payload section";
        case kInspectVersionMismatch:
            return "the payload was built for another engine version";
        case kDataAreaReadFailed:
            return "the data area cannot be read";
        default:
            break;
    }
    const char* meaning = PayloadErrorMeaning(code);
    return meaning != nullptr ? meaning : "unknown error";
}

InspectedSetup ReadSetup(const std::vector<std::uint8_t>& image) {
    InspectedSetup result;
    const PeLookup lookup = ReadPeLayout(image.data(), image.size());
    if (lookup.errorCode != 0)
        return Fail(std::move(result), lookup.errorCode);
    if (!lookup.payloadIndex)
        return Fail(std::move(result), kInspectNoPayload);
    const PeSection& section = lookup.layout.sections[*lookup.payloadIndex];
    if (section.pointerToRawData == 0)
        return Fail(std::move(result), payload_error::kNoRawData);
    if (section.pointerToRawData > image.size())
        return Fail(std::move(result), payload_error::kSeekRawData);
    result.sectionOffset = section.pointerToRawData;
    const std::size_t available = image.size() - section.pointerToRawData;
    const std::span<const std::uint8_t> sectionData(image.data() + section.pointerToRawData,
                                                    std::min<std::size_t>(section.sizeOfRawData, available));

    const PayloadHeaderRead headerRead = ReadPayloadHeader(sectionData, kPayloadEngineVersion, result.header);
    if (headerRead.versionMismatch) {
        return Fail(std::move(result), kInspectVersionMismatch,
                    "the payload was built for engine version " + result.header.engineVersion + ", not " +
                        kPayloadEngineVersion);
    }
    if (headerRead.errorCode != 0)
        return Fail(std::move(result), headerRead.errorCode);
    std::optional<Blowfish> cipher;
    if (result.header.cipherKey)
        cipher.emplace(*result.header.cipherKey);

    std::vector<std::uint8_t> block(
        sectionData.begin() + static_cast<std::ptrdiff_t>(result.header.length),
        sectionData.begin() + static_cast<std::ptrdiff_t>(result.header.DataOffset()));
    if (!DecodeSettingsBlock(block, result.header.settingsCheck, cipher ? &*cipher : nullptr)) {
        return Fail(std::move(result), payload_error::kSettingsDecode);
    }
    if (Checksum(block) != result.header.settingsCheck)
        return Fail(std::move(result), payload_error::kSettingsCheck);
    MemoryStreamReader stream(block);
    if (const int code = ReadSettingsStream(stream, result.settings); code != 0)
        return Fail(std::move(result), code);

    result.computedFileCheck =
        ProgramFileCheck(std::span<const std::uint8_t>(image.data(), section.pointerToRawData));

    std::span<const std::uint8_t> area;
    if (result.settings.dataInFile != 0) {
        const std::uint64_t start = section.pointerToRawData + result.header.DataOffset();
        if (start > image.size())
            return Fail(std::move(result), payload_error::kDataAreaLength);
        const auto offset = static_cast<std::size_t>(start);
        // As the engine does: a signature added after the build is not part of the data.
        const auto end = static_cast<std::size_t>(DataAreaFileEnd(
            lookup.layout, image.size(), start, static_cast<std::uint32_t>(result.header.dataSize)));
        area = std::span<const std::uint8_t>(image.data() + offset, end - offset);
    } else {
        const std::uint64_t end = static_cast<std::uint64_t>(result.header.dataEnd);
        if (end < result.header.DataOffset() || end > sectionData.size()) {
            return Fail(std::move(result), payload_error::kDataAreaLength);
        }
        const auto offset = static_cast<std::size_t>(result.header.DataOffset());
        area = sectionData.subspan(offset, static_cast<std::size_t>(end) - offset);
    }
    MemoryDataAreaSource source(area);
    if (const int code = VerifyDataArea(source, result.header); code != 0)
        return Fail(std::move(result), code);
    const bool compressed = (result.settings.productFlagsLow & product_flags::kCompressedBlocks) != 0;
    DataAreaWalker walker(source, result.header, compressed, cipher ? &*cipher : nullptr);
    // Decoding is what takes the time: the blocks are decoded ahead on every core.
    std::optional<BlockDecodeAhead> ahead;
    if (compressed && AvailableCores() > 1) {
        ahead.emplace(area, compressed, cipher ? &*cipher : nullptr, AvailableCores());
        walker.decodeBlock = [&ahead](std::vector<std::uint8_t>& stored) { return ahead->Decode(stored); };
    }
    while (true) {
        DataAreaFile file;
        const DataAreaStep step = walker.Next(file);
        if (step.errorCode != 0)
            return Fail(std::move(result), step.errorCode);
        if (step.finished)
            break;
        result.files.push_back({file.record, file.data.size()});
    }
    // Signing rewrites the headers the file check covers; for a signed file the engine lets
    // the signature decide instead, so only an unsigned file must match.
    result.signed_ = lookup.layout.certificateSize != 0;
    if (!result.signed_ && result.computedFileCheck != result.header.fileCheck)
        return Fail(std::move(result), payload_error::kProgramFileCheck);
    return result;
}

int InspectSetup(const std::filesystem::path& path, std::FILE* out, std::FILE* err) {
    std::string readError;
    const auto image = ReadWholeFile(path, readError);
    const std::u8string name8 = path.u8string();
    const std::string name(name8.begin(), name8.end());
    if (!image) {
        std::fprintf(err, "vantrel-build: cannot read \"%s\": %s\n", name.c_str(), readError.c_str());
        return 1;
    }
    const InspectedSetup setup = ReadSetup(*image);
    const PayloadHeader& h = setup.header;
    const Settings& s = setup.settings;
    if (setup.errorCode == 0 || !setup.files.empty() || !s.productName.empty()) {
        std::fprintf(out, "%s: %zu bytes, payload section at offset %zu\n", name.c_str(), image->size(),
                     setup.sectionOffset);
        std::fprintf(out, "\nHeader\n");
        std::fprintf(out, "  engine version   %s\n", h.engineVersion.c_str());
        std::fprintf(out, "  ProductFlags2    0x%08X%s\n", h.productFlags2,
                     h.cipherKey ? " (enciphered)" : "");
        std::fprintf(out, "  settings         %d bytes, check 0x%08X\n", h.settingsSize, h.settingsCheck);
        std::fprintf(out, "  data area        %d bytes, check 0x%08X, %s\n", h.dataSize, h.dataCheck,
                     s.dataInFile ? "after the section" : "inside the section");
        std::fprintf(out, "  file check       0x%08X (computed 0x%08X)%s\n", h.fileCheck,
                     setup.computedFileCheck, setup.signed_ ? ", signed: the signature decides" : "");
        std::fprintf(out, "  files            %zu\n", h.FileCount());
        std::fprintf(out, "\nSettings\n");
        std::fprintf(out, "  product          %s %s\n", Narrow(s.productName).c_str(),
                     Narrow(s.productVersion).c_str());
        std::fprintf(out, "  company          %s\n", Narrow(s.companyName).c_str());
        std::fprintf(out, "  title            %s\n", Narrow(s.displayTitle).c_str());
        std::fprintf(out, "  install folder   %s\n", Narrow(s.defaultInstallFolder).c_str());
        std::fprintf(out, "  start menu       %s\n", Narrow(s.startMenuFolder).c_str());
        std::fprintf(out, "  ProductFlags     low 0x%08X, high 0x%08X\n", s.productFlagsLow,
                     s.productFlagsHigh);
        std::string options;
        for (const OptionFlag& flag : OptionFlags()) {
            const std::uint32_t word = flag.word == FlagWord::kLow    ? s.productFlagsLow
                                       : flag.word == FlagWord::kHigh ? s.productFlagsHigh
                                                                      : h.productFlags2;
            if (word & flag.bit)
                options += " " + std::string(flag.name);
        }
        std::fprintf(out, "  options         %s\n", options.c_str());
        std::fprintf(out,
                     "  lists            %zu shortcuts, %zu associations, %zu saved values, %zu deletions, "
                     "%zu applications to close\n",
                     s.shortcuts.size(), s.associations.size(), s.savedValues.size(),
                     s.conditionalDeletions.size(), s.autoClose.size());
        std::fprintf(out, "  licences/readmes %zu / %zu\n", s.licenceTexts.size(), s.readmeTexts.size());
        std::fprintf(out, "\nLanguages (%zu messages each)\n", s.messages.MessageCount());
        for (std::size_t i = 0; i < s.messages.LanguageCount(); ++i) {
            std::fprintf(out, "  %s%s\n", Narrow(s.messages.LanguageName(i)).c_str(),
                         i == s.messages.DefaultLanguage() ? " (default)" : "");
        }
        std::fprintf(out, "\nFiles\n");
        std::uint64_t total = 0;
        for (const InspectedFile& file : setup.files) {
            total += file.size;
            std::string destination = Narrow(file.record.destination);
            if (destination.empty())
                destination = (file.record.flags & file_flags::kToUninstallDir) ? "<uninstall dir>" : "";
            std::fprintf(out, "  %12llu  %-19s %-21s %s  %s%s%s\n",
                         static_cast<unsigned long long>(file.size),
                         std::string(DestinationKindName(file.record.kind)).c_str(),
                         std::string(ReplaceModeName(file.record.flags)).c_str(),
                         TimeText(file.record.fileTime).c_str(), file.record.name.c_str(),
                         destination.empty() ? "" : " -> ", destination.c_str());
        }
        std::fprintf(out, "  %12llu  bytes in %zu files\n", static_cast<unsigned long long>(total),
                     setup.files.size());
    }
    if (setup.errorCode != 0) {
        if (setup.errorCode > 0) {
            std::fprintf(err, "vantrel-build: %s is damaged: error code %d: %s\n", name.c_str(),
                         setup.errorCode, setup.problem.c_str());
        } else {
            std::fprintf(err, "vantrel-build: %s: %s\n", name.c_str(), setup.problem.c_str());
        }
        return 1;
    }
    std::fprintf(out, "\nAll checksums verified.\n");
    return 0;
}

}  // namespace vantrel::builder
