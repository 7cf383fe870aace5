#pragma once
// What one command ends with: a result for standard output (text and JSON forms) or a failure
// with its exit code, one line for standard error and a stable English reason word.
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace qx::cli {

// Exit codes scripts can rely on.
enum ExitCode : int {
    kExitSuccess = 0,
    kExitNoResult = 1,     // the service answered, but with nothing usable
    kExitUsage = 2,        // the command line or its input is wrong
    kExitNetwork = 3,      // no answer (no connection, time-out, an answer cut short)
    kExitInterrupted = 130,  // 128 + SIGINT
};

struct Outcome {
    int exitCode = kExitSuccess;
    nlohmann::ordered_json result;  // the "result" of the JSON form
    std::string text;       // UTF-8 text for standard output (a final line break is added)
    std::string reason;     // failures: the English key word, e.g. "network"
    std::string message;    // failures: the Chinese sentence, without the key word
    std::string detail;     // failures: what the system or the service said, may be empty
    std::string note;       // successes: a remark for standard error, may be empty

    bool ok() const { return exitCode == kExitSuccess; }
    // "<message> (<reason>)" plus "：<detail>" when there is one.
    std::string errorLine() const;
};

Outcome success(nlohmann::ordered_json result, std::string text);
Outcome failure(int exitCode, std::string_view reason, std::string_view message, std::string_view detail = {});

inline Outcome usageFailure(std::string_view reason, std::string_view message, std::string_view detail = {}) {
    return failure(kExitUsage, reason, message, detail);
}
// A run ended by a signal: exit code 128 + its number (130 for SIGINT).
Outcome interrupted(int signal);

// The JSON object of an outcome: {"ok": true, "result": ...} or
// {"ok": false, "error": "...", "reason": "..."}, as one line.
std::string jsonLine(const Outcome& outcome);

}  // namespace qx::cli
