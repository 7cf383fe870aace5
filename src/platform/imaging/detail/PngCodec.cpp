#include "platform/imaging/detail/PngCodec.h"

#include <png.h>

#include <cstring>

namespace qx::platform::detail {

namespace {

constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// Ancillary chunks (profiles, text) beyond this are dropped rather than buffered.
constexpr png_alloc_size_t kMaxChunkBytes = 8 * 1024 * 1024;

struct Source {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
};

// libpng reports through longjmp; nothing is printed.
[[noreturn]] void onError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void onWarning(png_structp, png_const_charp) {}

void readFromSource(png_structp png, png_bytep into, png_size_t n) {
    auto* s = static_cast<Source*>(png_get_io_ptr(png));
    if (n > s->size - s->at) png_error(png, "truncated");
    std::memcpy(into, s->data + s->at, n);
    s->at += n;
}

void writeToVector(png_structp png, png_bytep data, png_size_t n) {
    auto* v = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    v->insert(v->end(), data, data + n);
}
void flushNothing(png_structp) {}

std::uint32_t bigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// Runs the read with every C++ object it touches made before the setjmp point; a longjmp back
// therefore ends no object's lifetime.
bool readPng(png_structp png, png_infop info, Source& source, RgbaImage& out, std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_read_fn(png, &source, readFromSource);
    png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!imageWithinLimits(width, height)) return false;

    const int colorType = png_get_color_type(png, info);
    png_set_expand(png);  // palette to RGB, small grey to 8 bits, tRNS to alpha
    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t stride = std::size_t{width} * 4;
    if (png_get_rowbytes(png, info) != stride) return false;

    out.pixels.resize(stride * height);
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = out.pixels.data() + stride * y;
    png_read_image(png, rows.data());
    out.width = static_cast<int>(width);
    out.height = static_cast<int>(height);
    return true;
}

bool writePng(png_structp png, png_infop info, const RgbaImage& image, bool alpha,
              std::vector<std::uint8_t>& out, std::vector<std::uint8_t>& row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_set_write_fn(png, &out, writeToVector, flushNothing);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                 alpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = std::size_t(image.width) * 4;
    for (int y = 0; y < image.height; ++y) {
        const std::uint8_t* src = image.pixels.data() + stride * std::size_t(y);
        if (alpha) {
            std::memcpy(row.data(), src, stride);
        } else {
            for (int x = 0; x < image.width; ++x)
                std::memcpy(&row[std::size_t(x) * 3], src + std::size_t(x) * 4, 3);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

}  // namespace

bool pngHeaderSize(std::span<const std::uint8_t> bytes, std::int64_t& width, std::int64_t& height) {
    // Signature, then the IHDR chunk: length, "IHDR", width, height.
    if (bytes.size() < 24 || std::memcmp(bytes.data(), kSignature, 8) != 0 ||
        std::memcmp(bytes.data() + 12, "IHDR", 4) != 0)
        return false;
    width = bigEndian32(bytes.data() + 16);
    height = bigEndian32(bytes.data() + 20);
    return true;
}

bool decodePng(std::span<const std::uint8_t> bytes, RgbaImage& out, const ImageLimits& limits) {
    out = {};
    std::int64_t w = 0, h = 0;
    if (!pngHeaderSize(bytes, w, h) || !imageWithinLimits(w, h, limits)) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    Source source{bytes.data(), bytes.size(), 0};
    std::vector<png_bytep> rows;
    bool ok = readPng(png, info, source, out, rows);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!ok) out = {};
    return ok;
}

std::vector<std::uint8_t> encodePng(const RgbaImage& image) {
    if (image.empty() || image.pixels.size() != std::size_t(image.width) * std::size_t(image.height) * 4)
        return {};
    bool alpha = false;
    for (std::size_t i = 3; i < image.pixels.size() && !alpha; i += 4) alpha = image.pixels[i] != 0xFF;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (!png) return {};
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return {};
    }
    std::vector<std::uint8_t> out;
    std::vector<std::uint8_t> row(std::size_t(image.width) * 4);
    bool ok = writePng(png, info, image, alpha, out, row);
    png_destroy_write_struct(&png, &info);
    if (!ok) out.clear();
    return out;
}

}  // namespace qx::platform::detail
