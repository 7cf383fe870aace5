// The tester window's handlers and workers, headless through the window model and the scripted
// desktop, against local test servers.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "net/HtmlText.h"
#include "platform/imaging/ImageSize.h"
#include "platform/system/Worker.h"
#include "support/PngBytes.h"
#include "support/fake/FakeWindowSystem.h"
#include "support/servers/TestServer.h"
#include "tester/WebTester.h"
#include "tester/WebTesterWindow.h"
#include "text/CodePages.h"

using namespace qx;
using namespace qx::tester;
using qx::test::HttpRequestRecord;
using qx::test::HttpResponse;
using qx::test::TestServer;
using Clock = std::chrono::steady_clock;

namespace {

template <typename F>
bool waitUntil(F condition, int limitMs = 20000) {
    const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

std::string utf8(std::u8string_view s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

// A body that never ends: one byte every 10 ms until the client goes away.
void trickle(const HttpRequestRecord&, qx::test::Connection& c) {
    if (!c.writeHead(200, "", {{"Content-Length", "1000000000"}})) return;
    while (c.sleep(10) && c.write("x")) {
    }
}

class WebTesterWindowTest : public testing::Test {
  protected:
    // Qt takes the first thread that uses it for the application's main thread and gives its
    // image plugins to it; without an application object that must be this thread, not a
    // worker that ends before the plugins are unloaded.
    static void SetUpTestSuite() { platform::imageSize(toBytes(test::pngBytes(1, 1))); }
    void SetUp() override {
        server.route("/page", [](const HttpRequestRecord&, HttpResponse& res) { res.body = "<p>hello</p>"; });
        server.route("/empty", [](const HttpRequestRecord&, HttpResponse&) {});
        server.route("/png", [](const HttpRequestRecord&, HttpResponse& res) {
            res.body = test::pngBytes(16, 16, 1000);
        });
        server.route("/bomb", [](const HttpRequestRecord&, HttpResponse& res) {
            res.body = test::pngClaiming(100000, 100000);
        });
        server.rawRoute("/trickle", trickle);
        w = ui::Window::create(tester::webTesterLayout());
        session = bindWebTesterSession(w, state, fake);
        fake.openModeless(w);
    }
    void TearDown() override {
        // Workers refer to the state and the desktop: let every one of them end first.
        if (auto run = session->requestThread.get()) {
            run->stop.request_stop();
            EXPECT_TRUE(waitUntil([&] { return run.use_count() == 2; }));
        }
        platform::stopAllWorkers();
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(20)));
    }

    ui::Control c(std::string_view name) { return w->control(name); }
    Text caption(std::string_view name) { return c(name).caption(); }
    Text text(std::string_view name) { return c(name).text(); }
    void type(std::string_view name, const Text& t) { c(name).storeTextFromView(t); }
    void tick(std::string_view name, bool on = true) {
        c(name).storeCheckedFromView(on);
        w->click(name);
    }
    bool running() { return caption("按钮EX2") == runningCaption(); }

    // Sends and waits until the request's worker has ended.
    void send() {
        ASSERT_EQ(caption("按钮EX2"), idleCaption());
        ASSERT_TRUE(w->click("按钮EX2"));
        waitWorkerEnded();
    }
    void waitWorkerEnded() {
        auto run = session->requestThread.get();
        ASSERT_TRUE(run);
        // The worker holds the run until it returns; then only the state and this copy do.
        ASSERT_TRUE(waitUntil([&] { return run.use_count() == 2; }));
    }

    TestServer server;
    ProgramState state;
    test::FakeWindowSystem fake;
    ui::WindowPtr w;
    std::shared_ptr<Session> session;
};

}  // namespace

TEST_F(WebTesterWindowTest, OpensCollapsedWithGet) {
    ui::WindowPtr again = ui::Window::create(tester::webTesterLayout());
    std::shared_ptr<Session> againSession = bindWebTesterSession(again, state, fake);
    againSession->testerMethod = net::HttpMethod::Post;
    fake.openModeless(again);
    EXPECT_EQ(again->width(), 523);
    EXPECT_EQ(again->control("按钮EX1").left(), 488);
    EXPECT_EQ(againSession->testerMethod, net::HttpMethod::Get);
    EXPECT_TRUE(again->control("单选框EX1").checked());
    EXPECT_FALSE(again->control("单选框EX2").checked());
    EXPECT_EQ(again->control("按钮EX2").caption(), idleCaption());
}

