// tts and notice: the speech fetch and the online notice.
#include <CLI/CLI.hpp>
#include <memory>

#include "cli/Command.h"
#include "cli/OutputFile.h"
#include "notice/Notice.h"
#include "notice/ShareNote.h"
#include "text/Strings.h"
#include "utilities/speech/SpeechFetch.h"

#ifndef QX_CLI_VERSION
#define QX_CLI_VERSION "0"
#endif

namespace qx::cli {

namespace {

// An MP3 starts with an ID3 tag or with the sync bits of its first frame; the service's error
// answers are HTML or JSON.
bool looksLikeMp3(const ByteArray& bytes) {
    if (bytes.size() >= 3 && bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3') return true;
    return bytes.size() >= 2 && bytes[0] == 0xFF && (bytes[1] & 0xE0) == 0xE0;
}

struct TtsOptions {
    std::string text;
    std::string output;
};

Outcome runTts(Session& session, const TtsOptions& o) {
    Outcome failed;
    Text text;
    if (!session.textOf(o.text, "TEXT", text, failed)) return failed;
    if (isBlank(text)) return usageFailure("empty-text", "文本为空，没有可朗读的内容");
    if (o.output == "-" && session.json())
        return usageFailure("conflicting-options", "-o - 把声音写到标准输出，不能与 --json 同用");
    OutputFile file;
    std::string error;
    if (!file.open(o.output, error)) return unwritableOutput(o.output, error);

    const ByteArray audio = speech::fetchSpeechAudio(text, session.stop());
    if (session.stopped()) return interruptedRun();
    if (audio.empty()) return failure(kExitNetwork, "network", "语音服务没有回答");
    if (!looksLikeMp3(audio)) {
        std::string said(audio.begin(), audio.begin() + static_cast<long>(std::min<std::size_t>(audio.size(), 200)));
        return failure(kExitNoResult, "no-audio", "语音服务没有给出 MP3", withUnixLineBreaks(said));
    }
    if (!file.write(std::string_view(reinterpret_cast<const char*>(audio.data()), audio.size()), error) ||
        !file.commit(error))
        return unwritableOutput(o.output, error);
    if (file.toStandardOutput()) return success(nullptr, "");
    nlohmann::ordered_json json = {{"file", o.output}, {"bytes", audio.size()}};
    return success(std::move(json), "已保存 " + o.output + "（" + std::to_string(audio.size()) + " 字节）");
}

Outcome runNotice(Session& session) {
    const Text note = notice::fetchShareNote(notice::kNoticeShareLink, notice::kNoticeSharePassword, session.stop());
    if (session.stopped()) return interruptedRun();
    if (note.empty()) return failure(kExitNetwork, "offline", "取不到在线公告，当前处于离线状态");
    const notice::NoticeFields f = notice::parseNoticeFields(note);
    const std::string current = QX_CLI_VERSION;
    const std::string latest = utf8Of(f.latestVersion);
    const bool newer = !latest.empty() && latest != current;
    const std::string changeLog = withUnixLineBreaks(utf8Of(f.changeLog));
    nlohmann::ordered_json json = {{"currentVersion", current},
                           {"latestVersion", latest},
                           {"updateAvailable", newer},
                           {"changeLog", changeLog},
                           {"speedTestLink", utf8Of(f.speedTestLink)},
                           {"updateAddress", utf8Of(f.updateAddress)}};
    std::string text = "当前版本：" + current + "\n最新版本：" + latest + "\n";
    text += newer ? "新的版本已经发布。\n" : "已是最新版本。\n";
    if (!changeLog.empty()) text += "更新内容：\n" + changeLog + "\n";
    return success(std::move(json), std::move(text));
}

}  // namespace

void addTtsCommand(CLI::App& app, std::vector<Command>& commands) {
    auto o = std::make_shared<TtsOptions>();
    CLI::App* sub = app.add_subcommand("tts", "文字转语音，存为 MP3");
    sub->add_option("TEXT", o->text, "要朗读的文本（“-”：从标准输入读取）")->required();
    sub->add_option("-o,--output", o->output, "MP3 文件（“-”：标准输出）")->required();
    sub->footer("例：quorvex-cli tts 你好 -o hello.mp3");
    commands.push_back({sub, [o](Session& s) { return runTts(s, *o); }});
}

void addNoticeCommand(CLI::App& app, std::vector<Command>& commands) {
    CLI::App* sub = app.add_subcommand("notice", "在线公告：当前版本、最新版本与更新内容");
    sub->footer("例：quorvex-cli notice --json");
    commands.push_back({sub, [](Session& s) { return runNotice(s); }});
}

}  // namespace qx::cli
