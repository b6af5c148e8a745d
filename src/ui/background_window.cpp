#include "ui/background_window.h"

#include <algorithm>
#include <cwctype>

#include "ui/background_window_layout.h"
#include "ui/program_icons.h"
#include "ui/window_dpi.h"

namespace vantrel {
namespace {

constexpr const wchar_t* kClassName = L"VantrelBackground";
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED, newer than the headers' target

using GradientFillFunction = BOOL(WINAPI*)(HDC, PTRIVERTEX, ULONG, PVOID, ULONG, ULONG);
using AlphaBlendFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, int, int, BLENDFUNCTION);

bool IsBlank(const std::wstring& text) {
    return std::all_of(text.begin(), text.end(), [](wchar_t c) { return std::iswspace(c) != 0; });
}

COLOR16 Channel16(COLORREF colour, int shift) {
    return static_cast<COLOR16>(((colour >> shift) & 0xFF) << 8);
}

// A copy of the picture's header and colour table in which the transparent index reads as
// `transparent` and every other entry as `others` (or unchanged when `keepOthers`).
std::vector<std::uint8_t> RecolouredHeader(const std::vector<std::uint8_t>& dib, const PackedPicture& picture,
                                           std::size_t transparentIndex, std::uint32_t transparent,
                                           std::uint32_t others, bool keepOthers) {
    std::vector<std::uint8_t> header(dib.begin(),
                                     dib.begin() + static_cast<std::ptrdiff_t>(picture.pixelOffset));
    for (std::size_t i = 0; i < picture.colourCount; ++i) {
        if (i != transparentIndex && keepOthers)
            continue;
        const std::uint32_t value = i == transparentIndex ? transparent : others;
        std::uint8_t* entry = header.data() + picture.colourTableOffset + i * 4;
        entry[0] = static_cast<std::uint8_t>(value);
        entry[1] = static_cast<std::uint8_t>(value >> 8);
        entry[2] = static_cast<std::uint8_t>(value >> 16);
        entry[3] = 0;
    }
    return header;
}

void StretchInto(HDC dc, const PixelRect& target, const PackedPicture& picture, const void* bits,
                 const std::uint8_t* header, DWORD operation) {
    StretchDIBits(dc, target.left, target.top, target.Width(), target.Height(), 0, 0, picture.width,
                  picture.height, bits, reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS,
                  operation);
}

}  // namespace

BackgroundWindow::BackgroundWindow(BackgroundLook look, CallbackGuard& guard)
    : look_(std::move(look)), guard_(guard) {}

BackgroundWindow::~BackgroundWindow() {
    if (window_ != nullptr) {
        ShowWindow(window_, SW_MINIMIZE);
        DestroyWindow(window_);
    }
}

std::unique_ptr<BackgroundWindow> BackgroundWindow::Create(const BackgroundPlacement& placement,
                                                           BackgroundLook look, CallbackGuard& guard) {
    std::unique_ptr<BackgroundWindow> self(new BackgroundWindow(std::move(look), guard));
    bool maximized = placement.maximized;
    RECT area{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0) || area.right <= area.left ||
        area.bottom <= area.top) {
        maximized = true;
        area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    WNDCLASSEXW known{};
    known.cbSize = sizeof known;
    if (!GetClassInfoExW(placement.instance, kClassName, &known)) {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = &BackgroundWindow::Procedure;
        windowClass.hInstance = placement.instance;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kClassName;
        if (RegisterClassExW(&windowClass) == 0)
            return nullptr;
    }
    const DWORD style = WS_POPUP | WS_CLIPCHILDREN | (placement.minimized ? WS_MINIMIZE : 0);
    const HWND window = CreateWindowExW(0, kClassName, self->look_.caption.c_str(), style, area.left,
                                        area.top, area.right - area.left, area.bottom - area.top,
                                        placement.owner, nullptr, placement.instance, self.get());
    if (window == nullptr)
        return nullptr;
    ShowWindow(window, SW_HIDE);
    ShowWindow(window, maximized ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL);
    if (placement.minimized)
        ShowWindow(window, SW_MINIMIZE);
    SetForegroundWindow(window);
    SetActiveWindow(window);
    InvalidateRect(window, nullptr, TRUE);
    // The uninstaller carries the product's icon as its own.
    GiveProgramIcons(window, placement.instance);
    return self;
}

