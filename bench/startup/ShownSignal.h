#pragma once
// How a start-up program says its window is painted: one byte on standard output, the moment
// the benchmark's clock stops. With QX_MAPPINGS_TO=<file> it first copies /proc/self/smaps
// there, so compare.sh can say which mappings hold the memory beyond the yardstick's.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

inline void signalShown() {
    if (const char* to = std::getenv("QX_MAPPINGS_TO")) {
        FILE* in = std::fopen("/proc/self/smaps", "r");
        FILE* out = std::fopen(to, "w");
        char block[4096];
        std::size_t n;
        while (in && out && (n = std::fread(block, 1, sizeof block, in)) > 0) std::fwrite(block, 1, n, out);
        if (in) std::fclose(in);
        if (out) std::fclose(out);
    }
    (void)!write(STDOUT_FILENO, "\n", 1);
}
