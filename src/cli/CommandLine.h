#pragma once
// The command line of quorvex-cli read into the command to run, without running anything: what
// runCli does first, and what the fuzzer feeds.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/Command.h"
#include "cli/Outcome.h"

namespace qx::cli {

// The program's name in its messages and its version line.
inline constexpr const char* kProgram = "quorvex-cli";

class CommandLine {
  public:
    CommandLine();  // every command added
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    struct Parsed {
        const Command* command = nullptr;  // the command to run; null when the line ends here
        std::string printed;               // help or version text for standard output
        std::optional<Outcome> ended;      // a usage failure, when the line does not parse
    };
    // Reads argv once; never throws for any argument text.
    Parsed parse(int argc, char** argv);

  private:
    std::unique_ptr<CLI::App> app_;
    std::vector<Command> commands_;
    bool json_ = false;
};

// --json anywhere before "--" asks for JSON, even when the rest of the line does not parse.
bool wantsJson(int argc, char** argv);

}  // namespace qx::cli
