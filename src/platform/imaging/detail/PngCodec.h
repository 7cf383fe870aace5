#pragma once
// PNG on libpng directly: decoding with the size limits checked before any pixel is allocated,
// and encoding straight from RGBA pixels.
#include <cstdint>
#include <span>
#include <vector>

#include "platform/imaging/ImageCodec.h"

namespace qx::platform::detail {

bool decodePng(std::span<const std::uint8_t> bytes, RgbaImage& out,
               const ImageLimits& limits = kDecoderLimits);
// RGB when every pixel is opaque, RGBA otherwise; empty on failure.
std::vector<std::uint8_t> encodePng(const RgbaImage& image);

// Width and height from the header, without decoding; false when it is no PNG header.
bool pngHeaderSize(std::span<const std::uint8_t> bytes, std::int64_t& width, std::int64_t& height);

}  // namespace qx::platform::detail
