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
#include "format/comma_separated.h"
#include "format/data_area.h"
#include "format/firewall_text.h"
#include "format/payload_header.h"
#include "format/pe_layout.h"
#include "format/registry_instructions.h"
#include "format/settings_block.h"
#include "format/uninstall_data_file.h"
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

// The uninstaller's record as an installation writes it, and damaged or odd ones.
void UninstallDataSeeds() {
    UninstallDataContent content;
    content.removalList = {
        "C:\\Program Files\\Hello\\readme.txt", "~C:\\Program Files\\Hello",
        "!\\HKLM\\Software\\Hello\\Version",    "^\\HKCU\\Software\\Hello",
        "*\\HKLM\\Software\\Hello64",           "|C:\\Programme\\Gr\xC3\xBC\xC3\x9F\\a.txt"};
    content.strings = {{10, L"Uninstall"}, {15, L"Remove \"%s\"?\r\nSecond line"}, {111, L"\u00dcbersicht"}};
    content.productTitle = L"Hello World";
    content.autoClose = {{L"Hello*", "HelloWindow", "hello.exe", 1, 2},
                         {L"Sp\u00e4t, \"x\"", "", "b.exe", 2, 4}};
    content.associations = {{".hlo", "Hello.Document", "open", L"C:\\Program Files\\Hello\\hello.exe,0"},
                            {".h\xC3\xA9", "Hello.Other", "edit", L"C:\\Gr\u00fc\u00df\\h.ico,-2"}};
    content.firewallLines = {"8080;Hello server;3;0", "|C:\\Program Files\\Hello\\hello.exe;;0;1"};
    content.infLines = {"C:\\Windows\\INF\\oem7.inf"};
    content.msiLines = {"\"C:\\Temp\\runtime.msi\",2"};
    content.registryScript =
        "\"\\HKLM\\Software\\Hello\",\"Path\",1,\"C:\\x\",3\r\n\\HKCU\\Software\\Hello\r\n";
    content.deletions = {{"*.log", 1, "", 8}, {"cache\\*", 2, "Hello, \"World\"", 9}, {"keep.txt", 0, "", 1}};
    const std::string full = BuildUninstallData(content);
    Seed("uninstall_data", "full", full);
    Seed("uninstall_data", "empty", BuildUninstallData({}));
    // The same with lone CRs as line ends.
    std::string crOnly;
    for (const char c : full)
        if (c != '\n')
            crOnly.push_back(c);
    Seed("uninstall_data", "cr-only", crOnly);
    Seed("uninstall_data", "odd",
         std::string(
             "a.txt\n\r\n\r[Strings]\r\n~10\r\n  first\r\n\r\n~\r\n~1001\r\nx\r\n~999\r\n[AutoClose]x\r\n"
             "[Associations]\r\n.a~!~b~!~~!~|\xC3\r\n~!~~!~~!~\r\n[MSI]\r\n\r\n[Registry2]\r\n  \r\n"
             "[ConditionalDelete]\r\n\"a,b\",-1,\"\"\"\",99999\r\n[Strings]\r\n~15\r\n[Firewall]\r\n"));
}

// A literal with the NUL bytes inside it.
template <std::size_t N>
std::string Raw(const char (&text)[N]) {
    return std::string(text, N - 1);
}

std::string Utf16Text(std::wstring_view text) {
    std::string units;
    for (const wchar_t c : text) {
        units.push_back(static_cast<char>(c & 0xFF));
        units.push_back(static_cast<char>((c >> 8) & 0xFF));
    }
    return units;
}

