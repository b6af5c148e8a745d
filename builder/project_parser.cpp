#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <set>

#include "builder/default_messages.h"
#include "builder/option_flags.h"
#include "builder/project.h"
#include "builder/source_glob.h"
#include "builder/text_encoding.h"
#include "builder/toml_table_reader.h"
#include "format/file_time.h"
#include "format/payload_header.h"
#include "format/settings_stream.h"

namespace vantrel::builder {
namespace {

// ---- small field helpers -------------------------------------------------------------------

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
        std::wstring text;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            text.push_back(static_cast<wchar_t>(bytes[i] | (bytes[i + 1] << 8)));
        }
        return text;
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

// ---- [product] and friends -----------------------------------------------------------------

std::uint32_t ExcludedWindows(TableReader& table) {
    const toml::node* node = table.Get("excluded_windows");
    if (!node)
        return 0;
    const auto* array = node->as_array();
    if (!array)
        table.FailAt(*node, "excluded_windows", "expected an array of Windows names");
    static constexpr std::pair<std::string_view, std::uint32_t> kNames[] = {
        {"win32s", 0x2}, {"win95", 0x4}, {"win98", 0x8},    {"me", 0x10},
        {"nt3", 0x20},   {"nt4", 0x40},  {"win2000", 0x80}, {"xp", 0x100}};
    std::uint32_t mask = 0;
    for (const auto& element : *array) {
        if (const auto* bit = element.as_integer()) {
            const auto value = bit->get();
            if (value <= 0 || value > 0xFFFFFFFFll || (value & (value - 1)) != 0) {
                table.FailAt(element, "excluded_windows",
                             "a number must be a single bit value (2, 4, 8, ...)");
            }
            mask |= static_cast<std::uint32_t>(value);
            continue;
        }
        const auto* name = element.as_string();
        bool found = false;
        for (const auto& [known, bit] : kNames) {
            if (name && name->get() == known)
                mask |= bit, found = true;
        }
        if (!found) {
            table.FailAt(element, "excluded_windows",
                         "unknown Windows name" + (name ? " \"" + name->get() + "\"" : std::string()) +
                             " (expected one of \"win32s\", \"win95\", \"win98\", \"me\", \"nt3\", \"nt4\", "
                             "\"win2000\", \"xp\", or a bit value)");
        }
    }
    return mask;
}

std::array<std::uint8_t, 24> DateTimeRecord(TableReader& table, std::string_view key) {
    const toml::node* node = table.Get(key);
    if (!node)
        return kNoFileTime;
    const auto* value = node->as_date_time();
    if (!value || !value->get().offset) {
        table.FailAt(*node, key, "expected a date-time with a time zone, like 2024-05-01T12:00:00Z");
    }
    const toml::date_time& when = value->get();
    using namespace std::chrono;
    const sys_days day = year{when.date.year} / month{when.date.month} / std::chrono::day{when.date.day};
    const std::int64_t seconds = duration_cast<std::chrono::seconds>(day.time_since_epoch()).count() +
                                 when.time.hour * 3600 + when.time.minute * 60 + when.time.second -
                                 std::int64_t{when.offset->minutes} * 60;
    const std::uint64_t ticks = FileTimeFromUnix(seconds, when.time.nanosecond);
    if (!IsStorableFileTime(ticks))
        table.FailAt(*node, key, "the date cannot be stored");
    return EncodeFileTime({ticks, ticks, ticks});
}

void ReadProduct(TableReader table, Settings& s) {
    auto name = table.WideString("name");
    if (!name || name->empty())
        table.Fail("name", "the product needs a name");
    s.productName = *name;
    SetWide(table, "display_name", s.displayProductName);
    SetWide(table, "company", s.companyName);
    SetWide(table, "version", s.productVersion);
    SetWide(table, "title", s.displayTitle);
    SetWide(table, "installer_title", s.installerTitle);
    SetWide(table, "taskbar_text", s.taskbarText);
    SetWide(table, "registry_key", s.productRegistryKey);
    SetWide(table, "uninstall_key", s.uninstallKeyName);
    SetAnsi(table, "install_location_value", s.installLocationValue);
    if (auto bitness =
            table.Choice<std::uint8_t>("bitness", {{"any", 0}, {"64-bit", 1}, {"32-bit", 2}}, "bitness")) {
        s.bitness = *bitness;
    }
    s.excludedWindowsVersions = ExcludedWindows(table);
    SetWide(table, "password", s.installPassword);
    SetAnsi(table, "question_below", s.questionVersion);
    SetAnsi(table, "no_downgrade_below", s.minimumVersion);
    if (s.minimumVersion.size() > 255)
        table.Fail("no_downgrade_below", "the version text is too long");
    SetWide(table, "must_uninstall_below", s.mustUninstallVersion);
    SetWide(table, "support_offer", s.supportOffer);
    SetBytes(table, "icon", s.productIcon);
    SetBytes(table, "uninstaller_icon", s.uninstallerIcon);
    SetBytes(table, "start_sound", s.startSound);
    s.uninstallerFileTime = DateTimeRecord(table, "uninstaller_time");
    table.Finish();
}

void ReadRequiredProduct(TableReader table, Settings& s) {
    s.productFlagsLow |= product_flags::kRequiredProduct;
    SetWide(table, "lookup_name", s.requiredProduct.lookupName);
    SetWide(table, "display_name", s.requiredProduct.displayName);
    SetWide(table, "minimum_version", s.requiredProduct.minimumVersion);
    table.Finish();
}

void ReadFolders(TableReader table, Settings& s) {
    SetWide(table, "install", s.defaultInstallFolder);
    SetWide(table, "start_menu", s.startMenuFolder);
    SetWide(table, "desktop", s.desktopFolder);
    SetBytes(table, "desktop_icon", s.desktopFolderIcon);
    if (auto location = table.Choice<std::uint8_t>(
            "shared_location",
            {{"default", 0}, {"app-data", 1}, {"common-files-32", 2}, {"common-files-64", 3}},
            "shared location")) {
        s.sharedFolderLocation = *location;
    }
    SetWide(table, "shared_name", s.sharedFolderName);
    SetWide(table, "portable_shared", s.portableSharedFolder);
    SetWide(table, "uninstall_subfolder", s.uninstallSubfolder);
    SetAnsi(table, "uninstaller_name", s.uninstallerFileName);
    if (s.uninstallerFileName.size() > 255)
        table.Fail("uninstaller_name", "the file name is too long");
    SetWide(table, "path_subfolder", s.pathSubfolder);
    table.Finish();
}

void ReadOptions(TableReader table, Settings& s, std::uint32_t& flags2) {
    for (const OptionFlag& flag : OptionFlags()) {
        const auto on = table.Bool(flag.name);
        if (!on)
            continue;
        std::uint32_t& word = flag.word == FlagWord::kLow    ? s.productFlagsLow
                              : flag.word == FlagWord::kHigh ? s.productFlagsHigh
                                                             : flags2;
        SetFlag(word, flag.bit, *on);
    }
    if (auto mode = table.Choice<std::uint8_t>("automatic_mode", {{"default", 0}, {"on", 1}, {"off", 2}},
                                               "automatic mode")) {
        s.automaticMode = *mode;
    }
    if (auto allUsers = table.Bool("all_users_shortcuts"))
        s.shortcutMode = *allUsers ? 1 : 0;
    if (auto delay = table.Integer("status_delay", 0, 9999))
        s.statusDelay = static_cast<std::uint16_t>(*delay);
    if (auto option = table.Integer("progress_dialog_option", 0, 0xFFFFFFFFll)) {
        s.progressDialogOption = static_cast<std::uint32_t>(*option);
    }
    if (auto extra = table.Integer("extra_size", 0, INT64_MAX)) {
        s.pageStyles[0] = static_cast<std::uint32_t>(*extra);
        s.pageStyles[1] = static_cast<std::uint32_t>(static_cast<std::uint64_t>(*extra) >> 32);
    }
    table.Finish();
}

void ReadPages(TableReader table, Settings& s) {
    static constexpr std::string_view kPages[] = {"start",  "language",   "licence",  "readme",
                                                  "folder", "start_menu", "progress", "summary"};
    for (std::size_t i = 0; i < 8; ++i) {
        const auto style =
            i == 0 ? table.Choice<std::uint32_t>(
                         kPages[i], {{"message-box", 0}, {"side-picture", 1}, {"header", 2}, {"panel", 3}},
                         "page style")
                   : table.Choice<std::uint32_t>(
                         kPages[i], {{"full-width", 0}, {"side-picture", 1}, {"header", 2}, {"panel", 3}},
                         "page style");
        if (style)
            s.pageStyles[2 + i] = *style;
    }
    if (auto frame = table.Choice<std::uint8_t>(
            "side_picture_frame", {{"none", 0}, {"sunken", 1}, {"thin", 2}, {"sunken-side-picture-only", 3}},
            "frame")) {
        s.sidePictureFrame = *frame;
    }
    if (auto color = table.Color("header_text_color"))
        s.headerTextColor = static_cast<std::int32_t>(*color);
    SetWide(table, "start_link_text", s.startPageText);
    SetWide(table, "start_link_address", s.startPageAddress);
    table.Finish();
}

std::optional<std::uint8_t> Position(TableReader& table, std::string_view key) {
    return table.Choice<std::uint8_t>(key,
                                      {{"none", 0},
                                       {"top-left", 1},
                                       {"top-center", 2},
                                       {"top-right", 3},
                                       {"bottom-left", 4},
                                       {"bottom-center", 5},
                                       {"bottom-right", 6}},
                                      "position");
}

void ReadBackground(TableReader table, Settings& s) {
    if (auto size = table.Number("title_size"))
        s.titleSize = *size;
    if (auto color = table.Color("title_color"))
        s.titleColor = *color;
    if (auto shadow = table.Integer("title_shadow", 0, 255))
        s.titleShadow = static_cast<std::uint8_t>(*shadow);
    if (auto position = Position(table, "title_position"))
        s.titlePosition = *position;
    SetWide(table, "title_font", s.titleFont);
    if (auto color = table.Color("top_color"))
        s.topColor = *color;
    if (auto color = table.Color("bottom_color"))
        s.bottomColor = *color;
    if (auto picture = table.FileBytes("picture")) {
        // The engine takes a packed bitmap: a .bmp file without its 14-byte file header.
        if (picture->size() < 14 + 12 || (*picture)[0] != 'B' || (*picture)[1] != 'M') {
            table.Fail("picture", "not a .bmp file");
        }
        s.bitmap.assign(picture->begin() + 14, picture->end());
    }
    if (auto index = table.Integer("transparent_index", -1, 255)) {
        s.bitmapTpi = static_cast<std::uint32_t>(static_cast<std::int32_t>(*index));
    }
    if (auto size = table.Integer("picture_size", 0, 100))
        s.bitmapSize = static_cast<std::int32_t>(*size);
    if (auto stretch = table.Choice<std::int32_t>(
            "stretch", {{"stretch", 0}, {"fit", 1}, {"enlarge", 2}, {"tile", 3}}, "stretch mode")) {
        s.stretchMode = *stretch;
    }
    if (auto copyright = table.SubTable("copyright")) {
        s.copyright.position = 6;
        s.copyright.color = 0xFFFFFF;
        s.copyright.size = 1.0;
        s.copyright.font = L"Arial";
        if (auto position = Position(*copyright, "position"))
            s.copyright.position = *position;
        if (auto color = copyright->Color("color"))
            s.copyright.color = *color;
        if (auto size = copyright->Number("size"))
            s.copyright.size = *size;
        SetWide(*copyright, "text", s.copyright.text);
        SetWide(*copyright, "font", s.copyright.font);
        copyright->Finish();
    }
    table.Finish();
}

void ReadBatches(TableReader table, Settings& s) {
    SetAnsi(table, "pre_install", s.preInstallBatch);
    SetAnsi(table, "post_install", s.postInstallBatch);
    SetAnsi(table, "exit", s.exitBatch);
    SetAnsi(table, "uninstall_1", s.uninstallBatch1);
    SetAnsi(table, "uninstall_2", s.uninstallBatch2);
    SetAnsi(table, "upgrade", s.upgradeBatch);
    SetAnsi(table, "reinstall", s.reinstallBatch);
    table.Finish();
}

void ReadNotifications(TableReader table, Settings& s) {
    SetWide(table, "start", s.startNotification);
    SetWide(table, "begin", s.beginNotification);
    SetWide(table, "completion", s.completionNotification);
    SetWide(table, "upgrade", s.upgradeNotification);
    SetWide(table, "downgrade", s.downgradeNotification);
    SetWide(table, "reinstall", s.reinstallNotification);
    SetWide(table, "uninstall", s.uninstallNotification);
    SetWide(table, "cancel", s.cancelNotification);
    SetWide(table, "error", s.errorNotification);
    table.Finish();
}

void ReadLaunch(TableReader table, Settings& s) {
    SetWide(table, "application", s.launchApplication);
    SetWide(table, "open", s.openItem);
    SetWide(table, "open_2", s.openItem2);
    table.Finish();
}

// ---- registry ------------------------------------------------------------------------------

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

void ReadRegistry(TableReader table, Settings& s) {
    SetBytes(table, "merge_file", s.registryMergeText);
    s.registryInstructions = ReadRegistryEntries(table.TableArray("entries"));
    table.Finish();
}

// ---- lists ---------------------------------------------------------------------------------

void CheckCount(TableReader& parent, std::string_view key, std::size_t count) {
    if (count > kMaxListEntries)
        parent.Fail(key, "at most 1000 entries are allowed");
}

void ReadAssociations(TableReader& root, Settings& s) {
    auto entries = root.TableArray("associations");
    CheckCount(root, "associations", entries.size());
    for (TableReader& entry : entries) {
        FileAssociationRecord record;
        if (auto kind = entry.Choice<std::uint32_t>(
                "kind", {{"normal", 0}, {"default-verb", 1}, {"open-with", 2}}, "association kind")) {
            record.kind = *kind;
        }
        SetAnsi(entry, "extension", record.extension);
        if (record.extension.empty())
            entry.Fail("extension", "every association needs an extension");
        SetAnsi(entry, "file_type", record.fileType);
        SetAnsi(entry, "description", record.description);
        if (auto verbs = entry.StringList("verbs")) {
            std::string joined;
            for (const auto& verb : *verbs) {
                if (verb.find(',') != std::string::npos)
                    entry.Fail("verbs", "a verb must not contain a comma");
                auto ansi = Utf8ToWindows1252(verb);
                if (!ansi)
                    entry.Fail("verbs", "the text has characters that Windows-1252 cannot hold");
                joined += (joined.empty() ? "" : ",") + *ansi;
            }
            record.verbs = joined;
        } else {
            record.verbs = "open";
        }
        SetAnsi(entry, "verb_caption", record.verbCaption);
        SetWide(entry, "command", record.command);
        SetWide(entry, "language", record.language);
        SetWide(entry, "icon", record.icon);
        entry.Finish();
        s.associations.push_back(std::move(record));
    }
}

void ReadShortcuts(TableReader& root, Settings& s) {
    auto entries = root.TableArray("shortcuts");
    CheckCount(root, "shortcuts", entries.size());
    for (TableReader& entry : entries) {
        ShortcutRecord record;
        SetWide(entry, "target", record.target);
        if (record.target.empty())
            entry.Fail("target", "every shortcut needs a target");
        SetWide(entry, "name", record.name);
        SetWide(entry, "icon", record.icon);
        SetWide(entry, "arguments", record.arguments);
        SetWide(entry, "working_folder", record.workingFolder);
        record.desktop = entry.Bool("desktop").value_or(false) ? 1 : 0;
        record.startMenu = entry.Bool("start_menu").value_or(false) ? 1 : 0;
        record.startup = entry.Bool("startup").value_or(false) ? 1 : 0;
        SetEncoded(entry, "custom_folder", record.customFolder);
        if (auto show = entry.Choice<std::uint8_t>(
                "show", {{"normal", 0}, {"minimized", 1}, {"maximized", 2}}, "show mode")) {
            record.showMode = *show;
        }
        record.noRecord = entry.Bool("permanent").value_or(false) ? 1 : 0;
        entry.Finish();
        if (!record.desktop && !record.startMenu && !record.startup && record.customFolder.empty()) {
            entry.Fail("target",
                       "the shortcut goes nowhere: set desktop, start_menu, startup or custom_folder");
        }
        s.shortcuts.push_back(std::move(record));
    }
    if (auto rootShortcut = root.SubTable("root_shortcut")) {
        SetWide(*rootShortcut, "target", s.rootShortcutTarget);
        SetWide(*rootShortcut, "name", s.rootShortcutName);
        rootShortcut->Finish();
    }
    if (auto pin = root.SubTable("taskbar_pin")) {
        SetWide(*pin, "command", s.pinCommand);
        SetWide(*pin, "name", s.pinName);
        pin->Finish();
    }
}

void ReadFirewall(TableReader& root, Settings& s) {
    std::string text;
    for (TableReader& entry : root.TableArray("firewall")) {
        std::string target;
        bool port = false;
        if (const toml::node* node = entry.Get("target"); node && node->as_integer()) {
            target = std::to_string(*entry.Integer("target", 1, 65535));
            port = true;
        } else if (auto value = entry.String("target")) {
            target = *value;
            port = !target.empty() &&
                   std::all_of(target.begin(), target.end(), [](char c) { return c >= '0' && c <= '9'; });
        }
        if (target.empty())
            entry.Fail("target", "every firewall entry needs a port number or a program path");
        if (target.find_first_of(";\r\n") != std::string::npos)
            entry.Fail("target", "the target must not contain ';' or line breaks");
        const std::string name = entry.String("name").value_or("");
        if (name.find_first_of(";\r\n") != std::string::npos)
            entry.Fail("name", "the name must not contain ';' or line breaks");
        const auto protocol =
            entry.Choice<int>("protocol", {{"tcp", 1}, {"udp", 2}, {"both", 3}}, "protocol");
        if (protocol && !port)
            entry.Fail("protocol", "a protocol applies to ports only");
        const bool keep = entry.Bool("keep").value_or(false);
        entry.Finish();
        text += EncodedText(target) + ";" + name + ";" + std::to_string(port ? protocol.value_or(3) : 0) +
                ";" + (keep ? "1" : "0") + "\r\n";
    }
    s.firewallText = *Utf8ToUtf16(text);
}

void ReadSavedValues(TableReader& root, Settings& s) {
    auto entries = root.TableArray("saved_values");
    CheckCount(root, "saved_values", entries.size());
    for (TableReader& entry : entries) {
        SavedValue value;
        SetAnsi(entry, "name", value.name);
        if (value.name.empty())
            entry.Fail("name", "every saved value needs a name");
        if (auto type = entry.Choice<std::uint8_t>(
                "type", {{"string", 1}, {"expand-string", 2}, {"dword", 4}}, "value type")) {
            value.type = *type;
        }
        if (const toml::node* node = entry.Get("value"); node && node->as_integer()) {
            value.value = *Utf8ToUtf16(std::to_string(*entry.Integer("value", INT32_MIN, UINT32_MAX)));
        } else {
            SetWide(entry, "value", value.value);
        }
        entry.Finish();
        s.savedValues.push_back(std::move(value));
    }
}

bool IsFourPartVersion(const std::string& text) {
    int parts = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t dot = text.find('.', start);
        const std::string part =
            text.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
        if (part.empty() || part.size() > 5 ||
            !std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
            std::stoul(part) > 65535) {
            return false;
        }
        ++parts;
        if (dot == std::string::npos)
            break;
        start = dot + 1;
    }
    return parts == 4;
}

