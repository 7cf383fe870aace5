#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/imaging/ImageCodec.h"

using namespace qx::platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

RgbaImage makeImage(int w, int h, const std::function<std::uint32_t(int, int)>& rgba) {
    RgbaImage img;
    img.width = w;
    img.height = h;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::uint32_t c = rgba(x, y);
            img.pixels.insert(img.pixels.end(), {std::uint8_t(c >> 24), std::uint8_t(c >> 16),
                                                 std::uint8_t(c >> 8), std::uint8_t(c)});
        }
    return img;
}

// Many colours, opaque.
RgbaImage gradient(int w, int h) {
    return makeImage(w, h, [](int x, int y) {
        return (std::uint32_t(x * 4) << 24) | (std::uint32_t(y * 6) << 16) |
               (std::uint32_t((x ^ y) * 3) << 8) | 0xFF;
    });
}

// Four colours and a transparent corner.
RgbaImage fewColours(int w, int h) {
    return makeImage(w, h, [](int x, int y) -> std::uint32_t {
        if (x < 3 && y < 3) return 0x00000000;
        static const std::uint32_t palette[] = {0xFF0000FF, 0x00FF00FF, 0x0000FFFF, 0xFFFFFFFF};
        return palette[(x / 4 + y / 4) % 4];
    });
}

std::uint32_t pixel(const RgbaImage& img, int x, int y) {
    const std::uint8_t* p = &img.pixels[(std::size_t(y) * img.width + x) * 4];
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void put16(Bytes& b, unsigned v) { b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)}); }
void put32(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)});
}
void putBE32(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {std::uint8_t(v >> 24), std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)});
}

