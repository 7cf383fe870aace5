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

// The largest picture one decode accepts; a picture that claims more is refused before its
// pixels are read.
struct ImageLimits {
    std::int64_t maxSide;
    std::int64_t maxPixels;
};
inline constexpr ImageLimits kDecoderLimits{kMaxImageSide, kMaxImagePixels};
// Pictures from servers that a window shows (an avatar, a site's icon): ample for what they
// are, and at most 64 MiB of pixels however small the file that claims them.
inline constexpr ImageLimits kNetworkPictureLimits{4096, std::int64_t{4096} * 4096};

// True for a size the decoders accept (both sides at least 1).
bool imageWithinLimits(std::int64_t width, std::int64_t height, const ImageLimits& limits = kDecoderLimits);

// The kind of picture by its first bytes.
ImageKind sniffImage(std::span<const std::uint8_t> bytes);

// Decodes the picture; an ICO gives its largest frame, a GIF its first. False (out emptied)
// for bytes that are no picture we decode, a damaged or truncated one, or one over the limits.
// The size a PNG, JPEG, GIF, BMP or ICO (its largest frame) header claims, read without
// decoding anything; false for TIFF, for bytes that are no picture and for a header cut short.
bool headerImageSize(std::span<const std::uint8_t> bytes, std::int64_t& width, std::int64_t& height);

// Whether the picture claims a size beyond the limits, read from its headers without decoding
// its pixels (an icon: every frame does). False for bytes that are no picture, or whose size
// cannot be told without decoding.
bool imageExceedsLimits(std::span<const std::uint8_t> bytes, const ImageLimits& limits);

// With tighter limits an icon gives its largest frame within them.
bool decodeImage(std::span<const std::uint8_t> bytes, RgbaImage& out,
                 const ImageLimits& limits = kDecoderLimits);

// The encoded picture; empty on failure. JPEG and BMP drop the alpha channel; GIF keeps
// pixels with alpha of 128 or more and makes the others transparent.
std::vector<std::uint8_t> encodeImage(const RgbaImage& image, ImageFormat format);

}  // namespace qx::platform
