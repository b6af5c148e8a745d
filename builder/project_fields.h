#pragma once

// Field helpers shared by the readers of the project-file tables.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "builder/project.h"
#include "builder/toml_table_reader.h"

namespace vantrel::builder {

void SetWide(TableReader& table, std::string_view key, std::wstring& field);

// An 8-bit field read with the Windows ANSI code page: the text must fit Windows-1252.
std::optional<std::string> AnsiText(TableReader& table, std::string_view key);

void SetAnsi(TableReader& table, std::string_view key, std::string& field);

// An 8-bit field in the encoded-text form (plain ASCII, or "|" and UTF-8).
void SetEncoded(TableReader& table, std::string_view key, std::string& field);

void SetBytes(TableReader& table, std::string_view key, Bytes& field);

// A text file (licence, readme): UTF-8 with or without a byte-order mark, or UTF-16LE with one.
std::wstring DecodeTextFile(TableReader& table, std::string_view key, const Bytes& bytes);

void SetFlag(std::uint32_t& word, std::uint32_t bit, bool on);

}  // namespace vantrel::builder
