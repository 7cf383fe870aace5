#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

#include "app/MainWindowLayout.h"
#include "net/FetchLimits.h"
#include "notice/Notice.h"
#include "notice/ShareNote.h"
#include "platform/system/Files.h"
#include "platform/system/Worker.h"
#include "support/doubles/NoticeDouble.h"
#include "text/CodePages.h"
#include "text/Strings.h"

using namespace qx;
using namespace qx::notice;
namespace fs = std::filesystem;

namespace {

std::string note(const std::string& latest, const std::string& extra = "") {
    return "<html><head><title>t</title><style>p{}</style></head><body>"
           "<p>Quorvex &amp; notice</p><p>测速链接[https://speed.example/100m.bin]测速链接</p>"
           "<p>[|=*" +
           latest +
           "*=|]</p>"
           "<p>=***第一行<br>第二行 &lt;新&gt;<br>第三行=***</p>"
           "<p>'+--*-+骚话甲<br>乙<br>丙骚话'+--*-+</p>" +
           extra + "</body></html>";
}

// Polls a condition for up to ms.
template <typename F>
bool eventually(F f, int ms = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (f()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return f();
}

class NoticeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qx-notice-" + std::to_string(getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Temp" / "sub");
        std::ofstream(dir_ / "Temp" / "old tool.exe") << "x";
        std::ofstream(dir_ / "Temp" / "keep.txt") << "x";
        std::ofstream(dir_ / "Temp" / "sub" / "inner.exe") << "x";
        state_.setExecutablePath(platform::fromNativePath((dir_ / "quorvex-app").string()));
        platform::VersionFields v;
        v[0] = "1.0.0.17";
        state_.ownVersionInfo.set(v);
        window_ = ui::Window::create(qx::app::mainWindowLayout());
        ASSERT_TRUE(window_);
        (*window_)["编辑框EX_更新内容"].setVisible(false);
        const char* before = std::getenv("QUORVEX_CONNECT_TO");
        savedConnectTo_ = before ? std::optional<std::string>(before) : std::nullopt;
        setenv("QUORVEX_CONNECT_TO", double_.connectTo().c_str(), 1);
        setenv("QUORVEX_EXTRA_CA_FILE", test::TestServer::certificateFile().c_str(), 1);
    }
    void TearDown() override {
        stop_.request_stop();
        platform::stopAllWorkers();
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(20)));
        if (savedConnectTo_)
            setenv("QUORVEX_CONNECT_TO", savedConnectTo_->c_str(), 1);
        else
            unsetenv("QUORVEX_CONNECT_TO");
        unsetenv("QUORVEX_EXTRA_CA_FILE");
        net::setFetchDeadlineForTests({});
        fs::remove_all(dir_);
    }
    Text caption(const char* control) { return (*window_)[control].caption(); }

    fs::path dir_;
    ProgramState state_;
    ui::WindowPtr window_;
    std::stop_source stop_;
    std::optional<std::string> savedConnectTo_;
    test::NoticeDouble double_{"QrvxNote", "tmvrke"};
};

}  // namespace

TEST_F(NoticeTest, OfflineShowsTheCurrentVersionAndTheOfflineLine) {
    setenv("QUORVEX_CONNECT_TO", "share.weiyun.com:443:127.0.0.1:1", 1);  // nothing listens there
    checkNotice(state_, window_);
    EXPECT_EQ(caption("标签EX_最新版本提示"), gbk(u8"最新版本号：1.0.0.17"));
    EXPECT_EQ(caption("骚话标签"), gbk(u8"您当前处于离线状态~"));
    EXPECT_EQ(caption("版本提示标签"), "");
    EXPECT_TRUE(state_.notice.noticeText.get().empty());
    EXPECT_TRUE(fs::exists(dir_ / "Temp" / "old tool.exe")) << "only a successful check clears Temp";
}

