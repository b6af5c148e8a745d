#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "format/settings.h"

namespace vantrel {

// Uninstall.DAT: what an installation did that its uninstaller must undo. A text of lines
// ended by CR LF: first the removal list, then the sections below in a fixed order, each
// introduced by an empty line pair and its header. No header, version or checksum.

// One conditional deletion and one rule for closing a running program, as the payload
// lists them (the file keeps the same fields, without the phase mask of the latter).
using FileDeletion = ConditionalDeletion;
using AutoCloseEntry = AutoCloseRecord;

// A file association made by the installation.
struct FileAssociation {
    std::string extension;  // ".txt"; 8-bit
    std::string fileType;   // the class key under HKEY_CLASSES_ROOT; 8-bit
    std::string verb;       // "open"; 8-bit
    std::wstring icon;      // icon file and index, as "path,index"

    bool operator==(const FileAssociation&) const = default;
};

// The kinds of the removal list; the first character of a line tells them apart (a file
// line has none of the four).
enum class RemovalKind { kFile = 0, kFolder = 1, kRegistryValue = 2, kRegistryKey = 3, kRegistryKey64 = 4 };

// The first character that marks a kind; 0 for a file.
char RemovalPrefix(RemovalKind kind);
// The kind of a removal line, read from its first character.
RemovalKind RemovalKindOf(std::string_view line);
// The encoded path of a removal line (the line without its kind character).
std::string_view RemovalPathOf(std::string_view line);

namespace uninstall_section {
inline constexpr std::string_view kStrings = "[Strings]";
inline constexpr std::string_view kAutoClose = "[AutoClose]";
inline constexpr std::string_view kAssociations = "[Associations]";
inline constexpr std::string_view kFirewall = "[Firewall]";
inline constexpr std::string_view kInf = "[INF]";
inline constexpr std::string_view kMsi = "[MSI]";
inline constexpr std::string_view kRegistry = "[Registry2]";
inline constexpr std::string_view kConditionalDelete = "[ConditionalDelete]";
}  // namespace uninstall_section

// The installer strings the uninstaller shows, written in this order; the product title
// follows them under number 999.
inline constexpr std::array<int, 31> kUninstallStringNumbers = {
    10, 15, 20, 30, 34, 35, 49, 53,  55,  56,  57,  58,  59,  65,  67, 68,
    69, 70, 71, 74, 79, 80, 99, 100, 101, 104, 107, 108, 109, 110, 111};
inline constexpr int kProductTitleNumber = 999;

// The whole content of the file, as the installation collects it and the uninstaller reads
// it back.
struct UninstallDataContent {
    // One line per object, as written: kind character and encoded path. Reading keeps every
    // line before the first header, empty ones included.
    std::vector<std::string> removalList;
    // Installer strings by number, in the installation's language; the product title apart.
    std::map<int, std::wstring> strings;
    std::wstring productTitle;
    std::vector<AutoCloseEntry> autoClose;
    std::vector<FileAssociation> associations;
    // Lines of their sections, without line ends.
    std::vector<std::string> firewallLines;  // "target;name;flags;options", copied from the payload
    std::vector<std::string> infLines;       // encoded paths of the system's INF copies
    std::vector<std::string> msiLines;       // "\"package\",level"
    // The registry script as UTF-8, one script line per line, each ended by CR LF.
    std::string registryScript;
    // Only the deletions that apply at uninstallation (flags bit 3) are written.
    std::vector<FileDeletion> deletions;

    bool operator==(const UninstallDataContent&) const = default;
};

// Decodes 8-bit text that has no "|" marker (the machine's ANSI code page, in the engine).
using AnsiDecoder = std::function<std::wstring(std::string_view)>;

// Reads the file's bytes. Never fails: malformed lines are skipped, as the format allows.
// `decodeAnsi` reads encoded texts without the "|" marker (Windows-1252 when empty).
UninstallDataContent ParseUninstallData(std::string_view bytes, const AnsiDecoder& decodeAnsi = {});

// The writing side lives in uninstall_data_file_writer.cpp.

// The file's bytes. Strings missing from the table are written as empty lines.
std::string BuildUninstallData(const UninstallDataContent& content);

// Helpers for callers that add lines one by one.
std::string FormatAssociationLine(const FileAssociation& association);
std::string FormatMsiLine(std::wstring_view packagePath, int uiLevel);

}  // namespace vantrel
