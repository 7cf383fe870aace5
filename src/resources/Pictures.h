#pragma once
// The pictures the windows show, drawn at build time (draw/DrawPictures.cpp) and linked in as
// PNG bytes.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace qx::res {

// 64x354: the 16-pixel corners and edges of a panel in a black frame, drawn in nine parts.
std::span<const unsigned char> daySkin();    // white panel
std::span<const unsigned char> nightSkin();  // grey panel
std::span<const unsigned char> logo();
std::span<const unsigned char> cornerPicture();  // at the logo's lower right corner
std::span<const unsigned char> updateIcon();
std::span<const unsigned char> speedTestPicture();
// The picture a layout or a resolver names ("logo", "corner", "update", "speedTest",
// "serviceLanzou", "serviceOneDrive", "serviceBilnn", "service360", "serviceWenshushu"); empty for
// an unknown name.
std::span<const unsigned char> pictureNamed(std::string_view name);

// The same picture drawn at 2 device pixels per pixel, given the bytes of one of the pictures
// above; empty for any other bytes (a downloaded avatar, say).
std::span<const unsigned char> sharperPicture(std::span<const unsigned char> bytes);

std::vector<std::uint8_t> toByteArray(std::span<const unsigned char> bytes);

}  // namespace qx::res
