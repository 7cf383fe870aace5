#include "processkill/ProcessKill.h"

#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace qx::processkill {

using tools::EndResult;
using tools::ProcessInfo;

namespace {

std::string label(const ProcessInfo& p) { return std::to_string(p.pid) + "（" + p.name + "）"; }

std::string labels(const std::vector<const ProcessInfo*>& list) {
    std::string out;
    const std::size_t shown = std::min<std::size_t>(list.size(), 5);
    for (std::size_t i = 0; i < shown; ++i) out += (i ? "、" : "") + label(*list[i]);
    if (list.size() > shown) out += " 等 " + std::to_string(list.size()) + " 个进程";
    return out;
}

}  // namespace

Plan planEnd(const std::vector<ProcessInfo>& all, const ProcessInfo& chosen, Method method) {
    Plan plan;
    switch (method) {
        case Method::Single:
            plan.targets = {chosen};
            break;
        case Method::Tree:
            plan.targets = tools::processTree(all, chosen.pid);
            if (plan.targets.empty()) plan.targets = {chosen};  // gone from the list: try it alone
            break;
        case Method::SameName:
            plan.targets = tools::processesNamed(all, chosen.name);
            if (plan.targets.empty()) plan.targets = {chosen};
            break;
    }
    std::stable_partition(plan.targets.begin(), plan.targets.end(),
                          [](const ProcessInfo& p) { return !tools::isOwnProcess(p); });
    for (const ProcessInfo& p : plan.targets) {
        plan.includesToolbox |= tools::isToolbox(p);
        plan.includesSelf |= tools::isOwnProcess(p);
    }
    return plan;
}

std::string confirmation(const Plan& plan, bool force) {
    std::string q;
    if (plan.includesToolbox)
        q += "要结束的进程中包括 Quorvex工具箱 本身，结束后工具箱将关闭，未保存的内容会丢失。\n";
    if (plan.includesSelf) q += "要结束的进程中包括本工具自身，结束后本窗口将关闭。\n";
    if (plan.targets.size() > 1) {
        std::vector<const ProcessInfo*> list;
        for (const ProcessInfo& p : plan.targets) list.push_back(&p);
        q += "将" + std::string(force ? "强制" : "") + "结束 " + std::to_string(plan.targets.size()) +
             " 个进程：" + labels(list) + "。\n";
    }
    if (q.empty()) return q;
    return q + "是否继续？";
}

std::vector<Outcome> endProcesses(const std::vector<ProcessInfo>& targets, bool force) {
    std::vector<Outcome> out;
    for (const ProcessInfo& p : targets)
        out.push_back({p, tools::signalProcess(p, force ? SIGKILL : SIGTERM)});
    return out;
}

std::string summarize(const std::vector<Outcome>& outcomes, bool force) {
    std::vector<const ProcessInfo*> sent, gone, denied, failed;
    for (const Outcome& o : outcomes) {
        switch (o.result) {
            case EndResult::Sent:
                sent.push_back(&o.process);
                break;
            case EndResult::Gone:
                gone.push_back(&o.process);
                break;
            case EndResult::Denied:
                denied.push_back(&o.process);
                break;
            case EndResult::Failed:
                failed.push_back(&o.process);
                break;
        }
    }
    std::string text;
    if (!sent.empty())
        text += (force ? "已强制结束 " : "已向 ") + labels(sent) + (force ? "。\n" : " 发送结束信号。\n");
    if (!gone.empty()) text += labels(gone) + " 已经不存在（可能已自行退出）。\n";
    if (!denied.empty()) {
        std::string users;
        for (const ProcessInfo* p : denied)
            if (users.find(p->user) == std::string::npos) users += (users.empty() ? "" : "、") + p->user;
        text +=
            "没有权限结束 " + labels(denied) + "：它属于用户 " + users + "，需要以该用户或管理员身份运行。\n";
    }
    if (!failed.empty()) text += "结束 " + labels(failed) + " 失败。\n";
    if (!text.empty()) text.pop_back();
    return text;
}

std::string formatMemory(long long bytes) {
    // to_chars writes the point whatever the locale says.
    auto fixed = [](double v, int digits, const char* unit) {
        char buffer[64];
        const auto end =
            std::to_chars(buffer, buffer + sizeof buffer, v, std::chars_format::fixed, digits).ptr;
        return std::string(buffer, end) + unit;
    };
    if (bytes < 1024) return std::to_string(bytes) + " B";
    if (bytes < 1024LL * 1024) return fixed(bytes / 1024.0, 1, " KB");
    if (bytes < 1024LL * 1024 * 1024) return fixed(bytes / (1024.0 * 1024), 1, " MB");
    return fixed(bytes / (1024.0 * 1024 * 1024), 2, " GB");
}

}  // namespace qx::processkill
