// Executables read through the child-process parser: a PE made by the test with icons,
// version information, a string table and a manifest; the test's own ELF; hostile files that
// must only fail with a message. Then the resource decoders on damaged bytes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <filesystem>
#include <fstream>
#include <random>

#include "common/Executable.h"
#include "common/PeResources.h"
#include "support/PeBuilder.h"

namespace fs = std::filesystem;
using namespace qx::tools;
using qx::test::PeBuilder;

namespace {

std::string pngIcon(int size, QColor color) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(color);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return bytes.toStdString();
}

std::vector<QImage> decodeIco(const std::string& ico) {
    QByteArray bytes(ico.data(), static_cast<qsizetype>(ico.size()));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "ico");
    std::vector<QImage> out;
    for (int i = 0; i < reader.imageCount(); ++i) {
        reader.jumpToImage(i);
        out.push_back(reader.read());
    }
    return out;
}

class ExecutableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qx_exe 测试_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    static PeBuilder sample() {
        PeBuilder pe;
        const std::string red = PeBuilder::dibIcon(16, 0xFFFF0000);
        const std::string blue = pngIcon(32, QColor(0, 0, 255));
        pe.add(kRtIcon, 1, 0x804, red);
        pe.add(kRtIcon, 2, 0x804, blue);
        pe.add(kRtGroupIcon, 101, 0x804,
               PeBuilder::groupIcon({{16, 16, 32, static_cast<std::uint32_t>(red.size()), 1},
                                     {32, 32, 32, static_cast<std::uint32_t>(blue.size()), 2}}));
        pe.addNamed(kRtGroupIcon, u"MAINICON", 0x409, PeBuilder::groupIcon({{16, 16, 32, 1, 1}}));
        pe.add(kRtVersion, 1, 0x804,
               PeBuilder::versionInfo(1, 2, 3, 4,
                                      {{u"CompanyName", u"Quorvex"}, {u"FileDescription", u"测试 程序"}}));
        pe.add(kRtString, 2, 0x804, PeBuilder::stringTable({{0, u"你好"}, {3, u"world"}}));
        pe.add(kRtManifest, 1, 0x409, "\xEF\xBB\xBF<assembly manifestVersion=\"1.0\"/>");
        return pe;
    }
    fs::path dir_;
};

}  // namespace

TEST_F(ExecutableTest, ResourcesOfAPeMadeByTheTest) {
    ExecutableInfo info;
    std::string error;
    ASSERT_TRUE(readExecutable(write("样例 程序.exe", sample().build()), info, error)) << error;
    EXPECT_EQ(info.kind, ExecutableInfo::Kind::Pe);
    EXPECT_EQ(info.machine, "I386");
    ASSERT_EQ(info.resources.size(), 7u);

    const PeResource* group = findResource(info.resources, kRtGroupIcon, 101);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->language, 0x804u);
    std::vector<GroupIconEntry> entries;
    ASSERT_TRUE(parseGroupIcon(group->data, entries));
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1].width, 32);
    EXPECT_EQ(entries[1].iconId, 2);
    const std::string ico = buildIco(entries, [&](std::uint16_t id) {
        const PeResource* r = findResource(info.resources, kRtIcon, id);
        return r ? &r->data : nullptr;
    });
    std::vector<QImage> images = decodeIco(ico);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].size(), QSize(16, 16));
    EXPECT_EQ(images[0].pixelColor(7, 7), QColor(255, 0, 0));
    EXPECT_EQ(images[1].size(), QSize(32, 32));
    EXPECT_EQ(images[1].pixelColor(20, 3), QColor(0, 0, 255));
    std::vector<std::pair<GroupIconEntry, std::string>> back;
    ASSERT_TRUE(parseIco(ico, back));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].second, findResource(info.resources, kRtIcon, 1)->data);
    EXPECT_EQ(decodeIco(singleIco(entries[0], back[0].second)).at(0).pixelColor(0, 0), QColor(255, 0, 0));

    bool named = false;
    for (const PeResource& r : info.resources) named |= r.type == kRtGroupIcon && r.name == "MAINICON";
    EXPECT_TRUE(named);

    VersionInfo version;
    ASSERT_TRUE(parseVersionInfo(findResource(info.resources, kRtVersion, 1)->data, version));
    EXPECT_EQ(version.fileVersion, "1.2.3.4");
    EXPECT_EQ(version.strings, (std::vector<std::pair<std::string, std::string>>{
                                   {"CompanyName", "Quorvex"}, {"FileDescription", "测试 程序"}}));
    std::vector<std::pair<std::uint32_t, std::string>> strings;
    ASSERT_TRUE(parseStringTable(findResource(info.resources, kRtString, 2)->data, 2, strings));
    EXPECT_EQ(strings, (std::vector<std::pair<std::uint32_t, std::string>>{{16, "你好"}, {19, "world"}}));
    EXPECT_EQ(manifestText(findResource(info.resources, kRtManifest, 1)->data),
              "<assembly manifestVersion=\"1.0\"/>");
}