void ReadDeletions(TableReader& root, Settings& s) {
    auto entries = root.TableArray("deletions");
    CheckCount(root, "deletions", entries.size());
    for (TableReader& entry : entries) {
        ConditionalDeletion deletion;
        SetEncoded(entry, "pattern", deletion.pattern);
        if (deletion.pattern.empty())
            entry.Fail("pattern", "every deletion needs a pattern");
        if (deletion.pattern == kDeletionListEnd)
            entry.Fail("pattern", "this pattern is reserved");
        if (auto condition = entry.Choice<std::uint8_t>("condition",
                                                        {{"always", 0},
                                                         {"version-equal", 1},
                                                         {"version-at-least", 2},
                                                         {"version-at-most", 3},
                                                         {"size-equal", 4},
                                                         {"size-at-least", 5},
                                                         {"size-at-most", 6}},
                                                        "condition")) {
            deletion.condition = *condition;
        }
        if (const toml::node* node = entry.Get("value"); node && node->as_integer()) {
            deletion.value = std::to_string(*entry.Integer("value", 0, INT32_MAX));
        } else {
            SetAnsi(entry, "value", deletion.value);
        }
        // The engine ends the run on a version it cannot read, so refuse it here.
        if (deletion.condition >= 1 && deletion.condition <= 3 && !IsFourPartVersion(deletion.value)) {
            entry.Fail("value", "a version condition needs a version of four numbers, like \"1.2.0.0\"");
        }
        if (deletion.condition >= 4 && deletion.condition <= 6) {
            const std::string& v = deletion.value;
            if (v.empty() || v.size() > 10 ||
                !std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
                std::stoull(v) > INT32_MAX) {
                entry.Fail("value", "a size condition needs a byte count from 0 to 2147483647");
            }
        }
        if (entry.Bool("at_install").value_or(true))
            deletion.flags |= 0x4;
        if (entry.Bool("at_uninstall").value_or(false))
            deletion.flags |= 0x8;
        if (auto when = entry.Choice<std::uint8_t>(
                "when", {{"now", 0}, {"at-restart", 1}, {"now-or-restart", 2}}, "deletion time")) {
            deletion.flags = static_cast<std::uint8_t>(deletion.flags | *when);
        }
        entry.Finish();
        if ((deletion.flags & 0xC) == 0)
            entry.Fail("at_install", "the deletion applies neither at installation nor at uninstallation");
        s.conditionalDeletions.push_back(std::move(deletion));
    }
}

