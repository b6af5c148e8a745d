#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vantrel {

// An icon file (.ico) taken apart into the resources a program carries: one RT_ICON image
// per directory entry and the RT_GROUP_ICON directory that lists them.
//
// The group directory: u16 0, u16 1 (icon), u16 image count, then per image 14 bytes: the
// first 12 bytes of its file directory entry (width, height, colour count, reserved, planes,
// bit count, u32 byte size) and the u16 resource number of its RT_ICON image. Images are
// numbered from `firstId` in file order.
struct IconResources {
    std::vector<std::span<const std::uint8_t>> images;  // into the icon file's bytes
    std::vector<std::uint8_t> groupDirectory;
};

// Nothing when the bytes are no icon file: too short, a wrong header, no image, or an image
// that lies outside the file.
std::optional<IconResources> SplitIconFile(std::span<const std::uint8_t> iconFile, std::uint16_t firstId = 1);

}  // namespace vantrel
