#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/audio/Mci.h"
#include "platform/system/Files.h"
#include "platform/system/Worker.h"
#include "support/doubles/SpeechDouble.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/speech/SpeechFetch.h"
#include "utilities/speech/SpeechPlayback.h"
#include "utilities/speech/SpeechWindow.h"

using namespace qx;
using namespace qx::speech;
using qx::test::SpeechDouble;
namespace fs = std::filesystem;

namespace {

const std::string kTail = "&cuid=baike&lan=ZH&ctp=1&pdt=301&vol=9&rate=32&per&qq-pf-to=pcqq.group";

template <typename F>
bool waitUntil(F done, int ms = 15000) {
    for (int waited = 0; waited < ms; waited += 5) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

std::string readAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Records every caption the window's controls are given, with the window's state at the time.
class CaptionLog : public ui::WindowObserver {
  public:
    explicit CaptionLog(ui::Window* window) : window_(window) {}
    void propertyChanged(const std::string& control, ui::Prop prop) override {
        if (prop != ui::Prop::Caption || control.empty()) return;
        std::lock_guard lock(mutex_);
        entries_.push_back(control + "=" + gbkToUtf8(window_->control(control).caption()) +
                           (window_->destroyed() ? " after close" : ""));
    }
    std::vector<std::string> entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

  private:
    ui::Window* window_;
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
};

class SpeechTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        double_ = new SpeechDouble();
        setenv("QUORVEX_CONNECT_TO", double_->connectTo().c_str(), 1);
        platform::setAudioOutputModule("dummy");
    }
    static void TearDownTestSuite() {
        delete double_;
        double_ = nullptr;
    }

    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qx-speech-程序-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "Temp");
        state_.setExecutablePath(platform::fromNativePath((dir_ / "quorvex").string()));
        double_->setAnswer(SpeechDouble::Answer::Mp3);
        double_->hold(false);
        window_ = ui::Window::create(speechLayout());
        ASSERT_TRUE(window_);
        log_ = std::make_shared<CaptionLog>(window_.get());
        window_->setObserver(log_);
        session_ = bindSpeechSession(window_, state_, windows_);
        cwd_ = fs::current_path();
    }
    void TearDown() override {
        double_->hold(false);
        EXPECT_TRUE(waitUntil([&] { return !session_->fetchRunning; }));
        platform::mciSendString("close all");  // releases a playback worker still running
        // No worker outlives the state and the window system it reads.
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(20)));
        fs::current_path(cwd_);
        fs::remove_all(dir_);
    }

    fs::path speechFile() const { return dir_ / "Temp" / "audio.mp3"; }
    void setText(const std::string& utf8) { window_->control("编辑框EX_文本").setText(gbk(utf8)); }
    std::string text() const { return gbkToUtf8(window_->control("编辑框EX_文本").text()); }
    std::size_t requests() const { return double_->queries().size(); }
    void fetch() { fetchSpeech(*window_, state_, windows_, {}); }

    static inline SpeechDouble* double_ = nullptr;
    fs::path dir_, cwd_;
    ProgramState state_;
    test::FakeWindowSystem windows_;
    ui::WindowPtr window_;
    std::shared_ptr<Session> session_;
    std::shared_ptr<CaptionLog> log_;
};

struct QueryCase {
    const char* name;
    const char* text;  // UTF-8
    const char* tex;
};

class SpeechQueryTest : public SpeechTest, public testing::WithParamInterface<QueryCase> {};

// clang-format off
const QueryCase kQueries[] = {
    {"SpaceIsPlus", "a b", "a+b"},
    {"SpacesAroundKept", " x  ", "+x++"},
    {"ChineseIsThreeGroupsPerCharacter", "中文", "%E4%B8%AD%E6%96%87"},
    {"MarksKeptUnderscoreTildeEncoded", "_~'()*", "%5F%7E'()*"},
    {"FullWidthSpaceInsideText", "你\u3000好", "%E4%BD%A0%E3%80%80%E5%A5%BD"},
    {"LineBreaksAndReserved", "1&2=3\r\n#", "1%262%3D3%0D%0A%23"},
};
// clang-format on

}  // namespace

TEST_P(SpeechQueryTest, TheDoubleSeesTheExactQueryAndTheFileHoldsItsAnswer) {
    const QueryCase& c = GetParam();
    std::size_t before = requests();
    setText(c.text);
    fetch();
    ASSERT_EQ(requests(), before + 1);
    EXPECT_EQ(double_->queries().back(), std::string("tex=") + c.tex + kTail);
    EXPECT_EQ(double_->texts().back(), c.text);
    EXPECT_EQ(double_->lastProblem(), "");
    EXPECT_EQ(readAll(speechFile()), SpeechDouble::mp3());
    EXPECT_EQ(log_->entries(), (std::vector<std::string>{"按钮EX2=转换中", "按钮EX2=转换"}));
}