void ReadCloseApps(TableReader& root, Settings& s) {
    auto entries = root.TableArray("close_apps");
    CheckCount(root, "close_apps", entries.size());
    for (TableReader& entry : entries) {
        AutoCloseRecord record;
        SetWide(entry, "title", record.titlePattern);
        SetAnsi(entry, "class", record.classPattern);
        SetAnsi(entry, "program", record.programName);
        if (auto action = entry.Choice<std::uint8_t>(
                "action", {{"close", 0}, {"quit", 1}, {"ask", 2}, {"terminate", 3}}, "action")) {
            record.action = *action;
        }
        record.phaseMask = record.action == 2 ? 4 : 2;
        if (auto phases = entry.Integer("phase_mask", 0, 255))
            record.phaseMask = static_cast<std::uint8_t>(*phases);
        entry.Finish();
        if (record.titlePattern.empty() && record.classPattern.empty()) {
            entry.Fail("title", "give a window title or class pattern (or both)");
        }
        if (record.titlePattern == kAutoCloseListEnd)
            entry.Fail("title", "this title is reserved");
        if (record.titlePattern.size() * 2 > 0xFFFF)
            entry.Fail("title", "the title pattern is too long");
        s.autoClose.push_back(std::move(record));
    }
}

// ---- languages and messages -----------------------------------------------------------------

