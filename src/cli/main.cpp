#include <cstdio>
#include <unistd.h>

#include "cli/CliApp.h"

int main(int argc, char** argv) {
    const int code = qx::cli::runCli(argc, argv);
    std::fflush(nullptr);
    // Workers the services left behind are not waited for.
    _exit(code);
}
