#include "autostart/Autostart.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

namespace fs = std::filesystem;

namespace qx::autostart {

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";
constexpr std::string_view kMarker = "X-Quorvex-Hides";

// A desktop file kept as its lines, so that changing one key keeps everything else as it was.
class DesktopFile {
  public:
    bool load(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return false;
        lines_.clear();
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines_.push_back(line);
        }
        return true;
    }
    void setText(const std::string& text) {
        lines_.clear();
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) lines_.push_back(line);
    }
    std::string text() const {
        std::string out;
        for (const std::string& l : lines_) out += l + "\n";
        return out;
    }
    bool hasGroup() const { return groupStart() >= 0; }

    // The raw (still escaped) value of a key of the main group; empty when missing.
    std::string get(std::string_view key) const {
        int at = find(key);
        if (at < 0) return {};
        const std::string& l = lines_[at];
        std::size_t eq = l.find('=');
        std::size_t v = eq + 1;
        while (v < l.size() && (l[v] == ' ' || l[v] == '\t')) ++v;
        return l.substr(v);
    }
    bool has(std::string_view key) const { return find(key) >= 0; }
    void set(std::string_view key, const std::string& rawValue) {
        std::string line = std::string(key) + "=" + rawValue;
        int at = find(key);
        if (at >= 0) {
            lines_[at] = line;
            return;
        }
        int start = groupStart();
        if (start < 0) {
            lines_.insert(lines_.begin(), std::string(kGroup));
            start = 0;
        }
        int end = groupEnd(start);
        // Before the blank lines that close the group.
        while (end > start + 1 && trim(lines_[end - 1]).empty()) --end;
        lines_.insert(lines_.begin() + end, line);
    }

  private:
    static std::string_view trim(std::string_view s) {
        while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
        while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
        return s;
    }
    int groupStart() const {
        for (int i = 0; i < static_cast<int>(lines_.size()); ++i)
            if (trim(lines_[i]) == kGroup) return i;
        return -1;
    }
    int groupEnd(int start) const {
        int i = start + 1;
        while (i < static_cast<int>(lines_.size()) && !trim(lines_[i]).starts_with("[")) ++i;
        return i;
    }
    int find(std::string_view key) const {
        int start = groupStart();
        if (start < 0) return -1;
        int end = groupEnd(start);
        for (int i = start + 1; i < end; ++i) {
            std::string_view l = lines_[i];
            std::size_t eq = l.find('=');
            if (eq != std::string_view::npos && trim(l.substr(0, eq)) == key) return i;
        }
        return -1;
    }

    std::vector<std::string> lines_;
};

bool isTrue(const std::string& raw) { return raw == "true"; }

bool entryEnabled(const DesktopFile& f) {
    return !isTrue(f.get("Hidden")) && f.get("X-GNOME-Autostart-enabled") != "false";
}

bool hasControlCharacters(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

bool validId(const std::string& id) {
    return !id.empty() && id.find('/') == std::string::npos && id != "." && id != ".." &&
           id.ends_with(".desktop");
}

std::string reason(int error) { return std::strerror(error); }

// Writes the file through a temporary neighbour: the old content stays whole until the new
// one is complete. With `replace` false an existing file is never replaced.
std::string writeAtomically(const std::string& path, const std::string& text, bool replace) {
    const fs::path target(path);
    std::error_code ec;
    fs::create_directories(target.parent_path(), ec);
    std::string temp = path + ".tmp-" + std::to_string(getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return "无法写入文件夹 " + target.parent_path().string() + "：" + reason(errno);
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            int e = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            return "写入 " + path + " 失败：" + reason(e);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        ::unlink(temp.c_str());
        return "写入 " + path + " 失败：" + reason(errno);
    }
    int r = replace ? ::rename(temp.c_str(), path.c_str()) : ::link(temp.c_str(), path.c_str());
    int e = errno;
    if (!replace || r != 0) ::unlink(temp.c_str());
    if (r != 0)
        return e == EEXIST ? "启动项 " + path + " 已经存在。" : "写入 " + path + " 失败：" + reason(e);
    return {};
}

std::string systemFile(const Dirs& dirs, const std::string& id) {
    for (const std::string& d : dirs.system) {
        std::string p = d + "/" + id;
        std::error_code ec;
        if (fs::is_regular_file(p, ec)) return p;
    }
    return {};
}

bool findProgram(const std::string& command, std::string& error) {
    auto usable = [](const std::string& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(p.c_str(), X_OK) == 0;
    };
    if (command.find('/') != std::string::npos) {
        if (command.front() != '/') {
            error = "请填写程序的完整路径（以 / 开头），或只填写程序名。";
            return false;
        }
        if (!usable(command)) {
            error = "“" + command + "”不存在或不是可执行的程序。";
            return false;
        }
        return true;
    }
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = std::min(dirs.find(':', start), dirs.size());
        std::string dir = dirs.substr(start, end - start);
        if (!dir.empty() && usable(dir + "/" + command)) return true;
        start = end + 1;
    }
    error = "找不到程序“" + command + "”，请填写完整路径。";
    return false;
}