struct Language {
    std::wstring name;
    std::map<std::size_t, std::wstring> messages;
    std::optional<std::wstring> licence;
    std::optional<std::wstring> readme;
};

Language ReadLanguage(TableReader table, const std::string& name) {
    Language language;
    language.name = *Utf8ToUtf16(name);
    if (auto bytes = table.FileBytes("licence"))
        language.licence = DecodeTextFile(table, "licence", *bytes);
    if (auto bytes = table.FileBytes("readme"))
        language.readme = DecodeTextFile(table, "readme", *bytes);
    if (auto messages = table.SubTable("messages")) {
        for (const auto& [key, node] : messages->Table()) {
            const std::string number(key.str());
            if (number.empty() || number.size() > 5 ||
                !std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
                std::stoul(number) >= 10000) {
                messages->Fail(number, "message numbers are 0 to 9999");
            }
            language.messages[std::stoul(number)] = *messages->WideString(number);
        }
    }
    table.Finish();
    return language;
}

void ReadLanguages(TableReader& root, Settings& s) {
    std::vector<Language> languages;
    std::vector<std::string> order;
    if (auto table = root.SubTable("languages")) {
        std::map<std::string, Language> defined;
        for (const auto& [key, node] : table->Table()) {
            if (key.str() == "order")
                continue;
            auto language = table->SubTable(key.str());
            if (key.str().empty())
                table->Fail(key.str(), "a language needs a name");
            defined.emplace(std::string(key.str()),
                            ReadLanguage(std::move(*language), std::string(key.str())));
        }
        if (auto list = table->StringList("order")) {
            order = *list;
            std::set<std::string> seen;
            for (const auto& name : order) {
                if (!seen.insert(name).second)
                    table->Fail("order", "the language \"" + name + "\" is listed twice");
                if (!defined.contains(name) && name != "English") {
                    table->Fail("order",
                                "the language \"" + name + "\" has no [languages." + name + "] table");
                }
            }
            for (const auto& [name, language] : defined) {
                if (!seen.contains(name))
                    table->Fail("order", "the language \"" + name + "\" is missing from the order");
            }
        } else {
            order.push_back("English");
            for (const auto& [name, language] : defined) {
                if (name != "English")
                    order.push_back(name);
            }
        }
        for (const auto& name : order) {
            auto it = defined.find(name);
            languages.push_back(it != defined.end() ? it->second : Language{*Utf8ToUtf16(name), {}, {}, {}});
        }
        if (languages.size() > 200)
            table->Fail("order", "at most 200 languages are allowed");
        table->Finish();
    } else {
        languages.push_back(Language{kDefaultLanguageName, {}, {}, {}});
    }

    const std::vector<std::wstring>& english = DefaultEnglishMessages();
    // Texts a language lacks come from the project's English texts, then from the defaults.
    const Language* projectEnglish = nullptr;
    for (const auto& language : languages) {
        if (language.name == kDefaultLanguageName)
            projectEnglish = &language;
    }
    std::size_t count = english.size();
    for (const auto& language : languages) {
        if (!language.messages.empty())
            count = std::max(count, language.messages.rbegin()->first + 1);
    }
    auto fallback = [&](std::size_t number) -> std::wstring {
        if (projectEnglish) {
            auto it = projectEnglish->messages.find(number);
            if (it != projectEnglish->messages.end())
                return it->second;
        }
        return number < english.size() ? english[number] : std::wstring();
    };
    std::vector<std::wstring> names;
    for (const auto& language : languages)
        names.push_back(language.name);
    std::vector<std::wstring> texts;
    texts.reserve(count * languages.size());
    for (std::size_t number = 0; number < count; ++number) {
        for (const auto& language : languages) {
            auto it = language.messages.find(number);
            texts.push_back(it != language.messages.end() ? it->second : fallback(number));
        }
    }
    s.messages = MessageTable(std::move(names), std::move(texts));

    auto perLanguage = [&](std::optional<std::wstring> Language::*member, std::vector<std::wstring>& out,
                           const char* what) {
        const bool any = std::any_of(languages.begin(), languages.end(),
                                     [&](const Language& l) { return (l.*member).has_value(); });
        if (!any)
            return;
        if (languages.size() > 20) {
            root.Fail("languages", std::string("at most 20 languages can carry a ") + what);
        }
        std::wstring common;
        if (projectEnglish && (projectEnglish->*member)) {
            common = *(projectEnglish->*member);
        } else {
            for (const auto& l : languages) {
                if ((l.*member)) {
                    common = *(l.*member);
                    break;
                }
            }
        }
        for (const auto& l : languages)
            out.push_back((l.*member) ? *(l.*member) : common);
    };
    perLanguage(&Language::licence, s.licenceTexts, "licence");
    perLanguage(&Language::readme, s.readmeTexts, "readme");
}

