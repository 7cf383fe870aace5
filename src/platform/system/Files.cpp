#include "platform/system/Files.h"

#include <sys/stat.h>
#include <unistd.h>

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