// UTF-16 and 8-bit texts of the line-based readers, from their writers and by hand.
void TextSeeds() {
    const std::vector<RegistryInstruction> instructions = {
        {L"\\HKLM\\Software\\Hello", true, L"", 1, L"", 3},
        {L"\\HKLM\\Software\\Hello", false, L"Path", registry_type::kString, L"C:\\Program Files\\Hello", 3},
        {L"\\HKCU\\Software\\Hello", false, L"", registry_type::kExpandString, L"%ProgramFiles%\\x", 1},
        {L"\\HKAU\\Software\\Hello", false, L"Bytes", registry_type::kBinary, L"01 02 fF 7a", 2},
        {L"\\hklm\\Software\\Hello", false, L"Count", registry_type::kDword, L"-42", 6},
        {L"\\HKLM\\Software\\Hello", false, L"Big", registry_type::kQword, L"18446744073709551615", 5},
        {L"\\HKLM\\Software\\Hello", false, L"Odd, \"quoted\"", 7, L" two\r\nlines ", 4}};
    Seed("registry_instructions", "written", Utf16Text(WriteRegistryInstructions(instructions)));
    Seed("registry_instructions", "by-hand",
         Utf16Text(L"\r\n  \t\r\n\\HKLM\\A,\"v\"\"x\",3,\"0 1 2\",3\n\\HKLM\\B,x,y\r\n\"\"\r\n"
                   L"\\HKLM\\C,\"a\r\nb\",1,\"unterminated,4\r\n\u00e4\u4e2d\\D,,11,99,+2"));
    Seed("comma_separated", "joined",
         JoinCommaRecord(
             {"plain", "", "with, comma", "\"quoted\"", " lead", "trail ", "tab\tin", "#hash", "a|b"}) +
             "\r\n" + JoinCommaRecord({"*.log", "1", "", "8"}) + "\r\n");
    Seed("comma_separated", "by-hand",
         std::string("a,\"b\r\nc\",d\n\n  ,\t\r\nx\"y,z\"w\r\n\"\"\"\",\"unterminated"));

    const std::vector<FirewallInstruction> rules = {
        {L"8080", L"Hello server", 3, false},
        {L"|C:\\Program Files\\Hello\\hello.exe", L"", 0, true},
        {L"|C:\\Gr\u00fc\u00df\\h.exe", L"Gr\u00fc\u00df", 1, true}};
    Seed("firewall_text", "written", Utf16Text(WriteFirewallText(rules)));
    Seed("firewall_text", "by-hand", Utf16Text(L"99999;big;3;x1\n\r;;;\r\r1;2;3;4\n"));
    Seed("firewall_text", "damaged", Utf16Text(L"80;web;1;0\r\n\r\n81;web;1;0\r\n"));

    Seed("notification_address", "tokens",
         Utf16Text(
             std::wstring(L"  https://example.com:8443/notify?v=%version%&s=%Session%&os=%OS%&n=%OSName%") +
             L'\0' + L"1.2 beta" + L'\0' + L"1f" + L'\0' + L"100" + L'\0' + L"10" + L'\0' + L"0" + L'\0' +
             L"10" + L'\0' + L"Windows 10 Pro x64 & more" + L'\0' + L"0"));
    Seed("notification_address", "plain", Utf16Text(L"http://example.com#frag"));
    Seed("notification_address", "odd", Utf16Text(L"HTTP://user@host:0/?q=%OSDescription%%%OS"));

    Seed("wininit_rename", "section",
         Raw("NUL\0C:\\WINDOWS\\old.dll\0[windows]\r\nx=1\r\n[Rename]\r\nNUL=a\r\n"));
    Seed("wininit_rename", "none", Raw("C:\\A.DLL\0C:\\TEMP\\A.TMP\0[boot]\nshell=x"));
    Seed("wininit_rename", "empty", Raw("NUL\0x\0"));

    // Text helpers: the first byte chooses the reader (see the harness).
    Seed("text_helpers", "encoded-plain", std::string("\0C:\\Program Files\\Hello"));
    Seed("text_helpers", "encoded-utf8", Raw("\0|C:\\Gr\xC3\xBC\xC3\x9F\xF0\x9F\x98\x80\xED\xA0\x80"));
    Seed("text_helpers", "versions",
         Raw("\x01"
             "1.2.10.3\0"
             "1.2.9b"));
    Seed("text_helpers", "file-version",
         Raw("\x01 65535.0.1.2 \0"
             "1,2,3"));
    Seed("text_helpers", "path",
         std::string("\x02") + Utf16Text(L"\\\\?\\UNC\\srv\\share\\a\\..\\..\\..\\b. \\c"));
    Seed("text_helpers", "path-drive", std::string("\x02") + Utf16Text(L"c:/x/./y//..\\z...\\"));
    Seed("text_helpers", "wildcard",
         std::string("\x03") + Utf16Text(std::wstring(L"*a?b*c*") + L'\0' + L"xaybzzc"));
    Seed("text_helpers", "format", std::string("\x04") + Utf16Text(L"%s %-5d|%08X|%u %% %lld %4096s %q"));
    Seed("text_helpers", "batch", std::string("\x05") + Utf16Text(L"copy \"C:\\50%\\a\" \u00fc\u4e2d"));

    // A small icon file with two images.
    ByteWriter icon;
    icon.U16(0);
    icon.U16(1);
    icon.U16(2);
    for (std::uint32_t i = 0; i < 2; ++i) {
        icon.U8(16), icon.U8(16), icon.U8(0), icon.U8(0), icon.U16(1), icon.U16(32);
        icon.U32(8);
        icon.U32(6 + 2 * 16 + 8 * i);
    }
    for (int i = 0; i < 16; ++i)
        icon.U8(static_cast<std::uint8_t>(i));
    Seed("icon_file", "two-images", icon.Bytes());
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
    UninstallDataSeeds();
    TextSeeds();
    return 0;
}
