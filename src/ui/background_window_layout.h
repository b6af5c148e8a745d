#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace vantrel {

// The arithmetic of the background window, apart from any drawing so that it can be tested:
// where the picture goes, where the title goes and how large its font is, the colour bands
// of the gradient fallback. Every length is in device pixels of the window's monitor.

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const PixelRect&) const = default;
};

// The logical pixels per inch that drawing sizes are given in.
inline constexpr int kDefaultDpi = 96;

// A length given for 96 pixels per inch, on a monitor of `dpi`.
int ScaleForDpi(int length, int dpi);

namespace stretch_mode {
inline constexpr int kStretch = 0;
inline constexpr int kFit = 1;          // keeps the aspect ratio
inline constexpr int kWholeNumber = 2;  // enlarged a whole number of times
inline constexpr int kTile = 3;
}  // namespace stretch_mode

// The rectangles the picture of `width` x `height` pixels is drawn into (one, or one per
// tile), or none when it is hidden. `sizePercent` is the share of the client area it may
// cover; natural sizes (tiles, whole-number enlargement) follow the monitor's `dpi`.
std::vector<PixelRect> PicturePlacements(const PixelRect& client, int width, int height, int sizePercent,
                                         int stretchMode, int dpi);

// Title and copyright positions: 0 none, 1-3 top left/centre/right, 4-6 bottom left/centre/right.
enum class TextAlign { kLeft, kCentre, kRight };
TextAlign AlignmentOf(int position);
bool IsAtBottom(int position);

// Where a line of text goes: the box the coloured text is drawn in (the shadow is the same
// box moved right and down by the shadow offset) and its alignment inside the box.
struct TextPlacement {
    PixelRect box;
    TextAlign align = TextAlign::kLeft;
};

int HorizontalMargin(int clientWidth);
int VerticalMargin(int clientHeight);

TextPlacement PlaceText(int clientWidth, int clientHeight, int position, int textHeight, int shadowOffset);

// Font height in pixels for a size in points, on a screen of `dpi` pixels per inch.
int FontPixelHeight(double points, int dpi);
// The shadow's offset for a font of `pixelHeight` and a shadow depth of `depth`.
int ShadowOffset(int pixelHeight, int depth);

// The font size that fits: starts at `points` and goes down one point at a time while the
// text (as `measureWidth` gives its width in pixels for a font of that pixel height) plus
// the shadow offset plus the horizontal margin does not stay below the client width; never
// below 6 points (a size that starts lower stays). Measures at most once per size.
double FitFontPoints(double points, int clientWidth, int shadowDepth, int dpi,
                     const std::function<int(int pixelHeight)>& measureWidth);

// The gradient drawn as bands when the system cannot draw it: the band height, and the
// colour of band `index` of `count` from the top colour to the bottom colour (COLORREFs).
int GradientBandHeight(int clientHeight);
std::uint32_t GradientBandColor(int index, int count, std::uint32_t top, std::uint32_t bottom);

// A packed device-independent bitmap (header, colour table, pixels) as stored in the
// settings, checked before the system is handed its bytes.
struct PackedPicture {
    bool valid = false;
    int width = 0;
    int height = 0;  // always positive; the header's sign says bottom-up or top-down
    int bitCount = 0;
    std::uint32_t compression = 0;
    std::size_t colourTableOffset = 0;
    std::size_t colourCount = 0;
    std::size_t pixelOffset = 0;
};
PackedPicture ReadPackedPicture(std::span<const std::uint8_t> dib);

// A 32-bit picture is blended with its alpha channel only when the channel holds
// something: most such pictures leave it zero and mean "opaque".
bool HasAlphaChannel(std::span<const std::uint8_t> dib, const PackedPicture& picture);

}  // namespace vantrel
