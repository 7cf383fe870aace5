#pragma once
// Runs a test in de_DE.UTF-8, a locale whose decimal separator is a comma, as a German or French
// desktop session sets it. When the system has not generated that locale, it is compiled once
// from the `locales` package's sources into a folder of our own that LOCPATH points to.
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace qx::test {

constexpr const char* kCommaLocale = "de_DE.UTF-8";

// Sets LC_ALL to de_DE.UTF-8 (false when it cannot be had); the destructor restores the locale.
class CommaLocale {
  public:
    CommaLocale() {
        const char* before = std::setlocale(LC_ALL, nullptr);
        saved_ = before ? before : "C";
        active_ = std::setlocale(LC_ALL, kCommaLocale) != nullptr ||
                  (generate() && std::setlocale(LC_ALL, kCommaLocale));
    }
    ~CommaLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    bool active() const { return active_; }

  private:
    static bool generate() {
        namespace fs = std::filesystem;
        const fs::path dir = fs::temp_directory_path() / "qx-test-locales";
        if (!fs::is_directory(dir / kCommaLocale)) {
            // Built beside and renamed, so parallel test processes never read half a locale.
            const fs::path part = dir / (".part-" + std::to_string(::getpid()));
            std::error_code ec;
            fs::create_directories(part, ec);
            const std::string command =
                "localedef -c -i de_DE -f UTF-8 '" + (part / kCommaLocale).string() + "' >/dev/null 2>&1";
            if (std::system(command.c_str()) == -1 || !fs::is_directory(part / kCommaLocale)) return false;
            fs::rename(part / kCommaLocale, dir / kCommaLocale, ec);
            fs::remove_all(part, ec);
        }
        ::setenv("LOCPATH", dir.c_str(), 1);
        return true;
    }

    std::string saved_;
    bool active_ = false;
};

}  // namespace qx::test
