#include "common/Executable.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <LIEF/ELF.hpp>
#include <LIEF/PE.hpp>
#include <LIEF/logging.hpp>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <functional>

#include "platform/text/Utf8.h"

// Present when a sanitizer is linked in (the fuzzer); absent in the tools.
extern "C" void __sanitizer_set_death_callback(void (*callback)(void)) __attribute__((weak));

namespace qx::tools {

namespace {

constexpr int kMaxResourceDepth = 8;
constexpr std::size_t kMaxResources = 100000;

std::string utf8Of(const std::u16string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[++i] - 0xDC00);
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        platform::appendUtf8(out, c);
    }
    return out;
}

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (std::uint8_t b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

struct Level {
    std::uint32_t id = 0;
    std::string name;
};

void walk(const LIEF::PE::ResourceNode& node, std::vector<Level>& path, std::vector<PeResource>& out) {
    if (out.size() >= kMaxResources || path.size() > kMaxResourceDepth) return;
    if (node.is_data()) {
        const auto& data = static_cast<const LIEF::PE::ResourceData&>(node);
        PeResource r;
        if (!path.empty()) {
            r.type = path[0].name.empty() ? path[0].id : 0;
            r.typeName = path[0].name;
        }
        if (path.size() > 1) {
            r.id = path[1].name.empty() ? path[1].id : 0;
            r.name = path[1].name;
        }
        r.language = node.id();
        r.codePage = data.code_page();
        r.data.assign(data.content().begin(), data.content().end());
        out.push_back(std::move(r));
        return;
    }
    for (const LIEF::PE::ResourceNode& child : node.childs()) {
        if (child.is_data()) {
            walk(child, path, out);
            continue;
        }
        path.push_back({child.id(), child.has_name() ? utf8Of(child.name()) : std::string()});
        walk(child, path, out);
        path.pop_back();
    }
}

std::string elfSectionFlags(std::uint64_t flags) {
    std::string s;
    if (flags & 0x1) s += 'W';
    if (flags & 0x2) s += 'A';
    if (flags & 0x4) s += 'X';
    return s;
}

std::string elfSegmentFlags(std::uint32_t flags) {
    std::string s;
    s += (flags & 0x4) ? 'R' : '-';
    s += (flags & 0x2) ? 'W' : '-';
    s += (flags & 0x1) ? 'X' : '-';
    return s;
}

std::string noteDescription(const LIEF::ELF::Note& note) {
    const auto& d = note.description();
    // The ABI tag: OS, then the oldest kernel version.
    if (note.name() == "GNU" && note.type() == LIEF::ELF::NOTE_TYPES::NT_GNU_ABI_TAG && d.size() >= 16) {
        auto word = [&](std::size_t i) {
            return static_cast<std::uint32_t>(d[i] | d[i + 1] << 8 | d[i + 2] << 16 |
                                              static_cast<std::uint32_t>(d[i + 3]) << 24);
        };
        const char* os = word(0) == 0 ? "Linux" : word(0) == 1 ? "GNU" : word(0) == 2 ? "Solaris" : "FreeBSD";
        return std::string(os) + " " + std::to_string(word(4)) + "." + std::to_string(word(8)) + "." +
               std::to_string(word(12));
    }
    return hex(d);
}

class Writer {
  public:
    void u32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) out += static_cast<char>(v >> (8 * i));
    }
    void u64(std::uint64_t v) {
        for (int i = 0; i < 8; ++i) out += static_cast<char>(v >> (8 * i));
    }
    void str(std::string_view s) {
        u64(s.size());
        out += s;
    }
    std::string out;
};

class Reader {
  public:
    explicit Reader(std::string_view in) : in_(in) {}
    bool u32(std::uint32_t& v) {
        if (in_.size() - at_ < 4) return false;
        v = 0;
        for (int i = 0; i < 4; ++i)
            v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in_[at_ + i])) << (8 * i);
        at_ += 4;
        return true;
    }
    bool u64(std::uint64_t& v) {
        if (in_.size() - at_ < 8) return false;
        v = 0;
        for (int i = 0; i < 8; ++i)
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(in_[at_ + i])) << (8 * i);
        at_ += 8;
        return true;
    }
    bool str(std::string& s) {
        std::uint64_t n = 0;
        if (!u64(n) || n > in_.size() - at_) return false;
        s.assign(in_.substr(at_, n));
        at_ += n;
        return true;
    }
    // A count of items that each take at least `minBytes`: never more than could be there.
    bool count(std::uint64_t& n, std::size_t minBytes) {
        return u64(n) && n <= (in_.size() - at_) / minBytes;
    }
    bool done() const { return at_ == in_.size(); }

  private:
    std::string_view in_;
    std::size_t at_ = 0;
};

