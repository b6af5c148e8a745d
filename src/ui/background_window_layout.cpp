#include "ui/background_window_layout.h"

#include <algorithm>

namespace vantrel {
namespace {

constexpr double kSmallestFontPoints = 6.0;
// Beyond this a picture is not believable and its pixel arithmetic could overflow.
constexpr int kLargestPictureSide = 32768;

// BITMAPINFOHEADER compression values.
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
                                      (static_cast<std::uint32_t>(bytes[at + 3]) << 24));
}

std::uint16_t U16At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

PixelRect Centred(const PixelRect& area, int width, int height) {
    const int left = area.left + (area.Width() - width) / 2;
    const int top = area.top + (area.Height() - height) / 2;
    return {left, top, left + width, top + height};
}

// The largest rectangle of the picture's aspect ratio inside `area`, centred.
PixelRect FitAspect(const PixelRect& area, int width, int height) {
    const long long areaWidth = area.Width();
    const long long areaHeight = area.Height();
    if (areaWidth * height > areaHeight * width)
        return Centred(area, static_cast<int>(areaHeight * width / height), area.Height());
    return Centred(area, area.Width(), static_cast<int>(areaWidth * height / width));
}

std::uint32_t Channel(std::uint32_t colour, int shift) {
    return (colour >> shift) & 0xFF;
}

}  // namespace

int ScaleForDpi(int length, int dpi) {
    if (dpi <= 0)
        return length;
    return static_cast<int>(static_cast<long long>(length) * dpi / kDefaultDpi);
}

std::vector<PixelRect> PicturePlacements(const PixelRect& client, int width, int height, int sizePercent,
                                         int stretchMode, int dpi) {
    std::vector<PixelRect> placements;
    if (width <= 0 || height <= 0 || sizePercent <= 0 || client.Width() <= 0 || client.Height() <= 0)
        return placements;
    if (stretchMode == stretch_mode::kTile) {
        const int tileWidth = std::max(1, ScaleForDpi(width, dpi));
        const int tileHeight = std::max(1, ScaleForDpi(height, dpi));
        const int columns = (client.Width() + tileWidth - 1) / tileWidth;
        const int rows = (client.Height() + tileHeight - 1) / tileHeight;
        placements.reserve(static_cast<std::size_t>(columns) * static_cast<std::size_t>(rows));
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column) {
                const int left = client.left + column * tileWidth;
                const int top = client.top + row * tileHeight;
                placements.push_back({left, top, left + tileWidth, top + tileHeight});
            }
        }
        return placements;
    }
    const int percent = std::min(sizePercent, 100);
    const PixelRect area =
        Centred(client, static_cast<int>(static_cast<long long>(client.Width()) * percent / 100),
                static_cast<int>(static_cast<long long>(client.Height()) * percent / 100));
    if (area.Width() <= 0 || area.Height() <= 0)
        return placements;
    if (stretchMode == stretch_mode::kFit) {
        placements.push_back(FitAspect(area, width, height));
    } else if (stretchMode == stretch_mode::kWholeNumber) {
        const int naturalWidth = std::max(1, ScaleForDpi(width, dpi));
        const int naturalHeight = std::max(1, ScaleForDpi(height, dpi));
        const int times = std::min(area.Width() / naturalWidth, area.Height() / naturalHeight);
        if (times >= 1)
            placements.push_back(Centred(area, naturalWidth * times, naturalHeight * times));
        else
            placements.push_back(FitAspect(area, width, height));
    } else {
        placements.push_back(area);
    }
    return placements;
}

TextAlign AlignmentOf(int position) {
    if (position == 2 || position == 5)
        return TextAlign::kCentre;
    if (position == 3 || position == 6)
        return TextAlign::kRight;
    return TextAlign::kLeft;
}

bool IsAtBottom(int position) {
    return position >= 4 && position <= 6;
}

int HorizontalMargin(int clientWidth) {
    return clientWidth / 200;
}

int VerticalMargin(int clientHeight) {
    return clientHeight / 400;
}

