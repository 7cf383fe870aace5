#include "cli/Outcome.h"

namespace qx::cli {

std::string Outcome::errorLine() const {
    std::string line = message + " (" + reason + ")";
    if (!detail.empty()) line += "：" + detail;
    // One line, whatever a service put into the detail.
    for (char& c : line)
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    return line;
}

Outcome success(nlohmann::ordered_json result, std::string text) {
    Outcome o;
    o.result = std::move(result);
    o.text = std::move(text);
    return o;
}

Outcome failure(int exitCode, std::string_view reason, std::string_view message, std::string_view detail) {
    Outcome o;
    o.exitCode = exitCode;
    o.reason = std::string(reason);
    o.message = std::string(message);
    o.detail = std::string(detail);
    return o;
}

Outcome interrupted(int signal) { return failure(128 + signal, "interrupted", "已中断"); }

std::string jsonLine(const Outcome& outcome) {
    nlohmann::ordered_json object;
    if (outcome.ok()) {
        object["ok"] = true;
        object["result"] = outcome.result;
    } else {
        object["ok"] = false;
        object["error"] = outcome.errorLine();
        object["reason"] = outcome.reason;
    }
    // Every text in it is UTF-8 already; a stray byte becomes U+FFFD rather than an exception.
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace qx::cli
