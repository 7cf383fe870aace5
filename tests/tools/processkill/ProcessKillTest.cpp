// The process terminator's core: what each way of ending touches, the questions it asks first,
// a real process tree ended, and the report texts.
#include <gtest/gtest.h>
#include <unistd.h>

#include <thread>

#include "processkill/ProcessKill.h"
#include "support/ChildProcess.h"

using namespace qx::processkill;
using qx::test::ChildProcess;
using qx::tools::EndResult;
using qx::tools::ProcessInfo;

namespace {

ProcessInfo proc(int pid, int parent, const std::string& name, const std::string& exe = {}) {
    ProcessInfo p;
    p.pid = pid;
    p.parentPid = parent;
    p.name = name;
    p.executable = exe;
    p.user = "user";
    return p;
}

std::vector<int> pids(const Plan& plan) {
    std::vector<int> out;
    for (const ProcessInfo& p : plan.targets) out.push_back(p.pid);
    return out;
}

}  // namespace

TEST(ProcessKill, PlansAndTheirQuestions) {
    const int self = getpid();
    const std::vector<ProcessInfo> all = {
        proc(100, 1, "editor"),
        proc(101, 100, "helper"),
        proc(102, 101, "editor"),
        proc(200, 1, "quorvex", "/opt/q/quorvex"),
        proc(201, 200, "Temp_ProCesskill.exe"),
        proc(self, 200, "Temp_ProCesskill.exe"),
        proc(300, 1, "Temp_ProCesskill.exe"),
    };

    Plan single = planEnd(all, all[0], Method::Single);
    EXPECT_EQ(pids(single), std::vector<int>({100}));
    EXPECT_EQ(confirmation(single, false), "");  // one ordinary process: no question

    Plan tree = planEnd(all, all[0], Method::Tree);
    EXPECT_EQ(pids(tree), std::vector<int>({102, 101, 100}));
    EXPECT_NE(confirmation(tree, true).find("将强制结束 3 个进程"), std::string::npos);

    Plan named = planEnd(all, all[0], Method::SameName);
    EXPECT_EQ(pids(named), std::vector<int>({100, 102}));

    // The toolbox, with this tool below it: asked first, and this tool is reached last.
    Plan toolbox = planEnd(all, all[3], Method::Tree);
    EXPECT_TRUE(toolbox.includesToolbox);
    EXPECT_TRUE(toolbox.includesSelf);
    EXPECT_EQ(toolbox.targets.back().pid, self);
    const std::string q = confirmation(toolbox, false);
    EXPECT_NE(q.find("Quorvex工具箱 本身"), std::string::npos);
    EXPECT_NE(q.find("本工具自身"), std::string::npos);
    EXPECT_TRUE(q.ends_with("是否继续？"));

    Plan alone = planEnd(all, all[3], Method::Single);
    EXPECT_NE(confirmation(alone, true).find("Quorvex工具箱 本身"), std::string::npos);

    Plan sameAsSelf = planEnd(all, all[6], Method::SameName);
    EXPECT_EQ(sameAsSelf.targets.size(), 3u);
    EXPECT_EQ(sameAsSelf.targets.back().pid, self);

    // A process that left the list meanwhile is still tried on its own.
    EXPECT_EQ(pids(planEnd({}, all[1], Method::Tree)), std::vector<int>({101}));
}

TEST(ProcessKill, EndsARealTreeDeepestFirst) {
    // sh with two sleeping children of its own.
    ChildProcess shell({"sh", "-c", "sleep 60 & sleep 60 & wait"});
    std::vector<ProcessInfo> all;
    Plan plan;
    for (int i = 0; i < 500; ++i) {
        all = qx::tools::listProcesses();
        ProcessInfo root;
        if (qx::tools::readProcess(shell.pid(), root)) plan = planEnd(all, root, Method::Tree);
        if (plan.targets.size() == 3) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(plan.targets.size(), 3u);
    EXPECT_EQ(plan.targets.back().pid, shell.pid());

    std::vector<Outcome> outcomes = endProcesses(plan.targets, true);
    for (const Outcome& o : outcomes) EXPECT_EQ(o.result, EndResult::Sent) << o.process.pid;
    shell.wait();  // ends: killed, or done waiting once its children were
    EXPECT_NE(summarize(outcomes, true).find("已强制结束 "), std::string::npos);
    // Ending them again finds them gone (the sleeps were re-parented and reaped, or are zombies).
    for (int i = 0; i < 500; ++i) {
        bool anyLeft = false;
        for (const ProcessInfo& p : plan.targets) {
            qx::tools::ProcessHandle h;
            anyLeft |= h.open(p) == EndResult::Sent && !h.hasEnded();
        }
        if (!anyLeft) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (const Outcome& o : endProcesses(plan.targets, false))
        EXPECT_TRUE(o.result == EndResult::Gone || o.result == EndResult::Sent) << o.process.pid;
}

TEST(ProcessKill, ReportTexts) {
    ProcessInfo root = proc(1, 0, "systemd");
    root.user = "root";
    const std::vector<Outcome> mixed = {{proc(10, 1, "a"), EndResult::Sent},
                                        {proc(11, 1, "b"), EndResult::Gone},
                                        {root, EndResult::Denied},
                                        {proc(12, 1, "c"), EndResult::Failed}};
    EXPECT_EQ(summarize(mixed, false),
              "已向 10（a） 发送结束信号。\n"
              "11（b） 已经不存在（可能已自行退出）。\n"
              "没有权限结束 1（systemd）：它属于用户 root，需要以该用户或管理员身份运行。\n"
              "结束 12（c） 失败。");
    std::vector<Outcome> many;
    for (int i = 0; i < 7; ++i) many.push_back({proc(20 + i, 1, "w"), EndResult::Sent});
    EXPECT_EQ(summarize(many, true), "已强制结束 20（w）、21（w）、22（w）、23（w）、24（w） 等 7 个进程。");
    EXPECT_EQ(formatMemory(512), "512 B");
    EXPECT_EQ(formatMemory(1536), "1.5 KB");
    EXPECT_EQ(formatMemory(15 * 1024 * 1024), "15.0 MB");
    EXPECT_EQ(formatMemory(3LL * 1024 * 1024 * 1024), "3.00 GB");
}
