#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "run/callback_guard.h"
#include "support/system_library.h"

namespace vantrel {

// What the background window shows. Colours are COLORREFs (red in the low byte).
struct BackgroundLook {
    std::wstring caption;  // shown in the taskbar
    // The title is asked for at every paint, so that a change of language shows at once.
    std::function<std::wstring()> title;
    double titleSize = 0.0;  // the font is this x 26 points
    COLORREF titleColor = 0;
    int titleShadow = 0;    // depth; 0 draws none
    int titlePosition = 0;  // 0 none, 1-3 top left/centre/right, 4-6 bottom left/centre/right
    std::wstring titleFont;
    COLORREF topColor = 0;
    COLORREF bottomColor = 0;
    bool oneColour = false;  // filled with the top colour
    // A packed device-independent bitmap (header, colour table, pixels); empty for none.
    std::vector<std::uint8_t> picture;
    int transparentIndex = -1;  // palette index that leaves the background visible; -1 none
    int pictureSize = 0;        // percent of the window the picture may cover; 0 hides it
    int stretchMode = 0;        // 0 stretch, 1 fit, 2 whole-number enlargement, 3 tile
    int copyrightPosition = 0;  // as the title's; 0 draws none
    COLORREF copyrightColor = 0;
    double copyrightSize = 0.0;  // the font is this x 16 points
    std::wstring copyrightText;
    std::wstring copyrightFont;
};

// How the window starts.
struct BackgroundPlacement {
    HINSTANCE instance = nullptr;
    HWND owner = nullptr;
    bool maximized = false;  // also taken when the work area cannot be determined
    bool minimized = false;  // minimized right after it is shown
};

// The full-screen window behind the pages: a gradient or one colour, a picture, a title and
// a copyright line. It covers the work area of the screen, sized for its monitor's pixel
// density, and lives until this object goes (minimized first, then destroyed).
class BackgroundWindow {
  public:
    // Null when the window cannot be created; the run then goes on without it. What the
    // window's messages throw is kept in `guard` until the message pump rethrows it.
    static std::unique_ptr<BackgroundWindow> Create(const BackgroundPlacement& placement, BackgroundLook look,
                                                    CallbackGuard& guard);

    BackgroundWindow(const BackgroundWindow&) = delete;
    BackgroundWindow& operator=(const BackgroundWindow&) = delete;
    ~BackgroundWindow();

    HWND Handle() const { return window_; }
    // Draws everything again (after the language or the look changed).
    void Repaint();
    void BringToFront();
    BackgroundLook& Look() { return look_; }

  private:
    BackgroundWindow(BackgroundLook look, CallbackGuard& guard);

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    int Dpi() const;
    HMODULE Imaging();  // loaded once, at first use
    void Erase(HDC dc);
    void FillGradient(HDC dc, const RECT& client);
    void DrawPicture(HDC dc, const RECT& client);
    void Paint(HDC dc);
    void DrawLine(HDC dc, const RECT& client, const std::wstring& text, double points, COLORREF colour,
                  int position, int shadowDepth, const std::wstring& face);

    BackgroundLook look_;
    HWND window_ = nullptr;
    CallbackGuard& guard_;
    UniqueLibrary imaging_;  // msimg32: the gradient and the alpha blend
    bool imagingLoaded_ = false;
};

}  // namespace vantrel