TEST_F(ExecutableTest, TheNeededLibrariesOfAnElf) {
    ExecutableInfo info;
    std::string error;
    ASSERT_TRUE(readExecutable(fs::read_symlink("/proc/self/exe").string(), info, error)) << error;
    EXPECT_EQ(info.kind, ExecutableInfo::Kind::Elf);
    EXPECT_EQ(info.machine, "x86_64");
    auto has = [](const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    };
    EXPECT_TRUE(has(info.needed, "libc.so.6"));
    EXPECT_TRUE(has(info.needed, "libLIEF.so.0"));
    EXPECT_NE(info.interpreter.find("ld-linux"), std::string::npos);
    std::vector<std::string> sections, segments;
    for (const ElfSection& s : info.sections) sections.push_back(s.name);
    for (const ElfSegment& s : info.segments) segments.push_back(s.type);
    EXPECT_TRUE(has(sections, ".text"));
    EXPECT_TRUE(has(sections, ".dynamic"));
    EXPECT_TRUE(has(segments, "LOAD"));
    bool gnu = false;
    for (const ElfNote& n : info.notes) gnu |= n.name == "GNU";
    EXPECT_TRUE(gnu);
}

TEST_F(ExecutableTest, HostileFilesOnlyFailWithAMessage) {
    const std::string good = sample().build();
    std::mt19937 random(7);
    std::string noise(5000, '\0');
    for (char& c : noise) c = static_cast<char>(random());
    std::string mangled = good;
    for (int i = 0; i < 200; ++i)
        mangled[0x200 + random() % (mangled.size() - 0x200)] = static_cast<char>(random());
    const std::pair<std::string, std::string> cases[] = {
        {"noise", noise},
        {"mz", "MZ" + std::string(100, '\0')},
        {"truncated", good.substr(0, 0x220)},
        {"loop", sample().build({.loopingDirectory = true})},
        {"huge", sample().build({.hugeDataEntry = true})},
        {"mangled", mangled},
        {"empty", ""},
    };
    ReadLimits limits;
    limits.maxSeconds = 10;
    limits.maxMemoryBytes = 1ull << 30;
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        ExecutableInfo info;
        std::string error;
        if (!readExecutable(write(name, bytes), info, error, limits)) {
            EXPECT_FALSE(error.empty());
            continue;
        }
        // Read after all: only what the file really holds.
        std::size_t total = 0;
        for (const PeResource& r : info.resources) total += r.data.size();
        EXPECT_LE(total, bytes.size());
    }
    ExecutableInfo info;
    std::string error;
    EXPECT_FALSE(readExecutable(write("noise", noise), info, error));
    EXPECT_EQ(error, "这不是 Windows 可执行文件（PE）或 ELF 文件。");
    EXPECT_FALSE(readExecutable((dir_ / "missing.exe").string(), info, error));
    EXPECT_EQ(error, "找不到文件“" + (dir_ / "missing.exe").string() + "”。");
    limits.maxFileBytes = 1000;
    EXPECT_FALSE(readExecutable(write("big", good), info, error, limits));
    EXPECT_EQ(error, "文件太大（超过 0 MB），不予解析。");
}

