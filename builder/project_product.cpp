// The [product] table and its small companions: [required_product], [folders], [options],
// [pages], [background], [batches], [notifications], [launch].
#include "builder/project_tables.h"

#include <chrono>

#include "builder/option_flags.h"
#include "builder/project.h"
#include "builder/project_fields.h"
#include "builder/source_glob.h"
#include "builder/toml_table_reader.h"
#include "format/file_time.h"
#include "format/product_registry_key.h"

namespace vantrel::builder {
namespace {

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

}  // namespace

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
    if (!s.productRegistryKey.empty() && !IsRemovableProductRegistryKey(s.productRegistryKey))
        table.Fail(
            "registry_key",
            "the uninstaller deletes this key with everything under it: name a key of the product's own "
            "(for example \"Company\\\\Product\"), not a shared one and without empty or \"..\" parts");
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

}  // namespace vantrel::builder
