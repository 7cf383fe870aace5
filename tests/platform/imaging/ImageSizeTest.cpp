#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/imaging/ImageSize.h"
#include "platform/text/CodePage.h"
#include "support/PngBytes.h"

using namespace qx::platform;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes bytesOf(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes encoded(int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format)) << format;
    return Bytes(data.begin(), data.end());
}

struct TempDir {
    fs::path path = fs::temp_directory_path() / ("qx-imaging-" + std::to_string(::getpid()));
    TempDir() { fs::create_directories(path); }
    ~TempDir() { fs::remove_all(path); }
};

void expectSize(const Bytes& bytes, int width, int height, const std::string& what) {
    EXPECT_EQ(imageWidth(bytes), width) << what;
    EXPECT_EQ(imageHeight(bytes), height) << what;
}

}  // namespace

TEST(ImageSize, MeasuresEveryFormatTheReadersKnow) {
    expectSize(bytesOf(qx::test::pngBytes(16, 16, 1000)), 16, 16, "png");
    expectSize(bytesOf(qx::test::pngBytes(3, 200)), 3, 200, "tall png");
    for (const char* format : {"BMP", "JPEG", "ICO", "TIFF"})
        expectSize(encoded(40, 24, format), 40, 24, format);
    // The readers cannot write GIF: a one-pixel file made by hand.
    const char gif[] =
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00!\xf9\x04\x01\x00\x00\x00\x00"
        ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;";
    expectSize(Bytes(gif, gif + sizeof gif - 1), 1, 1, "GIF");
}

TEST(ImageSize, NotAnImageGivesZero) {
    expectSize({}, 0, 0, "empty");
    expectSize(bytesOf("<html><body>not a picture</body></html>"), 0, 0, "text");
    expectSize(bytesOf(std::string("\0\0\0\0binary", 10)), 0, 0, "binary");
    std::string png = qx::test::pngBytes(16, 16);
    expectSize(bytesOf(png.substr(0, 8)), 0, 0, "signature only");
    expectSize(bytesOf(png.substr(0, png.size() / 2)), 0, 0, "cut short");
    std::string corrupt = png;
    corrupt[40] ^= 0x55;  // inside the compressed data: its checksum fails
    expectSize(bytesOf(corrupt), 0, 0, "corrupt data");
}

TEST(ImageSize, HugeClaimsAreRefusedFromTheHeader) {
    expectSize(bytesOf(qx::test::pngClaiming(100000, 100000)), 0, 0, "100000 x 100000");
    expectSize(bytesOf(qx::test::pngClaiming(0x7FFFFFFF, 1)), 0, 0, "2^31 wide");
    // Our own limit, not the readers' allocation limit, refuses them: with the readers' limit
    // lifted a real image just past ours is still refused, one just within it is measured.
    const int readersLimit = QImageReader::allocationLimit();
    QImageReader::setAllocationLimit(0);
    expectSize(bytesOf(qx::test::pngBytes(8193, 4096)), 0, 0, "just past the pixel limit");
    expectSize(bytesOf(qx::test::pngBytes(8192, 4096)), 8192, 4096, "at the pixel limit");
    expectSize(bytesOf(qx::test::pngClaiming(100000, 100000)), 0, 0,
               "100000 x 100000, readers' limit lifted");
    QImageReader::setAllocationLimit(readersLimit);
}

// Bytes from a server are measured as bytes: an answer that spells the path of a local picture
// (with or without a zero byte after it) is no picture, and no file is read.
TEST(ImageSize, BytesNamingAFileAreNoImage) {
    TempDir dir;
    const fs::path file = dir.path / "图标.png";
    std::ofstream(file, std::ios::binary) << qx::test::pngBytes(5, 7);
    const std::string gbkPath = encodeCodePage(utf8ToUtf16(file.string()), 936);
    expectSize(bytesOf(gbkPath), 0, 0, "path");
    expectSize(bytesOf(gbkPath + std::string("\0trailing", 9)), 0, 0, "path, zero byte");
    expectSize(bytesOf(file.string() + std::string(1, '\0')), 0, 0, "UTF-8 path, zero byte");
    expectSize(bytesOf("/dev/zero"), 0, 0, "device");
}
