// Field helpers shared by the readers of the project-file tables.
#include "builder/project_fields.h"

#include "builder/option_flags.h"
#include "builder/project.h"
#include "builder/text_encoding.h"
#include "builder/toml_table_reader.h"
#include "format/byte_writer.h"
#include "format/byte_writer.h"
#include "format/payload_header.h"

namespace vantrel::builder {

void SetWide(TableReader& table, std::string_view key, std::wstring& field) {
    if (auto value = table.WideString(key))
        field = std::move(*value);
}

// An 8-bit field read with the Windows ANSI code page: the text must fit Windows-1252.
std::optional<std::string> AnsiText(TableReader& table, std::string_view key) {
    auto text = table.String(key);
    if (!text)
        return std::nullopt;
    auto ansi = Utf8ToWindows1252(*text);
    if (!ansi)
        table.Fail(key, "the text has characters that Windows-1252 cannot hold");
    if (ansi->find('\0') != std::string::npos)
        table.Fail(key, "the text must not contain a NUL character");
    return ansi;
}

void SetAnsi(TableReader& table, std::string_view key, std::string& field) {
    if (auto value = AnsiText(table, key))
        field = std::move(*value);
}

// An 8-bit field in the encoded-text form (plain ASCII, or "|" and UTF-8).
void SetEncoded(TableReader& table, std::string_view key, std::string& field) {
    if (auto value = table.String(key)) {
        if (value->find('\0') != std::string::npos)
            table.Fail(key, "the text must not contain a NUL character");
        field = EncodedText(*value);
    }
}

void SetBytes(TableReader& table, std::string_view key, Bytes& field) {
    if (auto value = table.FileBytes(key))
        field = std::move(*value);
}

// A text file (licence, readme): UTF-8 with or without a byte-order mark, or UTF-16LE with one.
std::wstring DecodeTextFile(TableReader& table, std::string_view key, const Bytes& bytes) {
    if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
        if (bytes.size() % 2 != 0)
            table.Fail(key, "the UTF-16 file has an odd length");
        return TextFromUtf16Bytes(
            std::span<const std::uint8_t>(bytes).subspan(2, (bytes.size() - 2) / 2 * 2));
    }
    std::size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF)
        start = 3;
    auto text = Utf8ToUtf16(
        std::string_view(reinterpret_cast<const char*>(bytes.data()) + start, bytes.size() - start));
    if (!text)
        table.Fail(key, "the file is neither UTF-8 nor UTF-16 with a byte-order mark");
    return *text;
}

void SetFlag(std::uint32_t& word, std::uint32_t bit, bool on) {
    word = on ? (word | bit) : (word & ~bit);
}

}  // namespace vantrel::builder
