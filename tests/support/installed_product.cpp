#include "support/installed_product.h"

#include <shlobj.h>

#include <algorithm>

#include "format/text_encoding.h"
#include "support/test_files.h"

namespace vantrel::test {
namespace {

std::wstring FolderOfPath(const std::wstring& path) {
    const std::size_t last = path.rfind(L'\\');
    return last == std::wstring::npos ? std::wstring() : path.substr(0, last);
}

}  // namespace

bool MachineKeyExists(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

InstalledProduct::InstalledProduct(std::wstring name, std::wstring installDir)
    : name_(std::move(name)), installDir_(std::move(installDir)) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath().c_str());
    SHCreateDirectoryExW(nullptr, UninstallFolder().c_str(), nullptr);
    RecordFolder(UninstallFolder());
    textValues_[L"DisplayName"] = name_;
    textValues_[L"InstallLocation"] = installDir_;
    textValues_[L"UninstallSubdir"] = L"Uninstall";
    textValues_[L"ProductFlags"] = L"4";
    for (const int number : kUninstallStringNumbers)
        data_.strings[number] = L"";
    data_.strings[58] = L"Unable to delete:";
    data_.strings[10] = L"These items could not be removed:\r\n%s";
    data_.productTitle = name_;
}

InstalledProduct::~InstalledProduct() {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, KeyPath().c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, KeyPath().c_str());
    if (!productKey_.empty()) {
        const std::wstring path = L"Software\\" + productKey_;
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, path.c_str());
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path.c_str());
    }
}

std::wstring InstalledProduct::KeyPath() const {
    return L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name_;
}

bool InstalledProduct::KeyExists() const {
    return MachineKeyExists(KeyPath());
}

void InstalledProduct::RecordFolder(const std::wstring& folder) {
    if (std::find(folders_.begin(), folders_.end(), folder) != folders_.end())
        return;
    folders_.push_back(folder);
    data_.removalList.push_back("~" + EncodeText(folder));
}

std::wstring InstalledProduct::AddFile(const std::wstring& relativePath, const std::string& bytes) {
    const std::wstring path = installDir_ + L"\\" + relativePath;
    const std::wstring folder = FolderOfPath(path);
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    for (std::wstring parent = folder; parent.size() > installDir_.size(); parent = FolderOfPath(parent))
        RecordFolder(parent);
    WriteTestFile(path, bytes);
    data_.removalList.push_back(EncodeText(path));
    return path;
}

void InstalledProduct::AddProductRegistryKey(const std::wstring& keyBelowSoftware) {
    productKey_ = keyBelowSoftware;
    const std::wstring path = L"Software\\" + keyBelowSoftware;
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        const DWORD one = 1;
        RegSetValueExW(key, L"Setting", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
        RegCloseKey(key);
    }
    textValues_[L"ProductRegistry"] = keyBelowSoftware;
}

bool InstalledProduct::Write() {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, KeyPath().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    for (const auto& [name, text] : textValues_)
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    for (const auto& [name, value] : numberValues_)
        RegSetValueExW(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return WriteTestFile(DataFilePath(), BuildUninstallData(data_));
}

}  // namespace vantrel::test
