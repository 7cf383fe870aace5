// The file dialogs' defaults and current-directory rule, and the replace-prompt export flow,
// against the scripted desktop.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "support/SampleLayout.h"
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
    WindowPtr owner = Window::create(test::sampleLayout());
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
    EXPECT_EQ(messages()[0].owner, "SampleWindow");

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

    // A name near the file system's limit still saves: the file written first beside it fits too.
    const std::string longName = std::string(250, 'n') + ".mp3";
    fake.queueFileAnswer(gbkPath(root / longName));
    EXPECT_TRUE(exportWithReplacePrompt(fake, *owner, copy));
    EXPECT_EQ(contentOf(root / longName), "audio");

    ExportRequest move = copy;
    move.transfer = ExportTransfer::Move;
    fake.queueFileAnswer(gbkPath(root / "moved.mp3"));
    EXPECT_TRUE(exportWithReplacePrompt(fake, *owner, move));
    EXPECT_EQ(contentOf(root / "moved.mp3"), "audio");
    EXPECT_FALSE(fs::exists(source));
    EXPECT_EQ(messages().size(), 1u);  // only the question
    // Saved a second time the source is gone: the saved file stays and the user hears why.
    fake.queueFileAnswer(gbkPath(root / "moved.mp3"));
    fake.queueAnswer(MessageAnswer::Yes);
    EXPECT_FALSE(exportWithReplacePrompt(fake, *owner, move));
    EXPECT_EQ(contentOf(root / "moved.mp3"), "audio");
    ASSERT_EQ(messages().size(), 3u);
    EXPECT_EQ(messages()[2].message,
              gbk(u8"保存文件失败：") + gbkPath(source) + gbk(u8"\r\n原因：文件或文件夹不存在"));
    EXPECT_EQ(messages()[2].style, MessageStyle::Ok);
    // A copy whose source is missing neither creates nor harms the target.
    fake.queueFileAnswer(gbkPath(root / "none.mp3"));
    EXPECT_FALSE(exportWithReplacePrompt(fake, *owner, copy));
    EXPECT_FALSE(fs::exists(root / "none.mp3"));
    EXPECT_EQ(messages().size(), 4u);
}

namespace {

// A save that fails: what the target and the source look like afterwards, what the box says.
struct FailedSave {
    const char* what;
    ExportTransfer transfer;
    const char* target;       // below root
    const char* failingPath;  // the path the message names, below root
    const char8_t* reason;
    bool existingTarget;      // a file "old" lies at the target before
    long long fileSizeLimit;  // > 0: writes beyond this many bytes fail (EFBIG), as on a full disk
};

const FailedSave kFailedSaves[] = {
    {"copy into a missing folder", ExportTransfer::Copy, "无/a.mp3", "无/a.mp3", u8"文件或文件夹不存在",
     false, 0},
    {"move into a missing folder", ExportTransfer::Move, "无/a.mp3", "无/a.mp3", u8"文件或文件夹不存在",
     false, 0},
    {"write into a missing folder", ExportTransfer::Write, "无/a.mp3", "无/a.mp3", u8"文件或文件夹不存在",
     false, 0},
    {"copy below a file", ExportTransfer::Copy, "源.mp3/a.mp3", "源.mp3/a.mp3", u8"路径中有一段不是文件夹",
     false, 0},
    {"copy onto a folder", ExportTransfer::Copy, "子目录", "子目录", u8"这是一个文件夹", false, 0},
    {"move onto a folder", ExportTransfer::Move, "子目录", "子目录", u8"这是一个文件夹", false, 0},
    {"copy cut short", ExportTransfer::Copy, "旧.mp3", "旧.mp3", u8"文件太大", true, 4},
    {"write cut short", ExportTransfer::Write, "旧.mp3", "旧.mp3", u8"文件太大", true, 4},
};

class FailedSaves : public FileDialogs, public testing::WithParamInterface<FailedSave> {};

// Writes beyond the limit fail with EFBIG instead of ending the process.
struct FileSizeLimit {
    explicit FileSizeLimit(long long bytes) {
        if (bytes <= 0) return;
        ::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = static_cast<rlim_t>(bytes);
        active = ::setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        if (active) ::setrlimit(RLIMIT_FSIZE, &saved);
    }
    rlimit saved{};
    bool active = false;
};

}  // namespace

TEST_P(FailedSaves, SayWhyAndLoseNothing) {
    const FailedSave& c = GetParam();
    const fs::path source = root / "源.mp3";
    write(source, "the speech");
    if (c.existingTarget) write(root / c.target, "old");
    ExportRequest request;
    request.transfer = c.transfer;
    request.sourcePath = gbkPath(source);
    request.bytes = toBytes("the picture");
    fake.queueFileAnswer(gbkPath(root / c.target));
    fake.queueAnswer(MessageAnswer::Yes);
    {
        FileSizeLimit limit(c.fileSizeLimit);
        EXPECT_FALSE(exportWithReplacePrompt(fake, *owner, request));
    }
    const auto boxes = messages();
    ASSERT_FALSE(boxes.empty());
    EXPECT_EQ(boxes.back().message,
              gbk(u8"保存文件失败：") + gbkPath(root / c.failingPath) + gbk(u8"\r\n原因：") + gbk(c.reason));
    EXPECT_EQ(boxes.back().owner, "SampleWindow");
    EXPECT_EQ(contentOf(source), "the speech");  // the source of a failed move stays
    if (c.existingTarget) {
        EXPECT_EQ(contentOf(root / c.target), "old");
    }
    // Nothing half-written is left beside the target.
    for (const auto& entry : fs::directory_iterator(root))
        EXPECT_EQ(entry.path().filename().string().find(".part-"), std::string::npos) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(All, FailedSaves, testing::ValuesIn(kFailedSaves),
                         [](const testing::TestParamInfo<FailedSave>& info) {
                             return std::to_string(info.index);
                         });
