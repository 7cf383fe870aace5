// The file dialogs' defaults and current-directory rule, and the replace-prompt export flow,
// against the scripted desktop.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "ui/FileDialogs.h"

using namespace qx;
using namespace qx::ui;
namespace fs = std::filesystem;

namespace {

std::string contentOf(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class FileDialogs : public testing::Test {
  protected:
    void SetUp() override {
        // A folder name that is not ASCII: the program's paths are GBK texts, the file system's UTF-8.
        root = fs::temp_directory_path() / ("qx-dialogs-" + std::to_string(::getpid())) / "导出 目录";
        fs::create_directories(root / "子目录");
        saved = fs::current_path();
        fs::current_path(root);
    }
    void TearDown() override {
        fs::current_path(saved);
        fs::remove_all(root.parent_path());
    }
    // The GBK text of a path below root.
    Text gbkPath(const fs::path& p) const { return gbk(std::u8string_view(p.u8string())); }
    void write(const fs::path& p, const std::string& content) {
        std::ofstream(p, std::ios::binary) << content;
    }
    std::vector<test::FakeWindowSystem::MessageCall> messages() const { return fake.messages(); }

    fs::path root, saved;
    test::FakeWindowSystem fake;
    WindowPtr owner = Window::create("WebTesterWindow");
};

}  // namespace

TEST_F(FileDialogs, SaveDialogDefaultsAndTheCurrentDirectory) {
    const Text chosen = gbkPath(root / "子目录" / "a.txt");
    fake.queueFileAnswer(chosen);
    SaveDialogArgs args;
    args.defaultName = gbk(u8"名字.txt");
    args.filterIndex = 0;
    EXPECT_EQ(saveFileDialog(fake, owner.get(), args), chosen);
    // Cancelled, with other arguments given.
    EXPECT_EQ(saveFileDialog(fake, owner.get(), {gbk(u8"/起点"), gbk(u8"另存为"), "", "*.mp3", 2, false}),
              "");

    auto r = fake.fileRequests();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_TRUE(r[0].save);
    EXPECT_EQ(r[0].title, gbk(u8"保存文件"));
    EXPECT_EQ(r[0].filter, gbk(u8"TXT文档(*.txt)|*.txt|所有文件(*.*)|*.*"));
    EXPECT_EQ(r[0].filterIndex, 1);
    EXPECT_EQ(r[0].defaultName, gbk(u8"名字.txt"));
    EXPECT_EQ(r[0].initialDirectory, gbkPath(root));
    EXPECT_EQ(r[1].title, gbk(u8"另存为"));
    EXPECT_EQ(r[1].filter, "*.mp3");
    EXPECT_EQ(r[1].filterIndex, 2);
    EXPECT_EQ(r[1].initialDirectory, gbk(u8"/起点"));
    // Without the keep flag the current directory is the same after OK and after Cancel.
    EXPECT_EQ(fs::current_path(), root);
}

TEST_F(FileDialogs, KeepFlagLeavesTheChosenFolderCurrent) {
    fake.queueFileAnswer(gbkPath(root / "子目录" / "b.png"));
    SaveDialogArgs keep;
    keep.keepDirectory = true;
    EXPECT_FALSE(saveFileDialog(fake, owner.get(), keep).empty());
    EXPECT_EQ(fs::current_path(), root / "子目录");
    EXPECT_EQ(saveFileDialog(fake, owner.get(), keep), "");  // a cancel moves nowhere
    EXPECT_EQ(fs::current_path(), root / "子目录");
}

TEST_F(FileDialogs, OpenDialogDefaults) {
    fake.queueFileAnswer(gbkPath(root / "子目录" / "c.txt"));
    OpenDialogArgs args;
    EXPECT_EQ(openFileDialog(fake, owner.get(), args), gbkPath(root / "子目录" / "c.txt"));
    auto r = fake.fileRequests();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_FALSE(r[0].save);
    EXPECT_EQ(r[0].title, gbk(u8"打开文件"));
    EXPECT_EQ(r[0].filter, gbk(u8"所有文件(*.*)|*.*"));
    EXPECT_EQ(r[0].filterIndex, 1);
    EXPECT_EQ(r[0].defaultName, "");
    EXPECT_EQ(r[0].initialDirectory, gbkPath(root));
    EXPECT_EQ(fs::current_path(), root);
}

TEST_F(FileDialogs, ExportWritesAndAsksBeforeReplacing) {
    ExportRequest request;
    request.filter = "*.*";
    request.keepDirectory = true;
    request.transfer = ExportTransfer::Write;
    request.bytes = toBytes(std::string("\x89PNG\0data", 9));
    const fs::path target = root / "图.png";

    EXPECT_FALSE(exportWithReplacePrompt(fake, *owner, request));  // cancelled: nothing written
    EXPECT_FALSE(fs::exists(target));

    fake.queueFileAnswer(gbkPath(target));
    EXPECT_TRUE(exportWithReplacePrompt(fake, *owner, request));
    EXPECT_EQ(contentOf(target), std::string("\x89PNG\0data", 9));
    EXPECT_TRUE(messages().empty());  // a new file needs no question
    EXPECT_EQ(fake.fileRequests().back().filter, "*.*");
    EXPECT_EQ(fake.fileRequests().back().defaultName, "");

    // It exists now: No leaves it untouched, Yes replaces it.
    request.bytes = toBytes("second");
    fake.queueFileAnswer(gbkPath(target));
    fake.queueAnswer(MessageAnswer::No);
    EXPECT_FALSE(exportWithReplacePrompt(fake, *owner, request));
    EXPECT_EQ(contentOf(target), std::string("\x89PNG\0data", 9));
    ASSERT_EQ(messages().size(), 1u);
    EXPECT_EQ(messages()[0].message, gbk(u8"已存在相似文件，是否替换？"));
    EXPECT_EQ(messages()[0].title, "");
    EXPECT_EQ(messages()[0].style, MessageStyle::YesNoQuestion);
    EXPECT_EQ(messages()[0].owner, "WebTesterWindow");

    fake.queueFileAnswer(gbkPath(target));
    fake.queueAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(exportWithReplacePrompt(fake, *owner, request));
    EXPECT_EQ(contentOf(target), "second");
}

TEST_F(FileDialogs, ExportCopiesAndMoves) {
    const fs::path source = root / "子目录" / "临时.mp3";
    write(source, "audio");
    ExportRequest copy;
    copy.defaultName = "audio.mp3";
    copy.filter = "*.mp3";
    copy.transfer = ExportTransfer::Copy;
    copy.sourcePath = gbkPath(source);
    copy.blankPathIsCancel = true;

    fake.queueFileAnswer(gbk(u8" 　 "));  // only spaces, ASCII and full-width: cancelled
    EXPECT_FALSE(exportWithReplacePrompt(fake, *owner, copy));
    EXPECT_TRUE(messages().empty());

    write(root / "copy.mp3", "old");
    fake.queueFileAnswer(gbkPath(root / "copy.mp3"));
    fake.queueAnswer(MessageAnswer::Yes);
    EXPECT_TRUE(exportWithReplacePrompt(fake, *owner, copy));
    EXPECT_EQ(contentOf(root / "copy.mp3"), "audio");
    EXPECT_TRUE(fs::exists(source));

    ExportRequest move = copy;
    move.transfer = ExportTransfer::Move;
    fake.queueFileAnswer(gbkPath(root / "moved.mp3"));
    EXPECT_TRUE(exportWithReplacePrompt(fake, *owner, move));
    EXPECT_EQ(contentOf(root / "moved.mp3"), "audio");
    EXPECT_FALSE(fs::exists(source));
    // Saved a second time the source is gone: nothing happens and the saved file stays.
    fake.queueFileAnswer(gbkPath(root / "moved.mp3"));
    fake.queueAnswer(MessageAnswer::Yes);
    EXPECT_FALSE(exportWithReplacePrompt(fake, *owner, move));
    EXPECT_EQ(contentOf(root / "moved.mp3"), "audio");
    // A copy whose source is missing neither creates nor harms the target.
    fake.queueFileAnswer(gbkPath(root / "none.mp3"));
    EXPECT_FALSE(exportWithReplacePrompt(fake, *owner, copy));
    EXPECT_FALSE(fs::exists(root / "none.mp3"));
}
