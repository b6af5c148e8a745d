#include "ui/rich_text_viewer.h"

#include <windows.h>
#include <commdlg.h>
#include <richedit.h>
#include <shellapi.h>

#include <vector>

#include "support/system_library.h"
#include "support/unique_handle.h"

namespace vantrel {
namespace {

// Loaded on first use and kept: the class must outlive every view.
HMODULE richEditLibrary = nullptr;

struct StreamSource {
    const std::string* text;
    std::size_t offset;
};

DWORD CALLBACK ReadStream(DWORD_PTR cookie, LPBYTE buffer, LONG wanted, LONG* given) {
    auto* source = reinterpret_cast<StreamSource*>(cookie);
    const std::size_t left = source->text->size() - source->offset;
    const std::size_t count =
        left < static_cast<std::size_t>(wanted) ? left : static_cast<std::size_t>(wanted);
    CopyMemory(buffer, source->text->data() + source->offset, count);
    source->offset += count;
    *given = static_cast<LONG>(count);
    return 0;
}

DWORD CALLBACK WriteStream(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* written) {
    DWORD done = 0;
    const BOOL ok =
        WriteFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(count), &done, nullptr);
    *written = static_cast<LONG>(done);
    return ok ? 0 : 1;
}

// The common dialogs are loaded from the system folder when asked for, not imported: an
// import would load them (and what they load) before the program can restrict where DLLs
// come from.
template <typename Function>
Function CommonDialogFunction(UniqueLibrary& library, const char* name) {
    if (!library)
        library = UniqueLibrary(LoadSystemLibrary(L"comdlg32.dll"));
    return ModuleFunction<Function>(library.Get(), name);
}

std::wstring ErrorText(DWORD error) {
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = length != 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
    if (text != nullptr)
        LocalFree(text);
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' '))
        result.pop_back();
    return result;
}

}  // namespace

RichTextViewer::~RichTextViewer() {
    if (window_ != nullptr && IsWindow(window_))
        DestroyWindow(window_);
}

