#include "platform/imaging/ImageCodec.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/imaging/detail/GifEncoder.h"
#include "platform/imaging/detail/IcoDecoder.h"
#include "platform/imaging/detail/PngCodec.h"

namespace qx::platform {

namespace {

bool startsWith(std::span<const std::uint8_t> bytes, const char* magic, std::size_t n) {
    return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

std::uint32_t littleEndian(std::span<const std::uint8_t> b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

// An uncompressed BMP must hold every row it claims. Qt's reader would allocate the whole
// claimed picture first and fill what is missing, so a 60-byte file could cost 64 MB and a second.
bool bmpRowsPresent(std::span<const std::uint8_t> b) {
    if (b.size() < 34 || littleEndian(b, 14, 4) < 40) return true;  // OS/2 headers: left to Qt
    const auto compression = littleEndian(b, 30, 4);
    if (compression != 0 && compression != 3) return true;  // run-length data may be short
    const std::int64_t width = static_cast<std::int32_t>(littleEndian(b, 18, 4));
    const std::int64_t height = static_cast<std::int32_t>(littleEndian(b, 22, 4));
    const std::int64_t bits = littleEndian(b, 28, 2);
    if (width <= 0 || height == 0 || bits == 0) return false;
    const std::int64_t rowBytes = (width * bits + 31) / 32 * 4;
    const std::int64_t needed =
        std::int64_t{littleEndian(b, 10, 4)} + rowBytes * (height < 0 ? -height : height);
    return needed <= static_cast<std::int64_t>(b.size());
}

// Qt's image plugins are objects owned by the thread that first loads them, and our workers are
// plain threads that end: a plugin left to a thread that has ended is torn down wrongly when the
// process exits. So every Qt image call runs on one thread that lives as long as the process.
class QtImageThread {
  public:
    static QtImageThread& instance() {
        static QtImageThread* thread = new QtImageThread;  // never destroyed: it outlives every caller
        return *thread;
    }

    template <typename R>
    R run(std::function<R()> task) {
        auto packaged = std::make_shared<std::packaged_task<R()>>(std::move(task));
        std::future<R> result = packaged->get_future();
        {
            std::lock_guard lock(mutex_);
            queue_.emplace_back([packaged] { (*packaged)(); });
        }
        wake_.notify_one();
        return result.get();
    }

  private:
    QtImageThread() {
        std::thread([this] {
            for (;;) {
                std::function<void()> job;
                {
                    std::unique_lock lock(mutex_);
                    wake_.wait(lock, [this] { return !queue_.empty(); });
                    job = std::move(queue_.front());
                    queue_.pop_front();
                }
                job();
            }
        }).detach();
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> queue_;
};

const char* qtFormatOf(ImageKind kind) {
    switch (kind) {
        case ImageKind::Jpeg:
            return "jpeg";
        case ImageKind::Gif:
            return "gif";
        case ImageKind::Bmp:
            return "bmp";
        case ImageKind::Tiff:
            return "tiff";
        default:
            return nullptr;
    }
}

// The formats Qt reads for us, with the size checked before the pixels are read.
bool decodeWithQt(std::span<const std::uint8_t> bytes, ImageKind kind, RgbaImage& out,
                  const ImageLimits& limits) {
    QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::ReadOnly)) return false;
    QImageReader reader(&buffer, qtFormatOf(kind));
    reader.setAutoTransform(false);
    reader.setAllocationLimit(static_cast<int>(kMaxImagePixels * 4 / (1024 * 1024)));
    QSize size = reader.size();
    if (size.isValid() && !imageWithinLimits(size.width(), size.height(), limits)) return false;
    // A tighter limit holds only for a size known before the pixels are read.
    if (!size.isValid() && limits.maxPixels < kMaxImagePixels) return false;
    QImage image;
    if (!reader.read(&image) || image.isNull()) return false;
    if (!imageWithinLimits(image.width(), image.height(), limits)) return false;
    image = image.convertToFormat(QImage::Format_RGBA8888);
    if (image.isNull()) return false;
    out.width = image.width();
    out.height = image.height();
    const std::size_t stride = std::size_t(out.width) * 4;
    out.pixels.resize(stride * std::size_t(out.height));
    for (int y = 0; y < out.height; ++y)
        std::memcpy(out.pixels.data() + stride * std::size_t(y), image.constScanLine(y), stride);
    return true;
}

std::vector<std::uint8_t> encodeWithQt(const RgbaImage& image, const char* format, bool keepAlpha) {
    const QImage view(image.pixels.data(), image.width, image.height, image.width * 4,
                      QImage::Format_RGBA8888);
    QImage source = keepAlpha ? view.copy() : view.convertToFormat(QImage::Format_RGB888);
    if (source.isNull()) return {};
    QByteArray data;
    QBuffer buffer(&data);
    if (!buffer.open(QIODevice::WriteOnly)) return {};
    QImageWriter writer(&buffer, format);
    if (std::strcmp(format, "tiff") == 0) writer.setCompression(1);  // LZW
    if (!writer.write(source)) return {};
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

}  // namespace

bool imageWithinLimits(std::int64_t width, std::int64_t height, const ImageLimits& limits) {
    return width >= 1 && height >= 1 && width <= kMaxImageSide && height <= kMaxImageSide &&
           width * height <= kMaxImagePixels && width <= limits.maxSide && height <= limits.maxSide &&
           width * height <= limits.maxPixels;
}

ImageKind sniffImage(std::span<const std::uint8_t> bytes) {
    if (startsWith(bytes, "\x89PNG\r\n\x1A\n", 8)) return ImageKind::Png;
    if (startsWith(bytes, "\xFF\xD8\xFF", 3)) return ImageKind::Jpeg;
    if (startsWith(bytes, "GIF87a", 6) || startsWith(bytes, "GIF89a", 6)) return ImageKind::Gif;
    if (startsWith(bytes, "BM", 2) && bytes.size() >= 26) return ImageKind::Bmp;
    if (startsWith(bytes, "II*\0", 4) || startsWith(bytes, "MM\0*", 4)) return ImageKind::Tiff;
    if (detail::looksLikeIco(bytes)) return ImageKind::Ico;
    return ImageKind::Unknown;
}

namespace {

// A JPEG's size from its first start-of-frame segment.
bool jpegHeaderSize(std::span<const std::uint8_t> b, std::int64_t& width, std::int64_t& height) {
    std::size_t at = 2;
    while (at + 4 <= b.size()) {
        if (b[at] != 0xFF) return false;
        const std::uint8_t marker = b[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {  // no length
            at += 2;
            continue;
        }
        const std::size_t length = std::size_t(b[at + 2]) << 8 | b[at + 3];
        const bool startOfFrame =
            marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (startOfFrame) {
            if (at + 9 > b.size() || length < 7) return false;
            height = std::int64_t(b[at + 5]) << 8 | b[at + 6];
            width = std::int64_t(b[at + 7]) << 8 | b[at + 8];
            return true;
        }
        if (marker == 0xDA || length < 2) return false;  // image data before any frame header
        at += 2 + length;
    }
    return false;
}

}  // namespace

bool headerImageSize(std::span<const std::uint8_t> bytes, std::int64_t& width, std::int64_t& height) {
    switch (sniffImage(bytes)) {
        case ImageKind::Png:
            return detail::pngHeaderSize(bytes, width, height);
        case ImageKind::Jpeg:
            return jpegHeaderSize(bytes, width, height);
        case ImageKind::Ico:
            return detail::icoLargestFrameSize(bytes, width, height);
        case ImageKind::Gif:
            if (bytes.size() < 10) return false;
            width = littleEndian(bytes, 6, 2);
            height = littleEndian(bytes, 8, 2);
            return true;
        case ImageKind::Bmp:
            if (littleEndian(bytes, 14, 4) < 40) {  // OS/2: 16-bit sides
                width = littleEndian(bytes, 18, 2);
                height = littleEndian(bytes, 20, 2);
            } else {
                const std::int64_t h = static_cast<std::int32_t>(littleEndian(bytes, 22, 4));
                width = static_cast<std::int32_t>(littleEndian(bytes, 18, 4));
                height = h < 0 ? -h : h;
            }
            return true;
        default:
            return false;
    }
}

bool imageExceedsLimits(std::span<const std::uint8_t> bytes, const ImageLimits& limits) {
    std::int64_t width = 0, height = 0;
    switch (ImageKind kind = sniffImage(bytes)) {
        case ImageKind::Ico:
            // An icon exceeds them only when none of its frames fits.
            return detail::icoHasFrameWithin(bytes, kDecoderLimits) &&
                   !detail::icoHasFrameWithin(bytes, limits);
        case ImageKind::Tiff:
            return QtImageThread::instance().run<bool>([&] {
                QByteArray data = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<qsizetype>(bytes.size()));
                QBuffer buffer(&data);
                if (!buffer.open(QIODevice::ReadOnly)) return false;
                const QSize size = QImageReader(&buffer, qtFormatOf(kind)).size();
                return size.isValid() && !imageWithinLimits(size.width(), size.height(), limits);
            });
        default:
            return headerImageSize(bytes, width, height) && !imageWithinLimits(width, height, limits);
    }
}

bool decodeImage(std::span<const std::uint8_t> bytes, RgbaImage& out, const ImageLimits& limits) {
    out = {};
    bool ok = false;
    switch (ImageKind kind = sniffImage(bytes)) {
        case ImageKind::Png:
            ok = detail::decodePng(bytes, out, limits);
            break;
        case ImageKind::Ico:
            ok = detail::decodeIco(bytes, out, limits);
            break;
        case ImageKind::Bmp:
            if (!bmpRowsPresent(bytes)) break;
            [[fallthrough]];
        case ImageKind::Jpeg:
        case ImageKind::Gif:
        case ImageKind::Tiff:
            ok = QtImageThread::instance().run<bool>([&] { return decodeWithQt(bytes, kind, out, limits); });
            break;
        case ImageKind::Unknown:
            break;
    }
    if (!ok) out = {};
    return ok;
}

std::vector<std::uint8_t> encodeImage(const RgbaImage& image, ImageFormat format) {
    if (image.empty() || !imageWithinLimits(image.width, image.height) ||
        image.pixels.size() != std::size_t(image.width) * std::size_t(image.height) * 4)
        return {};
    switch (format) {
        case ImageFormat::Png:
            return detail::encodePng(image);
        case ImageFormat::Gif:
            return detail::encodeGif(image);
        case ImageFormat::Bmp:
        case ImageFormat::Jpeg:
        case ImageFormat::Tiff:
            break;
    }
    const char* name = format == ImageFormat::Bmp ? "bmp" : format == ImageFormat::Jpeg ? "jpeg" : "tiff";
    return QtImageThread::instance().run<std::vector<std::uint8_t>>(
        [&] { return encodeWithQt(image, name, format == ImageFormat::Tiff); });
}

}  // namespace qx::platform
