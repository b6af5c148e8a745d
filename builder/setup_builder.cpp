#include "builder/setup_builder.h"

#include <cstdlib>
#include <cstring>

#include "builder/output_file.h"
#include "builder/source_file_reader.h"
#include "builder/toml_table_reader.h"
#include "format/checksum.h"
#include "format/ordered_work_pool.h"
#include "format/pe_layout.h"
#include "format/payload_header.h"
#include "format/payload_writer.h"
#include "format/pe_section_writer.h"

namespace vantrel::builder {
namespace {

void WriteU32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::string PathText(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::optional<std::filesystem::path> EngineVariable() {
#ifdef _WIN32
    const wchar_t* value = _wgetenv(L"VANTREL_ENGINE");
#else
    const char* value = std::getenv("VANTREL_ENGINE");
#endif
    if (!value || !*value)
        return std::nullopt;
    return std::filesystem::path(value);
}

}  // namespace

void CheckEngineStub(const Bytes& stub) {
    const PeLookup lookup = ReadPeLayout(stub.data(), stub.size());
    if (lookup.errorCode == payload_error::kPeHeaderOffset) {
        throw BuildError("the engine is not a Windows program file (bad PE header offset)");
    }
    if (lookup.errorCode != 0)
        throw BuildError("the engine's section table is not usable (error " +
                         std::to_string(lookup.errorCode) + ")");
    if (lookup.payloadIndex) {
        throw BuildError(
            "the engine already carries a \".setup\" section; use the plain engine, not a built installer");
    }
}

namespace {

// Where BuildInto puts the installer. The data area comes first, at an offset known before
// any data is read; the leading part (program headers, stub, payload header and settings)
// depends on the data's size and checks and comes last.
class SetupTarget {
  public:
    virtual ~SetupTarget() = default;
    virtual void BeginData(std::uint64_t offset) = 0;
    virtual void Data(std::span<const std::uint8_t> bytes) = 0;
    // `padding` zero bytes follow the data area (they fill the section's raw size).
    virtual void Finish(const Bytes& leadingPart, std::uint64_t padding) = 0;
};

class MemoryTarget : public SetupTarget {
  public:
    void BeginData(std::uint64_t) override {}
    void Data(std::span<const std::uint8_t> bytes) override {
        data_.insert(data_.end(), bytes.begin(), bytes.end());
    }
    void Finish(const Bytes& leadingPart, std::uint64_t padding) override {
        output_.reserve(leadingPart.size() + data_.size() + static_cast<std::size_t>(padding));
        output_ = leadingPart;
        output_.insert(output_.end(), data_.begin(), data_.end());
        output_.resize(output_.size() + static_cast<std::size_t>(padding), 0);
        data_ = Bytes();
    }
    Bytes Take() { return std::move(output_); }

  private:
    Bytes data_;
    Bytes output_;
};

class FileTarget : public SetupTarget {
  public:
    explicit FileTarget(const std::filesystem::path& path) : file_(path) {}
    void BeginData(std::uint64_t offset) override { file_.Seek(offset); }
    void Data(std::span<const std::uint8_t> bytes) override { file_.Write(bytes); }
    void Finish(const Bytes& leadingPart, std::uint64_t padding) override {
        file_.WriteZeros(padding);
        file_.Seek(0);
        file_.Write(leadingPart);
        file_.Commit();
    }

  private:
    OutputFile file_;
};

void BuildInto(const Bytes& stub, const Project& project, const BuildProgress& progress,
               BuildSummary* summary, SetupTarget& target) {
    CheckEngineStub(stub);
    Settings settings = project.settings;
    std::uint64_t total = 0;
    std::vector<PayloadFileInput> inputs;
    inputs.reserve(project.files.size());
    for (const ProjectFile& file : project.files) {
        total += file.size;
        PayloadFileInput input;
        input.record = file.record;
        input.size = file.size;
        input.openData = [source = file.source, size = file.size] { return OpenSourceFile(source, size); };
        inputs.push_back(std::move(input));
    }
    const bool dataInFile =
        project.build.dataPlacement == DataPlacement::kInFile ||
        (project.build.dataPlacement == DataPlacement::kAutomatic && total > kDataInFileThreshold);
    settings.dataInFile = dataInFile ? 1 : 0;

    PayloadWriteOptions options;
    options.productFlags2 = project.productFlags2;
    options.cipherKey = project.build.cipherKey;
    options.xzPreset = project.build.xzPreset;
    options.blockSize = project.build.blockSize;
    options.threads = project.build.threads != 0 ? project.build.threads : AvailableCores();
    options.progress = progress;
    try {
        PayloadWriter writer(settings, inputs, options);
        // Where the section's raw data begins does not depend on its size, so the data area's
        // place in the file is known before any of it is written.
        const std::size_t sectionOffset =
            AppendSectionHeaders(stub, kPayloadSectionName, writer.HeadSize(), 0, nullptr).size();
        target.BeginData(sectionOffset + writer.HeadSize());
        std::uint64_t dataSize = 0;
        Bytes head = writer.WriteDataArea([&](std::span<const std::uint8_t> bytes) {
            dataSize += bytes.size();
            target.Data(bytes);
        });
        std::uint64_t padding = 0;
        Bytes leading =
            AppendSectionHeaders(stub, kPayloadSectionName, dataInFile ? head.size() : head.size() + dataSize,
                                 dataInFile ? dataSize : 0, &padding);
        if (leading.size() != sectionOffset)
            throw BuildError("the payload section moved while the installer was built");
        // The file check covers the program file from PE header + 92 up to the payload's raw data.
        const std::uint32_t fileCheck = ProgramFileCheck(leading);
        WriteU32(head, writer.FileCheckOffset(), fileCheck);
        leading.insert(leading.end(), head.begin(), head.end());
        target.Finish(leading, padding);
        if (summary) {
            *summary = BuildSummary{total,         inputs.size(), dataInFile,
                                    sectionOffset, fileCheck,     leading.size() + dataSize + padding};
        }
    } catch (const BuildError&) {
        throw;
    } catch (const std::exception& error) {
        throw BuildError(error.what());
    }
}

}  // namespace

Bytes BuildSetup(const Bytes& stub, const Project& project, const BuildProgress& progress,
                 BuildSummary* summary) {
    MemoryTarget target;
    BuildInto(stub, project, progress, summary, target);
    return target.Take();
}

void WriteSetupFile(const Bytes& stub, const Project& project, const std::filesystem::path& output,
                    const BuildProgress& progress, BuildSummary* summary) {
    CheckEngineStub(stub);  // before the output file is created
    FileTarget target(output);
    BuildInto(stub, project, progress, summary, target);
}

Bytes LoadEngineStub(const std::optional<std::filesystem::path>& explicitPath,
                     const std::filesystem::path& builderProgram) {
    std::filesystem::path path;
    std::string origin;
    if (explicitPath) {
        path = *explicitPath;
        origin = "--engine";
    } else if (const auto variable = EngineVariable()) {
        path = *variable;
        origin = "VANTREL_ENGINE";
    } else {
        path = builderProgram.parent_path() / "vantrel-setup.exe";
        origin = "the builder's folder";
    }
    std::string error;
    auto bytes = ReadWholeFile(path, error);
    if (!bytes) {
        throw BuildError("cannot read the engine \"" + PathText(path) + "\" (from " + origin + "): " + error +
                         "; give its path with --engine or VANTREL_ENGINE");
    }
    return std::move(*bytes);
}

}  // namespace vantrel::builder
