#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>
#include <vector>

#include "platform/audio/Mci.h"
#include "platform/system/Files.h"

using namespace qx::platform;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

class MciTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { setAudioOutputModule("dummy"); }

    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("qx-audio-声音-" + std::to_string(getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        tone_ = readAll(QX_TONE_MP3);
        ASSERT_GT(tone_.size(), 1000u);
    }
    void TearDown() override {
        mciSendString("close all");
        fs::remove_all(dir_);
    }

    // A file in the test folder, named by a UTF-8 name; returns its GBK path.
    std::string file(const std::string& utf8Name, const std::string& bytes) {
        fs::path p = dir_ / fs::u8path(utf8Name);
        std::ofstream(p, std::ios::binary) << bytes;
        return fromNativePath(p.string());
    }
    std::string repeatedTone(int seconds) {
        std::string s;
        for (int i = 0; i < seconds; ++i) s += tone_;
        return s;
    }

    fs::path dir_;
    std::string tone_;
};

}  // namespace

TEST_F(MciTest, BadCommandsAndFilesGiveNonZeroCodes) {
    const std::string html = file("page.html", "<html><body>error 500</body></html>");
    const std::string empty = file("empty.mp3", "");
    const std::string noise = file("noise.mp3", std::string(5000, '\x55'));
    struct Case {
        std::string command;
        int expected;
    };
    const std::vector<Case> cases = {
        {"", kMciUnrecognizedCommand},
        {"   ", kMciUnrecognizedCommand},
        {"fly a", kMciUnrecognizedCommand},
        {"open", kMciUnrecognizedKeyword},
        {"open \"" + html + "\"", kMciUnrecognizedKeyword},
        {"open \"" + html + "\" alias", kMciUnrecognizedKeyword},
        {"open \"" + html + "\" as a", kMciUnrecognizedKeyword},
        {"open \"unterminated alias a", kMciUnrecognizedKeyword},
        {"open \"" + html + "\" alias all", kMciUnrecognizedKeyword},
        {"open \"" + fromNativePath((dir_ / "missing.mp3").string()) + "\" alias a", kMciFileNotFound},
        {"open \"" + fromNativePath(dir_.string()) + "\" alias a", kMciInvalidFile},
        {"open \"" + html + "\" alias a", kMciInvalidFile},
        {"open \"" + empty + "\" alias a", kMciInvalidFile},
        {"open \"" + noise + "\" alias a", kMciInvalidFile},
        {"play a", kMciInvalidDeviceName},
        {"play a wait", kMciInvalidDeviceName},
        {"play", kMciUnrecognizedKeyword},
        {"play a wait now", kMciUnrecognizedKeyword},
        {"play a later", kMciUnrecognizedKeyword},
        {"stop a", kMciInvalidDeviceName},
        {"close a", kMciInvalidDeviceName},
        {"close", kMciUnrecognizedKeyword},
        {"close a b", kMciUnrecognizedKeyword},
        {std::string("open \"\xff\xfe\x00\" alias a", 18), kMciFileNotFound},
    };
    for (const Case& c : cases) EXPECT_EQ(mciSendString(c.command), c.expected) << c.command;
}

TEST_F(MciTest, BlockingPlayLastsAsLongAsTheAudio) {
    const std::string path = file("语音 文件.mp3", tone_);
    ASSERT_EQ(mciSendString("open \"" + path + "\" alias 1"), kMciOk);
    EXPECT_EQ(mciSendString("open \"" + path + "\" alias 1"), kMciDuplicateAlias);
    Clock::time_point start = Clock::now();
    EXPECT_EQ(mciSendString("PLAY 1 WAIT"), kMciOk);
    double took = secondsSince(start);
    EXPECT_GE(took, 0.95);  // the paced output never ends early; no upper bound on a busy machine
    // The device stays open after the end, and playing it again has nothing left to play.
    start = Clock::now();
    EXPECT_EQ(mciSendString("play 1 wait"), kMciOk);
    EXPECT_LT(secondsSince(start), took);
    EXPECT_EQ(mciSendString("close 1"), kMciOk);
    EXPECT_EQ(mciSendString("close 1"), kMciInvalidDeviceName);
}

TEST_F(MciTest, CloseFromAnotherThreadEndsABlockingPlayAtOnce) {
    const std::string path = file("long.mp3", repeatedTone(20));
    ASSERT_EQ(mciSendString("open \"" + path + "\" alias a"), kMciOk);
    Clock::time_point start = Clock::now();
    auto player = std::async(std::launch::async, [] { return mciSendString("play a wait"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(mciSendString("close a"), kMciOk);
    // close returns once the output is released, so the play has returned or is returning.
    ASSERT_EQ(player.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(player.get(), kMciOk);
    EXPECT_LT(secondsSince(start), 10.0);  // far less than the twenty seconds of audio
    EXPECT_EQ(mciSendString("play a"), kMciInvalidDeviceName);
}

TEST_F(MciTest, ASecondPlayTakesOverAndStopKeepsTheDevice) {
    const std::string path = file("long.mp3", repeatedTone(20));
    ASSERT_EQ(mciSendString("open \"" + path + "\" alias a"), kMciOk);
    auto first = std::async(std::launch::async, [] { return mciSendString("play a wait"); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(mciSendString("play a"), kMciOk);  // returns at once, the first play ends
    ASSERT_EQ(first.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(first.get(), kMciOk);
    EXPECT_EQ(mciSendString("stop a"), kMciOk);
    EXPECT_EQ(mciSendString("close a"), kMciOk);
}

TEST_F(MciTest, ManyThreadsOpeningPlayingAndClosingOneAliasDoNotCrash) {
    const std::string path = file("tone.mp3", tone_);
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 10; ++i) {
                mciSendString("close x");
                mciSendString("open \"" + path + "\" alias x");
                mciSendString((t + i) % 2 ? "play x" : "play x wait");
            }
        });
    std::thread closer([] {
        for (int i = 0; i < 50; ++i) {
            mciSendString("close all");
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    for (auto& t : threads) t.join();
    closer.join();
    mciSendString("close all");
    EXPECT_EQ(mciSendString("play x"), kMciInvalidDeviceName);
}

TEST_F(MciTest, AnOutputModuleThatDoesNotExistFailsThePlay) {
    const std::string path = file("tone.mp3", tone_);
    ASSERT_EQ(mciSendString("open " + path + " alias a"), kMciOk);  // a path without blanks needs no quotes
    setAudioOutputModule("no-such-module");
    EXPECT_EQ(mciSendString("play a wait"), kMciHardware);
    setAudioOutputModule("dummy");
    EXPECT_EQ(mciSendString("close a"), kMciOk);
}
