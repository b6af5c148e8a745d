#include "builder/setup_builder.h"

#include <cstdlib>
#include <cstring>

#include "builder/toml_table_reader.h"
#include "format/checksum.h"
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
    if (lookup.errorCode == kErrorPeHeaderOffset) {
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

Bytes BuildSetup(const Bytes& stub, const Project& project, const BuildProgress& progress,
                 BuildSummary* summary) {
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
        input.readData = [source = file.source, size = file.size, name = file.record.name]() {
            std::string error;
            auto data = ReadWholeFile(source, error);
            if (!data)
                throw BuildError("cannot read \"" + PathText(source) + "\": " + error);
            if (data->size() != size)
                throw BuildError("\"" + PathText(source) + "\" changed while the installer was built");
            return std::move(*data);
        };
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
    options.progress = progress;
    PayloadImage image;
    Bytes output;
    std::size_t sectionOffset = 0;
    try {
        image = WritePayload(settings, inputs, options);
        output = AppendSection(stub, kPayloadSectionName, image.section, image.trailingData, &sectionOffset);
    } catch (const BuildError&) {
        throw;
    } catch (const std::exception& error) {
        throw BuildError(error.what());
    }
    // The file check covers the program file from PE header + 92 up to the payload's raw data.
    const std::uint32_t fileCheck =
        ProgramFileCheck(std::span<const std::uint8_t>(output.data(), sectionOffset));
    WriteU32(output, sectionOffset + image.fileCheckOffset, fileCheck);
    if (summary)
        *summary = BuildSummary{total, inputs.size(), dataInFile, sectionOffset, fileCheck};
    return output;
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