bool readAllWithin(int fd, std::string& out, std::uint64_t cap,
                   std::chrono::steady_clock::time_point deadline) {
    char buffer[65536];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        int r = poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (out.size() + static_cast<std::size_t>(n) > cap) return false;
        out.append(buffer, static_cast<std::size_t>(n));
    }
}

}  // namespace

bool parseExecutable(const std::string& path, ExecutableInfo& out, std::string& error) {
    out = ExecutableInfo{};
    LIEF::Logger::disable();
    try {
        if (LIEF::PE::is_pe(path)) {
            std::unique_ptr<LIEF::PE::Binary> pe = LIEF::PE::Parser::parse(path);
            if (!pe) throw std::runtime_error("pe");
            out.kind = ExecutableInfo::Kind::Pe;
            out.machine = LIEF::PE::to_string(pe->header().machine());
            if (pe->has_resources()) {
                std::vector<Level> levels;
                walk(pe->resources(), levels, out.resources);
            }
            return true;
        }
        if (LIEF::ELF::is_elf(path)) {
            std::unique_ptr<LIEF::ELF::Binary> elf = LIEF::ELF::Parser::parse(path);
            if (!elf) throw std::runtime_error("elf");
            out.kind = ExecutableInfo::Kind::Elf;
            out.machine = LIEF::ELF::to_string(elf->header().machine_type());
            out.fileType = LIEF::ELF::to_string(elf->header().file_type());
            if (elf->has_interpreter()) out.interpreter = elf->interpreter();
            for (const LIEF::ELF::DynamicEntry& e : elf->dynamic_entries()) {
                if (e.tag() == LIEF::ELF::DYNAMIC_TAGS::DT_NEEDED)
                    out.needed.push_back(static_cast<const LIEF::ELF::DynamicEntryLibrary&>(e).name());
            }
            for (const LIEF::ELF::Section& s : elf->sections()) {
                out.sections.push_back({s.name(), LIEF::ELF::to_string(s.type()), elfSectionFlags(s.flags()),
                                        s.virtual_address(), s.file_offset(), s.size()});
            }
            for (const LIEF::ELF::Segment& s : elf->segments()) {
                out.segments.push_back(
                    {LIEF::ELF::to_string(s.type()), elfSegmentFlags(static_cast<std::uint32_t>(s.flags())),
                     s.file_offset(), s.virtual_address(), s.physical_size(), s.virtual_size()});
            }
            if (elf->has_notes()) {
                for (const LIEF::ELF::Note& n : elf->notes())
                    out.notes.push_back({n.name(), LIEF::ELF::to_string(n.type()), noteDescription(n)});
            }
            return true;
        }
    } catch (...) {
        error = "无法解析该文件：文件已损坏或格式不受支持。";
        return false;
    }
    error = "这不是 Windows 可执行文件（PE）或 ELF 文件。";
    return false;
}

std::string serialize(const ExecutableInfo& info) {
    Writer w;
    w.u32(static_cast<std::uint32_t>(info.kind));
    w.str(info.machine);
    w.u64(info.resources.size());
    for (const PeResource& r : info.resources) {
        w.u32(r.type);
        w.str(r.typeName);
        w.u32(r.id);
        w.str(r.name);
        w.u32(r.language);
        w.u32(r.codePage);
        w.str(r.data);
    }
    w.str(info.fileType);
    w.str(info.interpreter);
    w.u64(info.needed.size());
    for (const std::string& n : info.needed) w.str(n);
    w.u64(info.sections.size());
    for (const ElfSection& s : info.sections) {
        w.str(s.name);
        w.str(s.type);
        w.str(s.flags);
        w.u64(s.address);
        w.u64(s.offset);
        w.u64(s.size);
    }
    w.u64(info.segments.size());
    for (const ElfSegment& s : info.segments) {
        w.str(s.type);
        w.str(s.flags);
        w.u64(s.offset);
        w.u64(s.address);
        w.u64(s.fileSize);
        w.u64(s.memorySize);
    }
    w.u64(info.notes.size());
    for (const ElfNote& n : info.notes) {
        w.str(n.name);
        w.str(n.type);
        w.str(n.description);
    }
    return std::move(w.out);
}

