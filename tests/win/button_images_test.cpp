// The button pictures: drawn at each density's size with a transparent background, and put
// on a button before its text without losing the text's keyboard mark.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/test_names.h"
#include "ui/button_images.h"

namespace vantrel {
namespace {

struct ImageCase {
    const char* name;
    ButtonImage image;
    int size;
    POINT opaque;  // on the 16-pixel grid
};

// Whether the icon's mask lets the picture show at `point` (scaled from the 16-pixel grid).
bool Opaque(HICON icon, int size, POINT point) {
    ICONINFO info{};
    if (!GetIconInfo(icon, &info))
        return false;
    HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ previous = SelectObject(dc, info.hbmMask);
    const COLORREF mask = GetPixel(dc, point.x * size / 16, point.y * size / 16);
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    return mask == RGB(0, 0, 0);
}

class ButtonImageDrawing : public testing::TestWithParam<ImageCase> {};

TEST_P(ButtonImageDrawing, HasTheSizeAskedForAndATransparentCorner) {
    const ImageCase& c = GetParam();
    HICON icon = DrawButtonImage(c.image, c.size);
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colour{};
    ASSERT_NE(info.hbmColor, nullptr);
    ASSERT_NE(GetObjectW(info.hbmColor, sizeof colour, &colour), 0);
    EXPECT_EQ(colour.bmWidth, c.size);
    EXPECT_EQ(colour.bmHeight, c.size);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    EXPECT_TRUE(Opaque(icon, c.size, c.opaque));
    EXPECT_FALSE(Opaque(icon, c.size, {0, 0}));
    EXPECT_FALSE(Opaque(icon, c.size, {15, 0}));
    DestroyIcon(icon);
}

INSTANTIATE_TEST_SUITE_P(ButtonImages, ButtonImageDrawing,
                         testing::Values(ImageCase{"Next16", ButtonImage::kNext, 16, {10, 8}},
                                         ImageCase{"Cancel16", ButtonImage::kCancel, 16, {8, 8}},
                                         ImageCase{"Browse16", ButtonImage::kBrowse, 16, {8, 10}},
                                         ImageCase{"Next24", ButtonImage::kNext, 24, {10, 8}},
                                         ImageCase{"Cancel32", ButtonImage::kCancel, 32, {8, 8}},
                                         ImageCase{"Browse32", ButtonImage::kBrowse, 32, {8, 10}}),
                         test::CaseName);

TEST(ButtonImages, NoSizeNoPicture) {
    EXPECT_EQ(DrawButtonImage(ButtonImage::kNext, 0), nullptr);
}

// The test program takes the system's first buttons, which keep no picture beside a text;
// the picture itself is checked on the engine's pages, which take the newer ones.
TEST(ButtonImages, ThePictureGoesBeforeTheTextOnce) {
    HWND button = CreateWindowExW(0, L"BUTTON", L"&Next", WS_POPUP | BS_PUSHBUTTON, 0, 0, 80, 24, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(button, nullptr);
    HICON icon = DrawButtonImage(ButtonImage::kNext, 16);
    ASSERT_NE(icon, nullptr);
    const auto text = [button] {
        wchar_t buffer[32] = {};
        GetWindowTextW(button, buffer, 32);
        return std::wstring(buffer);
    };
    ShowButtonImage(button, icon);
    EXPECT_EQ(text(), L" &Next");
    // Again, as after a change of language that left the text alone: still one space.
    ShowButtonImage(button, icon);
    EXPECT_EQ(text(), L" &Next");
    DestroyWindow(button);
    DestroyIcon(icon);
}

}  // namespace
}  // namespace vantrel