TEST_F(NoticeTest, TheRequestIsTheOneTheServiceExpects) {
    double_.setNoteHtml(note("1.0.0.18"));
    Text text = fetchShareNote(kNoticeShareLink, kNoticeSharePassword);
    EXPECT_EQ(double_.lastProblem(), "");
    ASSERT_EQ(double_.notesServed(), 1);
    test::HttpRequestRecord seen = double_.server().lastRequest();
    EXPECT_EQ(seen.method, "POST");
    EXPECT_EQ(seen.target,
              "/webapp/json/weiyunShareNoLogin/WeiyunShareView?refer=unknown_windows&g_tk=5820194637");
    EXPECT_EQ(seen.header("Cookie"), "wyctoken=5820194637");
    EXPECT_EQ(seen.headerCount("Content-Type"), 1);
    EXPECT_EQ(seen.headerCount("User-Agent"), 1);
    EXPECT_EQ(seen.header("Accept"), "*/*");
    EXPECT_EQ(seen.header("Accept-Language"), "zh-cn");
    EXPECT_EQ(seen.header("Referer"), kNoticeRequestAddress);
    // The body, byte for byte, for the sequence number it carries.
    const std::string seqKey = "\\\"seq\\\":";
    std::size_t from = seen.body.find(seqKey) + seqKey.size();
    std::string seq = seen.body.substr(from, seen.body.find(',') - from);
    ASSERT_FALSE(seq.empty());
    EXPECT_EQ(seq.find_first_not_of("0123456789"), std::string::npos) << seq;
    EXPECT_EQ(seen.body, shareViewRequestBody(seq, "tmvrke", "QrvxNote"));
    EXPECT_NE(text.find(gbk(u8"[|=*1.0.0.18*=|]")), std::string::npos);
    EXPECT_NE(text.find("Quorvex & notice"), std::string::npos);

    // A wrong password gets an answer without the note: empty text.
    EXPECT_EQ(fetchShareNote(kNoticeShareLink, "wrong"), "");
    EXPECT_EQ(double_.lastProblem(), "");
}

TEST_F(NoticeTest, UpToDateRotatesTheJokes) {
    double_.setNoteHtml(note("1.0.0.17"));
    checkNotice(state_, window_);
    EXPECT_EQ(caption("标签EX_最新版本提示"), gbk(u8"最新版本号：1.0.0.17"));
    EXPECT_EQ(caption("版本提示标签"), gbk(u8"作者还在咕咕咕~ 未发布新版本~"));
    EXPECT_EQ(state_.notice.speedTestLink.get(), "https://speed.example/100m.bin");
    EXPECT_EQ(state_.notice.banterText.get(), gbk(u8"甲\r\n乙\r\n丙"));
    EXPECT_TRUE(state_.notice.banterRotationStarted.load());
    std::set<Text> lines = {gbk(u8"甲"), gbk(u8"乙"), gbk(u8"丙")};
    EXPECT_TRUE(eventually([&] { return lines.count(caption("骚话标签")) == 1; }));
    EXPECT_FALSE(fs::exists(dir_ / "Temp" / "old tool.exe"));
    EXPECT_TRUE(fs::exists(dir_ / "Temp" / "keep.txt"));
    EXPECT_TRUE(fs::exists(dir_ / "Temp" / "sub" / "inner.exe"));

    // Clicking the update icon now does nothing.
    onUpdateIconClicked(state_, *window_);
    EXPECT_FALSE(fs::exists(dir_ / "Program_Update.sh"));
}

