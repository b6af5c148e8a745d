#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

#include "builder/project.h"
#include "format/settings.h"

namespace vantrel::builder {

// A failure while building the installer (engine stub unusable, a source file changed...).
class BuildError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct BuildSummary {
    std::uint64_t inputBytes = 0;  // sum of the product's file sizes
    std::size_t fileCount = 0;
    bool dataInFile = false;
    std::size_t sectionOffset = 0;  // file offset of the payload section's raw data
    std::uint32_t fileCheck = 0;
    std::uint64_t outputSize = 0;  // bytes of the installer
};

// Progress of the compression: bytes of file data done and in all.
using BuildProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;

// Refuses a stub that is not a usable program file or that already carries a payload.
void CheckEngineStub(const Bytes& stub);

// Makes the installer: the stub with the project's payload section appended and the
// header's file check filled in. The result depends only on the stub, the project and the
// source files' contents and times. The whole installer is returned in memory.
Bytes BuildSetup(const Bytes& stub, const Project& project, const BuildProgress& progress = {},
                 BuildSummary* summary = nullptr);

// Makes the same installer, byte for byte, straight into the file `output`: the source files
// are read and the data area written block by block, so memory stays at about one data block
// plus the settings whatever the product's size. The file appears under its name only when
// complete (it is written as "OUTPUT.partial" and renamed).
void WriteSetupFile(const Bytes& stub, const Project& project, const std::filesystem::path& output,
                    const BuildProgress& progress = {}, BuildSummary* summary = nullptr);

// The engine stub to use: `explicitPath`, else the VANTREL_ENGINE environment variable, else
// vantrel-setup.exe beside the builder program. Throws BuildError when none can be read.
Bytes LoadEngineStub(const std::optional<std::filesystem::path>& explicitPath,
                     const std::filesystem::path& builderProgram);

}  // namespace vantrel::builder
