#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "format/uninstall_data_file.h"

namespace vantrel::test {

// What an installation leaves behind for its uninstaller, written directly by a test: the
// installed files and folders, the Uninstall key with its values and Uninstall.DAT. The
// Uninstall key and the product's own registry key are removed on destruction when the
// uninstaller left them.
class InstalledProduct {
  public:
    // `installDir` must exist; the uninstall data goes to its "Uninstall" subfolder.
    InstalledProduct(std::wstring name, std::wstring installDir);
    ~InstalledProduct();
    InstalledProduct(const InstalledProduct&) = delete;
    InstalledProduct& operator=(const InstalledProduct&) = delete;

    // A file below the installation folder (folders are created and recorded, longest last).
    std::wstring AddFile(const std::wstring& relativePath, const std::string& bytes = "installed");
    // The product's own key below HKLM\Software, with one value, recorded as ProductRegistry.
    void AddProductRegistryKey(const std::wstring& keyBelowSoftware);
    void SetValue(const std::wstring& name, const std::wstring& text) { textValues_[name] = text; }
    void SetNumber(const std::wstring& name, DWORD value) { numberValues_[name] = value; }
    UninstallDataContent& Data() { return data_; }

    // Writes the key values and Uninstall.DAT.
    bool Write();

    const std::wstring& Name() const { return name_; }
    const std::wstring& InstallDir() const { return installDir_; }
    std::wstring UninstallFolder() const { return installDir_ + L"\\Uninstall"; }
    std::wstring DataFilePath() const { return UninstallFolder() + L"\\Uninstall.DAT"; }
    std::wstring KeyPath() const;
    bool KeyExists() const;

  private:
    void RecordFolder(const std::wstring& folder);

    std::wstring name_;
    std::wstring installDir_;
    std::wstring productKey_;
    std::map<std::wstring, std::wstring> textValues_;
    std::map<std::wstring, DWORD> numberValues_;
    UninstallDataContent data_;
    std::vector<std::wstring> folders_;
};

// Whether a key exists below HKEY_LOCAL_MACHINE.
bool MachineKeyExists(const std::wstring& path);

}  // namespace vantrel::test
