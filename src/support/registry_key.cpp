#include "support/registry_key.h"

#include <array>
#include <cstring>

#include "format/ascii.h"
#include "support/system_info.h"

namespace vantrel {
namespace {

struct RootRow {
    HKEY root;
    std::wstring_view displayName;
    std::wstring_view pathForm;
};

// Searched in this order.
const std::array<RootRow, 6> kRoots = {{
    {HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE\\", L"\\HKLM\\"},
    {HKEY_CURRENT_USER, L"HKEY_CURRENT_USER\\", L"\\HKCU\\"},
    {HKEY_CLASSES_ROOT, L"HKEY_CLASSES_ROOT\\", L"\\HKCR\\"},
    {HKEY_USERS, L"HKEY_USERS\\", L"\\HKU\\"},
    {HKEY_CURRENT_CONFIG, L"HKEY_CURRENT_CONFIG\\", L"\\HKCC\\"},
    {HKEY_DYN_DATA, L"", L"\\HKDD\\"},
}};

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiUpper(text[i]) != AsciiUpper(prefix[i]))
            return false;
    }
    return true;
}

std::wstring KeyDisplayPath(std::wstring_view base, std::wstring_view subkey) {
    std::wstring path(base);
    if (!subkey.empty()) {
        path.append(subkey);
        if (path.back() != L'\\')
            path.push_back(L'\\');
    }
    return path;
}

bool CreateKey(HKEY parent, const std::wstring& subkey, REGSAM access, PSECURITY_DESCRIPTOR descriptor,
               UniqueRegistryKey& key, DWORD& disposition) {
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), descriptor, FALSE};
    const LONG status =
        RegCreateKeyExW(parent, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                        descriptor != nullptr ? &attributes : nullptr, key.Receive(), &disposition);
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

// Some systems ignore the descriptor given at creation, so it is applied once more on a
// handle of its own: the caller's handle keeps exactly the access it asked for.
void ApplySecurity(HKEY key, REGSAM view, PSECURITY_DESCRIPTOR descriptor) {
    UniqueRegistryKey owner;
    if (RegOpenKeyExW(key, nullptr, 0, WRITE_DAC | view, owner.Receive()) == ERROR_SUCCESS)
        RegSetKeySecurity(owner.Get(), DACL_SECURITY_INFORMATION, descriptor);
}

// A number value of its own type only; its first bytes when it is longer.
template <class Number>
bool ReadFixedValue(const RegistryKey& key, std::wstring_view name, DWORD wantedType, Number& value) {
    DWORD type = 0;
    std::vector<BYTE> data;
    if (!key.ReadValue(name, type, data))
        return false;
    if (type != wantedType || data.size() < sizeof value) {
        SetLastError(ERROR_INVALID_DATATYPE);
        return false;
    }
    std::memcpy(&value, data.data(), sizeof value);
    return true;
}

}  // namespace

bool IsAllUsersPath(std::wstring_view path) {
    return path.substr(0, kAllUsersRoot.size()) == kAllUsersRoot;
}

bool FindRegistryRoot(std::wstring_view path, HKEY& root, std::wstring_view& subkey) {
    for (const bool withFinalBackslash : {true, false}) {
        for (const RootRow& row : kRoots) {
            const std::wstring_view form =
                withFinalBackslash ? row.pathForm : row.pathForm.substr(0, row.pathForm.size() - 1);
            if (StartsWithIgnoringCase(path, form)) {
                root = row.root;
                subkey = path.substr(form.size());
                return true;
            }
        }
    }
    return false;
}

bool FindRegistryRootOrLongName(std::wstring_view path, HKEY& root, std::wstring_view& subkey) {
    for (const RootRow& row : kRoots) {
        if (!row.displayName.empty() && !path.empty() && path.front() == L'\\' &&
            StartsWithIgnoringCase(path.substr(1), row.displayName)) {
            root = row.root;
            subkey = path.substr(1 + row.displayName.size());
            return true;
        }
    }
    return FindRegistryRoot(path, root, subkey);
}

std::wstring_view RegistryRootDisplayName(HKEY root) {
    for (const RootRow& row : kRoots)
        if (row.root == root)
            return row.displayName;
    return {};
}

SharedKeySecurity::SharedKeySecurity() {
    DWORD everyoneSize = sizeof(everyone_);
    DWORD administratorsSize = sizeof(administrators_);
    DWORD systemSize = sizeof(system_);
    if (!CreateWellKnownSid(WinWorldSid, nullptr, everyone_, &everyoneSize) ||
        !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators_, &administratorsSize) ||
        !CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &systemSize))
        return;
    const DWORD aclSize = sizeof(ACL) + 3 * (sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD)) + everyoneSize +
                          administratorsSize + systemSize;
    acl_.assign(aclSize, 0);
    const PACL acl = reinterpret_cast<PACL>(acl_.data());
    built_ = InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
             InitializeAcl(acl, aclSize, ACL_REVISION) &&
             AddAccessAllowedAce(acl, ACL_REVISION, kSharedKeyEveryoneAccess, everyone_) &&
             AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, administrators_) &&
             AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, system_) &&
             SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE);
}

