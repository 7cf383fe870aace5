#pragma once
// Width and height of an image held in memory (or in a file the bytes name), in any format the
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
// A file named by the bytes is read only when it is a regular file of at most this size.
constexpr std::size_t kMaxImageFileBytes = std::size_t{64} << 20;

struct ImageSize {
    int width = 0;
    int height = 0;
};

// Both 0 unless the bytes decode as an image within kMaxMeasuredPixels. When the bytes, read as a
// text up to their first zero byte, name an existing regular file, that file is measured
// instead; a device, a pipe or a folder of that name is not opened for reading.
ImageSize imageSize(const std::vector<std::uint8_t>& bytes);
int imageWidth(const std::vector<std::uint8_t>& bytes);
int imageHeight(const std::vector<std::uint8_t>& bytes);

}  // namespace qx::platform