TextPlacement PlaceText(int clientWidth, int clientHeight, int position, int textHeight, int shadowOffset) {
    const int horizontal = HorizontalMargin(clientWidth);
    const int vertical = VerticalMargin(clientHeight);
    TextPlacement placement;
    placement.align = AlignmentOf(position);
    placement.box.left = horizontal;
    placement.box.right = horizontal + clientWidth - 2 * (horizontal + shadowOffset);
    placement.box.top = IsAtBottom(position) ? clientHeight - textHeight - shadowOffset - vertical : vertical;
    placement.box.bottom = placement.box.top + textHeight;
    return placement;
}

int FontPixelHeight(double points, int dpi) {
    return static_cast<int>(points * dpi / 72.0);
}

int ShadowOffset(int pixelHeight, int depth) {
    return pixelHeight * depth / 1300;
}

double FitFontPoints(double points, int clientWidth, int shadowDepth, int dpi,
                     const std::function<int(int pixelHeight)>& measureWidth) {
    const int margin = HorizontalMargin(clientWidth);
    while (points > kSmallestFontPoints) {
        const int pixelHeight = FontPixelHeight(points, dpi);
        if (measureWidth(pixelHeight) + ShadowOffset(pixelHeight, shadowDepth) + margin < clientWidth)
            break;
        points = std::max(kSmallestFontPoints, points - 1.0);
    }
    return points;
}

int GradientBandHeight(int clientHeight) {
    return std::clamp(clientHeight / 224, 1, 3);
}

std::uint32_t GradientBandColor(int index, int count, std::uint32_t top, std::uint32_t bottom) {
    if (count <= 1 || index <= 0)
        return top & 0xFFFFFF;
    if (index >= count - 1)
        return bottom & 0xFFFFFF;
    std::uint32_t colour = 0;
    for (const int shift : {0, 8, 16}) {
        const int from = static_cast<int>(Channel(top, shift));
        const int to = static_cast<int>(Channel(bottom, shift));
        const int value = from + (to - from) * index / (count - 1);
        colour |= static_cast<std::uint32_t>(value) << shift;
    }
    return colour;
}

PackedPicture ReadPackedPicture(std::span<const std::uint8_t> dib) {
    PackedPicture picture;
    if (dib.size() < 40)
        return picture;
    const std::uint32_t headerSize = U32At(dib, 0);
    // Only the headers with a colour table of four-byte entries (not the old core header).
    if (headerSize < 40 || headerSize > dib.size())
        return picture;
    const auto width = static_cast<std::int32_t>(U32At(dib, 4));
    const auto height = static_cast<std::int32_t>(U32At(dib, 8));
    const int bitCount = U16At(dib, 14);
    const std::uint32_t compression = U32At(dib, 16);
    const std::uint32_t usedColours = U32At(dib, 32);
    if (width <= 0 || width > kLargestPictureSide || height == 0 || height < -kLargestPictureSide ||
        height > kLargestPictureSide || U16At(dib, 12) != 1)
        return picture;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
        return picture;
    // Run-length and embedded formats carry no length the system would respect: not drawn.
    if (compression != kUncompressed && !(compression == kBitFields && (bitCount == 16 || bitCount == 32)))
        return picture;
    std::size_t colours = usedColours;
    if (bitCount <= 8) {
        const std::size_t most = std::size_t{1} << bitCount;
        if (colours == 0)
            colours = most;
        if (colours > most)
            return picture;
    } else if (colours > 256) {
        return picture;
    }
    const std::size_t masks = (compression == kBitFields && headerSize == 40) ? 12 : 0;
    picture.colourTableOffset = headerSize + masks;
    picture.colourCount = colours;
    picture.pixelOffset = picture.colourTableOffset + colours * 4;
    const int rows = height < 0 ? -height : height;
    const std::uint64_t stride =
        (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount) + 31) / 32 * 4;
    if (picture.pixelOffset + stride * static_cast<std::uint64_t>(rows) > dib.size())
        return picture;
    picture.width = width;
    picture.height = rows;
    picture.bitCount = bitCount;
    picture.compression = compression;
    picture.valid = true;
    return picture;
}

bool HasAlphaChannel(std::span<const std::uint8_t> dib, const PackedPicture& picture) {
    if (!picture.valid || picture.bitCount != 32 || picture.compression != kUncompressed)
        return false;
    const std::size_t length =
        static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 4;
    for (std::size_t at = picture.pixelOffset + 3; at < picture.pixelOffset + length; at += 4) {
        if (dib[at] != 0)
            return true;
    }
    return false;
}

}  // namespace vantrel