// A bitmap icon frame: BITMAPINFOHEADER, palette, bottom-up colour rows, AND mask.
// 8-bit frames index a grey palette; 24/32-bit frames take the colour of rgba; the mask hides
// the pixels whose rgba alpha is below 128.
Bytes bitmapFrame(int w, int h, int bits, const std::function<std::uint32_t(int, int)>& rgba, bool alphaBytes,
                  bool withMask = true) {
    Bytes b;
    put32(b, 40);
    put32(b, std::uint32_t(w));
    put32(b, std::uint32_t(h * 2));
    put16(b, 1);
    put16(b, unsigned(bits));
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    if (bits == 8)
        for (int i = 0; i < 256; ++i) put32(b, std::uint32_t(i) * 0x010101);
    int stride = ((w * bits + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(std::size_t(stride), 0);
        for (int x = 0; x < w; ++x) {
            std::uint32_t c = rgba(x, y);
            if (bits == 8) {
                row[std::size_t(x)] = std::uint8_t(c >> 24);
            } else {
                std::size_t at = std::size_t(x) * std::size_t(bits / 8);
                row[at] = std::uint8_t(c >> 8), row[at + 1] = std::uint8_t(c >> 16),
                row[at + 2] = std::uint8_t(c >> 24);
                if (bits == 32) row[at + 3] = alphaBytes ? std::uint8_t(c) : 0;
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    if (!withMask) return b;
    int maskStride = ((w + 31) / 32) * 4;
    for (int y = h - 1; y >= 0; --y) {
        Bytes row(std::size_t(maskStride), 0);
        for (int x = 0; x < w; ++x)
            if ((rgba(x, y) & 0xFF) < 128) row[std::size_t(x / 8)] |= std::uint8_t(0x80 >> (x % 8));
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

Bytes icoFile(const std::vector<Bytes>& frames) {
    Bytes b;
    put16(b, 0);
    put16(b, 1);
    put16(b, unsigned(frames.size()));
    std::uint32_t offset = std::uint32_t(6 + 16 * frames.size());
    for (const Bytes& f : frames) {
        b.insert(b.end(), {0, 0, 0, 0});  // size hints left at 0: the frame's header decides
        put16(b, 1);
        put16(b, 32);
        put32(b, std::uint32_t(f.size()));
        put32(b, offset);
        offset += std::uint32_t(f.size());
    }
    for (const Bytes& f : frames) b.insert(b.end(), f.begin(), f.end());
    return b;
}

// A PNG whose header claims w x h, followed by a few bytes of nothing.
Bytes claimingPng(std::uint32_t w, std::uint32_t h) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    putBE32(b, 13);
    b.insert(b.end(), {'I', 'H', 'D', 'R'});
    putBE32(b, w);
    putBE32(b, h);
    b.insert(b.end(), {8, 6, 0, 0, 0, 0, 0, 0, 0});
    b.resize(b.size() + 64, 0);
    return b;
}

struct FormatCase {
    ImageFormat format;
    ImageKind kind;
    bool lossless;    // opaque pixels come back exactly
    bool keepsAlpha;  // alpha comes back (GIF: as on/off)
};

std::string formatName(const ::testing::TestParamInfo<FormatCase>& i) {
    static const char* const names[] = {"Bmp", "Jpeg", "Gif", "Tiff", "Png"};
    return names[int(i.param.format)];
}

class RoundTrip : public ::testing::TestWithParam<FormatCase> {};

TEST_P(RoundTrip, DecodesWhatItWroteWithItsSize) {
    const FormatCase c = GetParam();
    for (const RgbaImage& original : {gradient(61, 37), fewColours(16, 16), gradient(1, 1)}) {
        SCOPED_TRACE(std::to_string(original.width) + "x" + std::to_string(original.height));
        Bytes encoded = encodeImage(original, c.format);
        ASSERT_FALSE(encoded.empty());
        EXPECT_EQ(sniffImage(encoded), c.kind);
        // The size the header claims (TIFF's is known to its decoder alone), and a cap: one
        // at the picture's size lets it through, one a pixel smaller refuses it unread.
        std::int64_t claimedWidth = 0, claimedHeight = 0;
        if (c.kind != ImageKind::Tiff) {
            EXPECT_TRUE(headerImageSize(encoded, claimedWidth, claimedHeight));
            EXPECT_EQ(claimedWidth, original.width);
            EXPECT_EQ(claimedHeight, original.height);
        }
        const std::int64_t side = std::max(original.width, original.height);
        const ImageLimits atSize{side, std::int64_t(original.width) * original.height};
        RgbaImage capped;
        EXPECT_FALSE(imageExceedsLimits(encoded, atSize));
        EXPECT_TRUE(decodeImage(encoded, capped, atSize));
        if (side > 1) {
            const ImageLimits smaller{side - 1, atSize.maxPixels};
            EXPECT_TRUE(imageExceedsLimits(encoded, smaller));
            EXPECT_FALSE(decodeImage(encoded, capped, smaller));
            EXPECT_TRUE(capped.empty());
        }
        RgbaImage back;
        ASSERT_TRUE(decodeImage(encoded, back));
        ASSERT_EQ(back.width, original.width);
        ASSERT_EQ(back.height, original.height);
        ASSERT_EQ(back.pixels.size(), original.pixels.size());
        bool transparentCorner = original.width == 16;
        long error = 0;
        for (int y = 0; y < original.height; ++y)
            for (int x = 0; x < original.width; ++x) {
                std::uint32_t want = pixel(original, x, y), got = pixel(back, x, y);
                bool clear = (want & 0xFF) == 0;
                if (clear && c.keepsAlpha) {
                    EXPECT_EQ(got & 0xFF, 0u) << x << "," << y;
                    continue;
                }
                if (clear) continue;  // formats without alpha keep whatever colour lies under it
                EXPECT_EQ(got & 0xFF, 0xFFu) << x << "," << y;
                for (int shift = 8; shift < 32; shift += 8)
                    error += std::abs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF));
            }
        // GIF keeps up to 256 colours exactly; the gradient has more and is reduced.
        bool exact =
            c.lossless || (c.format == ImageFormat::Gif && (transparentCorner || original.width == 1));
        if (exact) {
            EXPECT_EQ(error, 0);
        } else {
            // Sharp colour edges cost JPEG most; a swapped or lost channel would cost far more.
            EXPECT_LT(double(error) / (original.width * original.height * 3), 32.0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, RoundTrip,
                         ::testing::Values(FormatCase{ImageFormat::Bmp, ImageKind::Bmp, true, false},
                                           FormatCase{ImageFormat::Jpeg, ImageKind::Jpeg, false, false},
                                           FormatCase{ImageFormat::Gif, ImageKind::Gif, false, true},
                                           FormatCase{ImageFormat::Tiff, ImageKind::Tiff, true, true},
                                           FormatCase{ImageFormat::Png, ImageKind::Png, true, true}),
                         formatName);

TEST(Ico, TheLargestFrameWithItsTransparency) {
    auto disc = [](int size) {
        return [size](int x, int y) -> std::uint32_t {
            int dx = 2 * x - size + 1, dy = 2 * y - size + 1;
            bool inside = dx * dx + dy * dy < size * size;
            return inside ? (0x20C040FFu + (std::uint32_t(x) << 24)) : 0x00000000u;
        };
    };
    Bytes png48 = encodeImage(makeImage(48, 48, disc(48)), ImageFormat::Png);
    Bytes bmp32alpha = bitmapFrame(32, 32, 32, disc(32), true);
    Bytes bmp24 = bitmapFrame(24, 24, 24, disc(24), false);
    Bytes bmp16grey = bitmapFrame(
        16, 16, 8, [](int x, int) { return (std::uint32_t(x * 16) * 0x01010100u) | 0xFF; }, false);

    // The PNG frame is the largest, wherever it stands in the directory.
    RgbaImage out;
    ASSERT_TRUE(decodeImage(icoFile({bmp16grey, png48, bmp32alpha}), out));
    EXPECT_EQ(out.width, 48);
    EXPECT_EQ(out.height, 48);
    EXPECT_EQ(pixel(out, 0, 0) & 0xFF, 0u);
    EXPECT_EQ(pixel(out, 24, 24), 0x20C040FFu + (24u << 24));

    // 32-bit frame with alpha bytes: its own alpha counts.
    ASSERT_TRUE(decodeImage(icoFile({bmp16grey, bmp32alpha, bmp24}), out));
    EXPECT_EQ(out.width, 32);
    EXPECT_EQ(pixel(out, 0, 0) & 0xFF, 0u);
    EXPECT_EQ(pixel(out, 16, 16), 0x20C040FFu + (16u << 24));

    // 24-bit frame: the mask makes the corners transparent.
    ASSERT_TRUE(decodeImage(icoFile({bmp24, bmp16grey}), out));
    EXPECT_EQ(out.width, 24);
    EXPECT_EQ(pixel(out, 0, 0) & 0xFF, 0u);
    EXPECT_EQ(pixel(out, 12, 12), 0x20C040FFu + (12u << 24));

    // 8-bit palette frame, and a 32-bit frame whose alpha bytes are all zero (mask only).
    ASSERT_TRUE(decodeImage(icoFile({bmp16grey}), out));
    EXPECT_EQ(out.width, 16);
    EXPECT_EQ(pixel(out, 3, 5), 0x303030FFu);
    ASSERT_TRUE(decodeImage(icoFile({bitmapFrame(32, 32, 32, disc(32), false)}), out));
    EXPECT_EQ(pixel(out, 0, 0) & 0xFF, 0u);
    EXPECT_EQ(pixel(out, 16, 16) & 0xFF, 0xFFu);
    // No mask written at all: opaque.
    ASSERT_TRUE(decodeImage(icoFile({bitmapFrame(16, 16, 24, disc(16), false, false)}), out));
    EXPECT_EQ(pixel(out, 0, 0) & 0xFF, 0xFFu);

    // Under a cap: the largest frame within it, and an icon exceeds it only when no frame fits.
    const Bytes three = icoFile({bmp16grey, png48, bmp32alpha});
    std::int64_t w = 0, h = 0;
    ASSERT_TRUE(headerImageSize(three, w, h));
    EXPECT_EQ(w, 48);
    ASSERT_TRUE(decodeImage(three, out, ImageLimits{32, 32 * 32}));
    EXPECT_EQ(out.width, 32);
    EXPECT_FALSE(imageExceedsLimits(three, ImageLimits{16, 16 * 16}));
    EXPECT_TRUE(imageExceedsLimits(three, ImageLimits{15, 15 * 15}));
    EXPECT_FALSE(decodeImage(three, out, ImageLimits{15, 15 * 15}));

    // Two hundred frames: still the largest.
    std::vector<Bytes> many(199, bmp16grey);
    many.insert(many.begin() + 120, bitmapFrame(64, 64, 24, disc(64), false));
    ASSERT_TRUE(decodeImage(icoFile(many), out));
    EXPECT_EQ(out.width, 64);

    // A damaged largest frame gives way to the next one.
    Bytes cut = png48;
    cut.resize(cut.size() / 2);
    ASSERT_TRUE(decodeImage(icoFile({cut, bmp24}), out));
    EXPECT_EQ(out.width, 24);
}

TEST(Decode, RefusesDamagedAndOversizedPictures) {
    Bytes png = encodeImage(gradient(40, 40), ImageFormat::Png);
    Bytes truncatedPng(png.begin(), png.begin() + long(png.size() / 2));
    Bytes hugeBmp = {'B', 'M'};
    put32(hugeBmp, 200);
    put32(hugeBmp, 0);
    put32(hugeBmp, 54);
    put32(hugeBmp, 40);
    put32(hugeBmp, 100000);
    put32(hugeBmp, 100000);
    put16(hugeBmp, 1);
    put16(hugeBmp, 24);
    hugeBmp.resize(200, 0);
    // Within the limits, but the 16 million pixels it claims are not in the file.
    Bytes shortBmp(hugeBmp.begin(), hugeBmp.begin() + 18);
    put32(shortBmp, 4000);
    put32(shortBmp, static_cast<std::uint32_t>(-4000));  // top-down rows
    put16(shortBmp, 1);
    put16(shortBmp, 32);
    shortBmp.resize(64, 0);
    Bytes hugeGif = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0};
    hugeGif.resize(100, 0);
    Bytes hugeIcoBitmap = bitmapFrame(
        2, 2, 24, [](int, int) { return 0xFFFFFFFFu; }, false);
    hugeIcoBitmap[4] = 0xA0, hugeIcoBitmap[5] = 0x86, hugeIcoBitmap[6] = 0x01;   // width 100000
    hugeIcoBitmap[8] = 0x40, hugeIcoBitmap[9] = 0x0D, hugeIcoBitmap[10] = 0x03;  // height 2 x 100000
    Bytes pastEnd = icoFile({bitmapFrame(
        16, 16, 24, [](int, int) { return 0xFFFFFFFFu; }, false)});
    pastEnd[18] = 0xFF, pastEnd[19] = 0xFF;  // offset beyond the file
    Bytes noFrames = {0, 0, 1, 0, 0, 0};
    noFrames.resize(22, 0);

    const std::vector<std::pair<std::string, Bytes>> cases = {
        {"empty", {}},
        {"two bytes", {0x89, 'P'}},
        {"html", Bytes{'<', 'h', 't', 'm', 'l', '>', '4', '0', '4', '<', '/', 'h', 't', 'm', 'l', '>'}},
        {"truncated png", truncatedPng},
        {"png of 100000x100000", claimingPng(100000, 100000)},
        {"png of 60000x60000", claimingPng(60000, 60000)},
        {"png of 0x10", claimingPng(0, 10)},
        {"ico with a png frame of 100000x100000", icoFile({claimingPng(100000, 100000)})},
        {"ico with a bitmap frame of 100000x100000", icoFile({hugeIcoBitmap})},
        {"ico frame past the end", pastEnd},
        {"ico without frames", noFrames},
        {"bmp of 100000x100000", hugeBmp},
        {"bmp of 4000x4000 in 64 bytes", shortBmp},
        {"gif of 65535x65535", hugeGif},
        {"tiff header only", Bytes{'I', 'I', '*', 0, 8, 0, 0, 0}},
    };
    for (const auto& [name, bytes] : cases) {
        RgbaImage out;
        out.width = 5;
        EXPECT_FALSE(decodeImage(bytes, out)) << name;
        EXPECT_TRUE(out.empty()) << name;
        EXPECT_TRUE(out.pixels.empty()) << name;
    }
    // Nothing to encode.
    EXPECT_TRUE(encodeImage(RgbaImage{}, ImageFormat::Png).empty());
    RgbaImage inconsistent = gradient(4, 4);
    inconsistent.pixels.pop_back();
    EXPECT_TRUE(encodeImage(inconsistent, ImageFormat::Gif).empty());
}

// Damaged copies of every kind of file: the decoder answers, and what it accepts is whole.
TEST(Decode, DamagedFilesNeverCrash) {
    RgbaImage source = fewColours(20, 20);
    std::vector<Bytes> files;
    for (ImageFormat f :
         {ImageFormat::Bmp, ImageFormat::Jpeg, ImageFormat::Gif, ImageFormat::Tiff, ImageFormat::Png})
        files.push_back(encodeImage(source, f));
    files.push_back(icoFile({bitmapFrame(
                                 16, 16, 8, [](int x, int) { return std::uint32_t(x) << 24 | 0xFF; }, false),
                             encodeImage(source, ImageFormat::Png)}));
    std::uint32_t seed = 12345;
    auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
    int accepted = 0;
    for (const Bytes& file : files) {
        ASSERT_FALSE(file.empty());
        for (int round = 0; round < 150; ++round) {
            Bytes damaged = file;
            int edits = 1 + int(next() % 4);
            for (int e = 0; e < edits; ++e) damaged[next() % damaged.size()] = std::uint8_t(next() >> 16);
            if (round % 5 == 0) damaged.resize(next() % damaged.size());
            RgbaImage out;
            if (decodeImage(damaged, out)) {
                ++accepted;
                EXPECT_TRUE(imageWithinLimits(out.width, out.height));
                EXPECT_EQ(out.pixels.size(), std::size_t(out.width) * std::size_t(out.height) * 4);
            }
        }
    }
    EXPECT_GT(accepted, 0);  // damage in pixel data still decodes for some formats
}

}  // namespace
