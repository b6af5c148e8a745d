#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "support/file_system.h"
#include "uninstall/folder_guard.h"

namespace vantrel {

// The file-level primitives of installing and uninstalling: deleting, moving, removing
// folders, and registering work for the next restart. Each returns true on success and
// leaves the system error code in place on failure.

namespace delete_flags {
inline constexpr unsigned kKeepReadOnly = 0x001;       // do not clear the read-only attribute first
inline constexpr unsigned kAtRestart = 0x002;          // register the deletion for the next restart
inline constexpr unsigned kAtRestartIfLocked = 0x010;  // a failure other than "not found" registers it
inline constexpr unsigned kToRecycleBin = 0x080;       // move the file to the Recycle Bin instead
inline constexpr unsigned kOnlyIfEmpty = 0x100;        // delete only a file of size 0
inline constexpr unsigned kMissingIsSuccess = 0x800;   // a missing file or path counts as deleted
}  // namespace delete_flags

namespace move_flags {
inline constexpr unsigned kTargetMustExist = 0x001;     // else ERROR_FILE_NOT_FOUND
inline constexpr unsigned kTargetMustNotExist = 0x002;  // else ERROR_FILE_EXISTS
inline constexpr unsigned kCreateTargetFolder = 0x004;
inline constexpr unsigned kAtRestart = 0x008;  // register the move (replacing) for the next restart
inline constexpr unsigned kRefuseReadOnlyTarget = 0x040;  // ERROR_ACCESS_DENIED
inline constexpr unsigned kTargetIsFolder = 0x080;        // the source's file name is appended
inline constexpr unsigned kRelativeToSource = 0x200;      // a relative target is taken in the source's folder
}  // namespace move_flags

namespace remove_folder_flags {
inline constexpr unsigned kTouchNothingInside = 0x1;  // leave "thumbs.db" and "desktop.ini" alone
}  // namespace remove_folder_flags

// Deletes a file. A file that is a link is deleted as a link. With kOnlyIfEmpty, a file that
// is not empty fails with ERROR_ACCESS_DENIED. An empty path fails with ERROR_INVALID_NAME.
bool DeleteFileWithFlags(const std::wstring& path, unsigned flags);
// The same for a path stored as encoded text (legacy 8-bit text in the ANSI code page).
bool DeleteEncodedFile(std::string_view encodedPath, unsigned flags);

// Moves a file. Source and target being one file (by path or by another way to it) only
// create the target folder and register the restart move. Without kTargetMustNotExist and
// kAtRestart an existing target is deleted first.
bool MoveFileWithFlags(const std::wstring& source, const std::wstring& target, unsigned flags);

// Registers a deletion, or the replacement of `target` by `source`, for the next restart:
// through the system's delayed move, or, where that refuses and the system still reads
// "wininit.ini", through a line in that file.
bool RegisterDeletionAtRestart(const std::wstring& path);
bool RegisterReplacementAtRestart(const std::wstring& source, const std::wstring& target);

// Removes an empty folder (after deleting the "thumbs.db" and "desktop.ini" the shell puts
// there, unless kTouchNothingInside). A trailing backslash is ignored. Drive roots fail with
// ERROR_BAD_PATHNAME (161) and folders the guard protects with ERROR_ACCESS_DENIED; a
// missing folder fails with ERROR_PATH_NOT_FOUND.
bool RemoveFolder(const std::wstring& path, unsigned flags, const FolderGuard& guard = FolderGuard::System());

// How the tree removal sees the file system; tests replace it to show what it does with
// links that Wine cannot make.
struct FolderTreeView {
    std::function<bool(const std::wstring& folder, std::vector<FolderEntry>& entries)> list = ListFolder;
    std::function<DWORD(const std::wstring& path)> attributes = [](const std::wstring& path) {
        return GetFileAttributesW(path.c_str());
    };
};

// Removes a folder with everything in it: files (with the given deletion flags), then
// subfolders, then the folder. A link (junction, symbolic link) is removed as a link and
// never followed. Drive roots fail with ERROR_BAD_PATHNAME; a protected folder or one
// that holds a protected folder fails with ERROR_ACCESS_DENIED and nothing is touched.
// Everything is tried; the first error is kept and left in place.
bool RemoveFolderTree(const std::wstring& path, unsigned deleteFlags,
                      const FolderGuard& guard = FolderGuard::System(), const FolderTreeView& view = {});

}  // namespace vantrel