TEST(PeResources, DamagedPayloadsAreRefused) {
    std::vector<GroupIconEntry> group;
    const std::string goodGroup = PeBuilder::groupIcon({{16, 16, 32, 100, 1}, {256, 256, 32, 100, 2}});
    ASSERT_TRUE(parseGroupIcon(goodGroup, group));
    EXPECT_EQ(group[1].width, 256);
    for (std::size_t cut = 0; cut < goodGroup.size(); ++cut)
        EXPECT_FALSE(parseGroupIcon(goodGroup.substr(0, cut), group));
    EXPECT_FALSE(parseGroupIcon(PeBuilder::groupIcon({}), group));
    EXPECT_EQ(buildIco(group, [](std::uint16_t) { return nullptr; }), "");

    std::vector<std::pair<GroupIconEntry, std::string>> images;
    std::string ico = singleIco(group[0], "pixels");
    ASSERT_TRUE(parseIco(ico, images));
    EXPECT_EQ(images[0].second, "pixels");
    ico[18] = '\x7f';  // the image's offset past the end
    EXPECT_FALSE(parseIco(ico, images));

    const std::string version = PeBuilder::versionInfo(1, 0, 0, 0, {{u"A", u"b"}});
    VersionInfo info;
    for (std::size_t cut = 0; cut < version.size(); ++cut)
        parseVersionInfo(version.substr(0, cut), info);  // no crash
    std::string lying = version;
    lying[0] = '\xff';
    lying[1] = '\xff';  // wLength far past the end
    EXPECT_FALSE(parseVersionInfo(lying, info));
    EXPECT_FALSE(parseVersionInfo("", info));

    std::vector<std::pair<std::uint32_t, std::string>> strings;
    const std::string table = PeBuilder::stringTable({{15, u"last"}});
    EXPECT_TRUE(parseStringTable(table, 1, strings));
    EXPECT_FALSE(parseStringTable(table.substr(0, table.size() - 1), 1, strings));
    EXPECT_FALSE(parseStringTable(table, 0, strings));
    EXPECT_EQ(manifestText(std::string("\xFF\xFE<\0a\0>\0", 8)), "<a>");
    EXPECT_EQ(utf16leToUtf8(std::string("\x3D\xD8\x00\xDE\x00\xD8", 6)), "\xF0\x9F\x98\x80\xEF\xBF\xBD");
}

TEST(PeResources, TheChildsAnswerIsCheckedBeforeUse) {
    ExecutableInfo info;
    info.kind = ExecutableInfo::Kind::Elf;
    info.machine = "x86_64";
    info.resources.push_back({3, "", 1, "", 0x804, 936, std::string("\0\1\2", 3)});
    info.needed = {"libc.so.6"};
    info.sections.push_back({".text", "PROGBITS", "AX", 1, 2, 3});
    info.segments.push_back({"LOAD", "R-X", 1, 2, 3, 4});
    info.notes.push_back({"GNU", "BUILD_ID", "abcd"});
    const std::string bytes = serialize(info);
    ExecutableInfo back;
    ASSERT_TRUE(deserialize(bytes, back));
    EXPECT_EQ(serialize(back), bytes);
    for (std::size_t cut = 0; cut < bytes.size(); ++cut)
        EXPECT_FALSE(deserialize(bytes.substr(0, cut), back)) << cut;
    EXPECT_FALSE(deserialize(bytes + "x", back));
    std::string lying = bytes;
    lying[4 + 8 + 6] = '\x7f';  // the resource count far larger than the bytes could hold
    EXPECT_FALSE(deserialize(lying, back));
}
