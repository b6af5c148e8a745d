#include "support/shell_link.h"

#include <objbase.h>
#include <shlobj.h>

#include <iterator>

#include "support/com_pointer.h"

namespace vantrel {
namespace {

bool comReady = false;

// The shell-link object with its file interface, both released when it goes.
class ShellLinkObject {
  public:
    HRESULT Create() {
        EnsureComReady();
        HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                          link_.Receive());
        if (FAILED(result))
            return result;
        result = link_->QueryInterface(IID_IPersistFile, file_.Receive());
        return result;
    }
    IShellLinkW* Link() const { return link_.Get(); }
    IPersistFile* File() const { return file_.Get(); }

  private:
    ComPointer<IShellLinkW> link_;
    ComPointer<IPersistFile> file_;
};

}  // namespace

void EnsureComReady() {
    if (comReady)
        return;
    // S_FALSE and RPC_E_CHANGED_MODE both mean COM already works on this thread (OLE is
    // normally initialised at start-up); the reference taken here lives as long as the
    // process, so there is nothing to undo.
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comReady = true;
}

HRESULT SaveShellLink(const std::wstring& linkPath, const ShellLinkContent& content) {
    ShellLinkObject object;
    HRESULT result = object.Create();
    if (FAILED(result))
        return result;
    IShellLinkW* link = object.Link();
    if (FAILED(result = link->SetPath(content.target.c_str())))
        return result;
    const std::wstring& icon = content.iconPath.empty() ? content.target : content.iconPath;
    if (FAILED(result = link->SetIconLocation(icon.c_str(), 0)))
        return result;
    if (!content.arguments.empty() && FAILED(result = link->SetArguments(content.arguments.c_str())))
        return result;
    if (FAILED(result = link->SetShowCmd(content.showCommand)))
        return result;
    if (!content.workingFolder.empty() &&
        FAILED(result = link->SetWorkingDirectory(content.workingFolder.c_str())))
        return result;
    result = object.File()->Save(linkPath.c_str(), FALSE);
    // Only S_OK counts: S_FALSE and other success codes leave no usable file behind.
    return result == S_OK ? S_OK : (SUCCEEDED(result) ? E_FAIL : result);
}

HRESULT LoadShellLink(const std::wstring& linkPath, ShellLinkContent& content) {
    ShellLinkObject object;
    HRESULT result = object.Create();
    if (FAILED(result))
        return result;
    if (FAILED(result = object.File()->Load(linkPath.c_str(), STGM_READ)))
        return result;
    IShellLinkW* link = object.Link();
    wchar_t buffer[MAX_PATH * 4] = {};
    if (FAILED(result = link->GetPath(buffer, static_cast<int>(std::size(buffer)), nullptr, SLGP_RAWPATH)))
        return result;
    content.target = buffer;
    buffer[0] = 0;
    if (FAILED(result = link->GetArguments(buffer, static_cast<int>(std::size(buffer)))))
        return result;
    content.arguments = buffer;
    buffer[0] = 0;
    if (FAILED(result = link->GetWorkingDirectory(buffer, static_cast<int>(std::size(buffer)))))
        return result;
    content.workingFolder = buffer;
    buffer[0] = 0;
    int iconIndex = 0;
    if (FAILED(result = link->GetIconLocation(buffer, static_cast<int>(std::size(buffer)), &iconIndex)))
        return result;
    content.iconPath = buffer;
    int show = 0;
    if (FAILED(result = link->GetShowCmd(&show)))
        return result;
    content.showCommand = show;
    return S_OK;
}

}  // namespace vantrel
