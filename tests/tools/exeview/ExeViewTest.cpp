// The resource viewer's core: the tree and the views of a PE made by the test, the parts of
// the test's own ELF, and the hex dump.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>
#include <filesystem>
#include <fstream>

#include "common/PeResources.h"
#include "exeview/ExeView.h"
#include "support/PeBuilder.h"

namespace fs = std::filesystem;
using namespace qx::exeview;
using qx::test::PeBuilder;
using qx::tools::ExecutableInfo;

namespace {

const Node* child(const Node& n, const std::string& prefix) {
    for (const Node& c : n.children)
        if (c.label.rfind(prefix, 0) == 0) return &c;
    return nullptr;
}

ExecutableInfo sample() {
    PeBuilder pe;
    pe.add(qx::tools::kRtIcon, 1, 0x804, PeBuilder::dibIcon(32, 0xFFFFFF00));
    pe.add(qx::tools::kRtGroupIcon, 7, 0x804, PeBuilder::groupIcon({{32, 32, 32, 100, 1}}));
    pe.add(qx::tools::kRtVersion, 1, 0x804, PeBuilder::versionInfo(2, 0, 1, 7, {{u"ProductName", u"样例"}}));
    pe.add(qx::tools::kRtVersion, 1, 0x409,
           PeBuilder::versionInfo(2, 0, 1, 7, {{u"ProductName", u"Sample"}}));
    pe.add(qx::tools::kRtString, 1, 0x804, PeBuilder::stringTable({{1, u"确定"}}));
    pe.add(qx::tools::kRtManifest, 1, 0, "<assembly/>");
    pe.addNamed(10, u"DATA", 0,
                std::string("\x00\x01"
                            "ABC",
                            5));
    const fs::path file = fs::temp_directory_path() / ("qx_exeview_" + std::to_string(::getpid()) + ".exe");
    std::ofstream(file, std::ios::binary) << pe.build();
    ExecutableInfo info;
    std::string error;
    EXPECT_TRUE(qx::tools::readExecutable(file.string(), info, error)) << error;
    fs::remove(file);
    return info;
}

std::size_t indexOf(const ExecutableInfo& info, std::uint32_t type, std::uint32_t language = 0xFFFFFFFF) {
    for (std::size_t i = 0; i < info.resources.size(); ++i)
        if (info.resources[i].type == type &&
            (language == 0xFFFFFFFF || info.resources[i].language == language))
            return i;
    return info.resources.size();
}

}  // namespace

TEST(ExeView, TheResourceTreeAndViewsOfAPe) {
    const ExecutableInfo info = sample();
    ASSERT_EQ(info.resources.size(), 7u);
    const Node root = treeOf(info, "样例.exe");
    EXPECT_NE(root.detail.find("资源：7 项"), std::string::npos);
    const Node* version = child(root, "版本信息 (VERSION) (2)");
    ASSERT_NE(version, nullptr);
    ASSERT_EQ(version->children.size(), 1u);
    const Node& entry = version->children[0];
    EXPECT_EQ(entry.label, "#1");
    ASSERT_EQ(entry.children.size(), 2u);
    EXPECT_EQ(entry.children[0].label,
              "英语(美国) 0409  " + std::to_string(info.resources[entry.children[0].resource].data.size()) +
                  " 字节");
    EXPECT_EQ(entry.resource, -1);  // two languages: choose one
    const Node* named = child(root, "自定义数据 (RCDATA) (1)");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->children.at(0).label, "DATA");
    EXPECT_EQ(named->children.at(0).resource, named->children.at(0).children.at(0).resource);

    ResourceView v = viewOf(info, indexOf(info, qx::tools::kRtVersion, 0x804));
    EXPECT_EQ(v.kind, ResourceView::Kind::Text);
    EXPECT_NE(v.text.find("文件版本：2.0.1.7\n"), std::string::npos);
    EXPECT_NE(v.text.find("ProductName：样例\n"), std::string::npos);
    v = viewOf(info, indexOf(info, qx::tools::kRtString));
    EXPECT_NE(v.text.find("\n1：确定\n"), std::string::npos);
    v = viewOf(info, indexOf(info, qx::tools::kRtManifest));
    EXPECT_TRUE(v.text.ends_with("<assembly/>"));
    v = viewOf(info, indexOf(info, qx::tools::kRtGroupIcon));
    ASSERT_EQ(v.kind, ResourceView::Kind::Image);
    ASSERT_EQ(v.icoFiles.size(), 1u);
    QByteArray ico(v.icoFiles[0].data(), static_cast<qsizetype>(v.icoFiles[0].size()));
    QBuffer buffer(&ico);
    buffer.open(QIODevice::ReadOnly);
    QImage image = QImageReader(&buffer, "ico").read();
    EXPECT_EQ(image.size(), QSize(32, 32));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(255, 255, 0));
    v = viewOf(info, indexOf(info, qx::tools::kRtIcon));
    EXPECT_EQ(v.kind, ResourceView::Kind::Image);
    EXPECT_NE(v.text.find("32×32 32位"), std::string::npos);
    v = viewOf(info, indexOf(info, 10));
    EXPECT_EQ(v.kind, ResourceView::Kind::Hex);
    EXPECT_NE(v.text.find("00000000  00 01 41 42 43"), std::string::npos);
    EXPECT_EQ(exportName(info.resources[indexOf(info, 10)]), "10_DATA_0.bin");
    EXPECT_EQ(viewOf(info, 99).kind, ResourceView::Kind::Hex);
}

TEST(ExeView, ThePartsOfAnElf) {
    ExecutableInfo info;
    std::string error;
    ASSERT_TRUE(qx::tools::readExecutable(fs::read_symlink("/proc/self/exe").string(), info, error)) << error;
    const Node root = treeOf(info, "qx_exeview_tests");
    const Node* needed = child(root, "需要的库");
    ASSERT_NE(needed, nullptr);
    bool libc = false;
    for (const Node& n : needed->children) libc |= n.label == "libc.so.6";
    EXPECT_TRUE(libc);
    EXPECT_NE(needed->detail.find("libc.so.6\n"), std::string::npos);
    const Node* sections = child(root, "节 (");
    ASSERT_NE(sections, nullptr);
    EXPECT_NE(child(*sections, ".text"), nullptr);
    EXPECT_NE(child(*sections, ".text")->detail.find("类型：PROGBITS"), std::string::npos);
    EXPECT_NE(child(root, "程序头 ("), nullptr);
    EXPECT_NE(child(root, "注释 ("), nullptr);
    EXPECT_NE(root.detail.find("格式：ELF\n机器：x86_64"), std::string::npos);
}

TEST(ExeView, HexDumpAndLanguages) {
    EXPECT_EQ(hexDump("0123456789abcdefXY"),
              "00000000  30 31 32 33 34 35 36 37  38 39 61 62 63 64 65 66  0123456789abcdef\n"
              "00000010  58 59                                             XY\n");
    const std::string dump = hexDump(std::string(100, '\x01'), 32);
    EXPECT_NE(dump.find("……（只显示前 32 字节，共 100 字节）"), std::string::npos);
    EXPECT_EQ(languageName(0x804), "中文(简体) 0804");
    EXPECT_EQ(languageName(0x1234), "语言 1234");
}
