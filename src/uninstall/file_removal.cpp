#include "uninstall/file_removal.h"

#include "format/path_canonical.h"
#include "format/path_join.h"
#include "format/text_encoding.h"
#include "support/ansi_text.h"
#include "support/folder_tree.h"
#include "support/restart_operations.h"
#include "support/shell_folders.h"
#include "support/system_info.h"

namespace vantrel {
namespace {

bool IsNotFound(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool ClearReadOnly(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0)
        return true;
    return SetFileAttributesW(path.c_str(), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY)) !=
           FALSE;
}

bool RegisterRestartOperation(const std::wstring& source, const std::wstring& target) {
    if (DelayedMove(source, target))
        return true;
    const DWORD error = GetLastError();
    const std::wstring windows = WindowsFolder();
    if (!HasWininitProgram(windows)) {
        SetLastError(error);
        return false;
    }
    return target.empty() ? AddWininitEntry(windows, L"NUL", source)
                          : AddWininitEntry(windows, target, source);
}

std::wstring FolderPathOf(const std::wstring& path) {
    return WithoutLastComponent(path);
}

std::wstring FileNamePart(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

// The tree below a folder that is known to be a real folder (not a link). Returns the
// first error, 0 when everything went.
DWORD RemoveTreeBelow(const std::wstring& folder, unsigned deleteFlags, const FolderTreeView& view) {
    DWORD firstError = 0;
    const auto keep = [&firstError](bool ok) {
        if (!ok && firstError == 0)
            firstError = GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE;
    };
    std::vector<FolderEntry> entries;
    keep(view.list(folder, entries));
    for (const FolderEntry& entry : entries) {
        const std::wstring child = PathJoin(folder, entry.name);
        const bool isFolder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (IsLinkAttributes(entry.attributes)) {
            // The link goes, never what it points to.
            keep(isFolder ? RemoveDirectoryW(child.c_str()) != FALSE : DeleteFileW(child.c_str()) != FALSE);
        } else if (isFolder) {
            if ((deleteFlags & delete_flags::kKeepReadOnly) == 0)
                ClearReadOnly(child);  // a read-only folder cannot be removed
            const DWORD error = RemoveTreeBelow(child, deleteFlags, view);
            if (error == 0)
                keep(RemoveDirectoryW(child.c_str()) != FALSE);
            else if (firstError == 0)
                firstError = error;
        } else {
            keep(DeleteFileWithFlags(child, deleteFlags));
        }
    }
    return firstError;
}

// An absolute path without "." and ".." components or trailing separators.
std::wstring WorkingPath(const std::wstring& path) {
    std::wstring canonical = CanonicalPathText(path);
    if (!IsAbsolutePathText(canonical))
        canonical = CanonicalPathText(FullPathOf(canonical));
    return canonical;
}

}  // namespace

bool DeleteFileWithFlags(const std::wstring& path, unsigned flags) {
    if (path.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    while (true) {
        if (flags & delete_flags::kOnlyIfEmpty) {
            const auto size = FileSizeOf(path);
            if (!size)
                return false;
            if (*size != 0) {
                SetLastError(ERROR_ACCESS_DENIED);
                return false;
            }
        }
        if ((flags & delete_flags::kKeepReadOnly) == 0)
            ClearReadOnly(path);
        if (flags & delete_flags::kAtRestart)
            return RegisterDeletionAtRestart(path);
        if (flags & delete_flags::kToRecycleBin)
            return MoveToRecycleBin(path);
        if (DeleteFileW(path.c_str()))
            return true;
        const DWORD error = GetLastError();
        if ((flags & delete_flags::kMissingIsSuccess) && IsNotFound(error))
            return true;
        if ((flags & delete_flags::kAtRestartIfLocked) && !IsNotFound(error)) {
            flags |= delete_flags::kAtRestart;
            continue;
        }
        SetLastError(error);
        return false;
    }
}

bool DeleteEncodedFile(std::string_view encodedPath, unsigned flags) {
    return DeleteFileWithFlags(DecodeText(encodedPath, AnsiCodePageToUtf16), flags);
}

bool RegisterDeletionAtRestart(const std::wstring& path) {
    return RegisterRestartOperation(path, std::wstring());
}

bool RegisterReplacementAtRestart(const std::wstring& source, const std::wstring& target) {
    return RegisterRestartOperation(source, target);
}

bool MoveFileWithFlags(const std::wstring& source, const std::wstring& givenTarget, unsigned flags) {
    std::wstring target = givenTarget;
    if ((flags & move_flags::kRelativeToSource) && !IsAbsolutePathText(target))
        target = PathJoin(FolderPathOf(source), target);
    if (flags & move_flags::kTargetIsFolder)
        target = PathJoin(target, FileNamePart(source));

    const bool sameFile = source == target || IsSameFile(source, target);
    if (!sameFile) {
        const DWORD attributes = GetFileAttributesW(target.c_str());
        const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
        if ((flags & move_flags::kTargetMustExist) && !exists) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return false;
        }
        if ((flags & move_flags::kTargetMustNotExist) && exists) {
            SetLastError(ERROR_FILE_EXISTS);
            return false;
        }
        if ((flags & move_flags::kRefuseReadOnlyTarget) && exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
            SetLastError(ERROR_ACCESS_DENIED);
            return false;
        }
    }
    if ((flags & move_flags::kCreateTargetFolder) && !CreateFolderTree(FolderPathOf(target)))
        return false;
    if (flags & move_flags::kAtRestart)
        return RegisterReplacementAtRestart(source, target);
    if (sameFile)
        return true;
    if ((flags & move_flags::kTargetMustNotExist) == 0 &&
        !DeleteFileWithFlags(target, delete_flags::kMissingIsSuccess))
        return false;
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_COPY_ALLOWED) != FALSE;
}

bool RemoveFolder(const std::wstring& path, unsigned flags, const FolderGuard& guard) {
    const std::wstring folder = WithoutTrailingBackslash(path);
    if (folder.size() <= 3) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    if (guard.Refuses(folder)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if ((flags & remove_folder_flags::kTouchNothingInside) == 0 && !IsLinkAttributes(attributes)) {
        DeleteFileWithFlags(PathJoin(folder, L"thumbs.db"), delete_flags::kMissingIsSuccess);
        DeleteFileWithFlags(PathJoin(folder, L"desktop.ini"), delete_flags::kMissingIsSuccess);
    }
    return RemoveDirectoryW(folder.c_str()) != FALSE;
}

bool RemoveFolderTree(const std::wstring& path, unsigned deleteFlags, const FolderGuard& guard,
                      const FolderTreeView& view) {
    const std::wstring folder = WorkingPath(path);
    if (WithoutTrailingBackslash(path).size() <= 3 || folder.size() <= 3) {
        SetLastError(ERROR_BAD_PATHNAME);
        return false;
    }
    if (guard.Refuses(folder)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const DWORD attributes = view.attributes(folder);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        SetLastError(ERROR_DIRECTORY);
        return false;
    }
    if (IsLinkAttributes(attributes))
        return RemoveDirectoryW(folder.c_str()) != FALSE;
    const DWORD error = RemoveTreeBelow(folder, deleteFlags, view);
    if (error != 0) {
        SetLastError(error);
        return false;
    }
    return RemoveDirectoryW(folder.c_str()) != FALSE;
}

}  // namespace vantrel
