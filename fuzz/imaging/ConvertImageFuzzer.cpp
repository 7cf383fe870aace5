// convertImage of the icon grabber on any bytes (a site's /favicon.ico) into each of its five
// formats, in memory: a conversion that reports success hands over a picture that decodes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "core/Text.h"
#include "platform/imaging/ImageCodec.h"
#include "utilities/siteicon/ImageConversion.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte picks the format (0 and 6.. are refused), the rest is the picture.
    const int format = data[0] % 7;
    const qx::ByteArray source(data + 1, data + size);
    qx::ByteArray output;
    const bool converted = qx::siteicon::convertImage(source, format, qx::Text(), &output);
    if (converted != !output.empty()) std::abort();
    if (converted && (format < 1 || format > 5)) std::abort();
    qx::platform::RgbaImage image;
    if (converted && !qx::platform::decodeImage(output, image)) std::abort();
    return 0;
}
