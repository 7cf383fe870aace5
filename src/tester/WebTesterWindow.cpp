#include "tester/WebTesterWindow.h"

#include "net/HtmlText.h"
#include "platform/imaging/ImageSize.h"
#include "platform/system/Worker.h"
#include "tester/HtmlToTextToggle.h"
#include "tester/WebTester.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "ui/FileDialogs.h"

namespace qx::tester {

namespace {

constexpr int kCollapsedWidth = 523;
constexpr int kCollapsedCloseLeft = 488;
constexpr int kExpandedWidth = 906;
constexpr int kExpandedCloseLeft = 864;

using RunPtr = std::shared_ptr<RequestRun>;

void setPanel(ui::Window& w, bool expanded) {
    w.setWidth(expanded ? kExpandedWidth : kCollapsedWidth);
    w.control("按钮EX1").setLeft(expanded ? kExpandedCloseLeft : kCollapsedCloseLeft);
}

// The "->" button's state value; nothing in our view draws it differently.
void setExpandButtonState(ui::Window& w, int value) { w.control("按钮EX5").setPosition(value); }

void stopTimer(ui::Window& w) { w.control("时钟1").setInterval(0); }

// Ends the run unless its answer, a cancel or the limit ended it already; true when this call
// ended it. The transfer is stopped through its token, so a late answer finds the run ended.
bool endRun(RequestRun& run) {
    std::lock_guard lock(run.mutex);
    if (run.ended) return false;
    run.ended = true;
    run.stop.request_stop();
    return true;
}

// What the cancel and the limit show once they have ended the request.
void showStopped(ui::Window& w, Session& session) {
    w.control("标签EX10").setCaption(limitText());
    session.requestElapsedSeconds = 0;
    w.control("按钮EX2").setCaption(idleCaption());
    stopTimer(w);
}

void onWebTesterWindowCreated(ui::Window& w, Session& session) {
    // The skin element gets the program's skin from the common child-window wiring.
    setPanel(w, false);
    session.testerMethod = 0;
    w.control("单选框EX1").setChecked(true);  // GET, as the method is
    // A request the previous tester window left running has no window to answer to any more.
    if (RunPtr run = session.requestThread.get()) endRun(*run);
}

void confirmCancelRequest(const ui::WindowPtr& w, Session& session, ui::WindowSystem& windows,
                          const RunPtr& run) {
    if (windows.messageBox(w.get(), cancelQuestion(), Text(), ui::MessageStyle::YesNoQuestion) !=
        ui::MessageAnswer::Yes)
        return;
    // The answer may have come while the question was open: then there is nothing to cancel.
    if (run && endRun(*run)) showStopped(*w, session);
}

// The answer's views are those the switches show when the answer arrives: the user may still
// change them while the request runs.
struct AnswerViews {
    bool utf8Decode = false;
    bool simplify = false;
    bool imagePreview = false;
};

AnswerViews readAnswerViews(ui::Window& w) {
    return {w.control("选择框EX2").checked(), w.control("选择框EX4").checked(),
            w.control("选择框EX6").checked()};
}

void requestWorker(const ui::WindowPtr& w, const std::shared_ptr<Session>& shared, const RunPtr& run,
                   std::stop_token processStop) {
    Session& session = *shared;
    std::stop_callback chained(processStop, [run] { run->stop.request_stop(); });
    TesterRequest request;
    {
        std::lock_guard lock(run->mutex);
        if (run->ended || w->destroyed()) return;
        request.url = requestAddress(w->control("编辑框EX_原网址").text());
        w->control("编辑框EX_原网址").setText(request.url);
        const bool tenDigits = w->control("选择框EX3").checked();
        request.method = session.testerMethod.load();
        request.body = fillTimestamps(w->control("编辑框EX_提交数据").text(), tenDigits);
        request.cookies = w->control("编辑框EX_Cookie").text();
        request.headers = w->control("编辑框EX_协议头").text();
        request.noRedirect = w->control("选择框EX1").checked();
        request.windowLimit = w->control("选择框EX7").checked();
        request.maxAnswerBytes = answerCap();
    }

    TesterResponse response;
    ByteArray body = sendTesterRequest(request, run->stop.get_token(), response);
    const AnswerViews views = readAnswerViews(*w);

    // The slow parts (decoding, measuring the picture) run before the window is touched.
    Text text;
    platform::ImageSize size;
    if (response.tooLarge) {
        text = answerCapText(request.maxAnswerBytes);
    } else if (body.empty()) {
        text = net::emptyPageNotice();
    } else if (!run->stop.stop_requested()) {
        text = answerText(body, views.utf8Decode, views.simplify);
        if (views.imagePreview && containsZeroByte(body)) size = platform::imageSize(body);
    }

    std::lock_guard lock(run->mutex);
    if (run->ended || run->stop.stop_requested() || w->destroyed()) return;  // too late: discarded
    run->ended = true;
    ui::Window& win = *w;
    if (body.empty()) {
        session.lastResponseBytes.set({});
        win.control("编辑框EX_最后文本").setText(std::move(text));
    } else {
        win.control("编辑框EX_最后文本").setText(std::move(text));
        if (views.imagePreview) {
            const bool image = size.width != 0 && size.height != 0;
            if (image) {
                win.control("图片框EX1").setImage(body);
                win.control("标签EX1").setCaption(imageSizeText(size.width, size.height));
                win.control("标签EX_图片大小").setCaption(dataSizeText(body.size()));
            }
            setPanel(win, image);
        }
        win.control("按钮EX6").setCaption(gbk(u8"取文本"));
        session.savedPageText.set({});
        session.lastResponseBytes.set(std::move(body));
    }
    win.control("按钮EX2").setCaption(idleCaption());
    stopTimer(win);
}

void sendRequestClicked(const ui::WindowPtr& w, ProgramState& state, const std::shared_ptr<Session>& shared,
                        ui::WindowSystem& windows) {
    Session& session = *shared;
    const Text caption = w->control("按钮EX2").caption();
    if (caption == runningCaption()) {
        RunPtr run = session.requestThread.get();
        // The question waits on a thread of its own, so the window keeps running meanwhile.
        platform::startWorker(
            [w, shared, &windows, run](std::stop_token) { confirmCancelRequest(w, *shared, windows, run); });
        return;
    }
    if (caption != idleCaption()) return;

    session.requestElapsedSeconds = 0;
    w->control("标签EX10").setCaption(Text());
    setExpandButtonState(*w, 0);
    w->control("按钮EX2").setCaption(runningCaption());
    ui::Control headers = w->control("编辑框EX_协议头");
    if (isBlank(headers.text())) headers.setText(defaultHeaderLine());

    // Only one request at a time: one still running (its window was closed) gives way.
    if (RunPtr previous = session.requestThread.get()) endRun(*previous);
    auto run = std::make_shared<RequestRun>();
    session.requestThread.set(run);
    // The timer starts before the worker, so a quick answer always finds it to stop.
    if (w->control("选择框EX7").checked()) w->control("时钟1").setInterval(1000);
    platform::startWorker([w, shared, run](std::stop_token stop) { requestWorker(w, shared, run, stop); });
}

void requestTimerTick(ui::Window& w, Session& session) {
    RunPtr run = session.requestThread.get();
    if (!run) {
        stopTimer(w);
        return;
    }
    {
        std::lock_guard lock(run->mutex);
        if (run->ended) {  // a tick that was on its way when the request ended
            stopTimer(w);
            return;
        }
        if (session.requestElapsedSeconds < kLimitSeconds) {
            const int n = ++session.requestElapsedSeconds;
            w.control("标签EX10").setCaption(progressText(n));
            return;
        }
    }
    if (endRun(*run)) showStopped(w, session);
}

void expandPanelClicked(ui::Window& w) {
    setPanel(w, true);
    setExpandButtonState(w, 0);
}

void collapsePanelClicked(ui::Window& w) {
    setPanel(w, false);
    setExpandButtonState(w, 1);
}

void copyAnswerClicked(ui::Window& w, ui::WindowSystem& windows) {
    const Text text = w.control("编辑框EX_最后文本").text();
    if (!text.empty()) windows.setClipboardText(text);
}

// Saves the picture the preview shows. That is what the user sees and means to save: the last
// answer's bytes may be a later page that was no picture.
void savePreviewImage(ui::Window& w, ui::WindowSystem& windows) {
    ui::Control picture = w.control("图片框EX1");
    if (!picture.hasImage()) return;
    ui::ExportRequest request;
    request.filter = "*.*";
    request.keepDirectory = true;
    request.transfer = ui::ExportTransfer::Write;
    request.bytes = picture.image();
    ui::exportWithReplacePrompt(windows, w, request);
}

// Closing the window stops its request: nobody waits for the answer any more.
void closeClicked(const ui::WindowPtr& w, Session& session, ui::WindowSystem& windows) {
    if (RunPtr run = session.requestThread.get()) endRun(*run);
    windows.destroy(w);
}

}  // namespace

std::shared_ptr<Session> bindWebTesterSession(const ui::WindowPtr& window, ProgramState& state,
                                              ui::WindowSystem& windows) {
    auto session = std::make_shared<Session>();
    registerHtmlToText(*window, session->savedPageText);
    // Handlers live inside the window: they hold it weakly, the workers they start strongly.
    std::weak_ptr<ui::Window> weak = window;
    window->onCreated([weak, session] {
        if (auto w = weak.lock()) onWebTesterWindowCreated(*w, *session);
    });
    window->onClick("按钮EX2", [weak, &state, session, &windows] {
        if (auto w = weak.lock()) sendRequestClicked(w, state, session, windows);
    });
    window->onClick("单选框EX2", [session] { session->testerMethod = 1; });
    // Choosing GET again after POST makes the method GET again, as the radio button says.
    window->onClick("单选框EX1", [session] { session->testerMethod = 0; });
    window->onTimer("时钟1", [weak, session] {
        if (auto w = weak.lock()) requestTimerTick(*w, *session);
    });
    window->onClick("按钮EX5", [weak] {
        if (auto w = weak.lock()) expandPanelClicked(*w);
    });
    window->onClick("按钮EX4", [weak] {
        if (auto w = weak.lock()) collapsePanelClicked(*w);
    });
    window->onClick("按钮EX3", [weak, &windows] {
        if (auto w = weak.lock()) copyAnswerClicked(*w, windows);
    });
    window->onClick("图片框EX1", [weak, &windows] {
        if (auto w = weak.lock()) savePreviewImage(*w, windows);
    });
    window->onClick("按钮EX1", [weak, session, &windows] {
        if (auto w = weak.lock()) closeClicked(w, *session, windows);
    });
    return session;
}

void bindWebTesterWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    bindWebTesterSession(window, state, windows);
}

}  // namespace qx::tester
