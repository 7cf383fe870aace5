// The resource editor's round trips over PE files the test builds: each edit is saved as a new
// file, read back by our own reader and by LIEF, and every resource it did not touch must come
// back byte for byte. Damaged resource tables are refused with a message.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "common/PeEditor.h"
#include "common/PeResources.h"
#include "support/PeBuilder.h"

namespace fs = std::filesystem;
using namespace qx::tools;
using qx::test::PeBuilder;

namespace {

using Key = std::tuple<std::uint32_t, std::string, std::uint32_t, std::uint32_t>;
Key keyOf(const PeResource& r) { return {r.type, r.name, r.id, r.language}; }

std::map<Key, std::string> byKey(const std::vector<PeResource>& all) {
    std::map<Key, std::string> out;
    for (const PeResource& r : all) out[keyOf(r)] = r.data;
    return out;
}

std::uint32_t word(const std::string& d, std::size_t at) {
    return static_cast<std::uint32_t>(
        static_cast<unsigned char>(d[at]) | static_cast<unsigned char>(d[at + 1]) << 8 |
        static_cast<unsigned char>(d[at + 2]) << 16 | static_cast<unsigned char>(d[at + 3]) << 24);
}

const std::string kRed = PeBuilder::dibIcon(16, 0xFFFF0000);
const std::string kGreen = PeBuilder::dibIcon(32, 0xFF00FF00);

PeBuilder sample() {
    PeBuilder pe;
    pe.add(kRtIcon, 1, 0x804, kRed);
    pe.add(kRtIcon, 2, 0x804, kGreen);
    pe.add(kRtGroupIcon, 101, 0x804,
           PeBuilder::groupIcon({{16, 16, 32, static_cast<std::uint32_t>(kRed.size()), 1},
                                 {32, 32, 32, static_cast<std::uint32_t>(kGreen.size()), 2}}));
    // A second group shows icon 1 too: replacing group 101 must keep it.
    pe.addNamed(kRtGroupIcon, u"MAINICON", 0x409,
                PeBuilder::groupIcon({{16, 16, 32, static_cast<std::uint32_t>(kRed.size()), 1}}));
    pe.add(kRtVersion, 1, 0x804,
           PeBuilder::versionInfo(1, 2, 3, 4, {{u"CompanyName", u"Quorvex"}, {u"ProductName", u"旧名字"}}));
    pe.add(kRtString, 2, 0x804, PeBuilder::stringTable({{0, u"你好"}}));
    pe.add(kRtManifest, 1, 0x409, "<assembly/>");
    pe.addNamed(10, u"DATA", 0, std::string("\x00\x01\x02", 3));
    return pe;
}

std::size_t find(const std::vector<PeResource>& all, std::uint32_t type, std::uint32_t id) {
    for (std::size_t i = 0; i < all.size(); ++i)
        if (all[i].type == type && all[i].id == id && all[i].name.empty()) return i;
    return all.size();
}

struct EditCase {
    const char* name;
    // Edits the list; returns the keys it changed (and may add or remove others).
    std::function<void(std::vector<PeResource>&)> edit;
    std::function<void(const std::vector<PeResource>&)> check;
};

class PeEditorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qx_peedit_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path p = dir_ / name;
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    fs::path dir_;
};

}  // namespace

