#include "actions/uninstaller_icon.h"

#include <windows.h>

#include "context/install_log.h"
#include "format/icon_group.h"

namespace vantrel {
namespace {

constexpr WORD kEnglishUs = 1033;

using BeginUpdateResourceFunction = HANDLE(WINAPI*)(LPCWSTR, BOOL);
using UpdateResourceFunction = BOOL(WINAPI*)(HANDLE, LPCSTR, LPCSTR, WORD, LPVOID, DWORD);
using EndUpdateResourceFunction = BOOL(WINAPI*)(HANDLE, BOOL);

// The resource-update calls, looked up when first needed: a system without them fails the
// way a missing procedure does.
struct ResourceUpdateFunctions {
    BeginUpdateResourceFunction begin = nullptr;
    UpdateResourceFunction update = nullptr;
    EndUpdateResourceFunction end = nullptr;

    bool Complete() const { return begin != nullptr && update != nullptr && end != nullptr; }
};

ResourceUpdateFunctions LookUpResourceUpdate() {
    ResourceUpdateFunctions functions;
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr)
        return functions;
    functions.begin = reinterpret_cast<BeginUpdateResourceFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "BeginUpdateResourceW")));
    functions.update = reinterpret_cast<UpdateResourceFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "UpdateResourceA")));
    functions.end = reinterpret_cast<EndUpdateResourceFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "EndUpdateResourceA")));
    return functions;
}

}  // namespace

void ReplaceUninstallerIcon(const std::wstring& uninstallerPath, std::span<const std::uint8_t> iconFile,
                            InstallLog& log) {
    const ResourceUpdateFunctions functions = LookUpResourceUpdate();
    HANDLE update = functions.Complete() ? functions.begin(uninstallerPath.c_str(), FALSE) : nullptr;
    if (update == nullptr) {
        if (!functions.Complete())
            SetLastError(ERROR_PROC_NOT_FOUND);
        log.WriteLog("Failed to open uninstaller for icon replacement.\r\n");
        return;
    }
    const std::optional<IconResources> resources = SplitIconFile(iconFile);
    bool allUpdated = resources.has_value();
    if (resources) {
        for (std::size_t i = 0; i < resources->images.size(); ++i) {
            const std::span<const std::uint8_t> image = resources->images[i];
            allUpdated &= functions.update(update, MAKEINTRESOURCEA(3) /* RT_ICON */,
                                           MAKEINTRESOURCEA(static_cast<WORD>(i + 1)), kEnglishUs,
                                           const_cast<std::uint8_t*>(image.data()),
                                           static_cast<DWORD>(image.size())) != FALSE;
        }
        std::vector<std::uint8_t> group = resources->groupDirectory;
        allUpdated &= functions.update(update, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */, MAKEINTRESOURCEA(1),
                                       kEnglishUs, group.data(), static_cast<DWORD>(group.size())) != FALSE;
    }
    if (allUpdated && functions.end(update, FALSE) != FALSE)
        return;
    log.WriteLog("Failed to replace uninstaller icon.\r\n");
    if (!allUpdated)
        functions.end(update, TRUE);
}

}  // namespace vantrel
