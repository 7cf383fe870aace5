#include "cli/OutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/Console.h"
#include "cli/Interrupt.h"

namespace qx::cli {

namespace {

std::string systemError(int error) { return std::strerror(error); }

std::string directoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

OutputFile::~OutputFile() { discard(); }

bool OutputFile::open(const std::string& path, std::string& error) {
    path_ = path;
    if (toStandardOutput()) return true;
    if (path.empty()) {
        error = "文件名为空";
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = systemError(EISDIR);
        return false;
    }
    const std::string directory = directoryOf(path);
    const std::string base = baseNameOf(path);
    if (base.empty() || base == "." || base == "..") {
        error = systemError(EISDIR);
        return false;
    }
    // A hidden name in the same folder, so the rename stays on one file system.
    const std::string folder =
        path.find('/') == std::string::npos ? std::string() : (directory == "/" ? directory : directory + "/");
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = folder + "." + base + ".part-" + std::to_string(getpid()) + "-" +
                                      std::to_string(attempt);
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            fd_ = fd;
            temporary_ = candidate;
            setPartialFile(temporary_);
            return true;
        }
        if (errno != EEXIST) {
            error = systemError(errno);
            return false;
        }
    }
    error = systemError(EEXIST);
    return false;
}

bool OutputFile::write(std::string_view bytes, std::string& error) {
    if (toStandardOutput()) {
        if (Console::writeAll(1, bytes)) return true;
        error = systemError(errno);
        return false;
    }
    if (fd_ < 0) {
        error = systemError(EBADF);
        return false;
    }
    if (Console::writeAll(fd_, bytes)) return true;
    error = systemError(errno);
    return false;
}

bool OutputFile::commit(std::string& error) {
    if (toStandardOutput()) return true;
    if (fd_ < 0) {
        error = systemError(EBADF);
        return false;
    }
    const bool synced = fsync(fd_) == 0 || errno == EINVAL;  // some file systems cannot sync
    const int syncError = errno;
    const bool closed = close(fd_) == 0;
    const int closeError = errno;
    fd_ = -1;
    if (!synced || !closed) {
        error = systemError(!synced ? syncError : closeError);
        discard();
        return false;
    }
    if (rename(temporary_.c_str(), path_.c_str()) != 0) {
        error = systemError(errno);
        discard();
        return false;
    }
    temporary_.clear();
    setPartialFile({});
    return true;
}

void OutputFile::discard() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
    if (!temporary_.empty()) {
        unlink(temporary_.c_str());
        temporary_.clear();
        setPartialFile({});
    }
}

}  // namespace qx::cli
