// The [registry] table: registry entries become the registry-instruction text.
#include "builder/project_tables.h"

#include <algorithm>

#include "builder/option_flags.h"
#include "builder/project.h"
#include "builder/project_fields.h"
#include "builder/source_glob.h"
#include "builder/text_encoding.h"
#include "builder/toml_table_reader.h"

namespace vantrel::builder {
namespace {

std::string CsvField(const std::string& text) {
    const bool quote = text.empty() || text.find_first_of(",\"\r\n") != std::string::npos ||
                       text.front() == ' ' || text.front() == '\t' || text.back() == ' ' ||
                       text.back() == '\t';
    if (!quote)
        return text;
    std::string out = "\"";
    for (char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

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
    std::string text;
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
            type = entry.Choice<std::uint32_t>(
                "type", {{"string", 1}, {"expand-string", 2}, {"binary", 3}, {"dword", 4}, {"qword", 11}},
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
        const auto mode = entry.Choice<std::uint32_t>("mode",
                                                      {{"write-keep", 1},
                                                       {"delete-at-uninstall", 2},
                                                       {"write-delete", 3},
                                                       {"delete-at-install", 4},
                                                       {"delete-always", 5},
                                                       {"write-if-absent", 6}},
                                                      "registry mode");
        entry.Finish();
        if (!hasValue) {
            text += CsvField(path) + "\r\n";
            continue;
        }
        const std::uint32_t valueType = type.value_or(1);
        if (valueType == 3) {
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
        if (valueType == 4 || valueType == 11) {
            const bool negativeOk = valueType == 4;
            std::size_t start = (!data.empty() && (data[0] == '-' || data[0] == '+') && negativeOk) ? 1 : 0;
            if (data.size() == start ||
                !std::all_of(data.begin() + static_cast<std::ptrdiff_t>(start), data.end(),
                             [](char c) { return c >= '0' && c <= '9'; })) {
                entry.Fail("data", "a number value needs decimal digits");
            }
        }
        text += CsvField(path) + "," + CsvField(name.value_or("")) + "," + std::to_string(valueType) + "," +
                CsvField(data) + "," + std::to_string(mode.value_or(3)) + "\r\n";
    }
    return *Utf8ToUtf16(text);
}

}  // namespace

void ReadRegistry(TableReader table, Settings& s) {
    SetBytes(table, "merge_file", s.registryMergeText);
    s.registryInstructions = ReadRegistryEntries(table.TableArray("entries"));
    table.Finish();
}

}  // namespace vantrel::builder
