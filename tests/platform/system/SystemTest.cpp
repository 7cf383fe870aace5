#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/system/Files.h"
#include "platform/system/InputMethod.h"
#include "platform/system/Process.h"
#include "platform/system/Random.h"
#include "platform/system/VersionRecord.h"
#include "text/CodePages.h"
#include "text/TextUtilities.h"

using namespace qx;
namespace fs = std::filesystem;

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qx-sys 测试-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        gbkDir_ = platform::fromNativePath(dir_.string());
    }
    void TearDown() override { fs::remove_all(dir_); }
    Text in(const char* utf8Name) { return gbkDir_ + "/" + gbk(utf8Name); }
    fs::path dir_;
    Text gbkDir_;
};

TEST_F(TempDir, FilesWithGbkNamesAreWrittenReadAndListed) {
    EXPECT_TRUE(platform::writeFile(in("a.exe"), "one"));
    EXPECT_TRUE(platform::writeFile(in("中文.EXE"), "two"));
    EXPECT_TRUE(platform::writeFile(in("b.txt"), "x"));
    EXPECT_TRUE(platform::createDirectory(in("sub.exe")));
    EXPECT_FALSE(platform::createDirectory(in("sub.exe")));  // exists already
    EXPECT_TRUE(platform::writeFile(in("sub.exe/inner.exe"), "x"));
    EXPECT_TRUE(fs::exists(dir_ / u8"中文.EXE"));

    TextArray found = listFiles(gbkDir_, "*.exe");
    std::sort(found.begin(), found.end());
    // Folders match by name too, as the system listing returns them; nothing below is entered.
    TextArray expected = {in("a.exe"), in("sub.exe"), in("中文.EXE")};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected);
    EXPECT_EQ(listFiles(gbkDir_ + "/", "b.*"), (TextArray {in("b.txt")}));

    std::string bytes;
    EXPECT_TRUE(platform::readFile(in("中文.EXE"), bytes));
    EXPECT_EQ(bytes, "two");
    EXPECT_TRUE(platform::writeFile(in("中文.EXE"), "3"));  // replaces
    EXPECT_EQ(platform::fileSize(in("中文.EXE")), 1);
    EXPECT_TRUE(platform::moveFile(in("a.exe"), in("moved")));
    EXPECT_FALSE(platform::fileExists(in("a.exe")));
    EXPECT_TRUE(platform::copyFile(in("moved"), in("copy")));
    EXPECT_TRUE(platform::deleteFile(in("copy")));
    EXPECT_FALSE(platform::deleteFile(in("copy")));
    EXPECT_FALSE(platform::readFile(in("none"), bytes));
}

TEST(Wildcard, StarQuestionAndCase) {
    EXPECT_TRUE(platform::wildcardMatch("*.exe", "Temp_ViewWizard 2.8.0.exe"));
    EXPECT_TRUE(platform::wildcardMatch("*.exe", "X.EXE"));
    EXPECT_FALSE(platform::wildcardMatch("*.exe", "x.exe.txt"));
    EXPECT_TRUE(platform::wildcardMatch("a?c*", "abcdef"));
    EXPECT_TRUE(platform::wildcardMatch("*", ""));
    EXPECT_FALSE(platform::wildcardMatch("?", ""));
}

TEST_F(TempDir, VersionRecordIsFoundInsideAnyFile) {
    platform::VersionFields f;
    f[0] = "1.0.0.17";
    f[3] = "Quorvex";
    std::string blob(5000, 'x');
    blob += platform::makeVersionRecord(f);
    blob += std::string(100, '\0');
    ASSERT_TRUE(platform::writeFile(in("prog"), blob));
    platform::VersionFields read;
    ASSERT_TRUE(platform::readVersionRecord(in("prog"), read));
    EXPECT_EQ(read, f);
    ASSERT_TRUE(platform::writeFile(in("plain"), "no record"));
    EXPECT_FALSE(platform::readVersionRecord(in("plain"), read));
    EXPECT_FALSE(platform::readVersionRecord(in("missing"), read));
    EXPECT_STREQ(platform::versionFieldNames()[0], "FileVersion");

    // A record straddling the 1 MiB read windows, in a file of several windows.
    std::string big((1 << 20) - 10, 'y');
    big += platform::makeVersionRecord(f) + std::string(3u << 20, 'z');
    ASSERT_TRUE(platform::writeFile(in("big"), big));
    ASSERT_TRUE(platform::readVersionRecord(in("big"), read));
    EXPECT_EQ(read, f);
    // An ELF header whose section table points past the end: no crash, the scan still finds it.
    std::string elf = "\x7f" "ELF\x02\x01\x01" + std::string(57, '\xff') + blob;
    ASSERT_TRUE(platform::writeFile(in("elf"), elf));
    ASSERT_TRUE(platform::readVersionRecord(in("elf"), read));
    EXPECT_EQ(read, f);
    EXPECT_FALSE(platform::readVersionRecord(in(""), read));  // a folder is no executable
}