TEST_F(WebTesterWindowTest, GetFetchesThePageAndCopyPutsItOnTheClipboard) {
    fake.setClipboardText("before");
    w->click("按钮EX3");  // an empty answer box leaves the clipboard alone
    EXPECT_EQ(fake.clipboardText(), "before");

    type("编辑框EX_原网址", server.hostPort() + "/page");
    type("编辑框EX_协议头", gbk(u8"  　 "));
    send();
    EXPECT_EQ(text("编辑框EX_原网址"), server.url("/page"));  // the scheme written back
    EXPECT_EQ(text("编辑框EX_协议头"), defaultHeaderLine());
    EXPECT_EQ(text("编辑框EX_最后文本"), "<p>hello</p>");
    EXPECT_EQ(caption("按钮EX2"), idleCaption());
    EXPECT_EQ(caption("标签EX10"), "");  // no limit, no progress
    EXPECT_EQ(c("时钟1").interval(), 0);
    EXPECT_EQ(toText(session->lastResponseBytes.get()), "<p>hello</p>");

    const HttpRequestRecord seen = server.lastRequest();
    EXPECT_EQ(seen.method, "GET");
    EXPECT_EQ(seen.target, "/page");
    EXPECT_EQ(seen.header("User-Agent"), defaultHeaderLine().substr(12));
    EXPECT_EQ(seen.header("Accept"), "*/*");
    EXPECT_EQ(seen.header("Referer"), server.url("/page"));
    EXPECT_FALSE(seen.hasHeader("Cookie"));
    EXPECT_FALSE(seen.hasHeader("Content-Type"));

    w->click("按钮EX3");
    EXPECT_EQ(fake.clipboardText(), "<p>hello</p>");

    // The page converts to text; a new answer resets the toggle.
    w->click("按钮EX6");
    EXPECT_EQ(text("编辑框EX_最后文本"), "hello");
    EXPECT_EQ(caption("按钮EX6"), gbk(u8"撤回"));
    send();
    EXPECT_EQ(caption("按钮EX6"), gbk(u8"取文本"));
    EXPECT_EQ(session->savedPageText.get(), "");
}

TEST_F(WebTesterWindowTest, PostSendsBodyCookiesAndStamps) {
    server.route("/form",
                 [](const HttpRequestRecord& req, HttpResponse& res) { res.body = "got " + req.body; });
    type("编辑框EX_原网址", server.url("/form"));
    tick("单选框EX2");
    EXPECT_EQ(session->testerMethod, net::HttpMethod::Post);
    type("编辑框EX_提交数据", "a=[romtime10]&b=[romtime10]&c=" + gbk(u8"中"));
    type("编辑框EX_Cookie", "Cookie: k=v; t=[romtime10]");
    type("编辑框EX_协议头", "X-One: 1\r\nX-Two: 2");
    tick("选择框EX3");
    send();
    HttpRequestRecord seen = server.lastRequest();
    EXPECT_EQ(seen.method, "POST");
    ASSERT_EQ(seen.body.size(), std::string("a=&b=&c=").size() + 20 + 3) << seen.body;
    EXPECT_EQ(seen.body.substr(2, 10), seen.body.substr(15, 10));  // one stamp for both
    EXPECT_EQ(seen.body.substr(seen.body.size() - 3), utf8(u8"中"));
    EXPECT_EQ(seen.header("Cookie"), "k=v; t=[romtime10]");  // the cookie text is sent as typed
    EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
    EXPECT_EQ(seen.header("X-One"), "1");
    EXPECT_EQ(seen.header("X-Two"), "2");
    EXPECT_EQ(text("编辑框EX_协议头"), "X-One: 1\r\nX-Two: 2");  // typed headers stay

    tick("选择框EX3", false);
    send();
    seen = server.lastRequest();
    ASSERT_EQ(seen.body.size(), std::string("a=&b=&c=").size() + 26 + 3) << seen.body;
    EXPECT_EQ(seen.body.substr(2, 13), seen.body.substr(18, 13));

    // GET chosen again: the method follows the radio button.
    tick("单选框EX1");
    EXPECT_FALSE(c("单选框EX2").checked());
    send();
    EXPECT_EQ(server.lastRequest().method, "GET");
    EXPECT_EQ(server.lastRequest().body, "");
}

