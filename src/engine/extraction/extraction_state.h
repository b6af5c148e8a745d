#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// A shortcut the shortcut step makes for an installed file (kinds 0 and 5).
struct ShortcutEntry {
    std::uint32_t flags = 0;        // the record's bits 0x1, 0x2 and 0x20 (permanent)
    bool fromShortcutKind = false;  // kind 5
    std::wstring target;            // the installed file
    std::string name;               // UTF-8 (record field 6)
    std::wstring icon;              // record field 7
    std::string arguments;          // Windows-1252 (record field 8)
    std::string workingFolder;      // encoded text (record field 10)
};

// A file for the shared-file reference counts (kinds 1, 6, 7 and 8, in record order).
struct SharedFileEntry {
    std::wstring path;
    std::uint32_t kind = 0;
    bool permanent = false;  // flags bit 0x20, and always for kind 6
};

// A file to register after extraction: a COM server (kind 7) or a type library (kind 8).
struct ComponentFile {
    std::wstring path;
    bool permanent = false;
    std::uint32_t typeLibraryParameter = 0;  // flags bits 13 and up (kind 8)
};

// An MSI package (kind 11), installed as soon as it is written.
struct MsiPackageEntry {
    std::wstring path;
    std::uint32_t flags = 0;
    std::uint32_t interfaceLevel = 0;  // record field 11 (2 in silent mode)
};

// A control-panel applet (kind 12), registered as soon as it is written.
struct AppletEntry {
    std::wstring path;
    std::wstring name;       // record field 6, or the file name
    std::wstring classId;    // record field 10
    std::wstring arguments;  // record field 8
};

// An installed font and its file name, for the product's font list.
struct FontEntry {
    std::wstring fontName;
    std::wstring fileName;
};

// What the extraction leaves behind for the steps after it.
struct ExtractionState {
    std::vector<ShortcutEntry> shortcuts;
    std::vector<SharedFileEntry> sharedFiles;
    std::vector<ComponentFile> comFiles;
    std::vector<ComponentFile> typeLibraries;
    std::vector<std::wstring> drivers;
    std::vector<MsiPackageEntry> msiPackages;
    std::vector<AppletEntry> applets;
    std::vector<FontEntry> productFonts;
    bool fontsChanged = false;   // at least one font was added: tell all windows at the end
    bool restartNeeded = false;  // a file was registered for replacement at the next restart
};

}  // namespace vantrel