RegistryKey::~RegistryKey() {
    while (!stack_.empty())
        stack_.pop_back();
}

RegistryOpen RegistryKey::OpenFrom(HKEY parent, std::wstring_view subkey, std::wstring displayPath,
                                   unsigned options, REGSAM access) {
    const std::wstring name(subkey);
    UniqueRegistryKey key;
    RegistryOpen result = RegistryOpen::kFailed;
    if (options & registry_option::kOpenOnly) {
        const LONG status = RegOpenKeyExW(parent, name.c_str(), 0, access, key.Receive());
        SetLastError(static_cast<DWORD>(status));
        if (status == ERROR_SUCCESS)
            result = RegistryOpen::kOpened;
    } else {
        DWORD disposition = 0;
        SharedKeySecurity security;
        const PSECURITY_DESCRIPTOR descriptor =
            (options & registry_option::kDefaultSecurity) ? nullptr : security.Descriptor();
        bool created = CreateKey(parent, name, access, descriptor, key, disposition);
        if (!created && descriptor != nullptr)
            created = CreateKey(parent, name, access, nullptr, key, disposition);
        if (created) {
            result = disposition == REG_CREATED_NEW_KEY ? RegistryOpen::kCreated : RegistryOpen::kOpened;
            if (result == RegistryOpen::kCreated && descriptor != nullptr)
                ApplySecurity(key.Get(), access & kRegistryViewMask, descriptor);
            SetLastError(ERROR_SUCCESS);
        }
    }
    if (result == RegistryOpen::kFailed) {
        const DWORD error = GetLastError();
        if (options & registry_option::kShowError)
            MessageBoxW(nullptr, SystemErrorText(error).c_str(), L"Registry Error", MB_OK | MB_ICONERROR);
        SetLastError(error);
        return result;
    }
    if ((options & registry_option::kReplaceCurrent) && !stack_.empty())
        stack_.pop_back();
    stack_.push_back({std::move(key), std::move(displayPath), access & kRegistryViewMask});
    return result;
}

RegistryOpen RegistryKey::Open(HKEY root, std::wstring_view subkey, unsigned options, REGSAM access) {
    return OpenFrom(root, subkey, KeyDisplayPath(RegistryRootDisplayName(root), subkey), options, access);
}

RegistryOpen RegistryKey::OpenPath(std::wstring_view path, unsigned options, REGSAM access) {
    HKEY root = nullptr;
    std::wstring_view subkey;
    if (!FindRegistryRoot(path, root, subkey)) {
        SetLastError(ERROR_BAD_PATHNAME);
        return RegistryOpen::kFailed;
    }
    return Open(root, subkey, options, access);
}

RegistryOpen RegistryKey::OpenRelative(std::wstring_view subkey, unsigned options, REGSAM access) {
    if (stack_.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return RegistryOpen::kFailed;
    }
    return OpenFrom(stack_.back().key.Get(), subkey, KeyDisplayPath(stack_.back().displayPath, subkey),
                    options, access);
}

void RegistryKey::Close() {
    if (!stack_.empty())
        stack_.pop_back();
}

