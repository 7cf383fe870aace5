#include "app/Restart.h"
#include "app/StartUp.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "text/CodePages.h"
#include "platform/system/Files.h"
#include "platform/system/Process.h"
#include "platform/system/VersionRecord.h"

using namespace qx;
using namespace qx::app;
namespace fs = std::filesystem;

TEST(RestartScript, BatchTextIsExact) {
    const Text expected = gbk(u8"@echo off \r\n@ping 127.0.0.1 -n 1 >nul\r\nstart \"\" \"C:\\PROGRA~1\\X.EXE\"\r\ndel Restart.bat");
    EXPECT_EQ(restartScriptBatch("C:\\PROGRA~1\\X.EXE", 1), expected);
    for (int delay : {0, -5}) {
        Text s = restartScriptBatch("p", delay);
        EXPECT_NE(s.find("-n 2 >nul"), std::string::npos) << delay;
    }
    EXPECT_NE(restartScriptBatch("p", 7).find("-n 7 >nul"), std::string::npos);
    // Only the first placeholder is replaced; a path holding the other placeholder stays as given.
    EXPECT_NE(restartScriptBatch(gbk(u8"秒数"), 3).find(gbk(u8"\"秒数\"")), std::string::npos);
}

TEST(RestartScript, PosixScriptQuotesEveryPath) {
    std::string s = restartScriptPosix("/tmp/it's here/a b/x", "/tmp/it's here/a b/Restart.sh", 0);
    EXPECT_EQ(s,
              "#!/bin/sh\nsleep 2\ncd '/tmp/it'\\''s here/a b/' || exit 1\n"
              "setsid '/tmp/it'\\''s here/a b/x' </dev/null >/dev/null 2>&1 &\n"
              "rm -f -- '/tmp/it'\\''s here/a b/Restart.sh'\n");
}

TEST(RestartScript, MissingExecutableDoesNothing) {
    ProgramState state;
    fs::path dir = fs::temp_directory_path() / ("qx-restart-missing-" + std::to_string(getpid()));
    fs::create_directories(dir);
    state.setExecutablePath(platform::fromNativePath((dir / "nothing-here").string()));
    restartSelf(state, 1);  // returns: no file, no script
    EXPECT_FALSE(fs::exists(dir / "Restart.sh"));
    fs::remove_all(dir);
}

TEST(RestartScript, RealRestartFromAPathWithBlanksQuotesAndChinese) {
    fs::path dir = fs::temp_directory_path() / ("qx restart " + std::to_string(getpid())) / u8"程序 'x' 目录";
    fs::create_directories(dir);
    fs::path probe = dir / u8"探针 probe";
    fs::copy_file(QX_RESTART_PROBE, probe, fs::copy_options::overwrite_existing);
    fs::permissions(probe, fs::perms::owner_all, fs::perm_options::add);

    int pid = platform::startDetached(probe.string(), {}, dir.string());
    ASSERT_GT(pid, 0);

    // The probe writes a line, restarts through the script and a second instance writes another.
    std::vector<std::string> lines;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        lines.clear();
        std::ifstream in(dir / "probe.log");
        for (std::string l; std::getline(in, l);) lines.push_back(l);
        if (lines.size() >= 2 && !fs::exists(dir / "Restart.sh")) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0], lines[1]);
    EXPECT_EQ(std::to_string(pid), lines[0]);
    EXPECT_FALSE(fs::exists(dir / "Restart.sh")) << "the script deletes itself";
    // The first instance ended inside restartSelf (gone, or a zombie nobody has reaped yet).
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string statLine;
    std::getline(stat, statLine);
    bool ended = statLine.empty() || statLine.find(") Z ") != std::string::npos;
    EXPECT_TRUE(ended) << statLine;
    fs::remove_all(dir.parent_path());
}

// The built program carries its record in its own section and reads it back from there.
TEST(VersionRecord, TheProgramReadsItsOwnRecord) {
    platform::VersionFields fields;
    ASSERT_TRUE(platform::readVersionRecord(QX_QUORVEX_EXE, fields));
    EXPECT_EQ(fields[0], QX_FILE_VERSION);
    EXPECT_EQ(fields[1], QX_FILE_VERSION);
}

// A program installed where the user cannot write keeps Temp and its scripts in the user's cache
// folder; anywhere else (a build folder, a portable copy) beside itself, as before.
TEST(WorkDirectory, BesideTheProgramOrInTheUsersCache) {
    namespace fs = std::filesystem;
    fs::path base = fs::temp_directory_path() / ("qx_work_" + std::to_string(getpid()));
    fs::remove_all(base);
    fs::create_directories(base / "writable");
    Text writable = platform::fromNativePath((base / "writable").string());
    Text cache = platform::fromNativePath((base / "cache").string());
    EXPECT_EQ(app::chooseWorkDirectory(writable, cache), writable);
    EXPECT_FALSE(fs::exists(base / "cache"));

    Text readOnly = platform::fromNativePath((base / "not-there").string());  // no folder: not writable
    EXPECT_EQ(app::chooseWorkDirectory(readOnly, cache), cache + "/quorvex");
    EXPECT_TRUE(fs::is_directory(base / "cache" / "quorvex"));
    ProgramState state;
    state.setExecutablePath(readOnly + "/quorvex");
    state.workDirectory = cache + "/quorvex";
    EXPECT_TRUE(state.installedReadOnly());
    EXPECT_EQ(state.pathIn("Temp\\a.exe"), cache + "/quorvex/Temp/a.exe");
    EXPECT_EQ(state.exePath(), readOnly + "/quorvex");
    fs::remove_all(base);
}

// The dialogs start in the current directory: the program's own folder when the user can write
// there, else the user's folder.
TEST(StartDirectory, TheRunFolderOnlyWhenWritable) {
    fs::path base = fs::temp_directory_path() / ("qx_start_" + std::to_string(getpid()));
    fs::remove_all(base);
    fs::create_directories(base / "build");
    fs::create_directories(base / "家");
    auto gbkOf = [&](const char* name) { return platform::fromNativePath((base / name).string()); };
    EXPECT_EQ(chooseStartDirectory(gbkOf("build"), gbkOf("家")), gbkOf("build"));
    EXPECT_EQ(chooseStartDirectory(gbkOf("usr-bin-not-there"), gbkOf("家")), gbkOf("家"));
    // No user folder to be had: the run folder, as before.
    EXPECT_EQ(chooseStartDirectory(gbkOf("usr-bin-not-there"), gbkOf("no-home")), gbkOf("usr-bin-not-there"));
    EXPECT_EQ(chooseStartDirectory(gbkOf("usr-bin-not-there"), ""), gbkOf("usr-bin-not-there"));
    fs::remove_all(base);
}
