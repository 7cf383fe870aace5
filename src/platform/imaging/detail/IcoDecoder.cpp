#include "platform/imaging/detail/IcoDecoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/imaging/detail/PngCodec.h"

namespace qx::platform::detail {

namespace {

constexpr std::size_t kDirectoryHead = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kInfoHeaderSize = 40;

std::uint16_t le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}
std::int32_t le32s(const std::uint8_t* p) { return static_cast<std::int32_t>(le32(p)); }

struct Frame {
    std::span<const std::uint8_t> data;
    bool png = false;
    std::int64_t width = 0;
    std::int64_t height = 0;
    int depth = 0;
    std::size_t order = 0;
};

// The frame's own header says what it holds; the directory's size bytes are only hints.
bool describeFrame(std::span<const std::uint8_t> data, Frame& f) {
    if (pngHeaderSize(data, f.width, f.height)) {
        f.png = true;
        f.depth = data.size() > 24 ? data[24] * 4 : 32;
        return true;
    }
    if (data.size() < kInfoHeaderSize) return false;
    std::uint32_t headerSize = le32(data.data());
    if (headerSize < kInfoHeaderSize || headerSize > data.size()) return false;
    std::int32_t w = le32s(data.data() + 4);
    std::int32_t h = le32s(data.data() + 8);  // the picture and its mask, stacked
    f.width = w;
    f.height = h < 0 ? -std::int64_t{h} / 2 : h / 2;
    f.depth = le16(data.data() + 14);
    return true;
}

std::size_t rowStride(std::int64_t width, int bits) {
    return static_cast<std::size_t>(((width * bits + 31) / 32) * 4);
}

// A bitmap frame: 1, 4, 8, 16, 24 or 32 bits, uncompressed; the AND mask after the colour rows
// makes pixels transparent unless 32-bit pixels carry an alpha of their own.
bool decodeBitmapFrame(std::span<const std::uint8_t> data, RgbaImage& out) {
    const std::uint8_t* d = data.data();
    const std::uint32_t headerSize = le32(d);
    const std::int64_t width = le32s(d + 4);
    const std::int32_t rawHeight = le32s(d + 8);
    const bool topDown = rawHeight < 0;
    const std::int64_t height = (topDown ? -std::int64_t{rawHeight} : rawHeight) / 2;
    const int bits = le16(d + 14);
    const std::uint32_t compression = le32(d + 16);
    std::uint32_t colorsUsed = le32(d + 32);
    if (!imageWithinLimits(width, height)) return false;
    if (compression != 0) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;

    std::size_t at = headerSize;
    std::vector<std::uint8_t> palette;  // BGRx entries
    if (bits <= 8) {
        std::uint32_t maxColors = 1u << bits;
        if (colorsUsed == 0 || colorsUsed > maxColors) colorsUsed = maxColors;
        std::size_t need = std::size_t{colorsUsed} * 4;
        if (data.size() - at < need) return false;
        palette.assign(d + at, d + at + need);
        palette.resize(std::size_t{maxColors} * 4, 0);  // indices past the used colours read black
        at += need;
    }
    const std::size_t stride = rowStride(width, bits);
    const std::size_t maskStride = rowStride(width, 1);
    const std::size_t h = static_cast<std::size_t>(height);
    const std::size_t w = static_cast<std::size_t>(width);
    if ((data.size() - at) / h < stride) return false;  // the colour rows must all be there
    const std::uint8_t* colorRows = d + at;
    at += stride * h;
    // Some writers leave the mask out; the picture is then opaque.
    const bool haveMask = (data.size() - at) / h >= maskStride;
    const std::uint8_t* maskRows = haveMask ? d + at : nullptr;

    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    out.pixels.assign(w * h * 4, 0);
    bool anyAlpha = false;
    for (std::size_t row = 0; row < h; ++row) {
        const std::size_t y = topDown ? row : h - 1 - row;
        const std::uint8_t* src = colorRows + stride * row;
        std::uint8_t* dst = out.pixels.data() + w * 4 * y;
        for (std::size_t x = 0; x < w; ++x) {
            std::uint8_t r = 0, g = 0, b = 0, a = 0xFF;
            if (bits <= 8) {
                std::size_t bit = x * static_cast<std::size_t>(bits);
                unsigned index = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                const std::uint8_t* c = &palette[std::size_t{index} * 4];
                b = c[0], g = c[1], r = c[2];
            } else if (bits == 16) {
                unsigned v = le16(src + x * 2);  // 5-5-5
                r = static_cast<std::uint8_t>(((v >> 10) & 31) * 255 / 31);
                g = static_cast<std::uint8_t>(((v >> 5) & 31) * 255 / 31);
                b = static_cast<std::uint8_t>((v & 31) * 255 / 31);
            } else {
                const std::uint8_t* c = src + x * static_cast<std::size_t>(bits / 8);
                b = c[0], g = c[1], r = c[2];
                if (bits == 32) {
                    a = c[3];
                    anyAlpha = anyAlpha || a != 0;
                }
            }
            dst[x * 4] = r, dst[x * 4 + 1] = g, dst[x * 4 + 2] = b, dst[x * 4 + 3] = a;
        }
    }
    // 32-bit frames whose alpha bytes are all zero were written for the mask alone.
    const bool useMask = maskRows && !(bits == 32 && anyAlpha);
    if (bits == 32 && !anyAlpha && !maskRows)
        for (std::size_t i = 3; i < out.pixels.size(); i += 4) out.pixels[i] = 0xFF;
    if (useMask) {
        for (std::size_t row = 0; row < h; ++row) {
            const std::size_t y = topDown ? row : h - 1 - row;
            const std::uint8_t* m = maskRows + maskStride * row;
            std::uint8_t* dst = out.pixels.data() + w * 4 * y;
            for (std::size_t x = 0; x < w; ++x) dst[x * 4 + 3] = (m[x / 8] >> (7 - x % 8)) & 1 ? 0 : 0xFF;
        }
    }
    return true;
}

}  // namespace

