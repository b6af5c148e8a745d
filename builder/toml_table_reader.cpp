#include "builder/toml_table_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "builder/project.h"
#include "builder/text_encoding.h"

namespace vantrel::builder {
namespace {

std::string TypeName(const toml::node& node) {
    switch (node.type()) {
        case toml::node_type::string:
            return "a string";
        case toml::node_type::integer:
            return "an integer";
        case toml::node_type::floating_point:
            return "a number";
        case toml::node_type::boolean:
            return "true or false";
        case toml::node_type::table:
            return "a table";
        case toml::node_type::array:
            return "an array";
        case toml::node_type::date:
            return "a date";
        case toml::node_type::time:
            return "a time";
        case toml::node_type::date_time:
            return "a date-time";
        default:
            return "nothing";
    }
}

// Edit distance, for "did you mean" hints on unknown keys.
std::size_t Distance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0u : 1u)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

TableReader::TableReader(const toml::table& table, std::string label, const std::string* fileName,
                         const std::filesystem::path* baseFolder)
    : table_(&table), label_(std::move(label)), fileName_(fileName), baseFolder_(baseFolder) {}

std::uint32_t TableReader::Line() const {
    return table_->source().begin.line;
}

const toml::node* TableReader::Get(std::string_view key) {
    known_.emplace(key);
    return table_->get(key);
}

void TableReader::FailAt(const toml::node& node, std::string_view key, const std::string& message) const {
    std::uint32_t line = node.source().begin.line;
    if (line == 0)
        line = Line();
    throw ProjectError(*fileName_ + ":" + std::to_string(line) + ": " +
                       (label_.empty() ? "" : "[" + label_ + "] ") + "'" + std::string(key) +
                       "': " + message);
}

void TableReader::Fail(std::string_view key, const std::string& message) const {
    const toml::node* node = table_->get(key);
    FailAt(node ? *node : static_cast<const toml::node&>(*table_), key, message);
}

std::optional<std::string> TableReader::String(std::string_view key) {
    const toml::node* node = Get(key);
    if (!node)
        return std::nullopt;
    if (const auto* value = node->as_string())
        return value->get();
    FailAt(*node, key, "expected a string, found " + TypeName(*node));
}

std::optional<std::wstring> TableReader::WideString(std::string_view key) {
    auto text = String(key);
    if (!text)
        return std::nullopt;
    auto wide = Utf8ToUtf16(*text);
    if (!wide)
        Fail(key, "the text is not valid UTF-8");
    return wide;
}

std::optional<bool> TableReader::Bool(std::string_view key) {
    const toml::node* node = Get(key);
    if (!node)
        return std::nullopt;
    if (const auto* value = node->as_boolean())
        return value->get();
    FailAt(*node, key, "expected true or false, found " + TypeName(*node));
}

std::optional<std::int64_t> TableReader::Integer(std::string_view key, std::int64_t minimum,
                                                 std::int64_t maximum) {
    const toml::node* node = Get(key);
    if (!node)
        return std::nullopt;
    const auto* value = node->as_integer();
    if (!value)
        FailAt(*node, key, "expected an integer, found " + TypeName(*node));
    if (value->get() < minimum || value->get() > maximum) {
        FailAt(*node, key,
               "value " + std::to_string(value->get()) + " is out of range (" + std::to_string(minimum) +
                   " to " + std::to_string(maximum) + ")");
    }
    return value->get();
}

std::optional<double> TableReader::Number(std::string_view key) {
    const toml::node* node = Get(key);
    if (!node)
        return std::nullopt;
    if (const auto* value = node->as_floating_point())
        return value->get();
    if (const auto* value = node->as_integer())
        return static_cast<double>(value->get());
    FailAt(*node, key, "expected a number, found " + TypeName(*node));
}

std::optional<std::uint32_t> TableReader::Color(std::string_view key) {
    const toml::node* node = Get(key);
    if (!node)
        return std::nullopt;
    if (const auto* value = node->as_integer()) {
        if (value->get() < 0 || value->get() > 0xFFFFFFFFll)
            FailAt(*node, key, "colour number out of range");
        return static_cast<std::uint32_t>(value->get());
    }
    if (const auto* value = node->as_string()) {
        const std::string& text = value->get();
        std::uint32_t rgb = 0;
        bool ok = text.size() == 7 && text[0] == '#';
        for (std::size_t i = 1; ok && i < 7; ++i) {
            const char c = text[i];
            std::uint32_t digit = 0;
            if (c >= '0' && c <= '9') {
                digit = static_cast<std::uint32_t>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                digit = static_cast<std::uint32_t>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                digit = static_cast<std::uint32_t>(c - 'A' + 10);
            } else {
                ok = false;
            }
            rgb = (rgb << 4) | digit;
        }
        if (!ok)
            FailAt(*node, key, "expected a colour like \"#336699\", found \"" + text + "\"");
        // COLORREF keeps red in the low byte.
        return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16);
    }
    FailAt(*node, key, "expected a colour like \"#336699\", found " + TypeName(*node));
}

