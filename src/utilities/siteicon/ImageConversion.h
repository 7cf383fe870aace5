#pragma once
// Re-encoding a picture into one of the five formats the program writes.
#include <string_view>

#include "core/Text.h"
#include "platform/imaging/ImageCodec.h"

namespace qx::siteicon {

// Format numbers: 1 BMP ".bmp", 2 JPEG ".jpg", 3 GIF ".gif", 4 TIFF ".tiff", 5 PNG ".png".
// The extension of a format number; empty for a number outside 1..5.
std::string_view imageExtension(int format);

// Decodes source (any picture the imaging layer reads) and encodes it in the format. False when
// source has fewer than 3 bytes, the format is unknown, or no picture came out; nothing is
// written then. Otherwise the bytes go to basePath when it is not blank (its extension added
// unless it already ends in it, in any letter case) and to *output when given.
bool convertImage(const ByteArray& source, int format, const Text& basePath = {},
                  ByteArray* output = nullptr);

// The second half of convertImage, for pixels already decoded: encodes, writes to basePath when
// it is not blank and hands the bytes to *output. False when nothing was encoded.
bool encodeConvertedImage(const platform::RgbaImage& image, int format, const Text& basePath = {},
                          ByteArray* output = nullptr);

}  // namespace qx::siteicon