TEST_F(WebTesterWindowTest, FailuresShowTheEmptyPageNotice) {
    type("编辑框EX_最后文本", "old");
    const Text addresses[] = {
        server.url("/empty"),   // a truly empty body
        "http://127.0.0.1:1/",  // a refused port
        "not a url at all",     // becomes "http://not a url at all"
    };
    for (const Text& address : addresses) {
        type("编辑框EX_最后文本", "old");
        type("编辑框EX_原网址", address);
        send();
        EXPECT_EQ(text("编辑框EX_最后文本"), net::emptyPageNotice()) << address;
        EXPECT_TRUE(session->lastResponseBytes.get().empty());
        EXPECT_EQ(caption("按钮EX2"), idleCaption());
    }
    // The notice is left alone by the 取文本 toggle.
    w->click("按钮EX6");
    EXPECT_EQ(caption("按钮EX6"), gbk(u8"取文本"));
}

TEST_F(WebTesterWindowTest, HeaderInjectionIsRefusedCleanly) {
    type("编辑框EX_原网址", server.url("/page"));
    type("编辑框EX_协议头", "X-Safe: a\nInjected: yes");
    send();
    const HttpRequestRecord seen = server.lastRequest();
    EXPECT_FALSE(seen.hasHeader("Injected"));
    for (const std::string& line : seen.headerLines())
        EXPECT_EQ(line.find("Injected"), std::string::npos) << line;
    EXPECT_EQ(text("编辑框EX_最后文本"), "<p>hello</p>");

    // A bare line break in the address is escaped, not sent as a break of the request head.
    type("编辑框EX_原网址", server.url("/page\nInjected: yes"));
    send();
    EXPECT_EQ(server.lastRequest().target, "/page%0AInjected:%20yes");
    EXPECT_FALSE(server.lastRequest().hasHeader("Injected"));
}

TEST_F(WebTesterWindowTest, PictureAnswerWidensTheWindowAndSavesThePicture) {
    type("编辑框EX_原网址", server.url("/png"));
    send();  // without 图片扩展 nothing changes
    EXPECT_EQ(w->width(), 523);
    EXPECT_FALSE(c("图片框EX1").hasImage());

    tick("选择框EX6");
    send();
    const std::string png = test::pngBytes(16, 16, 1000);
    ASSERT_EQ(png.size(), 1000u);
    EXPECT_EQ(w->width(), 906);
    EXPECT_EQ(c("按钮EX1").left(), 864);
    EXPECT_EQ(caption("标签EX1"), gbk(u8"宽：16  高：16"));
    EXPECT_EQ(caption("标签EX_图片大小"), "0.9765625 KB");
    EXPECT_EQ(toText(c("图片框EX1").image()), png);

    // A page after the picture: the panel folds away, the picture stays.
    type("编辑框EX_原网址", server.url("/page"));
    send();
    EXPECT_EQ(w->width(), 523);
    EXPECT_EQ(c("按钮EX1").left(), 488);
    EXPECT_EQ(toText(c("图片框EX1").image()), png);

    // Saving writes the picture shown, not the page that came after it.
    const auto dir = std::filesystem::temp_directory_path() / ("qx-tester-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const auto saved = std::filesystem::current_path();
    fake.queueFileAnswer((dir / "shot.png").string());
    w->click("图片框EX1");
    std::filesystem::current_path(saved);
    std::ifstream in(dir / "shot.png", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), png);
    ASSERT_FALSE(fake.fileRequests().empty());
    EXPECT_EQ(fake.fileRequests().back().filter, "*.*");
    std::filesystem::remove_all(dir);

    // A picture that claims 100000 x 100000 pixels is no picture.
    type("编辑框EX_原网址", server.url("/bomb"));
    send();
    EXPECT_EQ(w->width(), 523);
    EXPECT_EQ(caption("标签EX1"), gbk(u8"宽：16  高：16"));
}