bool deserialize(std::string_view bytes, ExecutableInfo& out) {
    out = ExecutableInfo{};
    Reader r(bytes);
    std::uint32_t kind = 0;
    std::uint64_t n = 0;
    if (!r.u32(kind) || kind > 2 || !r.str(out.machine)) return false;
    out.kind = static_cast<ExecutableInfo::Kind>(kind);
    if (!r.count(n, 36)) return false;
    out.resources.resize(n);
    for (PeResource& p : out.resources) {
        if (!r.u32(p.type) || !r.str(p.typeName) || !r.u32(p.id) || !r.str(p.name) || !r.u32(p.language) ||
            !r.u32(p.codePage) || !r.str(p.data))
            return false;
    }
    if (!r.str(out.fileType) || !r.str(out.interpreter) || !r.count(n, 8)) return false;
    out.needed.resize(n);
    for (std::string& s : out.needed)
        if (!r.str(s)) return false;
    if (!r.count(n, 48)) return false;
    out.sections.resize(n);
    for (ElfSection& s : out.sections)
        if (!r.str(s.name) || !r.str(s.type) || !r.str(s.flags) || !r.u64(s.address) || !r.u64(s.offset) ||
            !r.u64(s.size))
            return false;
    if (!r.count(n, 48)) return false;
    out.segments.resize(n);
    for (ElfSegment& s : out.segments)
        if (!r.str(s.type) || !r.str(s.flags) || !r.u64(s.offset) || !r.u64(s.address) ||
            !r.u64(s.fileSize) || !r.u64(s.memorySize))
            return false;
    if (!r.count(n, 24)) return false;
    out.notes.resize(n);
    for (ElfNote& s : out.notes)
        if (!r.str(s.name) || !r.str(s.type) || !r.str(s.description)) return false;
    return r.done();
}

bool runLimited(const std::function<bool(std::string&)>& work, std::string& result, std::string& error,
                const ReadLimits& limits) {
    result.clear();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        error = "无法启动解析进程。";
        return false;
    }
    pid_t child = fork();
    if (child < 0) {
        close(fds[0]);
        close(fds[1]);
        error = "无法启动解析进程。";
        return false;
    }
    if (child == 0) {
        // The child parses and hands over the result; a crash or a hang of the parser ends only it,
        // quietly: crash handlers it inherited (a crash reporter, a fuzzer's) must not run here.
        for (int sig : {SIGSEGV, SIGBUS, SIGABRT, SIGILL, SIGFPE, SIGTRAP, SIGXCPU}) signal(sig, SIG_DFL);
        if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(nullptr);
        close(fds[0]);
        int devnull = open("/dev/null", O_WRONLY);
        if (devnull >= 0) dup2(devnull, 2);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
        // (A sanitized build maps terabytes of shadow memory: an address-space cap ends it at once.)
        rlimit memory{limits.maxMemoryBytes, limits.maxMemoryBytes};
        setrlimit(RLIMIT_AS, &memory);
#endif
        rlimit cpu{static_cast<rlim_t>(limits.maxSeconds), static_cast<rlim_t>(limits.maxSeconds)};
        setrlimit(RLIMIT_CPU, &cpu);
        std::string text;
        std::string payload;
        try {
            payload = work(text) ? "1" + text : "0" + text;
        } catch (...) {
            _exit(1);
        }
        const char* p = payload.data();
        std::size_t left = payload.size();
        while (left > 0) {
            ssize_t n = write(fds[1], p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) _exit(1);
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string payload;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.maxSeconds);
    const bool complete = readAllWithin(fds[0], payload, limits.maxFileBytes * 3 + (1 << 20), deadline);
    close(fds[0]);
    if (!complete) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    const bool exitedWell = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!complete || !exitedWell || payload.empty() || (payload[0] != '0' && payload[0] != '1')) {
        error = "无法解析该文件：文件已损坏、格式不受支持，或解析超出了时间和内存的限制。";
        return false;
    }
    if (payload[0] == '0') {
        error = payload.substr(1);
        return false;
    }
    result = payload.substr(1);
    return true;
}

bool checkReadable(const std::string& path, const ReadLimits& limits, std::string& error) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "找不到文件“" + path + "”。";
        return false;
    }
    if (static_cast<std::uint64_t>(st.st_size) > limits.maxFileBytes) {
        error = "文件太大（超过 " + std::to_string(limits.maxFileBytes >> 20) + " MB），不予解析。";
        return false;
    }
    if (::access(path.c_str(), R_OK) != 0) {
        error = "没有权限读取文件“" + path + "”。";
        return false;
    }
    return true;
}

bool readExecutable(const std::string& path, ExecutableInfo& out, std::string& error, ReadLimits limits) {
    out = ExecutableInfo{};
    if (!checkReadable(path, limits, error)) return false;
    std::string result;
    const bool ok = runLimited(
        [&path](std::string& text) {
            ExecutableInfo info;
            if (!parseExecutable(path, info, text)) return false;
            text = serialize(info);
            return true;
        },
        result, error, limits);
    if (!ok) return false;
    if (!deserialize(result, out)) {
        error = "无法解析该文件：解析结果不完整。";
        return false;
    }
    return true;
}

}  // namespace qx::tools