// ---- [build] -------------------------------------------------------------------------------

std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : text) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

void ReadBuild(TableReader table, BuildOptions& build, std::string_view projectText) {
    if (auto preset = table.Integer("xz_preset", 0, 9))
        build.xzPreset = static_cast<std::uint32_t>(*preset);
    if (const toml::node* node = table.Get("block_size")) {
        std::int64_t size = 0;
        if (node->as_integer()) {
            size = *table.Integer("block_size", 0, INT64_MAX);
        } else if (const auto* text = node->as_string()) {
            const std::string& value = text->get();
            std::size_t digits = 0;
            while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9')
                ++digits;
            std::string unit = value.substr(digits);
            while (!unit.empty() && unit.front() == ' ')
                unit.erase(0, 1);
            const std::int64_t factor = unit == "" || unit == "B" ? 1
                                        : unit == "KiB"           ? 1 << 10
                                        : unit == "MiB"           ? 1 << 20
                                                                  : 0;
            if (digits == 0 || digits > 6 || factor == 0) {
                table.FailAt(*node, "block_size",
                             "expected a size like \"8 MiB\", \"512 KiB\" or a byte count");
            }
            size = std::stoll(value.substr(0, digits)) * factor;
        } else {
            table.FailAt(*node, "block_size", "expected a size like \"8 MiB\" or a byte count");
        }
        if (size < 4096 || size > (256ll << 20))
            table.FailAt(*node, "block_size", "the block size must be 4 KiB to 256 MiB");
        build.blockSize = static_cast<std::size_t>(size);
    }
    if (auto compress = table.Bool("compress"))
        build.compress = *compress;
    const auto cipher = table.Bool("cipher");
    if (auto key = table.String("cipher_key")) {
        std::array<std::uint8_t, 8> bytes{};
        bool ok = key->size() == 16;
        for (std::size_t i = 0; ok && i < 16; ++i) {
            const char c = (*key)[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                ok = false;
            else
                bytes[i / 2] = static_cast<std::uint8_t>((bytes[i / 2] << 4) | digit);
        }
        if (!ok)
            table.Fail("cipher_key", "expected 16 hexadecimal digits");
        if (cipher == false)
            table.Fail("cipher_key", "a key is given but cipher = false");
        build.cipherKey = bytes;
    } else if (cipher.value_or(false)) {
        // Derived from the project text so that the same project gives the same installer.
        const std::uint64_t hash = Fnv1a("vantrel cipher key\n" + std::string(projectText));
        std::array<std::uint8_t, 8> bytes{};
        for (std::size_t i = 0; i < 8; ++i)
            bytes[i] = static_cast<std::uint8_t>(hash >> (8 * i));
        build.cipherKey = bytes;
    }
    if (const toml::node* node = table.Get("data_in_file"); node && node->as_boolean()) {
        build.dataPlacement =
            *table.Bool("data_in_file") ? DataPlacement::kInFile : DataPlacement::kInSection;
    } else if (auto placement =
                   table.Choice<DataPlacement>("data_in_file", {{"auto", DataPlacement::kAutomatic}},
                                               "data placement (or true / false)")) {
        build.dataPlacement = *placement;
    }
    table.Finish();
}

// ---- [[files]] -----------------------------------------------------------------------------

constexpr std::pair<std::string_view, DestinationKind> kKinds[] = {
    {"install-dir", DestinationKind::kInstallDir},
    {"shared", DestinationKind::kShared},
    {"font", DestinationKind::kFont},
    {"install-dir-startup", DestinationKind::kInstallDirShortcut},
    {"system", DestinationKind::kSystemPermanentShared},
    {"system-com", DestinationKind::kSystemCom},
    {"system-typelib", DestinationKind::kSystemTypeLibrary},
    {"versioned", DestinationKind::kVersioned},
    {"driver", DestinationKind::kDriver},
    {"msi", DestinationKind::kMsiPackage},
    {"control-panel", DestinationKind::kControlPanelApplet},
};

std::uint64_t SourceTicks(const std::filesystem::path& path, std::error_code& error) {
    const auto written = std::filesystem::last_write_time(path, error);
    if (error)
        return 0;
    const auto system = std::chrono::file_clock::to_sys(written);
    const auto since =
        std::chrono::duration_cast<std::chrono::nanoseconds>(system.time_since_epoch()).count();
    std::int64_t seconds = since / 1000000000;
    std::int64_t nanos = since % 1000000000;
    if (nanos < 0)
        nanos += 1000000000, --seconds;
    return FileTimeFromUnix(seconds, static_cast<std::uint32_t>(nanos));
}

void ReadFiles(TableReader& root, Project& project) {
    std::map<std::tuple<std::uint32_t, std::wstring, std::string, bool>, std::uint32_t> seen;
    for (TableReader& entry : root.TableArray("files")) {
        const auto sources = entry.StringList("source");
        if (!sources || sources->empty())
            entry.Fail("source", "every [[files]] entry needs a source");
        FileRecord base;
        const auto kind = entry.Choice<DestinationKind>("kind", std::span(kKinds), "destination kind")
                              .value_or(DestinationKind::kInstallDir);
        base.kind = static_cast<std::uint32_t>(kind);
        const auto k = kind;
        auto only = [&](std::string_view key, std::initializer_list<DestinationKind> kinds,
                        const char* what) {
            if (!entry.Has(key))
                return;
            if (std::find(kinds.begin(), kinds.end(), k) == kinds.end())
                entry.Fail(key, std::string("only ") + what);
        };
        only("shortcut_name", {DestinationKind::kInstallDir, DestinationKind::kInstallDirShortcut},
             "files of kind \"install-dir\" or \"install-dir-startup\" have shortcuts");
        only("desktop_shortcut", {DestinationKind::kInstallDir, DestinationKind::kInstallDirShortcut},
             "files of kind \"install-dir\" or \"install-dir-startup\" have shortcuts");
        only("start_menu_shortcut", {DestinationKind::kInstallDir, DestinationKind::kInstallDirShortcut},
             "files of kind \"install-dir\" or \"install-dir-startup\" have shortcuts");
        only("working_folder", {DestinationKind::kInstallDir, DestinationKind::kInstallDirShortcut},
             "files of kind \"install-dir\" or \"install-dir-startup\" have shortcuts");
        only("arguments",
             {DestinationKind::kInstallDir, DestinationKind::kInstallDirShortcut,
              DestinationKind::kControlPanelApplet},
             "shortcuts and control-panel applets take arguments");
        only(
            "version",
            {DestinationKind::kSystemPermanentShared, DestinationKind::kSystemCom,
             DestinationKind::kSystemTypeLibrary, DestinationKind::kVersioned},
            "versioned kinds (\"system\", \"system-com\", \"system-typelib\", \"versioned\") take a version");
        only("font_name", {DestinationKind::kFont}, "fonts have a font name");
        only("applet_name", {DestinationKind::kControlPanelApplet},
             "control-panel applets have an applet name");
        only("class_id", {DestinationKind::kControlPanelApplet},
             "control-panel applets have a class identifier");
        only("msi_level", {DestinationKind::kMsiPackage}, "MSI packages have an interface level");
        only("typelib_parameter", {DestinationKind::kSystemTypeLibrary}, "type libraries have a parameter");

        if (entry.Bool("desktop_shortcut").value_or(false))
            base.flags |= file_flags::kDesktopShortcut;
        if (entry.Bool("start_menu_shortcut").value_or(false))
            base.flags |= file_flags::kStartMenuShortcut;
        if (auto mode =
                entry.Choice<std::uint32_t>("replace",
                                            {{"by-kind", replace_mode::kByKindRules},
                                             {"skip", replace_mode::kSkip},
                                             {"only-if-exists", replace_mode::kOnlyIfExists},
                                             {"only-if-missing", replace_mode::kOnlyIfMissing},
                                             {"unless-existing-newer", replace_mode::kNotIfExistingNewer}},
                                            "replace mode")) {
            base.flags |= *mode;
        }
        if (entry.Bool("permanent").value_or(false))
            base.flags |= file_flags::kPermanent;
        if (entry.Bool("to_uninstall_dir").value_or(false))
            base.flags |= file_flags::kToUninstallDir;
        if (auto parameter = entry.Integer("typelib_parameter", 0, 0x7FFFF)) {
            base.flags |= static_cast<std::uint32_t>(*parameter) << file_flags::kTypeLibraryShift;
        }
        for (const char* key : {"shortcut_name", "version", "font_name", "applet_name"}) {
            if (auto text = entry.String(key))
                base.nameText = *text;
        }
        SetWide(entry, "icon", base.icon);
        if (entry.Has("icon") && !base.HasIcon()) {
            entry.Fail("icon", "an icon needs desktop_shortcut or start_menu_shortcut");
        }
        SetAnsi(entry, "arguments", base.arguments);
        SetEncoded(entry, "working_folder", base.parameter);
        SetEncoded(entry, "class_id", base.parameter);
        if (kind == DestinationKind::kControlPanelApplet && base.parameter.empty()) {
            entry.Fail("class_id", "a control-panel applet needs its class identifier");
        }
        if (auto level = entry.Integer("msi_level", 0, 0xFFFFFFFFll))
            base.msiInterfaceLevel = static_cast<std::uint32_t>(*level);
        SetWide(entry, "destination", base.destination);
        if (auto attributes = entry.Get("attributes")) {
            if (const auto* keep = attributes->as_string(); keep && keep->get() == "keep") {
                base.attributes = kKeepAttributes;
            } else if (const auto* list = attributes->as_array()) {
                static constexpr std::pair<std::string_view, std::uint32_t> kAttributes[] = {
                    {"read-only", 0x1}, {"hidden", 0x2},  {"system", 0x4},
                    {"archive", 0x20},  {"normal", 0x80}, {"not-content-indexed", 0x2000}};
                base.attributes = 0;
                for (const auto& element : *list) {
                    const auto* name = element.as_string();
                    bool found = false;
                    for (const auto& [known, bit] : kAttributes) {
                        if (name && name->get() == known)
                            base.attributes |= bit, found = true;
                    }
                    if (!found) {
                        entry.FailAt(element, "attributes",
                                     "unknown attribute" +
                                         (name ? " \"" + name->get() + "\"" : std::string()) +
                                         " (expected \"read-only\", \"hidden\", \"system\", \"archive\", "
                                         "\"normal\" or "
                                         "\"not-content-indexed\")");
                    }
                }
            } else {
                entry.FailAt(*attributes, "attributes", "expected \"keep\" or an array of attribute names");
            }
        }
        const bool takeTime =
            entry.Choice<bool>("time", {{"source", true}, {"none", false}}, "time source").value_or(true);
        std::string subfolder = entry.String("subfolder").value_or("");
        std::replace(subfolder.begin(), subfolder.end(), '/', '\\');
        while (!subfolder.empty() && subfolder.back() == '\\')
            subfolder.pop_back();
        const auto rename = entry.String("name");
        if (rename && (rename->empty() || rename->find_first_of("/\\") != std::string::npos)) {
            entry.Fail("name", "the name must be a plain file name");
        }
        const bool optional = entry.Bool("optional").value_or(false);
        entry.Finish();

        std::vector<SourceMatch> matches;
        for (const auto& pattern : *sources) {
            std::vector<SourceMatch> found;
            try {
                found = ExpandSourcePattern(entry.BaseFolder(), pattern);
            } catch (const std::runtime_error& error) {
                if (optional)
                    continue;
                entry.Fail("source", error.what());
            }
            if (found.empty() && !optional)
                entry.Fail("source", "the pattern \"" + pattern + "\" matches no file");
            matches.insert(matches.end(), found.begin(), found.end());
        }
        if (rename && matches.size() != 1) {
            entry.Fail("name", "a name can only be given when the source is exactly one file (it matched " +
                                   std::to_string(matches.size()) + ")");
        }
        for (const SourceMatch& match : matches) {
            ProjectFile file;
            file.source = match.path;
            file.record = base;
            file.record.name = (subfolder.empty() ? "" : subfolder + "\\") + (rename ? *rename : match.name);
            file.takeSourceTime = takeTime;
            std::error_code error;
            file.size = std::filesystem::file_size(match.path, error);
            if (error)
                entry.Fail("source", "cannot read \"" + match.name + "\": " + error.message());
            if (file.size > static_cast<std::uint64_t>(kMaxFileSize)) {
                entry.Fail("source",
                           "\"" + match.name + "\" is larger than 1 GiB, which an installer cannot carry");
            }
            file.record.fileTime =
                takeTime ? EncodeFileTime({SourceTicks(match.path, error), 0, 0}) : kNoFileTime;
            if (error)
                entry.Fail("source", "cannot read the time of \"" + match.name + "\": " + error.message());
            const auto where = std::make_tuple(file.record.kind, file.record.destination, file.record.name,
                                               (file.record.flags & file_flags::kToUninstallDir) != 0);
            auto [it, added] = seen.emplace(where, entry.Line());
            if (!added) {
                entry.Fail("source", "\"" + file.record.name +
                                         "\" is installed twice (also by the entry at line " +
                                         std::to_string(it->second) + ")");
            }
            project.files.push_back(std::move(file));
        }
    }
}

}  // namespace

