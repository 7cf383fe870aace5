#pragma once
// Windows icons: the directory, and frames stored either as PNG or as a device-independent
// bitmap with its transparency mask.
#include <cstdint>
#include <span>

#include "platform/imaging/ImageCodec.h"

namespace qx::platform::detail {

// True for the first bytes of an icon file (type 1, at least one frame).
bool looksLikeIco(std::span<const std::uint8_t> bytes);

// Decodes the icon's largest frame (by pixel count, then colour depth); when that frame is
// damaged, the next largest. Frames that claim more than the limits are skipped unread.
// Whether some frame's own header claims a size within the limits (nothing is decoded).
bool icoHasFrameWithin(std::span<const std::uint8_t> bytes, const ImageLimits& limits);

// The size its largest frame's own header claims; false when no frame is described.
bool icoLargestFrameSize(std::span<const std::uint8_t> bytes, std::int64_t& width, std::int64_t& height);

bool decodeIco(std::span<const std::uint8_t> bytes, RgbaImage& out,
               const ImageLimits& limits = kDecoderLimits);

}  // namespace qx::platform::detail
