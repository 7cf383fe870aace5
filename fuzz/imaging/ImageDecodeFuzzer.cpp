// Picture decoding as the network hands pictures in (the tester's preview, the icon grab, the
// avatar): the kind by content, the size reader, the decoder. What decodes must encode in every
// format, and what we write must decode again at the same size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "platform/imaging/ImageCodec.h"
#include "platform/imaging/ImageSize.h"

using namespace qx::platform;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    sniffImage(bytes);
    imageSize(bytes);
    RgbaImage image;
    if (!decodeImage(bytes, image)) {
        if (!image.pixels.empty() || image.width != 0 || image.height != 0)
            std::abort();  // emptied on failure
        return 0;
    }
    if (image.empty() || !imageWithinLimits(image.width, image.height) ||
        image.pixels.size() != static_cast<std::size_t>(image.width) * image.height * 4)
        std::abort();
    // Round trips only for small pictures: the encoders are not what is fuzzed here.
    if (static_cast<std::int64_t>(image.width) * image.height > 64 * 64) return 0;
    for (ImageFormat format :
         {ImageFormat::Bmp, ImageFormat::Jpeg, ImageFormat::Gif, ImageFormat::Tiff, ImageFormat::Png}) {
        const std::vector<std::uint8_t> encoded = encodeImage(image, format);
        if (encoded.empty()) std::abort();
        RgbaImage again;
        if (!decodeImage(encoded, again) || again.width != image.width || again.height != image.height)
            std::abort();
    }
    return 0;
}