TEST_F(PeEditorTest, EditsSaveAsANewFileThatBothReadersReadBack) {
    const std::string original = sample().build();
    const std::string path = write("原始.exe", original);
    const std::string cyan = PeBuilder::dibIcon(32, 0xFF00FFFF), blue = PeBuilder::dibIcon(48, 0xFF0000FF);
    GroupIconEntry first = describeIconImage(cyan), second = describeIconImage(blue);
    first.iconId = 1;
    second.iconId = 2;
    const std::string newIco =
        buildIco({first, second}, [&](std::uint16_t id) { return id == 1 ? &cyan : &blue; });
    const EditCase cases[] = {
        {"version string",
         [](std::vector<PeResource>& all) {
             std::string error;
             std::string& data = all[find(all, kRtVersion, 1)].data;
             ASSERT_TRUE(setVersionString(data, "ProductName", "新名字 2", error)) << error;
             ASSERT_TRUE(setVersionString(data, "FileVersion", "3.1.4.15", error)) << error;
             ASSERT_TRUE(setVersionString(data, "Comments", "added", error)) << error;
         },
         [](const std::vector<PeResource>& all) {
             VersionInfo v;
             ASSERT_TRUE(parseVersionInfo(all[find(all, kRtVersion, 1)].data, v));
             EXPECT_EQ(v.fileVersion, "3.1.4.15");
             EXPECT_EQ(v.productVersion, "1.2.3.4");
             const std::vector<std::pair<std::string, std::string>> want = {{"CompanyName", "Quorvex"},
                                                                            {"ProductName", "新名字 2"},
                                                                            {"FileVersion", "3.1.4.15"},
                                                                            {"Comments", "added"}};
             EXPECT_EQ(v.strings, want);
         }},
        {"icon group",
         [&](std::vector<PeResource>& all) {
             std::string error;
             ASSERT_TRUE(replaceIconGroup(all, find(all, kRtGroupIcon, 101), newIco, error)) << error;
         },
         [&](const std::vector<PeResource>& all) {
             std::vector<GroupIconEntry> group;
             ASSERT_TRUE(parseGroupIcon(all[find(all, kRtGroupIcon, 101)].data, group));
             ASSERT_EQ(group.size(), 2u);
             std::vector<std::pair<GroupIconEntry, std::string>> want;
             ASSERT_TRUE(parseIco(newIco, want));
             for (std::size_t i = 0; i < 2; ++i) {
                 const std::size_t icon = find(all, kRtIcon, group[i].iconId);
                 ASSERT_LT(icon, all.size());
                 EXPECT_EQ(all[icon].data, want[i].second);
                 EXPECT_EQ(all[icon].language, 0x804u);
                 EXPECT_EQ(group[i].width, want[i].first.width);
                 EXPECT_EQ(group[i].bytesInRes, want[i].second.size());
             }
             EXPECT_EQ(all[find(all, kRtIcon, 1)].data, kRed);  // MAINICON still shows it
             EXPECT_EQ(group[0].iconId, 2);  // the old green one went (nobody shows it), its number is free
             EXPECT_EQ(group[1].iconId, 3);
             EXPECT_EQ(all.size(), 9u);
         }},
        {"resource bytes",
         [](std::vector<PeResource>& all) {
             all[find(all, kRtManifest, 1)].data = std::string("\0new\xff", 5);
         },
         [](const std::vector<PeResource>& all) {
             EXPECT_EQ(all[find(all, kRtManifest, 1)].data, std::string("\0new\xff", 5));
         }},
    };
    std::string error;
    std::string image;
    std::vector<PeResource> before;
    ASSERT_TRUE(loadForEditing(path, image, before, error)) << error;
    ASSERT_EQ(image, original);
    ASSERT_EQ(before.size(), 8u);
    for (const EditCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<PeResource> after = before;
        c.edit(after);
        std::string saved;
        ASSERT_TRUE(writePeResources(image, after, saved, error)) << error;
        const std::string out = write(std::string(c.name) + ".exe", saved);
        EXPECT_TRUE(checkWritten(out, after, error)) << error;
        std::string again;
        std::vector<PeResource> read;
        ASSERT_TRUE(loadForEditing(out, again, read, error)) << error;
        c.check(read);
        // Everything the edit did not touch is byte for byte what it was.
        const auto old = byKey(before), now = byKey(read), edited = byKey(after);
        for (const auto& [key, data] : old)
            if (edited.count(key) && edited.at(key) == data) {
                EXPECT_EQ(now.at(key), data);
            }
        // The old file's bytes are all still there; one section more; the checksum holds.
        EXPECT_EQ(saved.compare(0x200, original.size() - 0x200, original, 0x200), 0);
        const std::size_t opt = 0x44 + 20;
        EXPECT_EQ(word(saved, 0x44) >> 16, 2u);
        EXPECT_EQ(word(saved, opt + 64), peChecksum(saved));
        EXPECT_NE(word(saved, opt + 64), 0u);
        // The table's new place follows the old section; the image grows by it.
        const std::uint32_t oldEnd = 0x1000 + ((word(original, opt + 0xE0 + 8) + 0xFFF) & ~0xFFFu);
        EXPECT_EQ(word(saved, opt + 96 + 16), oldEnd);
        EXPECT_EQ(word(saved, opt + 56), oldEnd + ((word(saved, opt + 96 + 20) + 0xFFF) & ~0xFFFu));
        EXPECT_EQ(fs::file_size(path), original.size());  // the open file is left alone
    }
    // Nothing to edit round-trips too: the same resources, rewritten.
    std::string same;
    ASSERT_TRUE(writePeResources(image, before, same, error)) << error;
    EXPECT_TRUE(checkWritten(write("same.exe", same), before, error)) << error;
}

TEST_F(PeEditorTest, DamagedInputIsRefusedWithAMessage) {
    std::string noRoom = sample().build();
    noRoom.replace(0x44 + 20 + 60, 4, std::string("\x68\x01\0\0", 4));  // headers end right after the table
    std::string truncated = sample().build();
    truncated.resize(0x300);
    const std::pair<std::string, std::string> cases[] = {
        {"loop", "资源表已损坏：目录被重复引用（循环）"},
        {"huge", "资源表已损坏：资源数据超出文件范围"},
        {"truncated", "资源表已损坏："},
        {"noise", "这不是有效的 Windows 可执行文件（PE 文件头已损坏）。"},
    };
    const std::map<std::string, std::string> bytes = {
        {"loop", sample().build({.loopingDirectory = true})},
        {"huge", sample().build({.hugeDataEntry = true})},
        {"truncated", truncated},
        {"noise", "MZ" + std::string(300, '\x7f')},
    };
    for (const auto& [name, message] : cases) {
        SCOPED_TRACE(name);
        std::string image, error;
        std::vector<PeResource> resources;
        EXPECT_FALSE(loadForEditing(write(name, bytes.at(name)), image, resources, error));
        EXPECT_EQ(error.rfind(message, 0), 0u) << error;
    }
    std::string image, error, out;
    std::vector<PeResource> resources;
    ASSERT_TRUE(loadForEditing(write("noroom", noRoom), image, resources, error)) << error;
    EXPECT_FALSE(writePeResources(image, resources, out, error));
    EXPECT_EQ(error, "文件头里没有空间再加一个节，无法保存。");
    ASSERT_TRUE(loadForEditing(write("dup", sample().build()), image, resources, error));
    resources.push_back(resources.front());
    EXPECT_FALSE(writePeResources(image, resources, out, error));
    EXPECT_EQ(error, "有两项资源的类型、名称和语言都相同，无法保存。");
    std::string version = "garbage";
    EXPECT_FALSE(setVersionString(version, "ProductName", "x", error));
    EXPECT_EQ(error, "版本信息已损坏，无法修改。");
    EXPECT_FALSE(replaceIconGroup(resources, 0, "not an ico", error));
}