bool RichTextViewer::Create(HWND dialog, HWND placeholder, const std::string& rtf) {
    if (richEditLibrary == nullptr)
        richEditLibrary = LoadSystemLibrary(L"riched20.dll");
    if (richEditLibrary == nullptr)
        return false;
    RECT rect{};
    GetWindowRect(placeholder, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    window_ = CreateWindowExW(WS_EX_CLIENTEDGE, RICHEDIT_CLASSW, L"",
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY |
                                  ES_AUTOVSCROLL | ES_SAVESEL,
                              rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, dialog,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID(placeholder) + 100)),
                              GetModuleHandleW(nullptr), nullptr);
    if (window_ == nullptr)
        return false;
    dialog_ = dialog;
    // Keep the place in the Tab order that the placeholder had.
    SetWindowPos(window_, placeholder, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ShowWindow(placeholder, SW_HIDE);
    SendMessageW(window_, WM_SETFONT, static_cast<WPARAM>(SendMessageW(dialog, WM_GETFONT, 0, 0)), FALSE);
    RECT margin{0, 0, 1, 0};
    MapDialogRect(dialog, &margin);
    const int half = (margin.right + 1) / 2;
    SendMessageW(window_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(half, half));
    SendMessageW(window_, EM_AUTOURLDETECT, TRUE, 0);
    SendMessageW(window_, EM_SETEVENTMASK, 0, ENM_LINK);
    StreamSource source{&rtf, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = &ReadStream;
    SendMessageW(window_, EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    SendMessageW(window_, EM_SETSEL, 0, 0);
    return true;
}

bool RichTextViewer::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != window_ || header.code != EN_LINK)
        return false;
    const auto& link = reinterpret_cast<const ENLINK&>(header);
    if (link.msg != WM_LBUTTONUP)
        return false;
    std::vector<wchar_t> address(static_cast<std::size_t>(link.chrg.cpMax - link.chrg.cpMin) + 1, L'\0');
    TEXTRANGEW range{link.chrg, address.data()};
    SendMessageW(window_, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    ShellExecuteW(dialog_, L"open", address.data(), nullptr, nullptr, SW_SHOWNORMAL);
    return true;
}

bool RichTextViewer::OnContextMenu(HWND target, LPARAM position) {
    if (target != window_ || (GetWindowLongPtrW(window_, GWL_STYLE) & ES_READONLY) == 0)
        return false;
    POINT point{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    if (position == -1) {
        RECT rect{};
        GetWindowRect(window_, &rect);
        point = {rect.left + 8, rect.top + 8};
    }
    HMENU menu = CreatePopupMenu();
    if (menu == nullptr)
        return true;
    AppendMenuW(menu, MF_STRING, kCopy, L"Copy");
    AppendMenuW(menu, MF_STRING, kPrint, L"Print");
    AppendMenuW(menu, MF_STRING, kSaveAs, L"Save as");
    const HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    const int chosen = TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, point.x, point.y,
                                      0, dialog_, nullptr);
    SetCursor(previous);
    DestroyMenu(menu);
    switch (chosen) {
        case kCopy:
            Copy();
            break;
        case kPrint:
            Print();
            break;
        case kSaveAs:
            SaveAs();
            break;
        default:
            break;
    }
    return true;
}

void RichTextViewer::Copy() {
    CHARRANGE selection{};
    SendMessageW(window_, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    if (selection.cpMin != selection.cpMax) {
        SendMessageW(window_, WM_COPY, 0, 0);
        return;
    }
    // Nothing selected: the whole document, and the reader's place stays where it was.
    CHARRANGE all{0, -1};
    SendMessageW(window_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&all));
    SendMessageW(window_, WM_COPY, 0, 0);
    SendMessageW(window_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
}

void RichTextViewer::Print() {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = dialog_;
    dialog.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
    UniqueLibrary library;
    const auto printDialog = CommonDialogFunction<decltype(&PrintDlgW)>(library, "PrintDlgW");
    if (printDialog == nullptr || !printDialog(&dialog))
        return;
    if (dialog.hDevMode != nullptr)
        GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr)
        GlobalFree(dialog.hDevNames);
    HDC printer = dialog.hDC;
    if (printer == nullptr)
        return;
    DOCINFOW document{};
    document.cbSize = sizeof document;
    document.lpszDocName = L"Document";
    bool printed = StartDocW(printer, &document) > 0;
    if (printed) {
        // The page in twips, as the formatting wants it.
        const int width = GetDeviceCaps(printer, PHYSICALWIDTH);
        const int height = GetDeviceCaps(printer, PHYSICALHEIGHT);
        const int dpiX = GetDeviceCaps(printer, LOGPIXELSX);
        const int dpiY = GetDeviceCaps(printer, LOGPIXELSY);
        FORMATRANGE range{};
        range.hdc = printer;
        range.hdcTarget = printer;
        range.rcPage = {0, 0, MulDiv(width, 1440, dpiX), MulDiv(height, 1440, dpiY)};
        range.rc = {720, 720, range.rcPage.right - 720, range.rcPage.bottom - 720};
        const LONG length = static_cast<LONG>(SendMessageW(window_, WM_GETTEXTLENGTH, 0, 0));
        range.chrg = {0, -1};
        LONG done = 0;
        while (printed && done < length) {
            range.chrg.cpMin = done;
            printed = StartPage(printer) > 0;
            if (!printed)
                break;
            const LONG next = static_cast<LONG>(
                SendMessageW(window_, EM_FORMATRANGE, TRUE, reinterpret_cast<LPARAM>(&range)));
            printed = EndPage(printer) > 0;
            if (next <= done)
                break;
            done = next;
        }
        SendMessageW(window_, EM_FORMATRANGE, FALSE, 0);
        if (printed)
            printed = EndDoc(printer) > 0;
        else
            AbortDoc(printer);
    }
    const DWORD error = GetLastError();
    DeleteDC(printer);
    if (!printed)
        MessageBoxW(dialog_, (L"Failed to print.  " + ErrorText(error)).c_str(), L"Print",
                    MB_OK | MB_ICONERROR);
}

void RichTextViewer::SaveAs() {
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = dialog_;
    dialog.lpstrFilter = L"Rich-text documents (*.rtf)\0*.rtf\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrTitle = L"Save As";
    dialog.lpstrDefExt = L"rtf";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    UniqueLibrary library;
    const auto saveDialog = CommonDialogFunction<decltype(&GetSaveFileNameW)>(library, "GetSaveFileNameW");
    if (saveDialog == nullptr || !saveDialog(&dialog))
        return;
    UniqueHandle file(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return;
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.Get());
    stream.pfnCallback = &WriteStream;
    SendMessageW(window_, EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
}

}  // namespace vantrel
