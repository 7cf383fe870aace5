#include "platform/system/Files.h"

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/text/CodePage.h"
#include "platform/text/Ascii.h"

namespace fs = std::filesystem;

namespace qx::platform {
namespace {
fs::path native(std::string_view gbkPath) { return fs::path(toNativePath(gbkPath)); }
}  // namespace

std::string pathSeparator() { return "/"; }

std::string toNativePath(std::string_view gbkPath) { return utf16ToUtf8(decodeCodePage(gbkPath, 936)); }

std::string fromNativePath(std::string_view nativePath) { return encodeCodePage(utf8ToUtf16(nativePath), 936); }

bool fileExists(std::string_view path) {
    if (path.empty()) return false;
    std::error_code ec;
    return fs::exists(native(path), ec);
}

bool isDirectory(std::string_view path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(native(path), ec);
}

bool isWritableDirectory(std::string_view path) {
    return isDirectory(path) && ::access(native(path).c_str(), W_OK | X_OK) == 0;
}

std::string userCacheDirectory() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && *cache == '/') return fromNativePath(cache);
    const char* home = std::getenv("HOME");
    if (home && *home == '/') return fromNativePath(std::string(home) + "/.cache");
    return {};
}

std::string userFilesDirectory() {
    const char* home = std::getenv("HOME");
    const std::string homeDir = home && *home == '/' ? std::string(home) : std::string();
    std::string config;
    if (const char* c = std::getenv("XDG_CONFIG_HOME"); c && *c == '/')
        config = c;
    else if (!homeDir.empty())
        config = homeDir + "/.config";
    std::ifstream dirs(config + "/user-dirs.dirs");
    std::string line;
    const std::string key = "XDG_DOCUMENTS_DIR=\"";
    while (!config.empty() && std::getline(dirs, line)) {
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        value = value.substr(0, value.find('"'));
        if (value.rfind("$HOME", 0) == 0) {
            if (homeDir.empty()) break;
            value = homeDir + value.substr(5);
        }
        std::error_code ec;
        // A desktop without such a folder sets it to $HOME itself.
        if (value.size() > 1 && value.front() == '/' && fs::is_directory(value, ec) &&
            !fs::equivalent(value, homeDir, ec))
            return fromNativePath(value);
        break;
    }
    return homeDir.empty() ? std::string() : fromNativePath(homeDir);
}