TEST_F(WebTesterWindowTest, PanelButtons) {
    w->click("按钮EX5");
    EXPECT_EQ(w->width(), 906);
    EXPECT_EQ(c("按钮EX1").left(), 864);
    EXPECT_EQ(c("按钮EX5").position(), 0);
    w->click("按钮EX4");
    EXPECT_EQ(w->width(), 523);
    EXPECT_EQ(c("按钮EX1").left(), 488);
    EXPECT_EQ(c("按钮EX5").position(), 1);
    type("编辑框EX_原网址", server.url("/page"));
    send();
    EXPECT_EQ(c("按钮EX5").position(), 0);  // sending resets it
}

TEST_F(WebTesterWindowTest, LimitStrikesAtTheSixteenthTick) {
    type("编辑框EX_原网址", server.url("/stall?phase=head"));
    type("编辑框EX_最后文本", "previous answer");
    tick("选择框EX7");
    ASSERT_TRUE(w->click("按钮EX2"));
    EXPECT_EQ(c("时钟1").interval(), 1000);
    ASSERT_TRUE(server.waitForRequests(1, 10000));
    for (int n = 1; n <= 15; ++n) {
        w->timerTick("时钟1");
        EXPECT_EQ(caption("标签EX10"), progressText(n));
    }
    EXPECT_TRUE(running());
    w->timerTick("时钟1");
    EXPECT_EQ(caption("标签EX10"), gbk(u8"请求超时[>15s]"));
    EXPECT_EQ(caption("按钮EX2"), idleCaption());
    EXPECT_EQ(c("时钟1").interval(), 0);
    EXPECT_EQ(session->requestElapsedSeconds, 0);
    waitWorkerEnded();
    // The stopped worker wrote nothing: no empty-page notice over the previous answer.
    EXPECT_EQ(text("编辑框EX_最后文本"), "previous answer");
    EXPECT_EQ(caption("标签EX10"), gbk(u8"请求超时[>15s]"));
    // A tick still on its way changes nothing.
    w->timerTick("时钟1");
    EXPECT_EQ(caption("标签EX10"), gbk(u8"请求超时[>15s]"));
}

TEST_F(WebTesterWindowTest, WithoutAutoTimeoutNoLimitApplies) {
    type("编辑框EX_原网址", server.url("/delay?ms=300"));
    ASSERT_TRUE(w->click("按钮EX2"));
    EXPECT_EQ(c("时钟1").interval(), 0);
    waitWorkerEnded();
    EXPECT_EQ(text("编辑框EX_最后文本"), "delayed");
    EXPECT_EQ(caption("标签EX10"), "");
}

TEST_F(WebTesterWindowTest, ConfirmedCancelStopsTheTransferAndANewRequestWorks) {
    type("编辑框EX_原网址", server.url("/trickle"));
    type("编辑框EX_最后文本", "previous answer");
    tick("选择框EX7");
    ASSERT_TRUE(w->click("按钮EX2"));
    ASSERT_TRUE(server.waitForRequests(1, 10000));

    // No: the request goes on.
    fake.queueAnswer(ui::MessageAnswer::No);
    w->click("按钮EX2");
    ASSERT_TRUE(waitUntil([&] { return fake.messages().size() == 1; }));
    EXPECT_TRUE(running());
    w->timerTick("时钟1");  // the window keeps working
    EXPECT_EQ(caption("标签EX10"), progressText(1));

    // Yes: stopped at once, through the transfer's token.
    fake.queueAnswer(ui::MessageAnswer::Yes);
    w->click("按钮EX2");
    ASSERT_TRUE(waitUntil([&] { return caption("按钮EX2") == idleCaption(); }));
    const auto confirmed = Clock::now();
    waitWorkerEnded();
    const auto stopped =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - confirmed).count();
    RecordProperty("cancel_to_worker_end_ms", static_cast<int>(stopped));
    // Far below any of the request object's time-outs: the token, not a time-out, ended it.
    EXPECT_LT(stopped, 1000);
    EXPECT_TRUE(server.waitForNoOpenConnections(2000));

    const auto messages = fake.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].message, gbk(u8"需要终止请求吗？"));
    EXPECT_EQ(messages[1].title, "");
    EXPECT_EQ(messages[1].style, ui::MessageStyle::YesNoQuestion);
    EXPECT_EQ(messages[1].owner, "WebTesterWindow");
    EXPECT_EQ(caption("标签EX10"), gbk(u8"请求超时[>15s]"));
    EXPECT_EQ(c("时钟1").interval(), 0);
    EXPECT_EQ(text("编辑框EX_最后文本"), "previous answer");

    // A new request works at once.
    type("编辑框EX_原网址", server.url("/page"));
    send();
    EXPECT_EQ(text("编辑框EX_最后文本"), "<p>hello</p>");
}

