#include "platform/imaging/ImageSize.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

namespace qx::platform {
namespace {

ImageSize measure(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead()) return {};
    // Most formats tell their size from the header: refuse a huge claim before decoding. The
    // others are decoded under the readers' own allocation limit.
    const QSize claimed = reader.size();
    if (claimed.isValid()) {
        if (claimed.width() <= 0 || claimed.height() <= 0) return {};
        if (static_cast<long long>(claimed.width()) * claimed.height() > kMaxMeasuredPixels) return {};
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) return {};
    if (static_cast<long long>(image.width()) * image.height() > kMaxMeasuredPixels) return {};
    return {image.width(), image.height()};
}

}  // namespace

ImageSize imageSize(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) return {};
    // The bytes come from a server: they are measured as they are, never taken for a file name
    // (an answer naming a local file must not make the program read it). A view on the bytes:
    // nothing is copied.
    return measure(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<qsizetype>(bytes.size())));
}

int imageWidth(const std::vector<std::uint8_t>& bytes) { return imageSize(bytes).width; }

int imageHeight(const std::vector<std::uint8_t>& bytes) { return imageSize(bytes).height; }

}  // namespace qx::platform