std::optional<std::filesystem::path> TableReader::FilePath(std::string_view key) {
    const auto text = String(key);
    if (!text)
        return std::nullopt;
    if (text->empty())
        Fail(key, "the file name is empty");
    return ProjectPath(*baseFolder_, *text);
}

std::optional<Bytes> TableReader::FileBytes(std::string_view key) {
    const auto path = FilePath(key);
    if (!path)
        return std::nullopt;
    std::string error;
    auto bytes = ReadWholeFile(*path, error);
    if (!bytes)
        Fail(key, "cannot read \"" + *String(key) + "\": " + error);
    return bytes;
}

std::optional<TableReader> TableReader::SubTable(std::string_view key) {
    const toml::node* node = Get(key);
    if (!node)
        return std::nullopt;
    const auto* table = node->as_table();
    if (!table)
        FailAt(*node, key, "expected a table, found " + TypeName(*node));
    return TableReader(*table, label_.empty() ? std::string(key) : label_ + "." + std::string(key), fileName_,
                       baseFolder_);
}

std::vector<TableReader> TableReader::TableArray(std::string_view key) {
    std::vector<TableReader> tables;
    const toml::node* node = Get(key);
    if (!node)
        return tables;
    const auto* array = node->as_array();
    if (!array)
        FailAt(*node, key,
               "expected an array of tables ([[" + std::string(key) + "]]), found " + TypeName(*node));
    const std::string label = label_.empty() ? std::string(key) : label_ + "." + std::string(key);
    for (const auto& element : *array) {
        const auto* table = element.as_table();
        if (!table)
            FailAt(element, key, "expected tables in the array, found " + TypeName(element));
        tables.emplace_back(*table, label, fileName_, baseFolder_);
    }
    return tables;
}

std::optional<std::vector<std::string>> TableReader::StringList(std::string_view key) {
    const toml::node* node = Get(key);
    if (!node)
        return std::nullopt;
    if (const auto* value = node->as_string())
        return std::vector<std::string>{value->get()};
    const auto* array = node->as_array();
    if (!array)
        FailAt(*node, key, "expected a string or an array of strings, found " + TypeName(*node));
    std::vector<std::string> list;
    for (const auto& element : *array) {
        const auto* value = element.as_string();
        if (!value)
            FailAt(element, key, "expected strings in the array, found " + TypeName(element));
        list.push_back(value->get());
    }
    return list;
}

void TableReader::Finish() const {
    for (const auto& [key, node] : *table_) {
        if (known_.contains(key.str()))
            continue;
        std::string hint;
        std::size_t best = 3;
        for (const auto& candidate : known_) {
            const std::size_t distance = Distance(key.str(), candidate);
            if (distance < best)
                best = distance, hint = candidate;
        }
        std::string message = "unknown key";
        if (!hint.empty())
            message += " (did you mean '" + hint + "'?)";
        std::uint32_t line = key.source().begin.line;
        if (line == 0)
            line = node.source().begin.line;
        if (line == 0)
            line = Line();
        throw ProjectError(*fileName_ + ":" + std::to_string(line) + ": " +
                           (label_.empty() ? "" : "[" + label_ + "] ") + "'" + std::string(key.str()) +
                           "': " + message);
    }
}

std::optional<Bytes> ReadWholeFile(const std::filesystem::path& path, std::string& error) {
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) {
        error = "it is a folder";
        return std::nullopt;
    }
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
#ifdef _WIN32
    const std::unique_ptr<std::FILE, FileCloser> owned(_wfopen(path.c_str(), L"rb"));
#else
    const std::unique_ptr<std::FILE, FileCloser> owned(std::fopen(path.c_str(), "rb"));
#endif
    std::FILE* file = owned.get();
    if (!file) {
        error = std::strerror(errno);
        return std::nullopt;
    }
    Bytes data;
    std::uint8_t buffer[65536];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data.insert(data.end(), buffer, buffer + count);
    if (std::ferror(file) != 0) {
        error = "read error";
        return std::nullopt;
    }
    return data;
}

std::filesystem::path ProjectPath(const std::filesystem::path& baseFolder, std::string_view text) {
    std::string generic(text);
    std::replace(generic.begin(), generic.end(), '\\', '/');
    const std::filesystem::path relative(std::u8string(generic.begin(), generic.end()));
    return relative.is_absolute() ? relative : baseFolder / relative;
}

}  // namespace vantrel::builder
