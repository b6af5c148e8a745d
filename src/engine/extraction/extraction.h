#pragma once

#include <cstdint>

#include "engine/extraction/destination.h"
#include "engine/extraction/extraction_services.h"
#include "engine/extraction/extraction_state.h"
#include "format/data_area.h"
#include "format/decode_ahead.h"
#include "format/message_table.h"
#include "format/payload_header.h"

namespace vantrel {

class InstallLog;

// Everything the extraction reads.
struct ExtractionInputs {
    const PayloadHeader& header;
    DataAreaSource& dataArea;  // placed and verified
    BlockDecoding decoding;
    const DestinationFolders& folders;
    const MessageTable& messages;
    std::uint32_t productFlagsLow = 0;
    std::uint32_t productFlagsHigh = 0;
    bool silent = false;  // MSI packages then get interface level 2
    ExpandText expand;
    // Threads that decode blocks ahead of the writing; 0 decodes on the calling thread.
    unsigned decodeThreads = 0;
};

// Installs every file record of the data area by its rules: destination, replacement
// decision, folder, write, removal records and the hand-offs to later steps, each record
// inside a crash guard (a crash is logged and the next record follows). Returns 0, or the
// payload error code with which the run must end (the caller reports it as a damaged
// installer).
int ExtractFiles(const ExtractionInputs& inputs, const ExtractionServices& services, ExtractionState& state,
                 InstallLog& log);

// Message numbers the extraction shows.
inline constexpr std::size_t kMessageFolderFailed = 25;
inline constexpr std::size_t kMessageReadingData = 29;
inline constexpr std::size_t kMessageHiddenFile = 54;

}  // namespace vantrel
