#pragma once

#include <windows.h>

#include <string>

namespace vantrel {

// Gives `window` the program's icon (resource 1 of `instance`) in both sizes, each loaded at
// the size the system asks for at the screen's density rather than one scaled from the other.
void GiveProgramIcons(HWND window, HINSTANCE instance);

// The two sizes of an icon file, each loaded at the size the system asks for; they stay
// valid as long as this object, which must outlive the windows it gives them to.
class FileIcons {
  public:
    explicit FileIcons(const std::wstring& iconFile);
    FileIcons(const FileIcons&) = delete;
    FileIcons& operator=(const FileIcons&) = delete;
    ~FileIcons();

    bool Loaded() const { return big_ != nullptr || small_ != nullptr; }
    // Gives `window` the icons that loaded; a null window gets nothing.
    void GiveTo(HWND window) const;

  private:
    HICON big_ = nullptr;
    HICON small_ = nullptr;
};

}  // namespace vantrel