INSTANTIATE_TEST_SUITE_P(Cases, SpeechQueryTest, testing::ValuesIn(kQueries),
                         [](const auto& info) { return std::string(info.param.name); });

// The window as its layout makes it: its size, its skin element, the close button's corner.
TEST(SpeechLayout, SizeAndFrame) {
    const ui::WindowLayout& l = speechLayout();
    EXPECT_EQ(l.name, kSpeechWindow.name);
    EXPECT_EQ(l.width, 324);
    EXPECT_EQ(l.height, 294);
    ui::WindowPtr w = ui::Window::create(l);
    EXPECT_EQ(w->skinElement().name(), "文本转语言UI");
    EXPECT_EQ(w->control(control::kClose).left(), 296);
    EXPECT_EQ(w->control(control::kClose).top(), 8);
}

TEST_F(SpeechTest, RequestAddressIsTheServiceHostWithTheFixedTail) {
    EXPECT_EQ(speechRequestUrl("a b"), "http://tts.baidu.com/text2audio?tex=a+b" + kTail);
}

TEST_F(SpeechTest, BlankTextDoesNothing) {
    std::ofstream(speechFile(), std::ios::binary) << "earlier";
    std::size_t before = requests();
    for (const char* blank : {"", "   ", "\u3000", " \u3000 \u3000"}) {
        setText(blank);
        fetch();
        window_->click("按钮EX2");
        EXPECT_FALSE(session_->fetchRunning);
    }
    EXPECT_EQ(requests(), before);
    EXPECT_EQ(readAll(speechFile()), "earlier");
    EXPECT_TRUE(log_->entries().empty());
}

TEST_F(SpeechTest, ErrorPagesEmptyAnswersAndRefusalsLandInTheFileAndPlayFailsAtOnce) {
    struct Case {
        SpeechDouble::Answer answer;
        std::string file;
    };
    for (const Case& c : {Case{SpeechDouble::Answer::ErrorPage, SpeechDouble::errorPage()},
                          Case{SpeechDouble::Answer::Empty, ""}, Case{SpeechDouble::Answer::Refuse, ""}}) {
        double_->setAnswer(c.answer);
        std::ofstream(speechFile(), std::ios::binary) << "earlier";
        setText("hello");
        fetch();
        ASSERT_TRUE(fs::exists(speechFile()));
        EXPECT_EQ(readAll(speechFile()), c.file);
        EXPECT_EQ(window_->control("按钮EX2").caption(), gbk(u8"转换"));
        playSpeechWorker(*window_, state_, *session_, windows_);
        EXPECT_EQ(window_->control("按钮EX4").caption(), ">");
    }
    EXPECT_EQ(log_->entries(),
              (std::vector<std::string>{"按钮EX2=转换中", "按钮EX2=转换", "按钮EX4=| |", "按钮EX4=>",
                                        "按钮EX2=转换中", "按钮EX2=转换", "按钮EX4=| |", "按钮EX4=>",
                                        "按钮EX2=转换中", "按钮EX2=转换", "按钮EX4=| |", "按钮EX4=>"}));
}

TEST_F(SpeechTest, LongTextGoesWholeIntoTheQueryAndAnOverlongLineGivesAnEmptyFile) {
    std::string longText(100 * 1024, 'a');
    setText(longText);
    fetch();
    EXPECT_EQ(double_->texts().back(), longText);
    EXPECT_EQ(readAll(speechFile()), SpeechDouble::mp3());

    // 120 000 Chinese characters make a request line past what the server takes: it hangs up.
    std::string chinese;
    for (int i = 0; i < 120000; ++i) chinese += "中";
    std::size_t before = requests();
    setText(chinese);
    fetch();
    EXPECT_EQ(requests(), before);
    ASSERT_TRUE(fs::exists(speechFile()));
    EXPECT_EQ(readAll(speechFile()), "");
    EXPECT_EQ(window_->control("按钮EX2").caption(), gbk(u8"转换"));
}

