// /proc reading and ending processes by identity: real child processes, and a made-up /proc
// with entries that are damaged, unreadable or odd.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "common/Processes.h"
#include "support/ChildProcess.h"

namespace fs = std::filesystem;
using namespace qx::tools;
using qx::test::ChildProcess;

namespace {

const ProcessInfo* find(const std::vector<ProcessInfo>& all, int pid) {
    for (const ProcessInfo& p : all)
        if (p.pid == pid) return &p;
    return nullptr;
}

std::string statLine(int pid, const std::string& name, int ppid, unsigned long long start) {
    std::string s = std::to_string(pid) + " (" + name + ") S " + std::to_string(ppid);
    for (int i = 0; i < 17; ++i) s += " 0";
    return s + " " + std::to_string(start) + " 0 0\n";
}

class FakeProc : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("qx_fakeproc_" + std::to_string(getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_);
    }
    void TearDown() override { fs::remove_all(root_); }
    void add(int pid, const std::string& file, const std::string& content) {
        fs::create_directories(root_ / std::to_string(pid));
        std::ofstream(root_ / std::to_string(pid) / file, std::ios::binary) << content;
    }
    fs::path root_;
};

}  // namespace

TEST(Processes, ListsARealChildWithItsNameUserCommandLineAndExecutable) {
    ChildProcess child({"sh", "-c", "while :; do sleep 0.1; done", "an argument with blanks"});
    ASSERT_GT(child.pid(), 0);
    // The child may still be between fork and exec for a moment.
    const ProcessInfo* p = nullptr;
    std::vector<ProcessInfo> all;
    for (int i = 0; i < 500; ++i) {
        all = listProcesses();
        p = find(all, child.pid());
        if (p && p->name == "sh" && !p->commandLine.empty()) break;
        usleep(10000);
    }
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->name, "sh");
    EXPECT_EQ(p->parentPid, getpid());
    EXPECT_EQ(p->uid, getuid());
    EXPECT_EQ(p->user, userName(getuid()));
    EXPECT_EQ(p->commandLine, "sh -c \"while :; do sleep 0.1; done\" \"an argument with blanks\"");
    EXPECT_EQ(fs::canonical(p->executable), fs::canonical("/bin/sh"));
    EXPECT_GT(p->memoryBytes, 0);
    EXPECT_GT(p->startTime, 0u);
    ASSERT_NE(find(all, getpid()), nullptr);
    EXPECT_TRUE(isOwnProcess(*find(all, getpid())));

    EXPECT_EQ(filterByName(all, "QX_TOOL").size(), filterByName(all, "qx_tool").size());
    EXPECT_NE(find(filterByName(all, "QX_tool_COMMON"), getpid()), nullptr);
    EXPECT_NE(find(filterByName(all, "S"), child.pid()), nullptr);
    EXPECT_EQ(find(filterByName(all, "no process has this name"), child.pid()), nullptr);
}

TEST(Processes, EndsOnlyTheProcessItListedAndTellsWhenItIsGone) {
    ChildProcess child({"sleep", "30"});
    ProcessInfo p;
    ASSERT_TRUE(readProcess(child.pid(), p));
    // The same pid with another start time is another process: it is never signalled.
    ProcessInfo other = p;
    other.startTime += 1;
    EXPECT_EQ(signalProcess(other, SIGTERM), EndResult::Gone);
    usleep(20000);
    ASSERT_TRUE(readProcess(child.pid(), p));

    ProcessHandle h;
    ASSERT_EQ(h.open(p), EndResult::Sent);
    EXPECT_FALSE(h.hasEnded());
    EXPECT_EQ(h.signal(SIGTERM), EndResult::Sent);
    EXPECT_TRUE(h.waitEnded(std::chrono::seconds(10)));  // a zombie counts as ended
    const int status = child.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_EQ(signalProcess(p, SIGTERM), EndResult::Gone);
    ProcessInfo none;
    none.pid = 0;
    EXPECT_EQ(signalProcess(none, SIGKILL), EndResult::Gone);
}

TEST_F(FakeProc, DamagedVanishedAndOddEntriesAreHandled) {
    // A name with blanks and parentheses; a name cut to 15 bytes whose whole form is in the
    // command line; a stat that is cut short; a folder without stat; a folder that is no pid.
    add(10, "stat", statLine(10, "a (b) c", 1, 500));
    add(10, "status", "Name:\tx\nUid:\t0\t0\t0\t0\n");
    add(10, "statm", "100 25 0 0 0 0 0\n");
    add(10, "cmdline", std::string("/opt/a b/prog\0--x\0\0", 20));
    add(11, "stat", statLine(11, "Temp_ViewWizard", 10, 600));
    add(11, "cmdline", std::string("/tmp/Temp/Temp_ViewWizard 2.8.0.exe\0", 36));
    add(12, "stat", "12 (short) S 1 0\n");
    fs::create_directories(root_ / "13");
    add(14, "stat", "");
    fs::create_directories(root_ / "self");
    fs::create_directories(root_ / "12x");

    std::vector<ProcessInfo> all = listProcesses(root_.string());
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].pid, 10);
    EXPECT_EQ(all[0].name, "a (b) c");
    EXPECT_EQ(all[0].parentPid, 1);
    EXPECT_EQ(all[0].startTime, 500u);
    EXPECT_EQ(all[0].memoryBytes, 25 * sysconf(_SC_PAGESIZE));
    EXPECT_EQ(all[0].commandLine, "\"/opt/a b/prog\" --x");
    EXPECT_EQ(all[0].executable, "");
    EXPECT_EQ(all[1].name, "Temp_ViewWizard 2.8.0.exe");
    EXPECT_EQ(all[1].memoryBytes, 0);
    EXPECT_TRUE(listProcesses((root_ / "missing").string()).empty());
}

TEST(Processes, TreesAreDeepestFirstAndSurviveLoops) {
    auto p = [](int pid, int parent, const char* name) {
        ProcessInfo i;
        i.pid = pid;
        i.parentPid = parent;
        i.name = name;
        return i;
    };
    std::vector<ProcessInfo> all = {p(1, 0, "init"), p(5, 1, "shell"), p(6, 5, "a"),   p(7, 6, "b"),
                                    p(8, 5, "a"),    p(9, 1, "other"), p(20, 21, "x"), p(21, 20, "y")};
    std::vector<ProcessInfo> tree = processTree(all, 5);
    ASSERT_EQ(tree.size(), 4u);
    EXPECT_EQ(tree.back().pid, 5);
    auto at = [&](int pid) {
        for (std::size_t i = 0; i < tree.size(); ++i)
            if (tree[i].pid == pid) return static_cast<int>(i);
        return -1;
    };
    EXPECT_LT(at(7), at(6));  // b before its parent a
    EXPECT_GE(at(8), 0);
    EXPECT_EQ(processTree(all, 20).size(), 2u);  // a parent loop ends
    EXPECT_TRUE(processTree(all, 99).empty());
    EXPECT_EQ(processesNamed(all, "a").size(), 2u);

    ProcessInfo toolbox = p(30, 1, "quorvex");
    toolbox.executable = "/home/u/quorvex/quorvex";
    EXPECT_TRUE(isToolbox(toolbox));
    toolbox.executable = "/usr/bin/quorvex-cli";
    EXPECT_FALSE(isToolbox(toolbox));
}