TEST_F(WebTesterWindowTest, AnswerArrivingWhileTheQuestionIsOpenWins) {
    std::mutex m;
    std::condition_variable cv;
    bool release = false;
    fake.answerWith([&](const test::FakeWindowSystem::MessageCall&) {
        std::unique_lock lock(m);
        cv.wait(lock, [&] { return release; });
        return ui::MessageAnswer::Yes;
    });
    type("编辑框EX_原网址", server.url("/delay?ms=200"));
    ASSERT_TRUE(w->click("按钮EX2"));
    w->click("按钮EX2");  // the question stays open on its own thread
    ASSERT_TRUE(waitUntil([&] { return fake.messages().size() == 1; }));
    auto run = session->requestThread.get();
    // The answer comes while the user still looks at the question.
    ASSERT_TRUE(waitUntil([&] { return text("编辑框EX_最后文本") == "delayed"; }));
    {
        std::lock_guard lock(m);
        release = true;
    }
    cv.notify_all();
    ASSERT_TRUE(waitUntil([&] { return run.use_count() == 2; }));
    // Yes came too late to cancel anything.
    EXPECT_EQ(caption("标签EX10"), "");
    EXPECT_EQ(caption("按钮EX2"), idleCaption());
    EXPECT_EQ(text("编辑框EX_最后文本"), "delayed");
}

TEST_F(WebTesterWindowTest, ClosingTheWindowStopsItsRequest) {
    type("编辑框EX_原网址", server.url("/trickle"));
    type("编辑框EX_最后文本", "previous answer");
    ASSERT_TRUE(w->click("按钮EX2"));
    ASSERT_TRUE(server.waitForRequests(1, 10000));
    w->click("按钮EX1");
    EXPECT_TRUE(w->destroyed());
    waitWorkerEnded();
    EXPECT_TRUE(server.waitForNoOpenConnections(2000));
    EXPECT_EQ(text("编辑框EX_最后文本"), "previous answer");
}

// One answer, the switches as the test sets them before sending and while the request runs (the
// answer waits until then), and what the window ends with. The box holds the whole answer up to
// its first zero byte, and "复制" copies all of it.
struct AnswerCase {
    const char* name;
    std::string body;  // served as it is; "{picture file}" is replaced by a local picture's path
    std::vector<const char*> tickedBefore, tickedWhileRunning, untickedWhileRunning;
    Text box;         // the answer box afterwards ("{picture file}" as in body)
    int width = 523;  // the window's width: 906 when the preview shows a picture
    Text plainTail;   // when given: the end of what 取文本 makes of the box
};

const std::string kLongPage = "<p>" + TestServer::patternBytes(0, 300 * 1024) + "</p><p>end</p>";
const std::string kPicture = test::pngBytes(16, 16, 1000);