bool looksLikeIco(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= kDirectoryHead + kEntrySize && le16(bytes.data()) == 0 &&
           le16(bytes.data() + 2) == 1 && le16(bytes.data() + 4) >= 1;
}

namespace {

// The frames whose headers describe them and claim a size within the limits, in directory order.
std::vector<Frame> framesWithin(std::span<const std::uint8_t> bytes, const ImageLimits& limits) {
    std::vector<Frame> frames;
    if (!looksLikeIco(bytes)) return frames;
    const std::size_t count = le16(bytes.data() + 4);
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t entry = kDirectoryHead + i * kEntrySize;
        if (entry + kEntrySize > bytes.size()) break;  // a directory cut short keeps the entries it has
        std::uint32_t size = le32(bytes.data() + entry + 8);
        std::uint32_t offset = le32(bytes.data() + entry + 12);
        if (offset >= bytes.size() || size == 0) continue;
        std::size_t length = std::min<std::size_t>(size, bytes.size() - offset);
        Frame f;
        f.order = i;
        if (!describeFrame(bytes.subspan(offset, length), f)) continue;
        if (!imageWithinLimits(f.width, f.height, limits)) continue;
        f.data = bytes.subspan(offset, length);
        frames.push_back(f);
    }
    return frames;
}

}  // namespace

bool icoHasFrameWithin(std::span<const std::uint8_t> bytes, const ImageLimits& limits) {
    return !framesWithin(bytes, limits).empty();
}

bool icoLargestFrameSize(std::span<const std::uint8_t> bytes, std::int64_t& width, std::int64_t& height) {
    const std::vector<Frame> frames = framesWithin(bytes, kDecoderLimits);
    if (frames.empty()) return false;
    const auto largest = std::max_element(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) {
        return a.width * a.height < b.width * b.height;
    });
    width = largest->width;
    height = largest->height;
    return true;
}

bool decodeIco(std::span<const std::uint8_t> bytes, RgbaImage& out, const ImageLimits& limits) {
    out = {};
    std::vector<Frame> frames = framesWithin(bytes, limits);
    std::stable_sort(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) {
        std::int64_t areaA = a.width * a.height, areaB = b.width * b.height;
        if (areaA != areaB) return areaA > areaB;
        return a.depth > b.depth;
    });
    for (const Frame& f : frames) {
        bool ok = f.png ? decodePng(f.data, out, limits) : decodeBitmapFrame(f.data, out);
        if (ok) return true;
        out = {};
    }
    return false;
}

}  // namespace qx::platform::detail