bool RegistryKey::SetValue(std::wstring_view name, DWORD type, const void* data, DWORD size,
                           unsigned options) {
    if (stack_.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if ((options & registry_option::kKeepExisting) && HasValue(name)) {
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    const std::wstring valueName(name);
    // The system looks at the unit after string data and, when it is zero, stores it as the
    // terminator the size left out; a copy with a zero unit after it keeps that look inside
    // our own memory, and the result is the same on every system.
    std::vector<BYTE> copy;
    if ((type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) && size > 0 && data != nullptr) {
        copy.assign(size + sizeof(wchar_t), 0);
        std::memcpy(copy.data(), data, size);
        data = copy.data();
    }
    const LONG status =
        RegSetValueExW(Handle(), valueName.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

bool RegistryKey::SetText(std::wstring_view name, std::wstring_view text, unsigned options) {
    return SetValue(name, REG_SZ, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), options);
}

bool RegistryKey::SetTextAnsi(std::string_view name, std::string_view text) {
    if (stack_.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const std::string valueName(name);
    const LONG status =
        RegSetValueExA(Handle(), valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.data()),
                       static_cast<DWORD>(text.size()));
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

bool RegistryKey::SetNumber(std::wstring_view name, DWORD value, unsigned options) {
    return SetValue(name, REG_DWORD, &value, sizeof value, options);
}

bool RegistryKey::SetQword(std::wstring_view name, std::uint64_t value, unsigned options) {
    return SetValue(name, REG_QWORD, &value, sizeof value, options);
}

bool RegistryKey::ReadValue(std::wstring_view name, DWORD& type, std::vector<BYTE>& data) const {
    data.clear();
    if (stack_.empty()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const std::wstring valueName(name);
    DWORD size = 0;
    LONG status = RegQueryValueExW(Handle(), valueName.c_str(), nullptr, &type, nullptr, &size);
    // Another program may make the value longer between the size query and the read.
    for (int attempt = 0; attempt < 8 && status == ERROR_SUCCESS; ++attempt) {
        data.assign(size, 0);
        DWORD got = size;
        status = RegQueryValueExW(Handle(), valueName.c_str(), nullptr, &type, data.data(), &got);
        if (status == ERROR_SUCCESS) {
            data.resize(got);
            SetLastError(ERROR_SUCCESS);
            return true;
        }
        if (status == ERROR_MORE_DATA) {
            size = got > size ? got : size * 2 + 64;
            status = ERROR_SUCCESS;
        }
    }
    data.clear();
    SetLastError(static_cast<DWORD>(status == ERROR_SUCCESS ? ERROR_MORE_DATA : status));
    return false;
}

bool RegistryKey::ReadNumber(std::wstring_view name, DWORD& value) const {
    return ReadFixedValue(*this, name, REG_DWORD, value);
}

bool RegistryKey::ReadQword(std::wstring_view name, std::uint64_t& value) const {
    return ReadFixedValue(*this, name, REG_QWORD, value);
}

bool RegistryKey::ReadText(std::wstring_view name, std::wstring& text) const {
    text.clear();
    if (stack_.empty())
        return false;
    const std::wstring valueName(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG status = RegQueryValueExW(Handle(), valueName.c_str(), nullptr, &type, nullptr, &size);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        SetLastError(status != ERROR_SUCCESS ? static_cast<DWORD>(status) : ERROR_INVALID_DATATYPE);
        return false;
    }
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    DWORD read = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    status = RegQueryValueExW(Handle(), valueName.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(buffer.data()), &read);
    if (status != ERROR_SUCCESS) {
        SetLastError(static_cast<DWORD>(status));
        return false;
    }
    // Stored values may or may not carry their terminating zero; the text ends at the first.
    const std::size_t units = read / sizeof(wchar_t);
    std::size_t length = 0;
    while (length < units && buffer[length] != L'\0')
        ++length;
    text.assign(buffer.data(), length);
    return true;
}

bool RegistryKey::HasValue(std::wstring_view name) const {
    if (stack_.empty())
        return false;
    const std::wstring valueName(name);
    return RegQueryValueExW(Handle(), valueName.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

RegistryKey::DeleteResult RegistryKey::DeleteValue(std::wstring_view name) {
    if (stack_.empty())
        return kNotThere;
    const std::wstring valueName(name);
    const LONG status = RegDeleteValueW(Handle(), valueName.c_str());
    SetLastError(static_cast<DWORD>(status));
    if (status == ERROR_SUCCESS)
        return kDeleted;
    return status == ERROR_FILE_NOT_FOUND ? kNotThere : kDeleteFailed;
}

bool RegistryKey::DeleteKey(std::wstring_view subkey, unsigned options) {
    if (stack_.empty() || subkey.empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    return DeleteRegistryKey(Handle(), subkey, options, stack_.back().view);
}

bool RegistryKey::Counts(DWORD& subkeys, DWORD& values) const {
    subkeys = values = 0;
    if (stack_.empty())
        return false;
    const LONG status = RegQueryInfoKeyW(Handle(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                         &values, nullptr, nullptr, nullptr, nullptr);
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

bool RegistryKey::IsEmpty() const {
    DWORD subkeys = 0;
    DWORD values = 0;
    return Counts(subkeys, values) && subkeys == 0 && values == 0;
}

bool DeleteRegistryKey(HKEY parent, std::wstring_view subkey, unsigned options, REGSAM access) {
    const REGSAM view = access & kRegistryViewMask;
    const std::wstring name(subkey);
    {
        UniqueRegistryKey key;
        LONG status = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | view, key.Receive());
        if (status != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(status));
            return false;
        }
        DWORD subkeys = 0;
        DWORD values = 0;
        status = RegQueryInfoKeyW(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                                  nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) {
            SetLastError(static_cast<DWORD>(status));
            return false;
        }
        if (options & registry_option::kEmptyOnly) {
            if (subkeys != 0 || values != 0) {
                SetLastError(ERROR_DIR_NOT_EMPTY);
                return false;
            }
        } else {
            // Children first; each deletion shifts the rest, so the first one is taken each time.
            for (;;) {
                wchar_t child[256];
                DWORD length = static_cast<DWORD>(std::size(child));
                if (RegEnumKeyExW(key.Get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
                    ERROR_SUCCESS)
                    break;
                if (!DeleteRegistryKey(key.Get(), std::wstring_view(child, length), 0, access))
                    return false;
            }
        }
    }
    const LONG status = RegDeleteKeyExW(parent, name.c_str(), view, 0);
    SetLastError(static_cast<DWORD>(status));
    return status == ERROR_SUCCESS;
}

}  // namespace vantrel
