// The icon extractor's core: the icon groups of a PE made by the test, exported as .ico and
// .png and decoded again; icons of a made-up theme (inheritance, hicolor, pixmaps, a loop, a
// missing name); the icon of a desktop entry.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageReader>
#include <filesystem>
#include <fstream>

#include "iconextract/IconExtract.h"
#include "support/PeBuilder.h"

namespace fs = std::filesystem;
using namespace qx::iconextract;
using qx::test::PeBuilder;

namespace {

QImage decodeAs(const std::string& bytes, const char* format, int index = 0) {
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.jumpToImage(index);
    return reader.read();
}

std::string png(int size, QColor color) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes.toStdString();
}

class IconExtractTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qx_icons 图标_" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    void write(const fs::path& p, const std::string& bytes) {
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
    }
    void theme(const std::string& base, const std::string& name, const std::string& inherits,
               const std::vector<std::pair<std::string, int>>& dirs) {
        std::string index = "[Icon Theme]\nName=" + name + "\n";
        if (!inherits.empty()) index += "Inherits=" + inherits + "\n";
        index += "Directories=";
        for (const auto& [d, size] : dirs) index += d + ",";
        index += "\n";
        for (const auto& [d, size] : dirs)
            index += "\n[" + d + "]\nSize=" + std::to_string(size) +
                     "\nType=" + (size ? "Fixed" : "Scalable") + "\n";
        write(dir_ / base / name / "index.theme", index);
    }
    fs::path dir_;
};

}  // namespace

TEST_F(IconExtractTest, IconGroupsOfAPeExportedAndDecoded) {
    PeBuilder pe;
    const std::string green = PeBuilder::dibIcon(16, 0xFF00FF00);
    const std::string blue = png(48, QColor(0, 0, 255));
    pe.add(qx::tools::kRtIcon, 1, 0, green);
    pe.add(qx::tools::kRtIcon, 2, 0, blue);
    pe.add(qx::tools::kRtGroupIcon, 1, 0,
           PeBuilder::groupIcon({{16, 16, 32, static_cast<std::uint32_t>(green.size()), 1},
                                 {48, 48, 32, static_cast<std::uint32_t>(blue.size()), 2},
                                 {32, 32, 32, 100, 9}}));  // names an icon the file lacks
    pe.addNamed(qx::tools::kRtGroupIcon, u"APP/ICON", 0, PeBuilder::groupIcon({{48, 48, 32, 10, 2}}));
    const fs::path file = dir_ / "程序 a.exe";
    write(file, pe.build());

    std::vector<IconSet> sets;
    std::string error;
    ASSERT_TRUE(iconsOfExecutable(file.string(), sets, error)) << error;
    ASSERT_EQ(sets.size(), 2u);
    const IconSet& first = sets[0].label == "#1" ? sets[0] : sets[1];
    const IconSet& named = sets[0].label == "#1" ? sets[1] : sets[0];
    ASSERT_EQ(first.images.size(), 2u);  // the missing icon 9 is left out
    EXPECT_EQ(named.label, "APP/ICON");
    EXPECT_EQ(safeFileName(named.label), "APP_ICON");
    EXPECT_EQ(safeFileName(first.label), "1");

    EXPECT_EQ(decode(first, 0).pixelColor(3, 3), QColor(0, 255, 0));
    EXPECT_EQ(decode(first, 1).size(), QSize(48, 48));
    const std::string ico = icoOf(first);
    EXPECT_EQ(decodeAs(ico, "ico", 0).pixelColor(8, 8), QColor(0, 255, 0));
    EXPECT_EQ(decodeAs(ico, "ico", 1).pixelColor(40, 40), QColor(0, 0, 255));
    std::vector<std::pair<qx::tools::GroupIconEntry, std::string>> stored;
    ASSERT_TRUE(qx::tools::parseIco(ico, stored));
    EXPECT_EQ(stored[1].second, blue);  // the group as stored, byte for byte
    const QImage exported = decodeAs(pngOf(first, 0), "png");
    EXPECT_EQ(exported.size(), QSize(16, 16));
    EXPECT_EQ(exported.pixelColor(15, 15), QColor(0, 255, 0));

    // An ELF has no icons; random bytes are no executable.
    EXPECT_FALSE(iconsOfExecutable(fs::read_symlink("/proc/self/exe").string(), sets, error));
    EXPECT_EQ(error, "这是 Linux 程序（ELF），其中没有图标；可以打开它的 .desktop 文件来取图标。");
    write(dir_ / "noise.dll", std::string(3000, '\x5a'));
    EXPECT_FALSE(iconsOfExecutable((dir_ / "noise.dll").string(), sets, error));
    PeBuilder empty;
    empty.add(10, 1, 0, "data");
    write(dir_ / "empty.exe", empty.build());
    EXPECT_FALSE(iconsOfExecutable((dir_ / "empty.exe").string(), sets, error));
    EXPECT_EQ(error, "这个文件中没有图标。");
}

