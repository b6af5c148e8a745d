#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

#include "engine/payload_section.h"
#include "run/run_state.h"
#include "format/blowfish.h"
#include "format/data_area.h"
#include "format/payload_header.h"
#include "format/settings.h"

namespace vantrel {

// The decoded payload of this program, read once at start and kept for the whole run.
struct Payload {
    PayloadSection section;
    // The section as the loader mapped it (module base + VirtualAddress).
    std::span<const std::uint8_t> mapped;
    PayloadHeader header;
    std::unique_ptr<Blowfish> cipher;  // with ProductFlags2 0x1000
    Settings settings;
    bool backgroundMaximized = false;      // ProductFlags high bit 0x100
    bool redirectionSwitchedOff = false;   // field 13 = 1 and the switch worked
    bool redirectionSwitchFailed = false;  // field 13 = 1 and it did not (reported later)
    // Without the payload section, when ProductFlags2 0x20 asks for it; the uninstaller.
    std::optional<Bytes> stubImage;
    // The data area, placed and verified (length and checksum).
    std::unique_ptr<DataAreaSource> dataArea;
};

// Reads the header, the settings and the message table from the mapped section, checks
// the program file's integrity when asked and builds the stub image, into `payload`. Ends
// the run through CorruptPayloadError or Fatal on any fault.
void ReadPayload(RunState& run, Payload& payload);

// Places the data area (in the section or in the file behind it) and verifies its length
// and checksum. The installation does this only after its first batch, which may still
// prepare the machine; a fault ends the run like any damaged payload.
void PlaceDataArea(RunState& run, Payload& payload);

// Engine-side pieces, exposed for the in-process tests.

// The settings of a section in memory (header, decoding, settings stream with the engine's
// hooks); `run.messages` points into the result once the messages are read.
void ReadHeaderAndSettings(RunState& run, Payload& payload);

// The stub image of a program file: the bytes before the section and, after it, the bytes
// that are neither section nor data area. Returns the payload error 42 in `error` when the
// bytes after the section cannot be read.
std::optional<Bytes> ReadStubImage(HANDLE file, const PeLayout& layout, std::size_t sectionIndex,
                                   std::optional<std::uint64_t> dataAreaStart, int& error);

}  // namespace vantrel
