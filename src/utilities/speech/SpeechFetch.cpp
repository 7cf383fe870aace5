#include "utilities/speech/SpeechFetch.h"

#include "net/FetchLimits.h"
#include "platform/http/Internet.h"
#include "platform/system/Files.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "text/UrlEncode.h"
#include "ui/FileDialogs.h"
#include "ui/PumpingDelay.h"
#include "ui/WindowTask.h"
#include "utilities/speech/SpeechControls.h"

namespace qx::speech {

namespace {

// "per" carries no "=": the service takes its default voice.
constexpr std::string_view kQueryTail =
    "&cuid=baike&lan=ZH&ctp=1&pdt=301&vol=9&rate=32&per&qq-pf-to=pcqq.group";

// A text file larger than this is not a text to read aloud; reading it would only exhaust memory.
constexpr long long kMaxImportBytes = 64LL << 20;

// Clears the fetch flag however the worker ends.
struct FetchRunning {
    std::atomic<bool>& flag;
    ~FetchRunning() { flag = false; }
};

}  // namespace

Text speechFilePath(const ProgramState& state) { return state.pathIn("Temp\\audio.mp3"); }

Text speechRequestUrl(const Text& text) {
    return "http://" + Text(kSpeechHost) + "/text2audio?tex=" + urlEncodeText(text, true, true) +
           Text(kQueryTail);
}

ByteArray fetchSpeechAudio(const Text& text, std::stop_token stop) {
    return platform::httpGetBytes(speechRequestUrl(text), stop, net::fetchLimits(net::AnswerKind::Speech));
}

void fetchSpeech(ui::Window& window, ProgramState& state, ui::WindowSystem& windows, std::stop_token stop) {
    ui::Control textBox = window.control(control::kText);
    ui::Control button = window.control(control::kConvert);
    const Text text = textBox.text();
    if (isBlank(text)) return;
    const Text file = speechFilePath(state);
    if (platform::fileExists(file)) platform::deleteFile(file);
    if (!window.destroyed()) button.setCaption(gbk(u8"转换中"));
    ui::pumpingDelay(windows, 100);
    const ByteArray answer = fetchSpeechAudio(text, stop);
    // A fetch stopped by the window's closing is no answer: no file rather than an empty one.
    if (!stop.stop_requested()) {
        platform::createDirectory(state.pathIn("Temp"));
        platform::writeFile(file,
                            std::string_view(reinterpret_cast<const char*>(answer.data()), answer.size()));
    }
    if (!window.destroyed()) button.setCaption(gbk(u8"转换"));
}

void convertToSpeech(const ui::WindowPtr& window, ProgramState& state,
                     const std::shared_ptr<Session>& session, ui::WindowSystem& windows,
                     std::stop_token windowClosing) {
    if (isBlank(window->control(control::kText).text())) return;
    if (session->fetchRunning.exchange(true)) return;  // the running fetch writes the file
    const bool started = ui::startWindowTask(
        windows, *window,
        [window, &state, session, &windows](std::stop_token fetch) {
            FetchRunning running{session->fetchRunning};
            fetchSpeech(*window, state, windows, fetch);
        },
        windowClosing);
    // No thread to be had: nothing started, nothing to wait for.
    if (!started) session->fetchRunning = false;
}

void importSpeechText(ui::Window& window, ui::WindowSystem& windows) {
    ui::OpenDialogArgs args;
    args.filter = "All files(*.*)|*.*";
    const Text path = ui::openFileDialog(windows, &window, args);
    if (path.empty()) return;
    std::string bytes;
    if (const platform::FileOutcome read = platform::loadFile(path, bytes, kMaxImportBytes); !read) {
        ui::showFileFailure(windows, &window, gbk(u8"导入文件失败"), read.path, read.error);
        return;
    }
    // Read as a text file: it ends at the first zero byte or Ctrl-Z.
    bytes = bytes.substr(0, bytes.find_first_of(std::string_view("\0\x1A", 2)));
    const Text imported = bytes.empty() ? Text() : utf8ToText(bytes);
    ui::Control textBox = window.control(control::kText);
    const Text current = textBox.text();
    textBox.setText(isBlank(current) ? current + imported : current + "\r\n" + imported);
}

}  // namespace qx::speech
