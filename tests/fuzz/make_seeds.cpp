// Writes the harnesses' seed corpora: installers built from the example project and from
// small test payloads, taken apart into each harness's input.
//   make_seeds SOURCE_DIR OUTPUT_DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "builder/project.h"
#include "builder/setup_builder.h"
#include "format/blowfish.h"
#include "format/byte_writer.h"
#include "format/data_area.h"
#include "format/payload_header.h"
#include "format/pe_layout.h"
#include "format/settings_block.h"
#include "format/xz_codec.h"
#include "host/builder_test_support.h"

using namespace vantrel;
namespace fs = std::filesystem;

namespace {

fs::path g_out;

void Seed(const std::string& harness, const std::string& name, const Bytes& bytes) {
    const fs::path folder = g_out / harness;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void Seed(const std::string& harness, const std::string& name, const std::string& text) {
    Seed(harness, name, Bytes(text.begin(), text.end()));
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// One installer taken apart: the whole file, its payload section, the section with its
// settings block decoded, the settings stream, and the data area's decoded blocks.
void SeedsFromSetup(const std::string& name, const Bytes& setup) {
    Seed("inspect", name, setup);
    Seed("pe_layout", name, setup);
    const PeLookup lookup = ReadPeLayout(setup.data(), setup.size());
    if (!lookup.payloadIndex)
        return;
    const PeSection& placed = lookup.layout.sections[*lookup.payloadIndex];
    const std::size_t end =
        std::min<std::size_t>(setup.size(), std::size_t{placed.pointerToRawData} + placed.sizeOfRawData);
    const Bytes section(setup.begin() + static_cast<std::ptrdiff_t>(placed.pointerToRawData),
                        setup.begin() + static_cast<std::ptrdiff_t>(end));
    Seed("payload_settings", name, section);

    PayloadHeader header;
    if (ReadPayloadHeader(section, kPayloadEngineVersion, header).errorCode != 0)
        return;
    std::optional<Blowfish> cipher;
    if (header.cipherKey)
        cipher.emplace(*header.cipherKey);
    Bytes stream(section.begin() + static_cast<std::ptrdiff_t>(header.length),
                 section.begin() + static_cast<std::ptrdiff_t>(header.DataOffset()));
    if (!DecodeSettingsBlock(stream, header.settingsCheck, cipher ? &*cipher : nullptr))
        return;
    Seed("settings_stream", name, stream);
    PayloadHeader plain = header;
    plain.settingsSize = static_cast<std::int32_t>(stream.size());
    Bytes rechecked = WritePayloadHeader(plain);
    rechecked.insert(rechecked.end(), stream.begin(), stream.end());
    Seed("payload_rechecked", name, rechecked);

    // The data area: in the section, or after it to the end of the file.
    const std::size_t areaStart = header.dataEnd > 0 &&
                                          static_cast<std::uint64_t>(header.dataEnd) <= section.size() &&
                                          header.DataOffset() < static_cast<std::uint64_t>(header.dataEnd)
                                      ? placed.pointerToRawData + header.DataOffset()
                                      : placed.pointerToRawData + placed.sizeOfRawData;
    const bool compressed = true;  // the builder compresses unless told otherwise
    ByteWriter input;
    input.U8(static_cast<std::uint8_t>((compressed ? 1 : 0) | (cipher ? 2 : 0)));
    input.U8(static_cast<std::uint8_t>(std::min<std::size_t>(header.FileCount(), 64)));
    for (std::size_t i = 0; i < std::min<std::size_t>(header.FileCount(), 64); ++i)
        input.I32(header.fileSizes[i]);
    std::size_t at = areaStart;
    while (at + 8 <= setup.size()) {
        const std::uint32_t stored = LoadU32(setup.data() + at);
        if (stored == 0 || at + 8 + stored > setup.size())
            break;
        Bytes block(setup.begin() + static_cast<std::ptrdiff_t>(at + 8),
                    setup.begin() + static_cast<std::ptrdiff_t>(at + 8 + stored));
        at += 8 + stored;
        if (cipher)
            DecipherBuffer(block, *cipher);
        if (compressed && !XzDecode(block, kMaxDataBlockSize))
            break;
        for (std::size_t offset = 0; offset < block.size(); offset += 0xFFFF) {
            const std::size_t n = std::min<std::size_t>(0xFFFF, block.size() - offset);
            input.U8(static_cast<std::uint8_t>(n));
            input.U8(static_cast<std::uint8_t>(n >> 8));
            input.Raw(std::span<const std::uint8_t>(block.data() + offset, n));
        }
    }
    Seed("data_area", name, input.Bytes());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_seeds SOURCE_DIR OUTPUT_DIR\n");
        return 2;
    }
    const fs::path source = argv[1];
    g_out = argv[2];
    const fs::path example = source / "examples" / "hello";
    const std::string exampleText = ReadText(example / "hello.toml");

    // Project files: the example, small ones, and the ones that once broke the TOML reader.
    Seed("project", "hello.toml", exampleText);
    Seed("project", "minimal.toml",
         std::string("[product]\nname = \"Minimal\"\n[[files]]\nsource = \"*.txt\"\n"));
    Seed("project", "open-bracket.toml", std::string("[\n"));
    Seed("project", "date-time.toml", std::string("r=2024-05-01T:"));
    Seed("project", "array-brace.toml", std::string("e=[}"));
    Seed("project", "ufecc.toml", std::string("\xEF\xBB\x8C"));

    // Command lines, as UTF-16 code units.
    const char* lines[] = {"setup.exe",
                           "\"C:\\Downloads\\setup.exe\" /silent",
                           "setup.exe /a /d:\"C:\\Program Files\\Hello\" /n:\"Hello World\"",
                           "uninstall.exe /u:\"Hello World\"",
                           "setup.exe /b1:echo /b2:\"x y\" /b3:z /r:cmd MIN",
                           "setup.exe /x"};
    int index = 0;
    for (const char* line : lines) {
        Bytes units;
        for (const char* c = line; *c; ++c) {
            units.push_back(static_cast<std::uint8_t>(*c));
            units.push_back(0);
        }
        Seed("command_line", "line" + std::to_string(index++), units);
    }

    // Installers from the example project in its different forms, on a small stand-in engine.
    const Bytes stub = test::FakeEngineStub();
    builder::Project project = builder::LoadProject(example / "hello.toml");
    SeedsFromSetup("hello", builder::BuildSetup(stub, project));
    project.build.cipherKey = std::array<std::uint8_t, 8>{0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
    SeedsFromSetup("hello-enciphered", builder::BuildSetup(stub, project));
    project.build.cipherKey.reset();
    project.build.dataPlacement = builder::DataPlacement::kInFile;
    SeedsFromSetup("hello-data-in-file", builder::BuildSetup(stub, project));
    project.build.dataPlacement = builder::DataPlacement::kInSection;
    project.build.blockSize = 4096;
    SeedsFromSetup("hello-small-blocks", builder::BuildSetup(stub, project));
    Seed("pe_layout", "stub", stub);
    return 0;
}
