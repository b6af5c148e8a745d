#pragma once

#include <string>
#include <vector>

namespace vantrel {

// The guard that keeps removals away from the folders a machine cannot lose. A folder is
// refused when it is a drive or share root, one of the protected folders, or a folder that
// contains one of them. Paths are compared in one canonical form: full, long, case-folded,
// without "." and ".." components, trailing separators, dots and spaces, and with the
// "\\?\" and "\\?\UNC\" forms taken apart, so that "C:\Program Files\..\Users\x\Desktop\."
// is recognised as the Desktop it is.
class FolderGuard {
  public:
    explicit FolderGuard(const std::vector<std::wstring>& protectedFolders);

    // The guard for this machine's system and user folders, built at first use.
    static const FolderGuard& System();

    bool Refuses(const std::wstring& path) const;

  private:
    std::vector<std::wstring> protected_;  // comparable forms
};

// The form in which the guard compares paths.
std::wstring ComparablePath(const std::wstring& path);

// True for a drive root ("C:\"), a share root ("\\server\share") or an empty path, in the
// comparable form.
bool IsRootPath(const std::wstring& comparablePath);

}  // namespace vantrel
