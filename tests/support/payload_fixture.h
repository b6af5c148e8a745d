#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "format/payload_header.h"
#include "format/payload_writer.h"
#include "format/settings.h"

namespace vantrel::test {

// A setup.exe built in the test: the engine's bytes with a ".setup" section appended.
struct BuiltSetup {
    Bytes exe;
    std::size_t sectionOffset = 0;  // file offset of the section's raw data
    std::size_t headerLength = 0;   // bytes of the payload header
    std::size_t settingsSize = 0;
    std::size_t dataOffset = 0;  // file offset of the data area
    std::size_t dataSize = 0;

    // File offset of header byte `offset`.
    std::size_t HeaderAt(std::size_t offset) const { return sectionOffset + offset; }
    // Writes the file; false on failure.
    bool Save(const std::wstring& path) const;
    // Recomputes the header's file check over the current leading part.
    void PatchFileCheck();
};

// Settings that read without a fault: one language ("English") and a few messages; an
// interactive run asks no start question and shows no notice at the end.
Settings FixtureSettings(const std::wstring& productName);

// A payload file of `size` bytes that all hold `fill`.
PayloadFileInput FilledFile(const std::string& name, std::size_t size, std::uint8_t fill);

// Reads a whole file (the engine: VANTREL_ENGINE_EXE through HostPathToWindows).
Bytes ReadWholeFile(const std::wstring& path);

// Builds a setup.exe from the engine's bytes with WritePayload and AppendSection, and
// patches the file check.
BuiltSetup BuildSetup(const Bytes& engine, const Settings& settings,
                      const std::vector<PayloadFileInput>& files, const PayloadWriteOptions& options = {});

// Appends an already written (and possibly altered) payload to the engine's bytes.
BuiltSetup BuildSetupFromImage(const Bytes& engine, const PayloadImage& image);

// Builds a setup.exe whose settings block holds `stream` as it is (for streams the
// writer refuses to produce) and no files.
BuiltSetup BuildSetupFromStream(const Bytes& engine, const Bytes& stream);

// Builds a setup.exe whose settings block is `block` as stored (already scrambled with
// `settingsCheck`) and no files.
BuiltSetup BuildSetupFromSettingsBlock(const Bytes& engine, std::uint32_t settingsCheck, const Bytes& block);

// File offset of the header field that follows `headerField` in a built setup: offsets of
// fields 4 (settings size), 9 (data size), and the first file-size entry.
std::size_t SettingsSizeOffset(const BuiltSetup& setup);
std::size_t DataSizeOffset(const BuiltSetup& setup);
std::size_t FirstFileSizeOffset(const BuiltSetup& setup);

// The stream offset right after settings field `field` (7..91) was read.
std::size_t SettingsFieldEnd(const Bytes& stream, int field);

}  // namespace vantrel::test
