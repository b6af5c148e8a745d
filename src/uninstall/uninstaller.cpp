#include "uninstall/uninstaller.h"

#include "run/engine_identity.h"
#include "format/text_format.h"
#include "support/unique_registry_key.h"

namespace vantrel {
namespace {

constexpr const wchar_t* kUninstallRoot = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void Tell(RunState& run, const std::wstring& text) {
    if (!run.options.silent && run.ui)
        run.ui->ShowMessageBox(text, kEngineName, mb::kOk | mb::kIconError);
}

}  // namespace

bool RunUninstaller(RunState& run, const std::wstring& productName) {
    UniqueRegistryKey key;
    const std::wstring path = kUninstallRoot + productName;
    const LSTATUS status = RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, key.Receive());
    if (status != ERROR_SUCCESS) {
        if (status == ERROR_ACCESS_DENIED) {
            Tell(run, L"Permission denied.  Please run the uninstaller with administrator rights.");
        } else {
            Tell(run, FormatText(L"No product named '%s' is installed.", {productName}));
        }
        return false;
    }
    key.Reset();
    // Removing an installed product arrives with the uninstall data file; until then an
    // existing registration is reported as not removable rather than half-removed.
    Tell(run, FormatText(L"Unable to access the uninstall information for:\r\n%s\r\n\r\nThe uninstallation "
                         L"cannot be performed.",
                         {productName}));
    return false;
}

}  // namespace vantrel