std::string slug(std::string_view text) {
    std::string out;
    for (char c : text) {
        if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') {
            out += c;
        } else if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c - 'A' + 'a');
        } else if (!out.empty() && out.back() != '-') {
            out += '-';
        }
    }
    while (!out.empty() && out.back() == '-') out.pop_back();
    return out.substr(0, 60);
}

std::string freeId(const Dirs& dirs, const NewEntry& entry) {
    std::string base = slug(entry.name);
    if (base.empty()) base = slug(fs::path(entry.command).filename().string());
    if (base.empty()) base = "program";
    for (int n = 1;; ++n) {
        std::string id = base + (n == 1 ? "" : "-" + std::to_string(n)) + ".desktop";
        std::error_code ec;
        if (!fs::exists(dirs.user + "/" + id, ec) && systemFile(dirs, id).empty()) return id;
    }
}

std::string localized(const DesktopFile& f, std::string_view key) {
    for (std::string k : {std::string(key) + "[zh_CN]", std::string(key) + "[zh]", std::string(key)}) {
        if (f.has(k)) return unescapeValue(f.get(k));
    }
    return {};
}

Entry describe(const std::string& id, const DesktopFile& f, Source source) {
    Entry e;
    e.id = id;
    e.name = localized(f, "Name");
    if (e.name.empty()) e.name = id;
    e.exec = unescapeValue(f.get("Exec"));
    e.comment = localized(f, "Comment");
    e.source = source;
    e.enabled = entryEnabled(f);
    e.ourHidingEntry = isTrue(f.get(kMarker));
    return e;
}

}  // namespace

Dirs dirsFromEnvironment() {
    Dirs d;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    if (configHome && configHome[0] == '/')
        d.user = std::string(configHome) + "/autostart";
    else
        d.user = std::string(home ? home : "") + "/.config/autostart";
    const char* configDirs = std::getenv("XDG_CONFIG_DIRS");
    std::string list = configDirs && configDirs[0] ? configDirs : "/etc/xdg";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = std::min(list.find(':', start), list.size());
        std::string dir = list.substr(start, end - start);
        if (!dir.empty() && dir.front() == '/') d.system.push_back(dir + "/autostart");
        start = end + 1;
    }
    return d;
}

std::string escapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == ' ' && i == 0)
            out += "\\s";  // a leading blank would be trimmed
        else
            out += c;
    }
    return out;
}

std::string unescapeValue(std::string_view value) {
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        char n = value[++i];
        if (n == 's')
            out += ' ';
        else if (n == 'n')
            out += '\n';
        else if (n == 't')
            out += '\t';
        else if (n == 'r')
            out += '\r';
        else if (n == '\\')
            out += '\\';
        else
            out += std::string("\\") + n;  // not an escape: kept as written
    }
    return out;
}

bool splitArguments(std::string_view text, std::vector<std::string>& out) {
    out.clear();
    std::string current;
    bool inWord = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ' || c == '\t') {
            if (inWord) out.push_back(current);
            current.clear();
            inWord = false;
        } else if (c == '"') {
            inWord = true;
            for (++i;; ++i) {
                if (i >= text.size()) return false;
                if (text[i] == '"') break;
                if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == '"' || text[i + 1] == '\\'))
                    ++i;
                current += text[i];
            }
        } else if (c == '\'') {
            inWord = true;
            auto end = text.find('\'', i + 1);
            if (end == std::string_view::npos) return false;
            current += text.substr(i + 1, end - i - 1);
            i = end;
        } else if (c == '\\' && i + 1 < text.size()) {
            inWord = true;
            current += text[++i];
        } else {
            inWord = true;
            current += c;
        }
    }
    if (inWord) out.push_back(current);
    return true;
}

std::string execLine(const std::vector<std::string>& argv) {
    // Reserved characters of the Exec key; an argument holding one is double-quoted, and inside
    // the quotes " ` $ \ take a backslash. A literal % is always doubled.
    constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    for (const std::string& arg : argv) {
        if (!out.empty()) out += ' ';
        const bool quote = arg.empty() || arg.find_first_of(kReserved) != std::string::npos;
        if (quote) out += '"';
        for (char c : arg) {
            if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
            if (c == '%') out += '%';
            out += c;
        }
        if (quote) out += '"';
    }
    return out;
}

bool parseExecLine(std::string_view exec, std::vector<std::string>& argv) {
    argv.clear();
    std::string current;
    bool inWord = false;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        char c = exec[i];
        if (c == ' ' || c == '\t') {
            if (inWord) argv.push_back(current);
            current.clear();
            inWord = false;
        } else if (c == '"') {
            inWord = true;
            for (++i;; ++i) {
                if (i >= exec.size()) return false;
                if (exec[i] == '"') break;
                if (exec[i] == '\\') {
                    if (++i >= exec.size()) return false;
                }
                if (exec[i] == '%' && i + 1 < exec.size() && exec[i + 1] == '%') ++i;
                current += exec[i];
            }
        } else {
            inWord = true;
            if (c == '%' && i + 1 < exec.size() && exec[i + 1] == '%') ++i;
            current += c;
        }
    }
    if (inWord) argv.push_back(current);
    return true;
}

