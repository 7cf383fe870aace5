#include "common/Processes.h"

#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>
// glibc 2.36 declares these without C linkage for C++.
extern "C" {
#include <sys/pidfd.h>
}

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace qx::tools {

namespace {

bool readText(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

bool parseInt(std::string_view s, auto& value) {
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && end == s.data() + s.size();
}

// Fields after the name of /proc/<pid>/stat; the name sits in parentheses and may itself hold
// blanks and parentheses, so it ends at the last ')'.
bool parseStat(const std::string& text, std::string& name, std::vector<std::string_view>& fields) {
    auto open = text.find('(');
    auto close = text.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) return false;
    name = text.substr(open + 1, close - open - 1);
    fields.clear();
    std::string_view rest(text);
    rest.remove_prefix(close + 1);
    std::size_t i = 0;
    while (i < rest.size()) {
        while (i < rest.size() && rest[i] == ' ') ++i;
        std::size_t j = i;
        while (j < rest.size() && rest[j] != ' ' && rest[j] != '\n') ++j;
        if (j > i) fields.push_back(rest.substr(i, j - i));
        i = j + 1;
    }
    return fields.size() >= 20;  // state .. starttime
}

std::string baseName(std::string_view path) {
    auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string joinCommandLine(const std::string& raw) {
    std::string_view all(raw);
    while (!all.empty() && all.back() == '\0') all.remove_suffix(1);
    std::string out;
    if (all.empty()) return out;
    for (std::size_t start = 0;;) {
        std::size_t end = std::min(all.find('\0', start), all.size());
        std::string_view arg = all.substr(start, end - start);
        if (!out.empty()) out += ' ';
        if (arg.empty() || arg.find(' ') != std::string_view::npos)
            out += '"' + std::string(arg) + '"';
        else
            out += arg;
        if (end == all.size()) break;
        start = end + 1;
    }
    return out;
}

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string userName(unsigned uid) {
    struct passwd pw {};
    struct passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(uid, &pw, buffer, sizeof buffer, &found) == 0 && found) return found->pw_name;
    return std::to_string(uid);
}

bool readProcess(int pid, ProcessInfo& out, const std::string& procRoot) {
    const std::string dir = procRoot + "/" + std::to_string(pid);
    std::string stat;
    std::string comm;
    std::vector<std::string_view> fields;
    if (!readText(dir + "/stat", stat) || !parseStat(stat, comm, fields)) return false;
    ProcessInfo p;
    p.pid = pid;
    if (!parseInt(fields[1], p.parentPid) || !parseInt(fields[19], p.startTime)) return false;

    std::string status;
    if (readText(dir + "/status", status)) {
        auto at = status.find("\nUid:");
        if (at != std::string::npos) {
            std::istringstream line(status.substr(at + 5));
            line >> p.uid;
        }
    }
    p.user = userName(p.uid);

    std::string statm;
    if (readText(dir + "/statm", statm)) {
        std::istringstream s(statm);
        long long size = 0, resident = 0;
        if (s >> size >> resident) p.memoryBytes = resident * sysconf(_SC_PAGESIZE);
    }

    std::string cmdline;
    readText(dir + "/cmdline", cmdline);
    p.commandLine = joinCommandLine(cmdline);
    std::error_code ec;
    p.executable = fs::read_symlink(dir + "/exe", ec).string();
    if (ec) p.executable.clear();

    // The kernel keeps 15 bytes of the name; the first argument or the executable usually has
    // the whole of it.
    p.name = comm;
    if (comm.size() == 15) {
        std::string argv0 = baseName(std::string_view(cmdline.c_str()));
        for (const std::string& candidate : {argv0, baseName(p.executable)}) {
            if (candidate.size() > comm.size() && candidate.compare(0, comm.size(), comm) == 0) {
                p.name = candidate;
                break;
            }
        }
    }
    out = std::move(p);
    return true;
}

std::vector<ProcessInfo> listProcesses(const std::string& procRoot) {
    std::vector<ProcessInfo> out;
    std::error_code ec;
    fs::directory_iterator it(procRoot, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        int pid = 0;
        if (!parseInt(it->path().filename().string(), pid) || pid <= 0) continue;
        ProcessInfo p;
        if (readProcess(pid, p, procRoot)) out.push_back(std::move(p));
    }
    std::sort(out.begin(), out.end(),
              [](const ProcessInfo& a, const ProcessInfo& b) { return a.pid < b.pid; });
    return out;
}

std::vector<ProcessInfo> filterByName(const std::vector<ProcessInfo>& all, const std::string& filter) {
    if (filter.empty()) return all;
    std::string needle;
    for (char c : filter) needle += lower(c);
    std::vector<ProcessInfo> out;
    for (const ProcessInfo& p : all) {
        std::string hay;
        for (char c : p.name) hay += lower(c);
        if (hay.find(needle) != std::string::npos) out.push_back(p);
    }
    return out;
}

std::vector<ProcessInfo> processTree(const std::vector<ProcessInfo>& all, int rootPid) {
    std::map<int, std::vector<const ProcessInfo*>> children;
    const ProcessInfo* root = nullptr;
    for (const ProcessInfo& p : all) {
        if (p.pid == rootPid) root = &p;
        if (p.pid != p.parentPid) children[p.parentPid].push_back(&p);
    }
    std::vector<ProcessInfo> out;
    if (!root) return out;
    // Iterative post-order: a deep chain of processes cannot exhaust the stack.
    std::vector<std::pair<const ProcessInfo*, bool>> stack{{root, false}};
    std::map<int, bool> seen;
    while (!stack.empty()) {
        auto [p, expanded] = stack.back();
        stack.pop_back();
        if (expanded) {
            out.push_back(*p);
            continue;
        }
        if (seen[p->pid]) continue;
        seen[p->pid] = true;
        stack.push_back({p, true});
        for (const ProcessInfo* c : children[p->pid]) stack.push_back({c, false});
    }
    return out;
}

std::vector<ProcessInfo> processesNamed(const std::vector<ProcessInfo>& all, const std::string& name) {
    std::vector<ProcessInfo> out;
    for (const ProcessInfo& p : all)
        if (p.name == name) out.push_back(p);
    return out;
}

bool isToolbox(const ProcessInfo& p) {
    return baseName(p.executable) == "quorvex" || (p.executable.empty() && p.name == "quorvex");
}

bool isOwnProcess(const ProcessInfo& p) { return p.pid == getpid(); }

ProcessHandle::~ProcessHandle() {
    if (fd_ >= 0) close(fd_);
}

ProcessHandle::ProcessHandle(ProcessHandle&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

ProcessHandle& ProcessHandle::operator=(ProcessHandle&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

EndResult ProcessHandle::open(const ProcessInfo& p) {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    if (p.pid <= 0) return EndResult::Gone;
    int fd = pidfd_open(p.pid, 0);
    if (fd < 0) return errno == ESRCH ? EndResult::Gone : EndResult::Failed;
    // Checked after opening: from here on the descriptor cannot move to another process.
    ProcessInfo now;
    if (!readProcess(p.pid, now) || now.startTime != p.startTime) {
        close(fd);
        return EndResult::Gone;
    }
    fd_ = fd;
    return EndResult::Sent;
}

EndResult ProcessHandle::signal(int sig) {
    if (fd_ < 0) return EndResult::Gone;
    if (pidfd_send_signal(fd_, sig, nullptr, 0) == 0) return EndResult::Sent;
    if (errno == ESRCH) return EndResult::Gone;
    if (errno == EPERM) return EndResult::Denied;
    return EndResult::Failed;
}

bool ProcessHandle::hasEnded() const { return waitEnded(std::chrono::milliseconds(0)); }

bool ProcessHandle::waitEnded(std::chrono::milliseconds timeout) const {
    if (fd_ < 0) return true;
    pollfd p{fd_, POLLIN, 0};
    int r;
    do r = poll(&p, 1, static_cast<int>(timeout.count()));
    while (r < 0 && errno == EINTR);
    return r > 0;
}

EndResult signalProcess(const ProcessInfo& p, int sig) {
    ProcessHandle h;
    EndResult r = h.open(p);
    return r == EndResult::Sent ? h.signal(sig) : r;
}

}  // namespace qx::tools