const AnswerCase kAnswerCases[] = {
    {"LongAnswerKeptWhole", kLongPage, {}, {}, {}, kLongPage, 523, "end"},
    {"ZeroByteEndsTheText", std::string("abc\0def", 7), {}, {}, {}, "abc"},
    {"Utf8DecodingTickedWhileRunning", utf8(u8"繁體中文"), {}, {"选择框EX2"}, {}, gbk(u8"繁體中文")},
    {"Utf8DecodingWinsOverSimplifying",
     utf8(u8"繁體中文"),
     {"选择框EX4"},
     {"选择框EX2"},
     {},
     gbk(u8"繁體中文")},
    {"SimplifyingTickedWhileRunning", gbk(u8"繁體中文"), {}, {"选择框EX4"}, {}, gbk(u8"繁体中文")},
    {"Utf8DecodingUntickedWhileRunning", utf8(u8"中文"), {"选择框EX2"}, {}, {"选择框EX2"}, utf8(u8"中文")},
    {"PreviewTickedWhileRunning",
     kPicture,
     {},
     {"选择框EX6"},
     {},
     kPicture.substr(0, kPicture.find('\0')),
     906},
    {"PreviewUntickedWhileRunning",
     kPicture,
     {"选择框EX6"},
     {},
     {"选择框EX6"},
     kPicture.substr(0, kPicture.find('\0'))},
    // An answer that spells the path of a local picture is measured as bytes: no picture.
    {"AnswerNamingALocalPictureIsNoPicture",
     "{picture file}" + std::string("\0", 1),
     {"选择框EX6"},
     {},
     {},
     "{picture file}"},
};

// Holds an answer back until the test opens it.
class Gate {
  public:
    void open() {
        {
            std::lock_guard lock(mutex_);
            open_ = true;
        }
        changed_.notify_all();
    }
    void wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return open_; });
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool open_ = false;
};

class AnswerCaseTest : public WebTesterWindowTest, public testing::WithParamInterface<AnswerCase> {};

TEST_P(AnswerCaseTest, TheBoxHoldsTheAnswerAsTheSwitchesSayWhenItArrives) {
    const AnswerCase& a = GetParam();
    const auto dir =
        std::filesystem::temp_directory_path() / ("qx-tester-answer-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "picture.png", std::ios::binary) << kPicture;
    const auto withPath = [&](std::string s) {
        const std::string marker = "{picture file}";
        if (auto at = s.find(marker); at != std::string::npos)
            s.replace(at, marker.size(), (dir / "picture.png").string());
        return s;
    };
    const std::string body = withPath(a.body);
    auto gate = std::make_shared<Gate>();
    server.route("/held", [gate, body](const HttpRequestRecord&, HttpResponse& res) {
        gate->wait();
        res.body = body;
    });
    // A test that fails early still lets the server's handler go.
    const std::shared_ptr<void> opener(nullptr, [gate](void*) { gate->open(); });

    for (const char* name : a.tickedBefore) tick(name);
    type("编辑框EX_原网址", server.url("/held"));
    ASSERT_TRUE(w->click("按钮EX2"));
    ASSERT_TRUE(server.waitForRequests(1, 10000));
    for (const char* name : a.tickedWhileRunning) tick(name);
    for (const char* name : a.untickedWhileRunning) tick(name, false);
    gate->open();
    waitWorkerEnded();

    const Text box = withPath(a.box);
    EXPECT_EQ(text("编辑框EX_最后文本").size(), box.size());
    EXPECT_TRUE(text("编辑框EX_最后文本") == box);
    EXPECT_EQ(w->width(), a.width);
    EXPECT_EQ(session->lastResponseBytes.get().size(), body.size());  // the bytes stay whole
    w->click("按钮EX3");
    EXPECT_TRUE(fake.clipboardText() == box) << fake.clipboardText().size() << " bytes copied";
    if (!a.plainTail.empty()) {
        w->click("按钮EX6");
        const Text plain = text("编辑框EX_最后文本");
        ASSERT_GE(plain.size(), a.plainTail.size());
        EXPECT_EQ(plain.substr(plain.size() - a.plainTail.size()), a.plainTail);
        EXPECT_GT(plain.size(), std::size_t{300 * 1024});
    }
    std::filesystem::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Answers, AnswerCaseTest, testing::ValuesIn(kAnswerCases),
                         [](const auto& info) { return std::string(info.param.name); });