bool writeFile(std::string_view path, std::string_view bytes) {
    std::ofstream out(native(path), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool appendFile(std::string_view path, std::string_view bytes) {
    std::ofstream out(native(path), std::ios::binary | std::ios::app);
    if (!out) return false;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

bool readFile(std::string_view path, std::string& bytes) {
    bytes.clear();
    std::ifstream in(native(path), std::ios::binary);
    if (!in) return false;
    in.seekg(0, std::ios::end);
    auto size = in.tellg();
    if (size < 0) return false;
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    in.read(bytes.data(), size);
    return static_cast<bool>(in) || in.eof();
}

long long fileSize(std::string_view path) {
    std::error_code ec;
    auto n = fs::file_size(native(path), ec);
    return ec ? -1 : static_cast<long long>(n);
}

bool deleteFile(std::string_view path) {
    std::error_code ec;
    return !path.empty() && !fs::is_directory(native(path), ec) && fs::remove(native(path), ec);
}

bool copyFile(std::string_view from, std::string_view to, bool overwrite) {
    std::error_code ec;
    auto opt = overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::none;
    return fs::copy_file(native(from), native(to), opt, ec);
}

bool moveFile(std::string_view from, std::string_view to) {
    std::error_code ec;
    fs::rename(native(from), native(to), ec);
    if (!ec) return true;
    // Across file systems: copy, then remove the source.
    if (!copyFile(from, to, true)) return false;
    return deleteFile(from);
}

bool createDirectory(std::string_view path) {
    std::error_code ec;
    return !path.empty() && fs::create_directory(native(path), ec);
}

bool removeDirectory(std::string_view path) {
    std::error_code ec;
    return !path.empty() && fs::remove_all(native(path), ec) > 0;
}

bool setExecutable(std::string_view path) {
    std::error_code ec;
    fs::permissions(native(path), fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, ec);
    return !ec;
}

namespace {

FileOutcome failed(int error, std::string_view path) { return {error == 0 ? EIO : error, std::string(path)}; }

// A name beside the target that no other file has; the leading dot keeps it out of sight.
std::string partFileFor(const std::string& target) {
    static std::atomic<unsigned> counter{0};
    const std::size_t cut = target.find_last_of('/');
    const std::string folder = cut == std::string::npos ? std::string() : target.substr(0, cut + 1);
    // Cut, so that a long name's companion still fits the file system's limit on names.
    const std::string name = (cut == std::string::npos ? target : target.substr(cut + 1)).substr(0, 200);
    return folder + "." + name + ".part-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Fills a new file beside the target through fill(fd) and renames it over the target, so the
// target is either the old file or the whole new one.
template <typename Fill>
FileOutcome replaceThrough(std::string_view gbkTarget, Fill fill) {
    const std::string target = toNativePath(gbkTarget);
    struct stat old {};
    const bool existed = ::stat(target.c_str(), &old) == 0;
    if (existed && S_ISDIR(old.st_mode)) return failed(EISDIR, gbkTarget);
    // A file the user may not write stays, as an overwrite in place would leave it.
    if (existed && ::access(target.c_str(), W_OK) != 0) return failed(errno, gbkTarget);
    const std::string part = partFileFor(target);
    const int fd = ::open(part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return failed(errno, gbkTarget);
    if (existed) ::fchmod(fd, old.st_mode & 07777);  // a replaced file keeps its permissions
    int error = fill(fd);
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(part.c_str(), target.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(part.c_str());
        return failed(error, gbkTarget);
    }
    return {};
}

}  // namespace

FileOutcome saveFile(std::string_view path, std::string_view bytes) {
    return replaceThrough(path, [&](int fd) {
        errno = 0;
        return writeAll(fd, bytes) ? 0 : (errno ? errno : EIO);
    });
}

FileOutcome saveCopy(std::string_view from, std::string_view to) {
    const int in = ::open(toNativePath(from).c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return failed(errno, from);
    struct stat st {};
    if (::fstat(in, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(in);
        return failed(EISDIR, from);
    }
    bool readFailed = false;
    FileOutcome out = replaceThrough(to, [&](int fd) {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(in, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                readFailed = true;
                return errno;
            }
            if (n == 0) return 0;
            errno = 0;
            if (!writeAll(fd, std::string_view(buffer, static_cast<std::size_t>(n))))
                return errno ? errno : EIO;
        }
    });
    ::close(in);
    if (readFailed) out.path = std::string(from);
    return out;
}

FileOutcome saveMove(std::string_view from, std::string_view to) {
    const std::string source = toNativePath(from);
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0) return failed(errno, from);
    if (S_ISDIR(st.st_mode)) return failed(EISDIR, from);
    struct stat old {};
    if (::stat(toNativePath(to).c_str(), &old) == 0 && S_ISDIR(old.st_mode)) return failed(EISDIR, to);
    if (::rename(source.c_str(), toNativePath(to).c_str()) == 0) return {};
    if (errno != EXDEV) return failed(errno, to);
    FileOutcome copied = saveCopy(from, to);
    if (copied) ::unlink(source.c_str());  // the file is saved; a source left behind loses nothing
    return copied;
}

FileOutcome loadFile(std::string_view path, std::string& bytes, long long maxBytes) {
    bytes.clear();
    const int fd = ::open(toNativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return failed(errno, path);
    struct stat st {};
    int error = ::fstat(fd, &st) != 0 ? errno : 0;
    if (error == 0 && S_ISDIR(st.st_mode)) error = EISDIR;
    if (error == 0 && st.st_size > maxBytes) error = EFBIG;
    char buffer[65536];
    while (error == 0) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        if (static_cast<long long>(bytes.size()) + n > maxBytes) error = EFBIG;  // grew while read
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (error != 0) {
        bytes.clear();
        return failed(error, path);
    }
    return {};
}

std::string systemErrorText(int error) {
    static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c ? ::strerror_l(error, c) : "error " + std::to_string(error);
}

bool wildcardMatch(std::string_view pattern, std::string_view name) {
    // Iterative glob with backtracking to the last '*'; letters compare case-insensitively as
    // the system's listing does.
    auto fold = [](char c) { return lowerAscii(c); };
    std::size_t p = 0, n = 0, star = std::string_view::npos, mark = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> listNames(std::string_view directory, std::string_view pattern) {
    std::vector<std::string> out;
    std::error_code ec;
    fs::directory_iterator it(native(directory), ec), end;
    if (ec) return out;
    for (; it != end; it.increment(ec)) {
        if (ec) break;
        std::string name = fromNativePath(it->path().filename().string());
        if (name == "." || name == "..") continue;
        if (wildcardMatch(pattern, name)) out.push_back(name);
    }
    return out;
}

std::string currentDirectory() {
    std::error_code ec;
    return fromNativePath(fs::current_path(ec).string());
}

bool setCurrentDirectory(std::string_view path) {
    std::error_code ec;
    fs::current_path(native(path), ec);
    return !ec;
}

std::string executablePath() {
    std::error_code ec;
    auto p = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : fromNativePath(p.string());
}

}  // namespace qx::platform
