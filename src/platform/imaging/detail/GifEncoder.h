#pragma once
// GIF writing on giflib: one frame with a palette made from the picture itself.
#include <cstdint>
#include <vector>

#include "platform/imaging/ImageCodec.h"

namespace qx::platform::detail {

// A picture of at most 256 colours keeps them exactly; a richer one is reduced by median cut.
// Pixels with alpha below 128 become the transparent colour. Empty on failure.
std::vector<std::uint8_t> encodeGif(const RgbaImage& image);

}  // namespace qx::platform::detail
