#pragma once
// Runs the real quorvex-cli as a child process: arguments, environment, standard input (text,
// empty, or closed), standard output and error captured apart or through one terminal, and an
// optional SIGINT once a condition holds.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qx::test {

struct CliRun {
    std::vector<std::string> args;             // after the program name
    std::map<std::string, std::string> env;    // on top of a small clean environment
    std::optional<std::string> input;          // standard input; nullopt: /dev/null
    bool closeInput = false;                   // start with descriptor 0 closed
    bool terminal = false;                     // standard output and error on one pseudo-terminal
    std::function<bool()> interruptWhen;       // polled; SIGINT once it says true
    int interruptSignal = 2;                   // SIGINT
};

struct CliResult {
    int exitCode = -1;  // 128 + n when the signal n ended it
    std::string out;    // standard output (with terminal: everything the terminal showed)
    std::string err;
    bool interruptSent = false;
};

CliResult runCli(const CliRun& run);

}  // namespace qx::test
