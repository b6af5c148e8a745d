#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// Which program-files style folder: the 32-bit one, the 64-bit one, or the system default.
enum class FolderView { k32Bit = 1, k64Bit = 2, kDefault = 3 };

// The system folders behind the installer variables. Each tries the special-folder function,
// then (program-files family) the known-folder function, then the registry's Shell Folders
// value, then a fixed fallback, and takes the first non-empty result. None of them fails.
std::wstring ProgramFilesFolder(FolderView view);
std::wstring CommonFilesFolder(FolderView view);
std::wstring AppDataAllFolder();
std::wstring AppDataFolder();
std::wstring DesktopAllFolder();
std::wstring DesktopFolder();
std::wstring DeviceFolder();
std::wstring DocumentAllFolder();
std::wstring DocumentFolder();
std::wstring FavoritesAllFolder();
std::wstring FavoritesFolder();
std::wstring FontFolder();
std::wstring InetpubFolder();
std::wstring MediaFolder();
std::wstring SMProgramsAllFolder();
std::wstring SMProgramsFolder();
std::wstring StartMenuAllFolder();
std::wstring StartMenuFolder();
std::wstring StartupAllFolder();
std::wstring StartupFolder();
std::wstring SystemFolder();
std::wstring WindowsFolder();
// The boot drive, "C:" style.
std::wstring BootDrive();

// One special folder by its CSIDL number, and one known folder by its id; empty when the
// system has none (no fallbacks).
std::wstring SpecialFolderPath(int csidl);
std::wstring KnownFolderPath(const GUID& id);

// A folder read from the registry: four characters or more lose one trailing backslash,
// shorter ones (a drive root such as "D:\") are kept as they are.
std::wstring RegistryFolderText(std::wstring text);

}  // namespace vantrel
