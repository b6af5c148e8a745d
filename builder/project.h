#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "format/file_record.h"
#include "format/settings.h"

namespace vantrel::builder {

// A mistake in a project file, already formatted as "FILE:LINE: [table] 'key': what is wrong".
class ProjectError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One file of the product as the project lists it, after its source pattern was expanded.
struct ProjectFile {
    std::filesystem::path source;  // the file to read
    FileRecord record;             // name, kind, flags, texts; fileTime is filled from the source
    bool takeSourceTime = true;
    std::uint64_t size = 0;
};

enum class DataPlacement { kAutomatic, kInSection, kInFile };

struct BuildOptions {
    std::uint32_t xzPreset = 6;
    std::size_t blockSize = 8u << 20;
    bool compress = true;
    std::optional<std::array<std::uint8_t, 8>> cipherKey;
    DataPlacement dataPlacement = DataPlacement::kAutomatic;
    // Threads compressing blocks; 0 means one per core. Set from the command line (--jobs),
    // never from the project: it changes the build time, not the installer.
    unsigned threads = 0;
};

// Data areas above this size go after the section (the data-in-file form) unless the
// project says otherwise.
inline constexpr std::uint64_t kDataInFileThreshold = 64ull << 20;

struct Project {
    std::filesystem::path path;  // the project file
    Settings settings;           // everything but the data placement, which the build decides
    std::uint32_t productFlags2 = 0;
    BuildOptions build;
    std::vector<ProjectFile> files;
};

// Parses a project. `displayName` names the file in error messages; relative paths in the
// project (sources, licences, icons...) are taken relative to `baseFolder`. Reads the files
// the settings refer to and expands the file patterns (sorted, so that builds are
// reproducible), taking sizes and times from the sources. Throws ProjectError.
Project ParseProject(std::string_view text, const std::string& displayName,
                     const std::filesystem::path& baseFolder);

// Reads and parses a project file. Throws ProjectError (also when the file cannot be read).
Project LoadProject(const std::filesystem::path& path);

}  // namespace vantrel::builder
