#pragma once
// Pictures in and out: decoding by content (PNG, JPEG, GIF, BMP, ICO, TIFF) into plain RGBA
// pixels, and encoding those pixels as BMP, JPEG, GIF, TIFF or PNG.
// Every decoder checks the size a picture claims before it allocates its pixels, so a small
// file that claims a huge picture is refused instead of exhausting memory.
#include <cstdint>
#include <span>
#include <vector>

namespace qx::platform {

enum class ImageKind { Unknown, Png, Jpeg, Gif, Bmp, Ico, Tiff };
enum class ImageFormat { Bmp, Jpeg, Gif, Tiff, Png };

// Straight (not premultiplied) 8-bit RGBA, rows top to bottom without padding.
struct RgbaImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 4 bytes: R, G, B, A

    bool empty() const { return width <= 0 || height <= 0; }
};

// Largest picture a decoder accepts: no side beyond GIF's and JPEG's reach, and at most 256 MiB
// of RGBA pixels.
inline constexpr int kMaxImageSide = 65535;
inline constexpr std::int64_t kMaxImagePixels = std::int64_t{1} << 26;

// True for a size the decoders accept (both sides at least 1).
bool imageWithinLimits(std::int64_t width, std::int64_t height);

// The kind of picture by its first bytes.
ImageKind sniffImage(std::span<const std::uint8_t> bytes);

// Decodes the picture; an ICO gives its largest frame, a GIF its first. False (out emptied)
// for bytes that are no picture we decode, a damaged or truncated one, or one over the limits.
bool decodeImage(std::span<const std::uint8_t> bytes, RgbaImage& out);

// The encoded picture; empty on failure. JPEG and BMP drop the alpha channel; GIF keeps
// pixels with alpha of 128 or more and makes the others transparent.
std::vector<std::uint8_t> encodeImage(const RgbaImage& image, ImageFormat format);

}  // namespace qx::platform
