#include "unlock/Unlock.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

namespace qx::unlock {

using tools::EndResult;
using tools::ProcessInfo;

namespace {

struct Target {
    dev_t device = 0;
    ino_t inode = 0;
    bool folder = false;
    std::string path;  // canonical, without a trailing slash (but "/" itself)
};

bool sameFile(const struct stat& st, const Target& t) {
    return st.st_dev == t.device && st.st_ino == t.inode;
}

bool inside(const std::string& p, const Target& t) {
    if (!t.folder) return false;
    if (t.path == "/") return !p.empty() && p.front() == '/';
    return p == t.path ||
           (p.size() > t.path.size() && p.compare(0, t.path.size(), t.path) == 0 && p[t.path.size()] == '/');
}

// A link under /proc/<pid>: matched by the file it leads to (stat follows it, whatever its name
// holds) or, for a folder, by the path it names.
bool linkMatches(const std::string& link, const Target& t, std::string& shown) {
    std::error_code ec;
    shown = fs::read_symlink(link, ec).string();
    struct stat st {};
    if (::stat(link.c_str(), &st) == 0 && sameFile(st, t)) return true;
    return !ec && inside(shown, t);
}

// /proc/<pid>/maps: "start-end perms offset major:minor inode   path".
void scanMaps(const std::string& file, const Target& t, std::vector<Use>& uses) {
    std::ifstream in(file);
    std::set<std::string> seen;
    for (std::string line; std::getline(in, line);) {
        std::size_t pos = 0;
        std::string fields[5];
        for (auto& f : fields) {
            while (pos < line.size() && line[pos] == ' ') ++pos;
            std::size_t end = line.find(' ', pos);
            if (end == std::string::npos) end = line.size();
            f = line.substr(pos, end - pos);
            pos = end;
        }
        while (pos < line.size() && line[pos] == ' ') ++pos;
        std::string path = line.substr(pos);
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        if (std::sscanf(fields[3].c_str(), "%x:%x", &major, &minor) != 2) continue;
        auto [endInode, bad] = std::from_chars(fields[4].data(), fields[4].data() + fields[4].size(), inode);
        if (bad != std::errc() || endInode != fields[4].data() + fields[4].size()) continue;
        if (inode == 0) continue;  // anonymous memory, heap, stack
        const bool match = (makedev(major, minor) == t.device && inode == t.inode) || inside(path, t);
        if (match && seen.insert(path).second) uses.push_back({UseKind::MemoryMap, path});
    }
}

std::string label(const ProcessInfo& p) { return std::to_string(p.pid) + "（" + p.name + "）"; }

std::string labels(const std::vector<const ProcessInfo*>& list) {
    std::string out;
    for (std::size_t i = 0; i < list.size(); ++i) out += (i ? "、" : "") + label(*list[i]);
    return out;
}

}  // namespace

std::string useText(UseKind kind) {
    switch (kind) {
        case UseKind::OpenFile:
            return "打开的文件";
        case UseKind::WorkingDirectory:
            return "工作目录";
        case UseKind::RootDirectory:
            return "根目录";
        case UseKind::Executable:
            return "正在运行的程序";
        case UseKind::MemoryMap:
            return "内存映射";
    }
    return {};
}

Scan findHolders(const std::string& path, std::string& error, const std::string& procRoot) {
    Scan scan;
    error.clear();
    std::error_code ec;
    Target t;
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        error = path.empty() ? "请先选择一个文件或文件夹。" : "“" + path + "”不存在或无法访问。";
        return scan;
    }
    t.device = st.st_dev;
    t.inode = st.st_ino;
    t.folder = S_ISDIR(st.st_mode);
    t.path = fs::canonical(path, ec).string();
    if (ec) t.path = path;

    std::set<std::string> users;
    for (const ProcessInfo& p : tools::listProcesses(procRoot)) {
        if (tools::isOwnProcess(p) && procRoot == "/proc") continue;
        const std::string dir = procRoot + "/" + std::to_string(p.pid);
        Holder h{p, {}};
        std::string shown;
        const std::pair<const char*, UseKind> links[] = {{"cwd", UseKind::WorkingDirectory},
                                                         {"root", UseKind::RootDirectory},
                                                         {"exe", UseKind::Executable}};
        for (auto [name, kind] : links) {
            // Every process has "/" as its root: only a folder other than "/" counts there.
            if (kind == UseKind::RootDirectory && t.path == "/") continue;
            if (linkMatches(dir + "/" + name, t, shown)) h.uses.push_back({kind, shown});
        }
        fs::directory_iterator it(dir + "/fd", ec), end;
        if (ec) {
            // A process that ended meanwhile is simply gone; one we may not look into is counted.
            if (ec == std::errc::permission_denied) {
                ++scan.uninspected;
                users.insert(p.user);
            }
            ec.clear();
            continue;
        }
        for (; it != end; it.increment(ec)) {
            if (ec) break;
            if (linkMatches(it->path().string(), t, shown)) h.uses.push_back({UseKind::OpenFile, shown});
        }
        ec.clear();
        scanMaps(dir + "/maps", t, h.uses);
        if (!h.uses.empty()) scan.holders.push_back(std::move(h));
    }
    scan.uninspectedUsers.assign(users.begin(), users.end());
    return scan;
}