TEST(RandomNumbers, RepeatableFromASeedAndWithinBounds) {
    platform::seedRandom(42);
    std::vector<int> first;
    for (int i = 0; i < 50; ++i) first.push_back(platform::randomInt(1, 3));
    platform::seedRandom(42);
    std::set<int> seen;
    for (int i = 0; i < 50; ++i) {
        int v = platform::randomInt(1, 3);
        EXPECT_EQ(v, first[i]);
        seen.insert(v);
    }
    EXPECT_EQ(seen, (std::set<int> {1, 2, 3}));
    EXPECT_EQ(platform::randomInt(5, 1), 5);
}

TEST_F(TempDir, DetachedStartReportsOnlyAProgramThatRuns) {
    // A blank and Chinese in the folder name; a program that cannot run, or a missing working
    // folder, gives -1.
    const fs::path marker = dir_ / "started";
    int pid = platform::startDetached(
        "sh", {"-c", "pwd > \"$0.tmp\" && mv \"$0.tmp\" \"$0\"", marker.string()}, dir_.string());
    EXPECT_GT(pid, 0);
    EXPECT_NE(pid, getpid());
    EXPECT_EQ(platform::startDetached((dir_ / "no such program").string(), {}), -1);
    EXPECT_EQ(platform::startDetached("sh", {"-c", "true"}, (dir_ / "no such folder").string()), -1);
    for (int i = 0; i < 1000 && !fs::exists(marker); ++i) usleep(10000);
    std::ifstream in(marker);
    std::string written;
    std::getline(in, written);
    EXPECT_EQ(written, dir_.string());
}

// Without a machine id, libdbus would end the process inside Qt's ibus module: the module is
// swapped for the compose one, and only then.
TEST(InputMethod, IbusIsAvoidedOnlyWhereNoMachineIdCanBeRead) {
    const fs::path dir = fs::temp_directory_path() / ("qx_machine_id_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "good") << "0123456789abcdef0123456789abcdef\n";
    std::ofstream(dir / "empty");
    const std::string good = (dir / "good").string(), empty = (dir / "empty").string();
    const std::string missing = (dir / "missing").string();
    struct Row {
        const char* module;
        std::vector<std::string> files;
        const char* after;
    } rows[] = {
        {"ibus", {missing, empty}, "compose"},
        {"ibus", {missing, good}, "ibus"},
        {"fcitx", {missing}, "fcitx"},
        {"", {missing}, ""},
    };
    for (const Row& row : rows) {
        ::setenv("QT_IM_MODULE", row.module, 1);
        const std::string note = platform::avoidInputMethodWithoutMachineId(row.files);
        EXPECT_EQ(std::getenv("QT_IM_MODULE"), std::string(row.after)) << row.module;
        EXPECT_EQ(note.empty(), std::string(row.module) == row.after) << row.module;
    }
    ::unsetenv("QT_IM_MODULE");
    fs::remove_all(dir);
}

// Where the user keeps files: the documents folder the desktop's user-dirs names, when it is a
// folder of its own; else the home folder.
TEST_F(TempDir, UserFilesDirectoryFollowsTheUserDirs) {
    struct Case {
        const char* userDirs;  // the line in user-dirs.dirs; nullptr: no such file
        bool makeDocuments;
        const char* expected;  // below the home folder
    };
    const Case cases[] = {
        {nullptr, true, ""},
        {"XDG_DOCUMENTS_DIR=\"$HOME/文档\"", true, "/文档"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/文档\"", false, ""},  // named but not there
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"", true, ""},       // a desktop without one sets the home
        {"XDG_DESKTOP_DIR=\"$HOME/文档\"", true, ""},
    };
    const char* homeBefore = std::getenv("HOME");
    const char* configBefore = std::getenv("XDG_CONFIG_HOME");
    const std::string savedHome = homeBefore ? homeBefore : "",
                      savedConfig = configBefore ? configBefore : "";
    const fs::path home = dir_ / "家";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    for (const Case& c : cases) {
        fs::remove_all(home);
        fs::create_directories(home / ".config");
        if (c.makeDocuments) fs::create_directories(home / "文档");
        if (c.userDirs)
            std::ofstream(home / ".config" / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                               << c.userDirs << "\n";
        EXPECT_EQ(platform::userFilesDirectory(), platform::fromNativePath(home.string() + c.expected))
            << (c.userDirs ? c.userDirs : "no user-dirs");
    }
    // XDG_CONFIG_HOME says where user-dirs.dirs lies; an absolute folder needs no $HOME.
    fs::create_directories(dir_ / "config");
    std::ofstream(dir_ / "config" / "user-dirs.dirs")
        << "XDG_DOCUMENTS_DIR=\"" << (dir_ / "别处").string() << "\"\n";
    fs::create_directories(dir_ / "别处");
    ::setenv("XDG_CONFIG_HOME", (dir_ / "config").c_str(), 1);
    EXPECT_EQ(platform::userFilesDirectory(), platform::fromNativePath((dir_ / "别处").string()));

    savedHome.empty() ? ::unsetenv("HOME") : ::setenv("HOME", savedHome.c_str(), 1);
    savedConfig.empty() ? ::unsetenv("XDG_CONFIG_HOME") : ::setenv("XDG_CONFIG_HOME", savedConfig.c_str(), 1);
}
