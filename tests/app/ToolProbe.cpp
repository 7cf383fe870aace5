// Stands in for a tool in the launcher tests: reports how it was started, then waits to be
// ended (and ends by itself after a minute, should a test forget it).
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
    const char* dir = std::getenv("QX_PROBE_DIR");
    if (!dir) return 1;
    char exe[PATH_MAX] = {};
    ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n < 0) n = 0;
    exe[n] = '\0';
    char cwd[PATH_MAX] = {};
    if (!getcwd(cwd, sizeof cwd)) cwd[0] = '\0';
    const std::string path = std::string(dir) + "/" + std::to_string(getpid());
    const std::string temp = path + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "w");
    if (!f) return 1;
    std::fprintf(f, "%d %d %d\n%s\n%s\n", static_cast<int>(getpid()), static_cast<int>(getpgid(0)),
                 static_cast<int>(getsid(0)), exe, cwd);
    std::fclose(f);
    std::rename(temp.c_str(), (path + ".txt").c_str());
    for (int i = 0; i < 60; ++i) sleep(1);
    return 0;
}