void BackgroundWindow::Repaint() {
    if (window_ != nullptr)
        InvalidateRect(window_, nullptr, TRUE);
}

void BackgroundWindow::BringToFront() {
    if (window_ == nullptr)
        return;
    SetForegroundWindow(window_);
    BringWindowToTop(window_);
}

LRESULT CALLBACK BackgroundWindow::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<BackgroundWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<BackgroundWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    // Once something failed, the system's own handling keeps the window sane (a paint that
    // nobody validated would come back for ever).
    LRESULT result = 0;
    const bool handled = self->guard_.Call(false, [&] {
        result = self->Handle(message, wParam, lParam);
        return true;
    });
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT BackgroundWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            Erase(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(window_, &paint);
            if (dc != nullptr)
                Paint(dc);
            EndPaint(window_, &paint);
            return 0;
        }
        case WM_CLOSE:
            // Alt+F4 or the taskbar's Close would take the pages and the progress page it
            // owns with it while the run goes on; the run ends it, and the pages their own.
            return 0;
        case kDpiChanged:
            // The window keeps covering the work area; only the sizes drawn in it change.
            InvalidateRect(window_, nullptr, TRUE);
            return 0;
        default:
            return DefWindowProcW(window_, message, wParam, lParam);
    }
}

int BackgroundWindow::Dpi() const {
    return WindowDpi(window_);
}

HMODULE BackgroundWindow::Imaging() {
    if (!imagingLoaded_) {
        imaging_ = UniqueLibrary(LoadSystemLibrary(L"msimg32.dll"));
        imagingLoaded_ = true;
    }
    return imaging_.Get();
}

void BackgroundWindow::Erase(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    if (look_.oneColour) {
        const HBRUSH brush = CreateSolidBrush(look_.topColor);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
    } else {
        FillGradient(dc, client);
    }
    DrawPicture(dc, client);
}

