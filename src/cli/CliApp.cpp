#include "cli/CliApp.h"

#include <exception>
#include <string>

#include "cli/Command.h"
#include "cli/CommandLine.h"
#include "cli/Console.h"
#include "cli/Interrupt.h"
#include "cli/Outcome.h"

namespace qx::cli {

namespace {

void report(const Console& console, const Outcome& outcome, bool json) {
    if (json) {
        Console::writeAll(1, jsonLine(outcome) + "\n");
    } else if (outcome.ok() && !outcome.text.empty()) {
        std::string text = outcome.text;
        if (text.back() != '\n') text += '\n';
        console.printOut(text);
    }
    if (!outcome.ok()) {
        console.printError(std::string(kProgram) + ": " + outcome.errorLine() + "\n");
    } else if (!outcome.note.empty()) {
        console.printError(std::string(kProgram) + ": " + outcome.note + "\n");
    }
}

int finish(const Console& console, const Outcome& outcome, bool json) {
    beginFinalOutput();
    report(console, outcome, json);
    return outcome.exitCode;
}

}  // namespace

int runCli(int argc, char** argv) {
    // Never destroyed: the interrupt watcher may still report through it while the run ends.
    Console& console = *new Console;
    console.claimStandardStreams();
    watchInterrupts();
    const bool json = wantsJson(argc, argv);
    setForcedExitReport([&console, json](int signal) { report(console, interrupted(signal), json); });

    std::string unknownCharset;
    if (!console.chooseCharset(unknownCharset))
        return finish(console,
                      usageFailure("unsupported-charset", "终端的字符集无法转换",
                                   unknownCharset + "；请使用 UTF-8 的区域设置，例如 LANG=C.UTF-8"),
                      json);

    try {
        CommandLine line;
        const CommandLine::Parsed parsed = line.parse(argc, argv);
        if (parsed.ended) return finish(console, *parsed.ended, json);
        if (!parsed.command) {
            console.printOut(parsed.printed);
            return kExitSuccess;
        }
        Session session(console, json, interruptToken());
        Outcome outcome = parsed.command->run(session);
        // A transfer the signal stopped fails; that failure is the interruption.
        if (!outcome.ok() && interruptSignal() != 0) outcome = interrupted(interruptSignal());
        return finish(console, outcome, json);
    } catch (const std::exception& e) {
        return finish(console, failure(kExitNoResult, "internal", "内部错误", e.what()), json);
    }
}

}  // namespace qx::cli