Project ParseProject(std::string_view text, const std::string& displayName,
                     const std::filesystem::path& baseFolder) {
    toml::table document;
    try {
        document = toml::parse(text, displayName);
    } catch (const toml::parse_error& error) {
        throw ProjectError(displayName + ":" + std::to_string(error.source().begin.line) + ": " +
                           std::string(error.description()));
    }
    Project project;
    Settings& s = project.settings;
    // Defaults that make a bare project look reasonable.
    s.productFlagsLow =
        product_flags::kRegisterForUninstall | product_flags::kCreateLog | product_flags::kShowFolderPage;
    s.productFlagsHigh = product_flags::kShowProgressDialog;
    s.titleSize = 1.0;
    s.titleColor = 0xFFFFFF;
    s.titleShadow = 2;
    s.titlePosition = 1;
    s.titleFont = L"Arial";
    s.topColor = 0x800000;
    s.bottomColor = 0x000000;
    s.bitmapTpi = 0xFFFFFFFF;
    s.uninstallSubfolder = L"uninstall";
    s.uninstallerFileName = "uninstall.exe";

    const std::string fileName = displayName;
    TableReader root(document, "", &fileName, &baseFolder);
    auto product = root.SubTable("product");
    if (!product) {
        throw ProjectError(displayName +
                           ":1: [product] 'name': the project needs a [product] table with a name");
    }
    ReadProduct(std::move(*product), s);
    if (auto table = root.SubTable("required_product"))
        ReadRequiredProduct(std::move(*table), s);
    if (auto table = root.SubTable("folders"))
        ReadFolders(std::move(*table), s);
    if (auto table = root.SubTable("options"))
        ReadOptions(std::move(*table), s, project.productFlags2);
    if (auto table = root.SubTable("pages"))
        ReadPages(std::move(*table), s);
    if (auto table = root.SubTable("background"))
        ReadBackground(std::move(*table), s);
    if (auto table = root.SubTable("batches"))
        ReadBatches(std::move(*table), s);
    if (auto table = root.SubTable("notifications"))
        ReadNotifications(std::move(*table), s);
    if (auto table = root.SubTable("launch"))
        ReadLaunch(std::move(*table), s);
    if (auto table = root.SubTable("registry"))
        ReadRegistry(std::move(*table), s);
    ReadAssociations(root, s);
    ReadShortcuts(root, s);
    ReadFirewall(root, s);
    ReadSavedValues(root, s);
    ReadDeletions(root, s);
    ReadCloseApps(root, s);
    ReadLanguages(root, s);
    if (auto table = root.SubTable("build"))
        ReadBuild(std::move(*table), project.build, text);
    ReadFiles(root, project);
    root.Finish();
    if (project.files.size() > 0x7FFFFFFF)
        throw ProjectError(displayName + ": too many files");
    SetFlag(s.productFlagsLow, product_flags::kCompressedBlocks, project.build.compress);
    return project;
}

Project LoadProject(const std::filesystem::path& path) {
    const std::u8string u8name = path.filename().u8string();
    const std::string displayName(u8name.begin(), u8name.end());
    std::string error;
    const auto bytes = ReadWholeFile(path, error);
    if (!bytes)
        throw ProjectError(displayName + ": cannot read the project file: " + error);
    const std::string text(bytes->begin(), bytes->end());
    std::filesystem::path base = path.parent_path();
    if (base.empty())
        base = ".";
    return ParseProject(text, displayName, base);
}

}  // namespace vantrel::builder
