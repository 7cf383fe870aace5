#include "tester/WebTesterWindow.h"

#include "net/HtmlText.h"
#include "platform/imaging/ImageSize.h"
#include "platform/system/Worker.h"
#include "tester/HtmlToTextToggle.h"
#include "tester/TesterControls.h"
#include "tester/WebTester.h"
#include "text/CodePages.h"
#include "text/Strings.h"
#include "ui/FileDialogs.h"
#include "ui/LayoutRows.h"

namespace qx::tester {

namespace {

constexpr int kCollapsedWidth = 523;
constexpr int kCollapsedCloseLeft = 488;
constexpr int kExpandedWidth = 906;
constexpr int kExpandedCloseLeft = 864;

using RunPtr = std::shared_ptr<RequestRun>;

void setPanel(ui::Window& w, bool expanded) {
    w.setWidth(expanded ? kExpandedWidth : kCollapsedWidth);
    w.control(control::kClose).setLeft(expanded ? kExpandedCloseLeft : kCollapsedCloseLeft);
}

// The "->" button's state value; nothing in our view draws it differently.
void setExpandButtonState(ui::Window& w, int value) { w.control(control::kExpand).setPosition(value); }

void stopTimer(ui::Window& w) { w.control(control::kTimer).setInterval(0); }

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
    w.control(control::kElapsed).setCaption(limitText());
    session.requestElapsedSeconds = 0;
    w.control(control::kSend).setCaption(idleCaption());
    stopTimer(w);
}

void onWebTesterWindowCreated(ui::Window& w, Session& session) {
    // The skin element gets the program's skin from the common child-window wiring.
    setPanel(w, false);
    session.testerMethod = net::HttpMethod::Get;
    w.control(control::kGet).setChecked(true);  // GET, as the method is
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
    return {w.control(control::kUtf8).checked(), w.control(control::kSimplified).checked(),
            w.control(control::kPictureView).checked()};
}

void requestWorker(const ui::WindowPtr& w, const std::shared_ptr<Session>& shared, const RunPtr& run,
                   std::stop_token processStop) {
    Session& session = *shared;
    std::stop_callback chained(processStop, [run] { run->stop.request_stop(); });
    TesterRequest request;
    {
        std::lock_guard lock(run->mutex);
        if (run->ended || w->destroyed()) return;
        request.url = requestAddress(w->control(control::kAddress).text());
        w->control(control::kAddress).setText(request.url);
        const bool tenDigits = w->control(control::kTenDigits).checked();
        request.method = session.testerMethod.load();
        request.body = fillTimestamps(w->control(control::kBody).text(), tenDigits);
        request.cookies = w->control(control::kCookies).text();
        request.headers = w->control(control::kHeaders).text();
        request.noRedirect = w->control(control::kNoRedirect).checked();
        request.windowLimit = w->control(control::kTimeLimit).checked();
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
        win.control(control::kAnswer).setText(std::move(text));
    } else {
        win.control(control::kAnswer).setText(std::move(text));
        if (views.imagePreview) {
            const bool image = size.width != 0 && size.height != 0;
            if (image) {
                win.control(control::kPicture).setImage(body);
                win.control(control::kPictureDimensions).setCaption(imageSizeText(size.width, size.height));
                win.control(control::kPictureSize).setCaption(dataSizeText(body.size()));
            }
            setPanel(win, image);
        }
        win.control(control::kToText).setCaption(gbk(u8"取文本"));
        session.savedPageText.set({});
        session.lastResponseBytes.set(std::move(body));
    }
    win.control(control::kSend).setCaption(idleCaption());
    stopTimer(win);
}

void sendRequestClicked(const ui::WindowPtr& w, ProgramState& state, const std::shared_ptr<Session>& shared,
                        ui::WindowSystem& windows) {
    Session& session = *shared;
    const Text caption = w->control(control::kSend).caption();
    if (caption == runningCaption()) {
        RunPtr run = session.requestThread.get();
        // The question waits on a thread of its own, so the window keeps running meanwhile.
        platform::startWorker(
            [w, shared, &windows, run](std::stop_token) { confirmCancelRequest(w, *shared, windows, run); });
        return;
    }
    if (caption != idleCaption()) return;

    session.requestElapsedSeconds = 0;
    w->control(control::kElapsed).setCaption(Text());
    setExpandButtonState(*w, 0);
    w->control(control::kSend).setCaption(runningCaption());
    ui::Control headers = w->control(control::kHeaders);
    if (isBlank(headers.text())) headers.setText(defaultHeaderLine());

    // Only one request at a time: one still running (its window was closed) gives way.
    if (RunPtr previous = session.requestThread.get()) endRun(*previous);
    auto run = std::make_shared<RequestRun>();
    session.requestThread.set(run);
    // The timer starts before the worker, so a quick answer always finds it to stop.
    if (w->control(control::kTimeLimit).checked()) w->control(control::kTimer).setInterval(1000);
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
            w.control(control::kElapsed).setCaption(progressText(n));
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
    const Text text = w.control(control::kAnswer).text();
    if (!text.empty()) windows.setClipboardText(text);
}

// Saves the picture the preview shows. That is what the user sees and means to save: the last
// answer's bytes may be a later page that was no picture.
void savePreviewImage(ui::Window& w, ui::WindowSystem& windows) {
    ui::Control picture = w.control(control::kPicture);
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

const ui::WindowLayout& webTesterLayout() {
    using namespace ui::rows;
    static const ui::WindowLayout layout = [] {
        ui::WindowLayout l =
            window("WebTesterWindow", "", 523, 603, "网页测试UI",
                   {
                       button("按钮EX5", "->", 32, 38, 44, 19).named("展开"),
                       label("标签EX2", "网址：", 32, 62, 44, 18),
                       check("选择框EX6", "图片扩展", 80, 62, 74, 20).skin(kQqCheckSkin),
                       check("选择框EX7", "自动超时", 160, 62, 74, 20).skin(kQqCheckSkin),
                       label("标签EX10", "", 240, 62, 152, 20),
                       Row(K::Timer, "时钟1", "", 0, 0, 0, 0),
                       edit("编辑框EX_原网址", 24, 88, 480, 32),
                       button("按钮EX2", "发送请求", 400, 59, 104, 24),
                       label("标签EX3", "访问方式：", 24, 128, 67, 20),
                       radio("单选框EX1", "GET", 96, 128, 56, 20),
                       radio("单选框EX2", "POST", 160, 128, 56, 20),
                       check("选择框EX1", "禁止重定向", 232, 128, 88, 20),
                       check("选择框EX3", "10位随机时间戳", 328, 128, 120, 20),
                       label("标签EX7", "附加协议头：", 24, 160, 80, 20),
                       edit("编辑框EX_协议头", 24, 184, 480, 32),
                       label("标签EX4", "提交数据 (POST)：", 24, 224, 112, 20),
                       edit("编辑框EX_提交数据", 24, 248, 232, 80),
                       label("标签EX6", "提交Cookie时间轴用[romtime10]代替：", 268, 224, 232, 20),
                       edit("编辑框EX_Cookie", 272, 248, 232, 80),
                       label("标签EX5", "数据返回：", 24, 339, 69, 20),
                       button("按钮EX3", "复制", 96, 339, 64, 19),
                       button("按钮EX6", "取文本", 168, 339, 64, 19),
                       check("选择框EX4", "繁化简", 344, 338, 64, 20),
                       check("选择框EX2", "UTF8解码", 416, 338, 88, 20),
                       edit("编辑框EX_最后文本", 24, 360, 480, 216),
                       // The side panel (x >= 520) lies beyond the collapsed width.
                       label("标签EX8", "", 520, 32, 3, 568),
                       button("按钮EX4", "<-", 544, 59, 335, 24).named("收起"),
                       label("标签EX_图片大小", "0.MB", 544, 86, 149, 19),
                       label("标签EX1", "宽：0    高：0", 704, 86, 175, 18),
                       picture("图片框EX1", 544, 106, 336, 470).named("保存图片"),
                       closeButton(488, 16),
                   });
        l.grownWidth = 906;  // the side panel shown
        return l;
    }();
    return layout;
}

std::shared_ptr<Session> bindWebTesterSession(const ui::WindowPtr& window, ProgramState& state,
                                              ui::WindowSystem& windows) {
    auto session = std::make_shared<Session>();
    registerHtmlToText(*window, session->savedPageText);
    // Handlers live inside the window: they hold it weakly, the workers they start strongly.
    std::weak_ptr<ui::Window> weak = window;
    window->onCreated([weak, session] {
        if (auto w = weak.lock()) onWebTesterWindowCreated(*w, *session);
    });
    window->onClick(control::kSend, [weak, &state, session, &windows] {
        if (auto w = weak.lock()) sendRequestClicked(w, state, session, windows);
    });
    window->onClick(control::kPost, [session] { session->testerMethod = net::HttpMethod::Post; });
    // Choosing GET again after POST makes the method GET again, as the radio button says.
    window->onClick(control::kGet, [session] { session->testerMethod = net::HttpMethod::Get; });
    window->onTimer(control::kTimer, [weak, session] {
        if (auto w = weak.lock()) requestTimerTick(*w, *session);
    });
    window->onClick(control::kExpand, [weak] {
        if (auto w = weak.lock()) expandPanelClicked(*w);
    });
    window->onClick(control::kCollapse, [weak] {
        if (auto w = weak.lock()) collapsePanelClicked(*w);
    });
    window->onClick(control::kCopy, [weak, &windows] {
        if (auto w = weak.lock()) copyAnswerClicked(*w, windows);
    });
    window->onClick(control::kPicture, [weak, &windows] {
        if (auto w = weak.lock()) savePreviewImage(*w, windows);
    });
    window->onClick(control::kClose, [weak, session, &windows] {
        if (auto w = weak.lock()) closeClicked(w, *session, windows);
    });
    return session;
}

void bindWebTesterWindow(const ui::WindowPtr& window, ProgramState& state, ui::WindowSystem& windows) {
    bindWebTesterSession(window, state, windows);
}

namespace {
using K = ui::ControlKind;
constexpr ui::ControlRef kControls[] = {
    {control::kClose, K::CloseButton},    {control::kSend, K::Button},
    {control::kCopy, K::Button},          {control::kCollapse, K::Button},
    {control::kExpand, K::Button},        {control::kToText, K::Button},
    {control::kTimer, K::Timer},          {control::kElapsed, K::Label},
    {control::kPictureSize, K::Label},    {control::kPictureDimensions, K::Label},
    {control::kPicture, K::PictureBox},   {control::kAddress, K::EditBox},
    {control::kHeaders, K::EditBox},      {control::kBody, K::EditBox},
    {control::kCookies, K::EditBox},      {control::kAnswer, K::EditBox},
    {control::kGet, K::RadioButton},      {control::kPost, K::RadioButton},
    {control::kNoRedirect, K::CheckBox},  {control::kUtf8, K::CheckBox},
    {control::kTenDigits, K::CheckBox},   {control::kSimplified, K::CheckBox},
    {control::kPictureView, K::CheckBox}, {control::kTimeLimit, K::CheckBox},
};
}  // namespace

const ui::WindowDescriptor kWebTesterWindow{"WebTesterWindow", webTesterLayout, bindWebTesterWindow,
                                            kControls};

}  // namespace qx::tester