void BackgroundWindow::FillGradient(HDC dc, const RECT& client) {
    if (const auto gradientFill = ModuleFunction<GradientFillFunction>(Imaging(), "GradientFill")) {
        TRIVERTEX corners[2] = {{client.left, client.top, Channel16(look_.topColor, 0),
                                 Channel16(look_.topColor, 8), Channel16(look_.topColor, 16), 0},
                                {client.right, client.bottom, Channel16(look_.bottomColor, 0),
                                 Channel16(look_.bottomColor, 8), Channel16(look_.bottomColor, 16), 0}};
        GRADIENT_RECT rectangle{0, 1};
        if (gradientFill(dc, corners, 2, &rectangle, 1, GRADIENT_FILL_RECT_V))
            return;
    }
    // Without the system's gradient: bands of a few pixels, each one colour.
    const int height = client.bottom - client.top;
    const int bandHeight = GradientBandHeight(height);
    const int bands = (height + bandHeight - 1) / bandHeight;
    for (int i = 0; i < bands; ++i) {
        const RECT band{client.left, client.top + i * bandHeight, client.right,
                        std::min<LONG>(client.bottom, client.top + (i + 1) * bandHeight)};
        const HBRUSH brush = CreateSolidBrush(GradientBandColor(i, bands, look_.topColor, look_.bottomColor));
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
}

void BackgroundWindow::DrawPicture(HDC dc, const RECT& client) {
    const std::vector<std::uint8_t>& dib = look_.picture;
    const PackedPicture picture = ReadPackedPicture(dib);
    if (!picture.valid)
        return;
    const std::vector<PixelRect> targets =
        PicturePlacements({client.left, client.top, client.right, client.bottom}, picture.width,
                          picture.height, look_.pictureSize, look_.stretchMode, Dpi());
    if (targets.empty())
        return;
    const void* bits = dib.data() + picture.pixelOffset;
    const bool masked = picture.bitCount <= 8 && look_.transparentIndex >= 0 &&
                        static_cast<std::size_t>(look_.transparentIndex) < picture.colourCount;
    if (masked) {
        // Two passes: the mask keeps the background where the picture is transparent and
        // clears it elsewhere, then the picture (transparent pixels black) is laid over it.
        const auto index = static_cast<std::size_t>(look_.transparentIndex);
        const std::vector<std::uint8_t> mask = RecolouredHeader(dib, picture, index, 0xFFFFFF, 0, false);
        const std::vector<std::uint8_t> image = RecolouredHeader(dib, picture, index, 0, 0, true);
        SetStretchBltMode(dc, COLORONCOLOR);
        for (const PixelRect& target : targets) {
            StretchInto(dc, target, picture, bits, mask.data(), SRCAND);
            StretchInto(dc, target, picture, bits, image.data(), SRCPAINT);
        }
        return;
    }
    const auto alphaBlend = ModuleFunction<AlphaBlendFunction>(Imaging(), "AlphaBlend");
    if (alphaBlend != nullptr && HasAlphaChannel(dib, picture)) {
        // The blend wants the colours multiplied by their alpha, in a bitmap of its own.
        BITMAPINFO info{};
        std::copy_n(dib.data(), sizeof(BITMAPINFOHEADER), reinterpret_cast<std::uint8_t*>(&info.bmiHeader));
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        void* pixels = nullptr;
        const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
        const HDC memory = bitmap ? CreateCompatibleDC(dc) : nullptr;
        if (memory != nullptr) {
            const std::uint8_t* from = dib.data() + picture.pixelOffset;
            auto* to = static_cast<std::uint8_t*>(pixels);
            const std::size_t length =
                static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4;
            for (std::size_t at = 0; at < length; at += 4) {
                const unsigned alpha = from[at + 3];
                for (std::size_t c = 0; c < 3; ++c)
                    to[at + c] = static_cast<std::uint8_t>(from[at + c] * alpha / 255);
                to[at + 3] = static_cast<std::uint8_t>(alpha);
            }
            const HGDIOBJ old = SelectObject(memory, bitmap);
            const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
            for (const PixelRect& target : targets) {
                alphaBlend(dc, target.left, target.top, target.Width(), target.Height(), memory, 0, 0,
                           picture.width, picture.height, blend);
            }
            SelectObject(memory, old);
            DeleteDC(memory);
        }
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        if (memory != nullptr)
            return;
    }
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    for (const PixelRect& target : targets)
        StretchInto(dc, target, picture, bits, dib.data(), SRCCOPY);
}

void BackgroundWindow::Paint(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    SetBkMode(dc, TRANSPARENT);
    const std::wstring title = look_.title ? look_.title() : std::wstring();
    DrawLine(dc, client, title, look_.titleSize * 26, look_.titleColor, look_.titlePosition,
             look_.titleShadow, look_.titleFont);
    DrawLine(dc, client, look_.copyrightText, look_.copyrightSize * 16, look_.copyrightColor,
             look_.copyrightPosition, 0, look_.copyrightFont);
}

void BackgroundWindow::DrawLine(HDC dc, const RECT& client, const std::wstring& text, double points,
                                COLORREF colour, int position, int shadowDepth, const std::wstring& face) {
    if (position == 0 || IsBlank(text))
        return;
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int dpi = Dpi();
    const int length = static_cast<int>(text.size());
    auto makeFont = [&face](int pixelHeight) {
        return CreateFontW(-pixelHeight, 0, 0, 0, 900, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           face.c_str());
    };
    auto measure = [&](int pixelHeight) {
        const HFONT font = makeFont(pixelHeight);
        const HGDIOBJ old = SelectObject(dc, font);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), length, &extent);
        SelectObject(dc, old);
        DeleteObject(font);
        return static_cast<int>(extent.cx);
    };
    const double fitted = FitFontPoints(points, width, shadowDepth, dpi, measure);
    const int pixelHeight = FontPixelHeight(fitted, dpi);
    const int shadow = ShadowOffset(pixelHeight, shadowDepth);
    const HFONT font = makeFont(pixelHeight);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), length, &extent);
    const TextPlacement placement = PlaceText(width, height, position, extent.cy, shadow);
    UINT format = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
    if (placement.align == TextAlign::kCentre)
        format |= DT_CENTER;
    else if (placement.align == TextAlign::kRight)
        format |= DT_RIGHT;
    RECT box{client.left + placement.box.left, client.top + placement.box.top,
             client.left + placement.box.right, client.top + placement.box.bottom};
    if (shadow > 0) {
        RECT shadowBox{box.left + shadow, box.top + shadow, box.right + shadow, box.bottom + shadow};
        SetTextColor(dc, RGB(0, 0, 0));
        DrawTextW(dc, text.c_str(), length, &shadowBox, format);
    }
    SetTextColor(dc, colour);
    DrawTextW(dc, text.c_str(), length, &box, format);
    SelectObject(dc, old);
    DeleteObject(font);
}

}  // namespace vantrel
