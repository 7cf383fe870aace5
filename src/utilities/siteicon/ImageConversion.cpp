#include "utilities/siteicon/ImageConversion.h"

#include "platform/imaging/ImageCodec.h"
#include "platform/system/Files.h"
#include "text/Strings.h"

namespace qx::siteicon {

namespace {

struct Encoding {
    platform::ImageFormat format;
    std::string_view extension;
};

constexpr Encoding kEncodings[] = {
    {platform::ImageFormat::Bmp, ".bmp"}, {platform::ImageFormat::Jpeg, ".jpg"},
    {platform::ImageFormat::Gif, ".gif"}, {platform::ImageFormat::Tiff, ".tiff"},
    {platform::ImageFormat::Png, ".png"},
};

}  // namespace

std::string_view imageExtension(int format) {
    return format >= 1 && format <= 5 ? kEncodings[format - 1].extension : std::string_view();
}

bool convertImage(const ByteArray& source, int format, const Text& basePath, ByteArray* output) {
    if (source.size() < 3) return false;
    if (format < 1 || format > 5) return false;
    platform::RgbaImage image;
    if (!platform::decodeImage(source, image)) return false;
    return encodeConvertedImage(image, format, basePath, output);
}

bool encodeConvertedImage(const platform::RgbaImage& image, int format, const Text& basePath,
                          ByteArray* output) {
    if (format < 1 || format > 5) return false;
    const Encoding& encoding = kEncodings[format - 1];
    ByteArray result = platform::encodeImage(image, encoding.format);
    if (result.empty()) return false;
    if (!trim(basePath).empty()) {
        Text path =
            endsWith(basePath, encoding.extension, true) ? basePath : basePath + Text(encoding.extension);
        platform::writeFile(path,
                            std::string_view(reinterpret_cast<const char*>(result.data()), result.size()));
    }
    if (output) *output = std::move(result);
    return true;
}

}  // namespace qx::siteicon