std::vector<Entry> listEntries(const Dirs& dirs) {
    auto desktopFiles = [](const std::string& dir) {
        std::vector<std::string> ids;
        std::error_code ec;
        fs::directory_iterator it(dir, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            if (name.ends_with(".desktop") && it->is_regular_file(ec)) ids.push_back(name);
        }
        return ids;
    };
    std::map<std::string, Entry> byId;
    // Lowest precedence first: later directories are overridden by earlier ones.
    for (auto d = dirs.system.rbegin(); d != dirs.system.rend(); ++d) {
        for (const std::string& id : desktopFiles(*d)) {
            DesktopFile f;
            if (f.load(*d + "/" + id)) byId[id] = describe(id, f, Source::System);
        }
    }
    for (const std::string& id : desktopFiles(dirs.user)) {
        DesktopFile f;
        if (!f.load(dirs.user + "/" + id)) continue;
        const bool overrides = byId.count(id) > 0;
        byId[id] = describe(id, f, overrides ? Source::UserOverride : Source::User);
    }
    std::vector<Entry> out;
    for (auto& [id, e] : byId) out.push_back(std::move(e));
    return out;
}

std::string addEntry(const Dirs& dirs, const NewEntry& entry, std::string* id) {
    if (entry.name.find_first_not_of(" \t") == std::string::npos) return "请填写名称。";
    if (entry.command.find_first_not_of(" \t") == std::string::npos) return "请填写要启动的程序。";
    if (hasControlCharacters(entry.name) || hasControlCharacters(entry.command) ||
        hasControlCharacters(entry.arguments) || hasControlCharacters(entry.comment))
        return "名称、程序、参数和说明都不能包含换行等控制字符。";
    std::string error;
    if (!findProgram(entry.command, error)) return error;
    std::vector<std::string> argv{entry.command};
    std::vector<std::string> args;
    if (!splitArguments(entry.arguments, args)) return "参数中的引号不成对。";
    argv.insert(argv.end(), args.begin(), args.end());

    DesktopFile f;
    f.setText(std::string(kGroup));
    f.set("Type", "Application");
    f.set("Name", escapeValue(entry.name));
    if (!entry.comment.empty()) f.set("Comment", escapeValue(entry.comment));
    f.set("Exec", escapeValue(execLine(argv)));
    f.set("Terminal", "false");
    const std::string newId = freeId(dirs, entry);
    error = writeAtomically(dirs.user + "/" + newId, f.text(), false);
    if (error.empty() && id) *id = newId;
    return error;
}

std::string setEnabled(const Dirs& dirs, const std::string& id, bool enabled) {
    if (!validId(id)) return "启动项名称无效：" + id;
    const std::string userPath = dirs.user + "/" + id;
    const std::string systemPath = systemFile(dirs, id);
    std::error_code ec;
    const bool hasUser = fs::is_regular_file(userPath, ec);
    DesktopFile system;
    const bool hasSystem = !systemPath.empty() && system.load(systemPath);

    if (hasUser) {
        DesktopFile user;
        if (!user.load(userPath)) return "无法读取 " + userPath + "。";
        if (isTrue(user.get(kMarker)) && hasSystem && entryEnabled(system) == enabled) {
            // Our hiding entry is no longer needed: the system entry speaks for itself again.
            if (!fs::remove(userPath, ec)) return "无法删除 " + userPath + "：" + ec.message();
            return {};
        }
        user.set("Hidden", enabled ? "false" : "true");
        if (enabled && user.get("X-GNOME-Autostart-enabled") == "false")
            user.set("X-GNOME-Autostart-enabled", "true");
        return writeAtomically(userPath, user.text(), true);
    }
    if (!hasSystem) return "找不到启动项 " + id + "。";
    if (entryEnabled(system) == enabled) return {};
    // System files stay as they are: a user entry of the same name stands in for it.
    system.set("Hidden", enabled ? "false" : "true");
    if (enabled && system.get("X-GNOME-Autostart-enabled") == "false")
        system.set("X-GNOME-Autostart-enabled", "true");
    system.set(kMarker, "true");
    return writeAtomically(userPath, system.text(), true);
}

std::string removeEntry(const Dirs& dirs, const std::string& id) {
    if (!validId(id)) return "启动项名称无效：" + id;
    const std::string userPath = dirs.user + "/" + id;
    std::error_code ec;
    if (fs::is_regular_file(userPath, ec)) {
        if (!fs::remove(userPath, ec)) return "无法删除 " + userPath + "：" + ec.message();
        return {};
    }
    if (!systemFile(dirs, id).empty()) return "系统启动项不能删除，只能停用（停用只对当前用户有效）。";
    return "找不到启动项 " + id + "。";
}

}  // namespace qx::autostart
