#pragma once
// A scratch program directory with its "Temp" folder, removed afterwards, and a poll helper
// for waiting on workers.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace qx::test {

class RunDirectory {
  public:
    explicit RunDirectory(const std::string& name) {
        static std::atomic<int> counter{0};
        root_ = std::filesystem::temp_directory_path() /
                ("qx-" + name + "-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "Temp");
    }
    ~RunDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    RunDirectory(const RunDirectory&) = delete;
    RunDirectory& operator=(const RunDirectory&) = delete;

    const std::filesystem::path& root() const { return root_; }
    // The executable's path as the program state takes it (ASCII here, so GBK as it is).
    std::string executable() const { return (root_ / "quorvex").string(); }
    std::string path(const std::string& relative) const { return (root_ / relative).string(); }
    bool exists(const std::string& relative) const { return std::filesystem::exists(root_ / relative); }
    std::string read(const std::string& relative) const {
        std::ifstream in(root_ / relative, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& relative, const std::string& bytes) const {
        std::ofstream(root_ / relative, std::ios::binary) << bytes;
    }

  private:
    std::filesystem::path root_;
};

// Polls f until it holds, for up to ms.
template <typename F>
bool eventually(F f, int ms = 10000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (f()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return f();
}

}  // namespace qx::test