TEST_F(SpeechTest, QuickClicksStartOneFetchAndPlayIsRefusedWhileItRuns) {
    double_->hold(true);
    std::size_t before = requests();
    setText("hello");
    EXPECT_TRUE(window_->click("按钮EX2"));
    EXPECT_TRUE(window_->click("按钮EX2"));
    ASSERT_TRUE(waitUntil([&] { return requests() == before + 1; }));
    EXPECT_EQ(window_->control("按钮EX2").caption(), gbk(u8"转换中"));
    EXPECT_FALSE(fs::exists(speechFile()));
    playSpeechWorker(*window_, state_, *session_, windows_);  // refused: a fetch runs
    EXPECT_TRUE(window_->click("按钮EX4"));                   // the same through the button
    double_->hold(false);
    ASSERT_TRUE(waitUntil([&] { return !session_->fetchRunning; }));
    EXPECT_EQ(requests(), before + 1);
    EXPECT_EQ(window_->control("按钮EX2").caption(), gbk(u8"转换"));
    EXPECT_EQ(readAll(speechFile()), SpeechDouble::mp3());
    EXPECT_EQ(log_->entries(), (std::vector<std::string>{"按钮EX2=转换中", "按钮EX2=转换"}));
}

TEST_F(SpeechTest, ClosingTheWindowDuringAFetchStopsItAndTheLateWorkerWritesNothing) {
    double_->hold(true);
    std::size_t before = requests();
    std::ofstream(speechFile(), std::ios::binary) << "earlier";
    setText("hello");
    window_->click("按钮EX2");
    ASSERT_TRUE(waitUntil([&] { return requests() == before + 1; }));
    EXPECT_TRUE(window_->click("按钮EX1"));
    EXPECT_TRUE(window_->destroyed());
    EXPECT_EQ(windows_.destroyedNames(), std::vector<std::string>{"SpeechWindow"});
    // The fetch ends on its own although the double never answers.
    ASSERT_TRUE(waitUntil([&] { return !session_->fetchRunning; }));
    EXPECT_FALSE(fs::exists(speechFile()));
    EXPECT_EQ(log_->entries(), std::vector<std::string>{"按钮EX2=转换中"});
}

TEST_F(SpeechTest, PlayWithoutAFileFlashesAndReturns) {
    playSpeechWorker(*window_, state_, *session_, windows_);
    EXPECT_EQ(log_->entries(), (std::vector<std::string>{"按钮EX4=| |", "按钮EX4=>"}));
}

TEST_F(SpeechTest, PlayLastsAsLongAsTheSpeechAndClosingTheWindowStopsIt) {
    std::ofstream(speechFile(), std::ios::binary) << SpeechDouble::mp3();
    auto start = std::chrono::steady_clock::now();
    playSpeechWorker(*window_, state_, *session_, windows_);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(950));
    EXPECT_EQ(log_->entries(), (std::vector<std::string>{"按钮EX4=| |", "按钮EX4=>"}));

    // Twenty seconds of sound, closed while it plays.
    std::string tone = SpeechDouble::mp3(), longTone;
    for (int i = 0; i < 20; ++i) longTone += tone;
    std::ofstream(speechFile(), std::ios::binary | std::ios::trunc) << longTone;
    window_->click("按钮EX4");
    ASSERT_TRUE(waitUntil([&] { return log_->entries().size() == 3; }));  // "| |" again
    std::this_thread::sleep_for(std::chrono::milliseconds(200));          // now it plays
    window_->click("按钮EX1");
    EXPECT_TRUE(window_->destroyed());
    // The device is gone: the close released the blocking play before the window went.
    EXPECT_EQ(platform::mciSendString("play 1"), platform::kMciInvalidDeviceName);
    // The released worker may put ">" back while the window still is there, never afterwards.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    std::vector<std::string> entries = log_->entries();
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(entries.begin(), entries.begin() + 3),
              (std::vector<std::string>{"按钮EX4=| |", "按钮EX4=>", "按钮EX4=| |"}));
    for (std::size_t i = 3; i < entries.size(); ++i) EXPECT_EQ(entries[i], "按钮EX4=>");
}

// Linux allows a quote in a folder name: the open command still names the file (a failed open
// would end the play at once).
TEST_F(SpeechTest, PlaysFromARunFolderWithAQuoteInItsName) {
    const fs::path run = dir_ / "say \"hi\" \"\"";
    fs::create_directories(run / "Temp");
    state_.setExecutablePath(platform::fromNativePath((run / "quorvex").string()));
    std::ofstream(run / "Temp" / "audio.mp3", std::ios::binary) << SpeechDouble::mp3();
    const auto start = std::chrono::steady_clock::now();
    playSpeechWorker(*window_, state_, *session_, windows_);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(950));
}

