// The [[files]] tables: sources, destinations and file records.
#include "builder/project_tables.h"

#include <algorithm>
#include <chrono>
#include <map>

#include "builder/file_record_names.h"
#include "builder/option_flags.h"
#include "builder/project.h"
#include "builder/project_fields.h"
#include "builder/source_glob.h"
#include "builder/toml_table_reader.h"
#include "format/file_time.h"
#include "format/payload_header.h"

namespace vantrel::builder {
namespace {

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

}  // namespace

void ReadFiles(TableReader& root, Project& project) {
    std::map<std::tuple<std::uint32_t, std::wstring, std::string, bool>, std::uint32_t> seen;
    for (TableReader& entry : root.TableArray("files")) {
        const auto sources = entry.StringList("source");
        if (!sources || sources->empty())
            entry.Fail("source", "every [[files]] entry needs a source");
        FileRecord base;
        const auto kind =
            entry.Choice<DestinationKind>("kind", std::span(kDestinationKindNames), "destination kind")
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
                entry.Choice<std::uint32_t>("replace", std::span(kReplaceModeNames), "replace mode")) {
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

}  // namespace vantrel::builder
