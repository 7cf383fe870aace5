// The command line of quorvex-cli: NUL-separated arguments read by the same parser runCli uses.
// Nothing runs; a line must end in a command, printed help or a usage failure, never a throw.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<std::string> words{"quorvex-cli"};
    std::string word;
    for (size_t i = 0; i < size && words.size() < 64; ++i) {
        if (data[i] == 0) {
            words.push_back(word);
            word.clear();
        } else {
            word += static_cast<char>(data[i]);
        }
    }
    if (words.size() < 64) words.push_back(word);
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);

    qx::cli::CommandLine line;
    const qx::cli::CommandLine::Parsed parsed = line.parse(static_cast<int>(words.size()), argv.data());
    const int outcomes = (parsed.command != nullptr) + parsed.ended.has_value() + !parsed.printed.empty();
    if (outcomes != 1) std::abort();  // exactly one way the line ends
    if (parsed.ended && parsed.ended->exitCode != qx::cli::kExitUsage) std::abort();
    (void)qx::cli::wantsJson(static_cast<int>(words.size()), argv.data());
    return 0;
}
