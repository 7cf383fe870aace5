#pragma once
// Width and height of an image held in memory, in any format the
// image readers know: PNG, JPEG, GIF, BMP, ICO, TIFF, ... Any thread may ask. The readers' plugins
// are loaded on first use and belong to Qt's main thread, which is the first thread that uses
// Qt: in a process without a Qt application object the first call must come from the main
// thread, not from a worker that ends before the plugins are unloaded.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace qx::platform {

// Bytes come from servers: an image whose header claims more pixels than this is refused before
// anything is allocated for it (about 128 MB of 32-bit pixels).
constexpr long long kMaxMeasuredPixels = 32LL * 1024 * 1024;

struct ImageSize {
    int width = 0;
    int height = 0;
};

// Both 0 unless the bytes decode as an image within kMaxMeasuredPixels. Bytes that spell a file
// name are no image: no file is ever read.
ImageSize imageSize(const std::vector<std::uint8_t>& bytes);
int imageWidth(const std::vector<std::uint8_t>& bytes);
int imageHeight(const std::vector<std::uint8_t>& bytes);

}  // namespace qx::platform
