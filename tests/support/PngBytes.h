#pragma once
// PNG files made on the spot for tests: a real one-colour image of any size, padded to an exact
// byte count when asked, or a header that claims any size at all. Needs zlib.
#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace qx::test {

namespace png_detail {

inline void put32(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v >> 24);
    out += static_cast<char>(v >> 16);
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v);
}

inline void chunk(std::string& out, const char* type, const std::string& data) {
    put32(out, static_cast<std::uint32_t>(data.size()));
    std::string body = std::string(type, 4) + data;
    out += body;
    put32(out, static_cast<std::uint32_t>(
                   crc32(0L, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

inline std::string header(std::uint32_t width, std::uint32_t height) {
    std::string ihdr;
    put32(ihdr, width);
    put32(ihdr, height);
    ihdr += std::string("\x08\x06\x00\x00\x00", 5);  // 8-bit RGBA, no interlace
    std::string out("\x89PNG\r\n\x1a\n", 8);
    chunk(out, "IHDR", ihdr);
    return out;
}

}  // namespace png_detail

// A width x height RGBA image; with padTo, a comment chunk brings the file to exactly that many
// bytes (when it is large enough to hold the image).
inline std::string pngBytes(std::uint32_t width, std::uint32_t height, std::size_t padTo = 0) {
    // Row by row through deflate, so a large image never sits in memory uncompressed.
    std::string row(1, '\0');  // filter: none
    for (std::uint32_t x = 0; x < width; ++x) row += std::string("\x20\x80\xE0\xFF", 4);
    z_stream z{};
    if (deflateInit(&z, Z_BEST_SPEED) != Z_OK) throw std::runtime_error("deflateInit");
    std::string idat;
    char buffer[1 << 16];
    for (std::uint32_t y = 0; y <= height; ++y) {
        const bool last = y == height;
        z.next_in = reinterpret_cast<Bytef*>(last ? nullptr : row.data());
        z.avail_in = last ? 0 : static_cast<uInt>(row.size());
        int rc;
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            rc = deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
            idat.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0 || (last && rc != Z_STREAM_END));
    }
    deflateEnd(&z);
    std::string out = png_detail::header(width, height);
    png_detail::chunk(out, "IDAT", idat);
    const std::size_t withEnd = out.size() + 12;
    if (padTo >= withEnd + 12 + 8) {  // the tEXt chunk holds at least its keyword and a zero
        std::string text = std::string("Comment", 7) + '\0';
        text.resize(padTo - withEnd - 12, 'x');
        png_detail::chunk(out, "tEXt", text);
    }
    png_detail::chunk(out, "IEND", "");
    return out;
}

// A PNG whose header claims width x height, followed by a few bytes of image data.
inline std::string pngClaiming(std::uint32_t width, std::uint32_t height) {
    std::string out = png_detail::header(width, height);
    std::string zeros(64, '\0');
    uLongf size = compressBound(64);
    std::string idat(size, '\0');
    compress(reinterpret_cast<Bytef*>(idat.data()), &size, reinterpret_cast<const Bytef*>(zeros.data()), 64);
    idat.resize(size);
    png_detail::chunk(out, "IDAT", idat);
    png_detail::chunk(out, "IEND", "");
    return out;
}

}  // namespace qx::test