std::string uninspectedNote(const Scan& scan) {
    if (scan.uninspected == 0) return {};
    std::string users;
    for (const std::string& u : scan.uninspectedUsers) users += (users.empty() ? "" : "、") + u;
    return "另有 " + std::to_string(scan.uninspected) + " 个其他用户（" + users +
           "）的进程无法检查，它们也可能占用该文件；请以管理员身份运行本工具查看。";
}

std::vector<Outcome> endProcesses(const std::vector<ProcessInfo>& targets, std::chrono::milliseconds grace) {
    std::vector<Outcome> out;
    std::vector<tools::ProcessHandle> handles(targets.size());
    for (std::size_t i = 0; i < targets.size(); ++i) {
        EndResult r = handles[i].open(targets[i]);
        if (r == EndResult::Sent) r = handles[i].signal(SIGTERM);
        Ending e = r == EndResult::Sent     ? Ending::Ended
                   : r == EndResult::Gone   ? Ending::Gone
                   : r == EndResult::Denied ? Ending::Denied
                                            : Ending::Failed;
        out.push_back({targets[i], e});
    }
    auto waitAll = [&](std::chrono::milliseconds limit) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (out[i].ending != Ending::Ended && out[i].ending != Ending::Killed) continue;
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            handles[i].waitEnded(std::max(left, std::chrono::milliseconds(0)));
        }
    };
    waitAll(grace);
    bool killed = false;
    for (std::size_t i = 0; i < out.size(); ++i) {
        if (out[i].ending != Ending::Ended || handles[i].hasEnded()) continue;
        EndResult r = handles[i].signal(SIGKILL);
        out[i].ending = r == EndResult::Sent   ? Ending::Killed
                        : r == EndResult::Gone ? Ending::Ended
                                               : Ending::Failed;
        killed = true;
    }
    if (killed) waitAll(std::chrono::milliseconds(2000));
    for (std::size_t i = 0; i < out.size(); ++i)
        if (out[i].ending == Ending::Killed && !handles[i].hasEnded()) out[i].ending = Ending::StillRunning;
    return out;
}

std::string summarize(const std::vector<Outcome>& outcomes) {
    std::vector<const ProcessInfo*> ended, killed, gone, denied, running, failed;
    for (const Outcome& o : outcomes) {
        switch (o.ending) {
            case Ending::Ended:
                ended.push_back(&o.process);
                break;
            case Ending::Killed:
                killed.push_back(&o.process);
                break;
            case Ending::Gone:
                gone.push_back(&o.process);
                break;
            case Ending::Denied:
                denied.push_back(&o.process);
                break;
            case Ending::StillRunning:
                running.push_back(&o.process);
                break;
            case Ending::Failed:
                failed.push_back(&o.process);
                break;
        }
    }
    std::string text;
    if (!ended.empty()) text += "已结束 " + labels(ended) + "。\n";
    if (!killed.empty()) text += labels(killed) + " 没有响应结束请求，已被强制结束。\n";
    if (!gone.empty()) text += labels(gone) + " 已经不存在。\n";
    if (!denied.empty()) {
        std::set<std::string> users;
        for (const ProcessInfo* p : denied) users.insert(p->user);
        std::string names;
        for (const std::string& u : users) names += (names.empty() ? "" : "、") + u;
        text +=
            "没有权限结束 " + labels(denied) + "：它们属于用户 " + names + "，请以管理员身份运行本工具。\n";
    }
    if (!running.empty()) text += labels(running) + " 强制结束后仍在运行（可能正在等待磁盘或设备）。\n";
    if (!failed.empty()) text += "结束 " + labels(failed) + " 失败。\n";
    if (!text.empty()) text.pop_back();
    return text;
}

}  // namespace qx::unlock
