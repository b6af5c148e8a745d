#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "builder/guarded_toml.h"

#include "format/settings.h"

namespace vantrel::builder {

// Reads one table of a project file. Every accessor records its key as known, so that
// Finish() can report keys that nothing asked for (typos must not silently do nothing).
// All errors are thrown as ProjectError naming the file, line, table and key.
class TableReader {
  public:
    TableReader(const toml::table& table, std::string label, const std::string* fileName,
                const std::filesystem::path* baseFolder);

    const std::string& Label() const { return label_; }
    const toml::table& Table() const { return *table_; }
    std::uint32_t Line() const;

    const toml::node* Get(std::string_view key);
    bool Has(std::string_view key) const { return table_->contains(key); }

    std::optional<std::string> String(std::string_view key);
    std::optional<std::wstring> WideString(std::string_view key);
    std::optional<bool> Bool(std::string_view key);
    std::optional<std::int64_t> Integer(std::string_view key, std::int64_t minimum, std::int64_t maximum);
    std::optional<double> Number(std::string_view key);
    // A colour as "#RRGGBB" or a COLORREF number (red in the low byte).
    std::optional<std::uint32_t> Color(std::string_view key);
    // Reads the file a key names (relative to the project's folder).
    std::optional<Bytes> FileBytes(std::string_view key);
    std::optional<std::filesystem::path> FilePath(std::string_view key);
    std::optional<TableReader> SubTable(std::string_view key);
    std::vector<TableReader> TableArray(std::string_view key);
    // A string or an array of strings.
    std::optional<std::vector<std::string>> StringList(std::string_view key);

    // One of a fixed set of names.
    template <typename T>
    std::optional<T> Choice(std::string_view key,
                            std::initializer_list<std::pair<std::string_view, T>> choices,
                            std::string_view what) {
        return Choice<T>(
            key, std::span<const std::pair<std::string_view, T>>(choices.begin(), choices.size()), what);
    }

    template <typename T>
    std::optional<T> Choice(std::string_view key, std::span<const std::pair<std::string_view, T>> choices,
                            std::string_view what) {
        const auto text = String(key);
        if (!text)
            return std::nullopt;
        for (const auto& [name, value] : choices) {
            if (name == *text)
                return value;
        }
        std::string expected;
        for (const auto& choice : choices) {
            if (!expected.empty())
                expected += ", ";
            expected += "\"" + std::string(choice.first) + "\"";
        }
        Fail(key, "unknown " + std::string(what) + " \"" + *text + "\" (expected one of " + expected + ")");
    }

    [[noreturn]] void Fail(std::string_view key, const std::string& message) const;
    [[noreturn]] void FailAt(const toml::node& node, std::string_view key, const std::string& message) const;

    // Throws for the first key that was never asked for.
    void Finish() const;

    const std::string& FileName() const { return *fileName_; }
    const std::filesystem::path& BaseFolder() const { return *baseFolder_; }

  private:
    const toml::table* table_;
    std::string label_;
    const std::string* fileName_;
    const std::filesystem::path* baseFolder_;
    std::set<std::string, std::less<>> known_;
};

// Reads a whole file; nothing when it cannot be read (the reason is left in `error`).
std::optional<Bytes> ReadWholeFile(const std::filesystem::path& path, std::string& error);

// A path from the project (UTF-8, either slash) relative to the project's folder.
std::filesystem::path ProjectPath(const std::filesystem::path& baseFolder, std::string_view text);

}  // namespace vantrel::builder
