#include "platform/imaging/detail/GifEncoder.h"

#include <gif_lib.h>

#include <algorithm>
#include <unordered_map>

#include "platform/library/SharedLibrary.h"

namespace qx::platform::detail {

namespace {

// giflib is opened when the first GIF is written.
struct GifLib : Imports {
    GifLib() : Imports(QX_GIF_SONAME) {}
    QX_IMPORT(GifQuantizeBuffer);
    QX_IMPORT(GifBitSize);
    QX_IMPORT(GifMakeMapObject);
    QX_IMPORT(GifFreeMapObject);
    QX_IMPORT(EGifOpen);
    QX_IMPORT(EGifSetGifVersion);
    QX_IMPORT(EGifPutScreenDesc);
    QX_IMPORT(EGifGCBToExtension);
    QX_IMPORT(EGifPutExtension);
    QX_IMPORT(EGifPutImageDesc);
    QX_IMPORT(EGifPutLine);
    QX_IMPORT(EGifCloseFile);
};

// Only called once encodeGif found the library.
const GifLib& giflib() { return *imported<GifLib>(); }

int writeToVector(GifFileType* gif, const GifByteType* data, int n) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

bool transparentAt(const RgbaImage& image, std::size_t pixel) { return image.pixels[pixel * 4 + 3] < 128; }

std::uint32_t rgbAt(const RgbaImage& image, std::size_t pixel) {
    const std::uint8_t* p = &image.pixels[pixel * 4];
    return (std::uint32_t{p[0]} << 16) | (std::uint32_t{p[1]} << 8) | p[2];
}

// The palette and each pixel's index into it.
struct Indexed {
    std::vector<GifColorType> colors;
    std::vector<GifByteType> indices;
    int transparentIndex = -1;
};

bool exactPalette(const RgbaImage& image, bool transparency, Indexed& out) {
    const std::size_t room = transparency ? 255 : 256;
    const std::size_t n = std::size_t(image.width) * std::size_t(image.height);
    std::unordered_map<std::uint32_t, GifByteType> seen;
    out.indices.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        if (transparency && transparentAt(image, i)) continue;
        std::uint32_t rgb = rgbAt(image, i);
        auto it = seen.find(rgb);
        if (it == seen.end()) {
            if (seen.size() == room) return false;
            it = seen.emplace(rgb, static_cast<GifByteType>(seen.size())).first;
            out.colors.push_back({static_cast<GifByteType>(rgb >> 16), static_cast<GifByteType>(rgb >> 8),
                                  static_cast<GifByteType>(rgb)});
        }
        out.indices[i] = it->second;
    }
    return true;
}

bool quantizedPalette(const RgbaImage& image, bool transparency, Indexed& out) {
    const std::size_t n = std::size_t(image.width) * std::size_t(image.height);
    std::vector<GifByteType> r(n), g(n), b(n);
    for (std::size_t i = 0; i < n; ++i) {
        r[i] = image.pixels[i * 4], g[i] = image.pixels[i * 4 + 1], b[i] = image.pixels[i * 4 + 2];
    }
    int size = transparency ? 255 : 256;
    std::vector<GifColorType> map(256);
    out.indices.assign(n, 0);
    if (giflib().GifQuantizeBuffer(static_cast<unsigned>(image.width), static_cast<unsigned>(image.height),
                                   &size, r.data(), g.data(), b.data(), out.indices.data(),
                                   map.data()) != GIF_OK)
        return false;
    out.colors.assign(map.begin(), map.begin() + size);
    return true;
}

}  // namespace

std::vector<std::uint8_t> encodeGif(const RgbaImage& image) {
    if (!imported<GifLib>()) return {};
    if (image.empty() || image.width > 65535 || image.height > 65535 ||
        image.pixels.size() != std::size_t(image.width) * std::size_t(image.height) * 4)
        return {};
    const std::size_t n = std::size_t(image.width) * std::size_t(image.height);
    bool transparency = false;
    for (std::size_t i = 0; i < n && !transparency; ++i) transparency = transparentAt(image, i);

    Indexed indexed;
    if (!exactPalette(image, transparency, indexed)) {
        indexed = {};
        if (!quantizedPalette(image, transparency, indexed)) return {};
    }
    if (transparency) {
        indexed.transparentIndex = static_cast<int>(indexed.colors.size());
        indexed.colors.push_back({0, 0, 0});
        for (std::size_t i = 0; i < n; ++i)
            if (transparentAt(image, i))
                indexed.indices[i] = static_cast<GifByteType>(indexed.transparentIndex);
    }
    // The colour table holds a power of two of entries, at least two.
    const int bits = giflib().GifBitSize(std::max(2, static_cast<int>(indexed.colors.size())));
    indexed.colors.resize(std::size_t{1} << bits, GifColorType{0, 0, 0});

    std::vector<std::uint8_t> out;
    int error = 0;
    GifFileType* gif = giflib().EGifOpen(&out, writeToVector, &error);
    if (!gif) return {};
    ColorMapObject* map = giflib().GifMakeMapObject(1 << bits, indexed.colors.data());
    bool ok = map != nullptr;
    if (ok) {
        giflib().EGifSetGifVersion(gif, transparency);
        ok = giflib().EGifPutScreenDesc(gif, image.width, image.height, 8, 0, map) == GIF_OK;
    }
    if (ok && transparency) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.TransparentColor = indexed.transparentIndex;
        GifByteType extension[4];
        std::size_t length = giflib().EGifGCBToExtension(&gcb, extension);
        ok = giflib().EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
             GIF_OK;
    }
    ok = ok && giflib().EGifPutImageDesc(gif, 0, 0, image.width, image.height, false, nullptr) == GIF_OK;
    for (int y = 0; ok && y < image.height; ++y)
        ok = giflib().EGifPutLine(gif, indexed.indices.data() + std::size_t(y) * std::size_t(image.width),
                                  image.width) == GIF_OK;
    if (giflib().EGifCloseFile(gif, &error) != GIF_OK) ok = false;
    if (map) giflib().GifFreeMapObject(map);
    if (!ok) out.clear();
    return out;
}

}  // namespace qx::platform::detail