TEST_F(IconExtractTest, ThemeIconsByNameThroughInheritance) {
    theme("user icons", "Test", "Parent,Loop", {{"16x16/apps", 16}});
    theme("share/icons", "Parent", "", {{"16x16/apps", 16}, {"32x32/apps", 32}, {"scalable/apps", 0}});
    theme("share/icons", "Loop", "Test", {});
    theme("share/icons", "hicolor", "", {{"48x48/apps", 48}});
    write(dir_ / "share/icons/Parent/16x16/apps/editor.png", png(16, Qt::red));
    write(dir_ / "share/icons/Parent/32x32/apps/editor.png", png(32, Qt::red));
    write(dir_ / "share/icons/Parent/scalable/apps/editor.svg", "<svg xmlns='http://www.w3.org/2000/svg'/>");
    write(dir_ / "share/icons/hicolor/48x48/apps/only-hicolor.png", png(48, Qt::blue));
    write(dir_ / "pixmaps/old.xpm", "/* XPM */\nstatic char *x[] = {\"1 1 1 1\", \"a c #FF0000\", \"a\"};\n");

    IconThemes themes;
    themes.theme = "Test";
    themes.baseDirs = {(dir_ / "user icons").string(), (dir_ / "share/icons").string()};
    themes.pixmapDirs = {(dir_ / "pixmaps").string()};

    IconSet set;
    std::string error;
    ASSERT_TRUE(iconOfTheme(themes, "editor", set, error)) << error;
    ASSERT_EQ(set.images.size(), 3u);
    EXPECT_EQ(set.images[0].format, "svg");
    EXPECT_TRUE(decode(set, 0).isNull());  // no preview of a vector icon
    EXPECT_EQ(set.images[1].width, 16);
    EXPECT_EQ(set.images[2].width, 32);
    EXPECT_EQ(decode(set, 2).pixelColor(5, 5), QColor(255, 0, 0));
    // The theme's .ico: its raster sizes as PNG images.
    const std::string ico = icoOf(set);
    std::vector<std::pair<qx::tools::GroupIconEntry, std::string>> images;
    ASSERT_TRUE(qx::tools::parseIco(ico, images));
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(decodeAs(ico, "ico", 1).size(), QSize(32, 32));

    ASSERT_TRUE(iconOfTheme(themes, "only-hicolor", set, error)) << error;
    EXPECT_EQ(set.images.at(0).width, 48);
    ASSERT_TRUE(iconOfTheme(themes, "old", set, error)) << error;
    EXPECT_EQ(set.images.at(0).format, "xpm");
    EXPECT_EQ(decode(set, 0).pixelColor(0, 0), QColor(255, 0, 0));

    EXPECT_FALSE(iconOfTheme(themes, "no-such-icon", set, error));
    EXPECT_EQ(error, "当前图标主题（Test）及其继承的主题中都没有名为“no-such-icon”的图标。");
    EXPECT_FALSE(iconOfTheme(themes, "../../etc/passwd", set, error));
    EXPECT_EQ(error, "图标名称“../../etc/passwd”无效。");
    EXPECT_FALSE(iconOfTheme(themes, "  ", set, error));
    EXPECT_EQ(error, "请输入图标名称。");

    // A desktop entry names its icon by theme name or by path.
    write(dir_ / "app.desktop", "[Desktop Entry]\nType=Application\nName=App\nIcon=editor\n");
    std::string icon;
    ASSERT_TRUE(iconOfDesktopEntry((dir_ / "app.desktop").string(), icon, error));
    EXPECT_EQ(icon, "editor");
    const fs::path direct = dir_ / "share/icons/Parent/32x32/apps/editor.png";
    write(dir_ / "path.desktop", "[Desktop Entry]\nIcon=" + direct.string() + "\n");
    ASSERT_TRUE(iconOfDesktopEntry((dir_ / "path.desktop").string(), icon, error));
    ASSERT_TRUE(iconOfTheme(themes, icon, set, error));
    EXPECT_EQ(set.images.at(0).width, 32);
    write(dir_ / "none.desktop", "[Desktop Entry]\nName=x\n");
    EXPECT_FALSE(iconOfDesktopEntry((dir_ / "none.desktop").string(), icon, error));
    EXPECT_EQ(error, "这个桌面项没有指定图标（Icon=）。");
    write(dir_ / "bad.desktop", "not a desktop entry");
    EXPECT_FALSE(iconOfDesktopEntry((dir_ / "bad.desktop").string(), icon, error));
}
