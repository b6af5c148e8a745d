// The list tables: [[associations]], [[shortcuts]], [[firewall]], [[saved_values]],
// [[deletions]] and [[close_apps]].
#include "builder/project_tables.h"

#include <algorithm>

#include "builder/option_flags.h"
#include "builder/project.h"
#include "builder/project_fields.h"
#include "builder/source_glob.h"
#include "builder/text_encoding.h"
#include "builder/toml_table_reader.h"
#include "format/firewall_text.h"
#include "format/settings_stream.h"

namespace vantrel::builder {
namespace {

void CheckCount(TableReader& parent, std::string_view key, std::size_t count) {
    if (count > kMaxListEntries)
        parent.Fail(key, "at most 1000 entries are allowed");
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

}  // namespace

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
    std::vector<FirewallInstruction> instructions;
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
            entry.Choice<std::uint32_t>("protocol",
                                        {{"tcp", firewall_protocol::kTcp},
                                         {"udp", firewall_protocol::kUdp},
                                         {"both", firewall_protocol::kTcp | firewall_protocol::kUdp}},
                                        "protocol");
        if (protocol && !port)
            entry.Fail("protocol", "a protocol applies to ports only");
        const bool keep = entry.Bool("keep").value_or(false);
        entry.Finish();
        const std::uint32_t bothProtocols = firewall_protocol::kTcp | firewall_protocol::kUdp;
        instructions.push_back({*Utf8ToUtf16(EncodedText(target)), *Utf8ToUtf16(name),
                                port ? protocol.value_or(bothProtocols) : 0, keep});
    }
    s.firewallText = WriteFirewallText(instructions);
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

}  // namespace vantrel::builder
