#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// The registry types an instruction names (the Windows REG_ codes); any other number is
// written as that type with no data.
namespace registry_type {
inline constexpr std::uint32_t kString = 1;
inline constexpr std::uint32_t kExpandString = 2;
inline constexpr std::uint32_t kBinary = 3;
inline constexpr std::uint32_t kDword = 4;
inline constexpr std::uint32_t kQword = 11;
}  // namespace registry_type

// What installation and uninstallation do with an instruction's value.
namespace registry_mode {
inline constexpr std::uint32_t kWriteKeep = 1;
inline constexpr std::uint32_t kDeleteAtUninstall = 2;
inline constexpr std::uint32_t kWriteDelete = 3;
inline constexpr std::uint32_t kDeleteAtInstall = 4;
inline constexpr std::uint32_t kDeleteAlways = 5;
inline constexpr std::uint32_t kWriteIfAbsent = 6;
}  // namespace registry_mode

// One record of the registry-instruction text: a key to create (keyOnly), or one value of
// a key. Key paths have the form "\HKLM\Software\Example"; "\HKAU\" stands for every user.
struct RegistryInstruction {
    std::wstring keyPath;
    bool keyOnly = false;
    std::wstring valueName;  // empty: the key's default value
    std::uint32_t type = registry_type::kString;
    std::wstring data;  // as written: text, hexadecimal digits or a decimal number
    std::uint32_t mode = registry_mode::kWriteDelete;

    bool operator==(const RegistryInstruction&) const = default;
};

// The records of the text (comma-separated, one per line). One-field records are keys to
// create (an empty one is dropped); five-field records act on a value; records of any
// other length do nothing and are left out. Type and mode are decimal numbers with an
// optional sign; what is not a number reads as 0.
std::vector<RegistryInstruction> ReadRegistryInstructions(std::wstring_view text);

// Every record of the text in order, as the registry step walks it: a key, a value, or a
// record of another length (illegal), each with the text it was read from.
struct RegistryRecord {
    enum class Shape { kKey, kValue, kIllegal };
    Shape shape = Shape::kIllegal;
    RegistryInstruction instruction;  // for keys and values
    std::wstring text;                // the record as written
};
std::vector<RegistryRecord> ReadRegistryRecords(std::wstring_view text);

// The bytes a value record writes for `type` and its data field (already expanded where the
// type asks for it): strings as their UTF-16 units without a terminating zero; binary as
// pairs of hexadecimal digits once spaces are removed (a text that is not such pairs is
// written as its own UTF-16 units); a DWORD from a signed decimal number (low 32 bits); a
// QWORD from unsigned decimal digits; any other type has no data. Little-endian throughout.
std::vector<std::uint8_t> RegistryValueBytes(std::uint32_t type, std::wstring_view data);

// The text of the records, each ending with CR LF.
std::wstring WriteRegistryInstructions(const std::vector<RegistryInstruction>& instructions);

}  // namespace vantrel