TEST_F(SpeechTest, ASecondPlayReleasesTheFirstAndOnlyTheLatestPutsTheButtonBack) {
    std::string tone = SpeechDouble::mp3(), longTone;
    for (int i = 0; i < 20; ++i) longTone += tone;
    std::ofstream(speechFile(), std::ios::binary) << longTone;
    std::thread first([&] { playSpeechWorker(*window_, state_, *session_, windows_); });
    ASSERT_TRUE(waitUntil([&] { return log_->entries().size() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    std::thread second([&] { playSpeechWorker(*window_, state_, *session_, windows_); });
    first.join();  // released by the second one's close
    EXPECT_EQ(window_->control("按钮EX4").caption(), "| |");
    stopAudio("1");
    second.join();
    EXPECT_EQ(window_->control("按钮EX4").caption(), ">");
}

TEST_F(SpeechTest, SaveCopiesWithTheReplacePrompt) {
    // No speech file: no dialog.
    window_->click("按钮EX5");
    EXPECT_TRUE(windows_.fileRequests().empty());

    std::ofstream(speechFile(), std::ios::binary) << "speech";
    fs::create_directories(dir_ / "out 目录");
    const fs::path target = dir_ / "out 目录" / "saved.mp3";
    const Text targetText = platform::fromNativePath(target.string());
    std::ofstream(target, std::ios::binary) << "keep me";

    windows_.queueFileAnswer(targetText);  // exists; the answer is No
    windows_.queueAnswer(ui::MessageAnswer::No);
    window_->click("按钮EX5");
    EXPECT_EQ(readAll(target), "keep me");
    ASSERT_EQ(windows_.messages().size(), 1u);
    EXPECT_EQ(windows_.messages()[0].message, gbk(u8"已存在相似文件，是否替换？"));
    EXPECT_EQ(windows_.messages()[0].owner, "SpeechWindow");
    EXPECT_EQ(windows_.messages()[0].style, ui::MessageStyle::YesNoQuestion);

    windows_.queueFileAnswer(gbk(u8" \u3000 "));  // blank: cancelled, no question
    window_->click("按钮EX5");
    EXPECT_EQ(windows_.messages().size(), 1u);

    windows_.queueFileAnswer(targetText);
    windows_.queueAnswer(ui::MessageAnswer::Yes);
    window_->click("按钮EX5");
    EXPECT_EQ(readAll(target), "speech");

    const auto requests = windows_.fileRequests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_TRUE(requests[0].save);
    EXPECT_EQ(requests[0].defaultName, "audio.mp3");
    EXPECT_EQ(requests[0].filter, "*.mp3");
    EXPECT_EQ(requests[0].title, gbk(u8"保存文件"));
    // The folder the user chose stays current.
    EXPECT_EQ(fs::current_path(), target.parent_path());
}

TEST_F(SpeechTest, ImportReadsATextFileUpToItsEnd) {
    auto import = [&](const std::string& bytes) {
        fs::path p = dir_ / "导入.txt";
        std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
        windows_.queueFileAnswer(platform::fromNativePath(p.string()));
        window_->click("按钮EX3");
    };
    setText("  ");
    import("你好");
    EXPECT_EQ(text(), "  你好");  // a blank box gets the text right after its content
    import(std::string("世界\0after", 11));
    EXPECT_EQ(text(), "  你好\r\n世界");
    import("end\x1Arest");
    EXPECT_EQ(text(), "  你好\r\n世界\r\nend");
    setText("");
    import(std::string("A\0B\0", 4));  // UTF-16: only what precedes the first zero byte
    EXPECT_EQ(text(), "A");

    window_->click("按钮EX3");  // cancelled: nothing changes
    EXPECT_EQ(text(), "A");
    EXPECT_TRUE(windows_.messages().empty());
    // A file that cannot be read changes nothing and says why.
    const Text missing = platform::fromNativePath((dir_ / "missing.txt").string());
    windows_.queueFileAnswer(missing);
    window_->click("按钮EX3");
    EXPECT_EQ(text(), "A");
    ASSERT_EQ(windows_.messages().size(), 1u);
    EXPECT_EQ(windows_.messages()[0].message,
              gbk(u8"导入文件失败：") + missing + gbk(u8"\r\n原因：文件或文件夹不存在"));
    EXPECT_EQ(windows_.messages()[0].owner, "SpeechWindow");

    const auto requests = windows_.fileRequests();
    ASSERT_FALSE(requests.empty());
    EXPECT_FALSE(requests[0].save);
    EXPECT_EQ(requests[0].filter, "All files(*.*)|*.*");
    EXPECT_EQ(requests[0].title, gbk(u8"打开文件"));
    EXPECT_EQ(fs::current_path(), cwd_);  // the current folder is restored
}
