// The file unlocker's core against child processes that hold a file (open, as working folder,
// as their running program), one of them deaf to TERM; names with blanks, quotes and Chinese.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "support/ChildProcess.h"
#include "unlock/Unlock.h"

namespace fs = std::filesystem;
using namespace qx::unlock;
using qx::test::ChildProcess;

namespace {

std::map<int, std::set<UseKind>> kindsByPid(const Scan& scan) {
    std::map<int, std::set<UseKind>> out;
    for (const Holder& h : scan.holders)
        for (const Use& u : h.uses) out[h.process.pid].insert(u.kind);
    return out;
}

// Children are spawned first and exec a moment later: wait until each shows what it holds.
Scan scanUntil(const std::string& path, std::size_t holders) {
    Scan scan;
    std::string error;
    for (int i = 0; i < 500; ++i) {
        scan = findHolders(path, error);
        if (scan.holders.size() >= holders) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(error, "");
    return scan;
}

class UnlockTest : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("qx_unlock 占用 'q\"" + std::to_string(getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_ / "sub");
        file_ = folder_ / "a b'\"中.txt";
        std::ofstream(file_) << "locked";
        program_ = folder_ / "sub" / "睡 眠";
        fs::copy_file("/bin/sleep", program_);
    }
    void TearDown() override { fs::remove_all(folder_); }
    fs::path folder_, file_, program_;
};

}  // namespace

TEST_F(UnlockTest, FindsTheHoldersOfAFileAndOfAFolderThenEndsThem) {
    ChildProcess opener({"sleep", "60"}, {file_.string(), ""});
    ChildProcess worker({"sleep", "60"}, {"", (folder_ / "sub").string()});
    ChildProcess runner({program_.string(), "60"});
    // Ignores TERM (kept across exec) and holds the file: it needs KILL.
    ChildProcess deaf({"sh", "-c", "trap '' TERM; exec sleep 60"}, {file_.string(), ""});
    ChildProcess bystander({"sleep", "60"});

    Scan ofFile = scanUntil(file_.string(), 2);
    auto kinds = kindsByPid(ofFile);
    EXPECT_EQ(kinds.size(), 2u);
    EXPECT_EQ(kinds[opener.pid()], std::set<UseKind>({UseKind::OpenFile}));
    EXPECT_EQ(kinds[deaf.pid()], std::set<UseKind>({UseKind::OpenFile}));
    for (const Holder& h : ofFile.holders) EXPECT_EQ(h.uses[0].path, file_.string());

    Scan ofFolder = scanUntil(folder_.string(), 4);
    kinds = kindsByPid(ofFolder);
    EXPECT_EQ(kinds.size(), 4u);
    EXPECT_EQ(kinds[worker.pid()], std::set<UseKind>({UseKind::WorkingDirectory}));
    EXPECT_TRUE(kinds[runner.pid()].count(UseKind::Executable));
    EXPECT_TRUE(kinds[runner.pid()].count(UseKind::MemoryMap));
    EXPECT_FALSE(kinds.count(bystander.pid()));
    EXPECT_FALSE(kinds.count(getpid()));
    EXPECT_EQ(ofFolder.uninspected, 0);  // the test's own children can all be read
    EXPECT_EQ(uninspectedNote(ofFolder), "");

    std::vector<qx::tools::ProcessInfo> targets;
    for (const Holder& h : ofFolder.holders) targets.push_back(h.process);
    std::vector<Outcome> outcomes = endProcesses(targets, std::chrono::milliseconds(300));
    std::map<int, Ending> endings;
    for (const Outcome& o : outcomes) endings[o.process.pid] = o.ending;
    EXPECT_EQ(endings[opener.pid()], Ending::Ended);
    EXPECT_EQ(endings[worker.pid()], Ending::Ended);
    EXPECT_EQ(endings[runner.pid()], Ending::Ended);
    EXPECT_EQ(endings[deaf.pid()], Ending::Killed);
    const std::string report = summarize(outcomes);
    EXPECT_NE(report.find("没有响应结束请求，已被强制结束"), std::string::npos) << report;

    for (ChildProcess* c : {&opener, &worker, &runner, &deaf}) c->wait();
    std::string error;
    EXPECT_TRUE(findHolders(folder_.string(), error).holders.empty());
    // The processes are gone: ending them again says so.
    for (const Outcome& o : endProcesses(targets, std::chrono::milliseconds(0)))
        EXPECT_EQ(o.ending, Ending::Gone);
}

TEST(Unlock, MessagesAndBadPaths) {
    std::string error;
    EXPECT_TRUE(findHolders("", error).holders.empty());
    EXPECT_EQ(error, "请先选择一个文件或文件夹。");
    EXPECT_TRUE(findHolders("/no such/文件", error).holders.empty());
    EXPECT_EQ(error, "“/no such/文件”不存在或无法访问。");

    Scan scan;
    scan.uninspected = 3;
    scan.uninspectedUsers = {"root", "www-data"};
    EXPECT_EQ(
        uninspectedNote(scan),
        "另有 3 "
        "个其他用户（root、www-data）的进程无法检查，它们也可能占用该文件；请以管理员身份运行本工具查看。");

    qx::tools::ProcessInfo p;
    p.pid = 42;
    p.name = "db";
    p.user = "postgres";
    EXPECT_EQ(summarize({{p, Ending::Denied}}),
              "没有权限结束 42（db）：它们属于用户 postgres，请以管理员身份运行本工具。");
    EXPECT_EQ(summarize({{p, Ending::StillRunning}}),
              "42（db） 强制结束后仍在运行（可能正在等待磁盘或设备）。");
    EXPECT_EQ(useText(UseKind::MemoryMap), "内存映射");
}
