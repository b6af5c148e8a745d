// The [registry] table: registry entries become the registry-instruction text.
#include "builder/project_tables.h"

#include <algorithm>

#include "builder/option_flags.h"
#include "builder/project.h"
#include "builder/project_fields.h"
#include "builder/source_glob.h"
#include "builder/text_encoding.h"
#include "builder/toml_table_reader.h"
#include "format/registry_instructions.h"

namespace vantrel::builder {
namespace {

std::string RegistryKeyPath(TableReader& table, const std::string& text) {
    static constexpr std::pair<std::string_view, std::string_view> kRoots[] = {
        {"HKEY_LOCAL_MACHINE", "HKLM"},
        {"HKEY_CURRENT_USER", "HKCU"},
        {"HKEY_CLASSES_ROOT", "HKCR"},
        {"HKEY_USERS", "HKU"},
        {"HKEY_CURRENT_CONFIG", "HKCC"},
        {"HKEY_DYN_DATA", "HKDD"},
        {"HKAU", "HKAU"}};
    std::string path = text;
    if (!path.empty() && path.front() == '\\')
        path.erase(0, 1);
    const std::size_t slash = path.find('\\');
    const std::string root = path.substr(0, slash);
    for (const auto& [longName, shortName] : kRoots) {
        if (root == longName || root == shortName) {
            return "\\" + std::string(shortName) + "\\" +
                   (slash == std::string::npos ? "" : path.substr(slash + 1));
        }
    }
    table.Fail(
        "key",
        "the key must begin with a root such as \"HKLM\\\", \"HKCU\\\", \"HKCR\\\" or \"HKAU\\\" (found \"" +
            text + "\")");
}

std::wstring ReadRegistryEntries(std::vector<TableReader> entries) {
    std::vector<RegistryInstruction> instructions;
    for (TableReader& entry : entries) {
        const auto key = entry.String("key");
        if (!key || key->empty())
            entry.Fail("key", "every registry entry needs a key");
        const std::string path = RegistryKeyPath(entry, *key);
        const bool hasValue =
            entry.Has("name") || entry.Has("type") || entry.Has("data") || entry.Has("mode");
        const auto name = entry.String("name");
        std::optional<std::uint32_t> type;
        if (const toml::node* node = entry.Get("type"); node && node->as_integer()) {
            type = static_cast<std::uint32_t>(*entry.Integer("type", 0, 0xFFFF));
        } else {
            type = entry.Choice<std::uint32_t>("type",
                                               {{"string", registry_type::kString},
                                                {"expand-string", registry_type::kExpandString},
                                                {"binary", registry_type::kBinary},
                                                {"dword", registry_type::kDword},
                                                {"qword", registry_type::kQword}},
                                               "value type");
        }
        std::string data;
        if (const toml::node* node = entry.Get("data")) {
            if (const auto* number = node->as_integer()) {
                data = std::to_string(number->get());
            } else if (const auto* string = node->as_string()) {
                data = string->get();
            } else {
                entry.FailAt(*node, "data", "expected a string or an integer");
            }
        }
        const auto mode =
            entry.Choice<std::uint32_t>("mode",
                                        {{"write-keep", registry_mode::kWriteKeep},
                                         {"delete-at-uninstall", registry_mode::kDeleteAtUninstall},
                                         {"write-delete", registry_mode::kWriteDelete},
                                         {"delete-at-install", registry_mode::kDeleteAtInstall},
                                         {"delete-always", registry_mode::kDeleteAlways},
                                         {"write-if-absent", registry_mode::kWriteIfAbsent}},
                                        "registry mode");
        entry.Finish();
        RegistryInstruction instruction;
        instruction.keyPath = *Utf8ToUtf16(path);
        if (!hasValue) {
            instruction.keyOnly = true;
            instructions.push_back(std::move(instruction));
            continue;
        }
        const std::uint32_t valueType = type.value_or(registry_type::kString);
        if (valueType == registry_type::kBinary) {
            std::size_t digits = 0;
            for (char c : data) {
                if (c == ' ')
                    continue;
                if (!std::isxdigit(static_cast<unsigned char>(c)))
                    entry.Fail("data", "binary data must be hexadecimal digits");
                ++digits;
            }
            if (digits % 2 != 0)
                entry.Fail("data", "binary data needs an even number of hexadecimal digits");
        }
        if (valueType == registry_type::kDword || valueType == registry_type::kQword) {
            const bool negativeOk = valueType == registry_type::kDword;
            std::size_t start = (!data.empty() && (data[0] == '-' || data[0] == '+') && negativeOk) ? 1 : 0;
            if (data.size() == start ||
                !std::all_of(data.begin() + static_cast<std::ptrdiff_t>(start), data.end(),
                             [](char c) { return c >= '0' && c <= '9'; })) {
                entry.Fail("data", "a number value needs decimal digits");
            }
        }
        instruction.valueName = *Utf8ToUtf16(name.value_or(""));
        instruction.type = valueType;
        instruction.data = *Utf8ToUtf16(data);
        instruction.mode = mode.value_or(registry_mode::kWriteDelete);
        instructions.push_back(std::move(instruction));
    }
    return WriteRegistryInstructions(instructions);
}

}  // namespace

void ReadRegistry(TableReader table, Settings& s) {
    SetBytes(table, "merge_file", s.registryMergeText);
    s.registryInstructions = ReadRegistryEntries(table.TableArray("entries"));
    table.Finish();
}

}  // namespace vantrel::builder
