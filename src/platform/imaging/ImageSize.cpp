#include "platform/imaging/ImageSize.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/system/Files.h"

namespace qx::platform {
namespace {

constexpr std::size_t kMaxPathBytes = 4096;

// The file the bytes name, when they name a regular file of bounded size. A device or a pipe is
// never opened; the descriptor is opened without blocking and checked again before a byte is
// read, so one put in the file's place after the first check is not read either.
bool readNamedFile(const std::vector<std::uint8_t>& bytes, QByteArray& content) {
    const auto* data = reinterpret_cast<const char*>(bytes.data());
    const std::size_t length = strnlen(data, bytes.size());
    if (length == 0 || length > kMaxPathBytes) return false;
    const std::string path = toNativePath(std::string_view(data, length));
    struct stat named {};
    if (::stat(path.c_str(), &named) != 0 || !S_ISREG(named.st_mode)) return false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size >= 0 &&
              static_cast<std::size_t>(info.st_size) <= kMaxImageFileBytes;
    if (ok) {
        content.resize(static_cast<qsizetype>(info.st_size));
        qsizetype done = 0;
        while (done < content.size()) {
            const ssize_t n =
                ::read(fd, content.data() + done, static_cast<std::size_t>(content.size() - done));
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += n;
        }
        content.resize(done);
    }
    ::close(fd);
    return ok;
}

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
    QByteArray file;
    if (readNamedFile(bytes, file)) return measure(file);
    // A view on the bytes: nothing is copied.
    return measure(QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                           static_cast<qsizetype>(bytes.size())));
}

int imageWidth(const std::vector<std::uint8_t>& bytes) { return imageSize(bytes).width; }

int imageHeight(const std::vector<std::uint8_t>& bytes) { return imageSize(bytes).height; }

}  // namespace qx::platform