TEST_F(NoticeTest, TheRotationDrawsAmongTheLinesAndStops) {
    TextArray many;
    for (int i = 0; i < 40; ++i) many.push_back("line" + std::to_string(i));
    std::set<Text> seen;
    std::thread rotation([&] { rotateBanter(join(many, "\r\n"), window_, stop_.get_token()); });
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(3500);
    while (std::chrono::steady_clock::now() < end) {
        seen.insert(caption("骚话标签"));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop_.request_stop();
    rotation.join();  // a stopped rotation ends at once
    seen.erase(gbk(u8"啊嘞？这就录进去了？"));
    EXPECT_GE(seen.size(), 1u);
    for (auto& s : seen) EXPECT_NE(std::find(many.begin(), many.end(), s), many.end()) << s;

    // No line at all: the label stays and the worker ends by itself.
    (*window_)["骚话标签"].setCaption("same");
    rotateBanter("", window_, std::stop_source().get_token());
    EXPECT_EQ(caption("骚话标签"), "same");
}

TEST_F(NoticeTest, ADifferentVersionShowsTheChangeLog) {
    for (const char* latest : {"1.0.0.18", "1.0.0.017", ""}) {
        double_.setNoteHtml(note(latest));
        (*window_)["骚话标签"].setVisible(true);
        (*window_)["编辑框EX_更新内容"].setVisible(false);
        checkNotice(state_, window_);
        EXPECT_EQ(caption("标签EX_最新版本提示"), gbk(u8"最新版本号：") + latest);
        EXPECT_EQ(caption("版本提示标签"), gbk(u8"新的版本已经发布，点击更新图标即可更新。")) << latest;
        EXPECT_TRUE((*window_)["编辑框EX_更新内容"].visible());
        EXPECT_FALSE((*window_)["骚话标签"].visible());
        EXPECT_EQ((*window_)["编辑框EX_更新内容"].text(), gbk(u8"第一行\r\n第二行 <新>\r\n第三行"));
        EXPECT_FALSE(state_.notice.banterRotationStarted.load());
    }
}

TEST_F(NoticeTest, TheUpdateIconReplacesAndRestartsTheProgram) {
    // The new program: a script that notes it was started.
    // Declared before the server, whose threads read it until the server is gone.
    const std::string newProgram = "#!/bin/sh\necho new > \"$(dirname \"$0\")/started.txt\"\n";
    test::TestServer files(test::TestServer::Https, false);
    files.route("/personal/alice/_layouts/52/download.aspx",
                [&](const test::HttpRequestRecord& r, test::HttpResponse& res) {
                    res.body = r.query == "share=EnewVersion1" ? newProgram : "wrong";
                });
    std::string connect =
        double_.connectTo() + ",contoso-my.sharepoint.com:443:127.0.0.1:" + std::to_string(files.port());
    setenv("QUORVEX_CONNECT_TO", connect.c_str(), 1);
    std::ofstream(dir_ / "quorvex-app") << "old";

    double_.setNoteHtml(note("1.0.0.18",
                             "<p>更新地址-https://contoso-my.sharepoint.com/:u:/g/personal/alice/"
                             "EnewVersion1?e=Ab12Cd-更新地址</p>"));
    checkNotice(state_, window_);
    ASSERT_EQ(caption("版本提示标签"), gbk(u8"新的版本已经发布，点击更新图标即可更新。"));
    onUpdateIconClicked(state_, *window_);

    ASSERT_TRUE(eventually([&] { return fs::exists(dir_ / "started.txt"); }, 15000));
    std::ifstream in(dir_ / "quorvex-app");
    std::string content((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(content, newProgram);
    EXPECT_TRUE(fs::status(dir_ / "quorvex-app").permissions() != fs::perms::none &&
                (fs::status(dir_ / "quorvex-app").permissions() & fs::perms::owner_exec) != fs::perms::none);
    EXPECT_TRUE(eventually([&] { return !fs::exists(dir_ / "Program_Update.sh"); }));
    EXPECT_FALSE(fs::exists(dir_ / "Program_Upadte_Temp"));
}

TEST_F(NoticeTest, AnUnsafeUpdateAddressWritesNoScript) {
    double_.setNoteHtml(note("1.0.0.18",
                             "<p>更新地址-https://contoso-my.sharepoint.com/:u:/g/personal/a/E$(touch "
                             "pwned)x?e=Ab12Cd-更新地址</p>"));
    checkNotice(state_, window_);
    onUpdateIconClicked(state_, *window_);
    EXPECT_FALSE(fs::exists(dir_ / "Program_Update.sh"));
    EXPECT_FALSE(startUpdate(state_, "https://h/x\";reboot;\""));
    EXPECT_FALSE(fs::exists(dir_ / "Program_Update.sh"));
}

// The process's peak resident memory in KiB (VmHWM).
long peakKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

TEST_F(NoticeTest, AServerOfAnUnknownCaGetsNoHearingAndInstallsNothing) {
    test::NoticeDouble rogue("QrvxNote", "tmvrke", test::TestServer::HttpsUnknownCa);
    rogue.setNoteHtml(note("1.0.0.18",
                           "<p>更新地址-https://contoso-my.sharepoint.com/:u:/g/personal/alice/"
                           "EnewVersion1?e=Ab12Cd-更新地址</p>"));
    setenv("QUORVEX_CONNECT_TO", rogue.connectTo().c_str(), 1);
    checkNotice(state_, window_);
    EXPECT_EQ(caption("骚话标签"), gbk(u8"您当前处于离线状态~"));
    EXPECT_EQ(rogue.notesServed(), 0);
    onUpdateIconClicked(state_, *window_);
    EXPECT_FALSE(fs::exists(dir_ / "Program_Update.sh"));

    // An update download from a server of an unknown CA keeps the old program and starts it.
    test::TestServer files(test::TestServer::HttpsUnknownCa, false);
    files.route(
        "/personal/alice/_layouts/52/download.aspx",
        [](const test::HttpRequestRecord&, test::HttpResponse& res) { res.body = "#!/bin/sh\necho evil\n"; });
    std::string connect = "contoso-my.sharepoint.com:443:127.0.0.1:" + std::to_string(files.port());
    setenv("QUORVEX_CONNECT_TO", connect.c_str(), 1);
    std::ofstream(dir_ / "quorvex-app") << "#!/bin/sh\necho old > \"$(dirname \"$0\")/started.txt\"\n";
    fs::permissions(dir_ / "quorvex-app", fs::perms::owner_all);
    ASSERT_TRUE(startUpdate(
        state_,
        "https://contoso-my.sharepoint.com/personal/alice/_layouts/52/download.aspx?share=EnewVersion1"));
    ASSERT_TRUE(eventually([&] { return fs::exists(dir_ / "started.txt"); }, 15000));
    std::ifstream in(dir_ / "quorvex-app");
    EXPECT_NE(std::string((std::istreambuf_iterator<char>(in)), {}).find("echo old"), std::string::npos);
}

TEST_F(NoticeTest, OnlyHttpsUpdateAddressesAreUsed) {
    double_.setNoteHtml(note("1.0.0.18",
                             "<p>更新地址-http://contoso-my.sharepoint.com/:u:/g/personal/alice/"
                             "EnewVersion1?e=Ab12Cd-更新地址</p>"));
    checkNotice(state_, window_);
    ASSERT_EQ(caption("版本提示标签"), gbk(u8"新的版本已经发布，点击更新图标即可更新。"));
    onUpdateIconClicked(state_, *window_);
    EXPECT_FALSE(startUpdate(state_, "http://127.0.0.1:8080/new"));
    EXPECT_FALSE(fs::exists(dir_ / "Program_Update.sh"));
}

TEST_F(NoticeTest, ATricklingServerEndsByTheDeadlineAndAHugeAnswerAtTheCap) {
    test::TestServer hostile(test::TestServer::Https, false);
    hostile.rawRoute(test::NoticeDouble::kPath, [](const test::HttpRequestRecord&, test::Connection& c) {
        c.write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 100000\r\n\r\n{");
        while (c.sleep(100) && c.write(" ")) {
        }  // a byte every 100 ms: never idle, never done
    });
    setenv("QUORVEX_CONNECT_TO", ("share.weiyun.com:443:127.0.0.1:" + std::to_string(hostile.port())).c_str(),
           1);
    net::setFetchDeadlineForTests(std::chrono::milliseconds(1500));
    auto started = std::chrono::steady_clock::now();
    checkNotice(state_, window_);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(caption("骚话标签"), gbk(u8"您当前处于离线状态~"));

    // 100 MiB of note: the transfer stops at the cap, memory stays near it.
    net::setFetchDeadlineForTests({});
    test::TestServer huge(test::TestServer::Https, false);
    huge.rawRoute(test::NoticeDouble::kPath, [](const test::HttpRequestRecord&, test::Connection& c) {
        const std::size_t total = 100u << 20;
        c.write("HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: " +
                std::to_string(total) + "\r\n\r\n");
        std::string chunk(1 << 16, 'x');
        for (std::size_t sent = 0; sent < total && c.write(chunk); sent += chunk.size()) {
        }
    });
    setenv("QUORVEX_CONNECT_TO", ("share.weiyun.com:443:127.0.0.1:" + std::to_string(huge.port())).c_str(),
           1);
    (*window_)["骚话标签"].setCaption("");
    [[maybe_unused]] long before = peakKiB();
    checkNotice(state_, window_);
    EXPECT_EQ(caption("骚话标签"), gbk(u8"您当前处于离线状态~"));
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)  // sanitizers keep memory of their own
    const long cap = static_cast<long>(net::fetchLimits(net::AnswerKind::Notice).maxBodyBytes / 1024);
    EXPECT_LT(peakKiB() - before, 3 * cap) << "peak grew by " << (peakKiB() - before) << " KiB";
#endif
}

TEST_F(NoticeTest, OverlappingTriggersRunOneCheck) {
    test::TestServer slow(test::TestServer::Https, false);
    std::atomic<int> requests{0};
    slow.rawRoute(test::NoticeDouble::kPath, [&](const test::HttpRequestRecord&, test::Connection& c) {
        ++requests;
        c.sleep(800);
        c.write("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n{}");
    });
    setenv("QUORVEX_CONNECT_TO", ("share.weiyun.com:443:127.0.0.1:" + std::to_string(slow.port())).c_str(),
           1);
    for (int i = 0; i < 5; ++i) launchNoticeCheck(state_, window_);
    EXPECT_TRUE(eventually([&] { return !state_.notice.checkRunning.load(); }, 10000));
    EXPECT_EQ(requests.load(), 1);
    EXPECT_EQ(caption("骚话标签"), gbk(u8"您当前处于离线状态~"));
    // Once it has ended, the next trigger checks again.
    launchNoticeCheck(state_, window_);
    EXPECT_TRUE(
        eventually([&] { return requests.load() == 2 && !state_.notice.checkRunning.load(); }, 10000));
}

TEST(NoticeFields, MarkersAndRequestHeaders) {
    NoticeFields f = parseNoticeFields(gbk(u8"x[|=*2.0*=|]y更新地址-u-更新地址 =***a=***"));
    EXPECT_EQ(f.latestVersion, "2.0");
    EXPECT_EQ(f.updateAddress, "u");
    EXPECT_EQ(f.changeLog, "a");
    EXPECT_EQ(f.jokes, "");
    RequestHeaderList list;
    EXPECT_EQ(joinRequestHeaders(list, false), "");
    addRequestHeader(list, "A", "1");
    addRequestHeader(list, "A", "2");
    EXPECT_EQ(joinRequestHeaders(list, true), "A: 1\r\nA: 2");
    EXPECT_EQ(list.names.size(), 2u);
    joinRequestHeaders(list, false);
    EXPECT_TRUE(list.names.empty() && list.values.empty());
    Text seq = getSeq();
    EXPECT_GE(seq.size(), 16u);
    EXPECT_EQ(seq.find_first_not_of("0123456789"), std::string::npos) << seq;
}
