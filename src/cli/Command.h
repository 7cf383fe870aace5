#pragma once
// What every command shares: the run's session (console, JSON or text, the interrupt token)
// and the table the commands add themselves to.
#include <functional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Console.h"
#include "cli/Outcome.h"
#include "core/Text.h"

namespace CLI {
class App;
}

namespace qx::cli {

class Session {
  public:
    Session(Console& console, bool json, std::stop_token stop)
        : console_(console), json_(json), stop_(std::move(stop)) {}

    Console& console() { return console_; }
    bool json() const { return json_; }
    const std::stop_token& stop() const { return stop_; }
    bool stopped() const { return stop_.stop_requested(); }

    // The GBK text of an argument; "-" reads standard input (one final line break dropped).
    // False, with the failure to report, when the input cannot be read or is not valid in the
    // terminal's charset. what names the argument in the message.
    bool textOf(const std::string& raw, std::string_view what, Text& out, Outcome& failed);

    // A progress line on the terminal, unless the output is JSON.
    ProgressLine progressLine() { return ProgressLine(console_, !json_); }

  private:
    Console& console_;
    bool json_;
    std::stop_token stop_;
    bool stdinTaken_ = false;
};

using CommandRun = std::function<Outcome(Session&)>;

struct Command {
    CLI::App* app;
    CommandRun run;
};

// Each adds one subcommand to the application and its run to the table.
void addResolveCommand(CLI::App& app, std::vector<Command>& commands);
void addRequestCommand(CLI::App& app, std::vector<Command>& commands);
void addEncodeCommand(CLI::App& app, std::vector<Command>& commands);
void addDecodeCommand(CLI::App& app, std::vector<Command>& commands);
void addRegexCommand(CLI::App& app, std::vector<Command>& commands);
void addTtsCommand(CLI::App& app, std::vector<Command>& commands);
void addNoticeCommand(CLI::App& app, std::vector<Command>& commands);
void addAvatarCommand(CLI::App& app, std::vector<Command>& commands);
void addFaviconCommand(CLI::App& app, std::vector<Command>& commands);
void addSpeedTestCommand(CLI::App& app, std::vector<Command>& commands);

// Texts the commands share.
std::string utf8Of(const Text& text);                // GBK text to UTF-8
std::string withUnixLineBreaks(std::string_view s);  // CR LF -> LF
// The outcome of a run its interrupt token stopped.
Outcome interruptedRun();
// The failure for an output file that cannot be written.
Outcome unwritableOutput(const std::string& path, const std::string& reason);

}  // namespace qx::cli
