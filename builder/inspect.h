#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "format/file_record.h"
#include "format/payload_header.h"
#include "format/settings.h"

namespace vantrel::builder {

struct InspectedFile {
    FileRecord record;
    std::uint64_t size = 0;
};

// Everything read back from an installer. `errorCode` is 0 when every check passed,
// otherwise the payload error code the engine would end with (or one of the codes below).
struct InspectedSetup {
    int errorCode = 0;
    std::string problem;  // what went wrong, in words
    std::size_t sectionOffset = 0;
    std::uint32_t computedFileCheck = 0;
    bool signed_ = false;  // the file carries a certificate table
    PayloadHeader header;
    Settings settings;
    std::vector<InspectedFile> files;
};

// Not payload error codes: the file has no payload section, or the engine version differs.
inline constexpr int kInspectNoPayload = -1;
inline constexpr int kInspectVersionMismatch = -3;

// Reads and verifies an installer image the way the engine does: the PE headers, the
// payload header, the settings block and stream, every data block and file check, and the
// header's file check.
InspectedSetup ReadSetup(const std::vector<std::uint8_t>& image);

// The meaning of a payload error code or of one of the codes above, for messages.
std::string InspectErrorMeaning(int code);

// Prints what an installer carries (header, settings summary, languages, files) after
// decoding every data block and verifying every checksum. Returns 0 when all is well, 1 when
// the file is damaged or unreadable (the error code and its meaning go to `err`).
int InspectSetup(const std::filesystem::path& path, std::FILE* out, std::FILE* err);

}  // namespace vantrel::builder
