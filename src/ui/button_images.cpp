#include "ui/button_images.h"

#include <string>
#include <vector>

namespace vantrel {
namespace {

struct Shape {
    std::vector<POINT> points;  // on a 16 x 16 grid
    COLORREF fill;
    COLORREF outline;
};

// The pictures are a few polygons each, scaled from a 16-pixel grid to the size asked for,
// so they stay sharp at every density without carrying bitmaps in the program.
std::vector<Shape> ShapesOf(ButtonImage image) {
    switch (image) {
        case ButtonImage::kNext:
            return {{{{1, 6}, {8, 6}, {8, 2}, {14, 8}, {8, 14}, {8, 10}, {1, 10}},
                     RGB(40, 160, 60),
                     RGB(20, 100, 35)}};
        case ButtonImage::kCancel:
            return {{{{2, 4}, {4, 2}, {14, 12}, {12, 14}}, RGB(210, 40, 40), RGB(150, 20, 20)},
                    {{{12, 2}, {14, 4}, {4, 14}, {2, 12}}, RGB(210, 40, 40), RGB(150, 20, 20)}};
        case ButtonImage::kBrowse:
            return {
                {{{1, 3}, {6, 3}, {8, 5}, {14, 5}, {14, 13}, {1, 13}}, RGB(240, 190, 60), RGB(160, 115, 20)},
                {{{1, 7}, {14, 7}, {14, 13}, {1, 13}}, RGB(250, 215, 110), RGB(160, 115, 20)}};
    }
    return {};
}

// Paints the shapes; with `mask` every shape is black on white (the icon's mask), else in
// its colours on black.
void PaintShapes(HDC dc, const std::vector<Shape>& shapes, int size, bool mask) {
    RECT all{0, 0, size, size};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(mask ? WHITE_BRUSH : BLACK_BRUSH)));
    for (const Shape& shape : shapes) {
        std::vector<POINT> scaled;
        for (const POINT& point : shape.points)
            scaled.push_back({point.x * size / 16, point.y * size / 16});
        HPEN pen = CreatePen(PS_SOLID, size >= 24 ? size / 16 : 1, mask ? RGB(0, 0, 0) : shape.outline);
        HBRUSH brush = CreateSolidBrush(mask ? RGB(0, 0, 0) : shape.fill);
        const HGDIOBJ previousPen = SelectObject(dc, pen);
        const HGDIOBJ previousBrush = SelectObject(dc, brush);
        Polygon(dc, scaled.data(), static_cast<int>(scaled.size()));
        SelectObject(dc, previousPen);
        SelectObject(dc, previousBrush);
        DeleteObject(pen);
        DeleteObject(brush);
    }
}

}  // namespace

HICON DrawButtonImage(ButtonImage image, int size) {
    if (size <= 0)
        return nullptr;
    const std::vector<Shape> shapes = ShapesOf(image);
    HDC screen = GetDC(nullptr);
    HBITMAP colour = CreateCompatibleBitmap(screen, size, size);
    HBITMAP mask = CreateBitmap(size, size, 1, 1, nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HICON icon = nullptr;
    if (colour != nullptr && mask != nullptr && dc != nullptr) {
        const HGDIOBJ previous = SelectObject(dc, colour);
        PaintShapes(dc, shapes, size, false);
        SelectObject(dc, mask);
        PaintShapes(dc, shapes, size, true);
        SelectObject(dc, previous);
        ICONINFO info{};
        info.fIcon = TRUE;
        info.hbmMask = mask;
        info.hbmColor = colour;
        icon = CreateIconIndirect(&info);
    }
    if (dc != nullptr)
        DeleteDC(dc);
    for (HBITMAP bitmap : {colour, mask}) {
        if (bitmap != nullptr)
            DeleteObject(bitmap);
    }
    ReleaseDC(nullptr, screen);
    return icon;
}

void ShowButtonImage(HWND button, HICON icon) {
    if (button == nullptr || icon == nullptr)
        return;
    const int length = GetWindowTextLengthW(button);
    std::wstring text(static_cast<std::size_t>(length) + 2, L' ');
    text.resize(static_cast<std::size_t>(GetWindowTextW(button, text.data() + 1, length + 1)) + 1);
    if (text.size() < 2 || text[1] != L' ')
        SetWindowTextW(button, text.c_str());
    SendMessageW(button, BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon));
}

}  // namespace vantrel
