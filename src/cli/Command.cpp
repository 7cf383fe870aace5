#include "cli/Command.h"

#include <csignal>

#include "cli/Interrupt.h"
#include "text/CodePages.h"

namespace qx::cli {

bool Session::textOf(const std::string& raw, std::string_view what, Text& out, Outcome& failed) {
    std::string bytes = raw;
    if (raw == "-") {
        if (stdinTaken_) {
            failed = usageFailure("stdin-twice", "只能有一个参数从标准输入读取", std::string(what));
            return false;
        }
        stdinTaken_ = true;
        switch (console_.readStandardInput(bytes)) {
            case Console::InputState::Read:
                break;
            case Console::InputState::Closed:
                failed = usageFailure("stdin-closed", "标准输入已关闭，读不到" + std::string(what));
                return false;
            case Console::InputState::Failed:
                failed = usageFailure("stdin-unreadable", "读取标准输入失败", std::string(what));
                return false;
        }
        // What `echo` or a here-string adds is not part of the text.
        if (!bytes.empty() && bytes.back() == '\n') bytes.pop_back();
        if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();
    }
    if (!console_.toText(bytes, out)) {
        failed = usageFailure(console_.utf8() ? "invalid-utf8" : "invalid-text",
                              std::string(what) + " 不是有效的 " + console_.charset() + " 文本");
        return false;
    }
    return true;
}

std::string utf8Of(const Text& text) { return gbkToUtf8(text); }

std::string withUnixLineBreaks(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') continue;
        out += s[i];
    }
    return out;
}

Outcome interruptedRun() {
    const int signal = interruptSignal();
    return interrupted(signal != 0 ? signal : SIGINT);
}

Outcome unwritableOutput(const std::string& path, const std::string& reason) {
    return usageFailure("unwritable-output", "无法写入输出文件 " + path, reason);
}

}  // namespace qx::cli
