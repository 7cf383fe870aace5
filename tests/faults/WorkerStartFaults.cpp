// The windows whose clicks start workers, when the system has no thread to give: each says so
// in a message box it owns, starts nothing, and works as before once threads are there again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "platform/system/Worker.h"
#include "support/RunDirectory.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "ui/WindowTask.h"
#include "utilities/avatar/AvatarWindow.h"
#include "utilities/siteicon/SiteIconWindow.h"
#include "utilities/speech/SpeechWindow.h"
#include "utilities/speedtest/SpeedTestWindow.h"

namespace qx::test {
namespace {

// The speech window's session, for the cases to look at.
std::shared_ptr<speech::Session> speechSession;
void bindSpeech(const ui::WindowPtr& w, ProgramState& s, ui::WindowSystem& ws) {
    speechSession = speech::bindSpeechSession(w, s, ws);
}

struct NoThreadCase {
    const char* name;
    const char* window;
    void (*bind)(const ui::WindowPtr&, ProgramState&, ui::WindowSystem&);
    const char* input;   // the edit box filled before the click ("" for none)
    const char* button;  // the control clicked
    // After the failed click: the window is as before the click.
    std::function<void(ui::Window&, ProgramState&)> unchanged;
    // With threads again: the same click starts its work (true once that showed).
    std::function<bool(ui::Window&, ProgramState&, const RunDirectory&)> worksAgain;
    const ui::WindowLayout& (*layout)() = nullptr;
};

class NoThread : public ::testing::TestWithParam<NoThreadCase> {};

TEST_P(NoThread, TheWindowSaysSoAndStaysUsable) {
    const NoThreadCase& c = GetParam();
    // Every host is a closed port: the second click's work ends quickly, and locally.
    const char* before = std::getenv("QUORVEX_CONNECT_TO");
    const std::optional<std::string> saved = before ? std::optional<std::string>(before) : std::nullopt;
    ::setenv("QUORVEX_CONNECT_TO", "::127.0.0.1:9", 1);
    RunDirectory run("no-thread");
    ProgramState& state = *new ProgramState;  // workers of the second click may outlive the test
    state.setExecutablePath(run.executable());
    FakeWindowSystem windows;
    ui::WindowPtr window = ui::Window::create(c.layout());
    c.bind(window, state, windows);
    window->created();
    if (*c.input) window->control(c.input).setText("icon.example");

    platform::failWorkerStartsForTests(1);
    ASSERT_TRUE(window->click(c.button));  // no exception leaves the click
    ASSERT_EQ(windows.messages().size(), 1u);
    EXPECT_EQ(windows.messages()[0].message, ui::workerStartFailureText());
    EXPECT_EQ(windows.messages()[0].message, gbk(u8"系统资源不足，无法开始，请稍后再试"));
    EXPECT_EQ(windows.messages()[0].owner, c.window);
    EXPECT_EQ(windows.messages()[0].style, ui::MessageStyle::Ok);
    EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(1)));  // none is counted
    c.unchanged(*window, state);

    ASSERT_TRUE(window->click(c.button));
    EXPECT_TRUE(eventually([&] { return c.worksAgain(*window, state, run); }));
    EXPECT_EQ(windows.messages().size(), 1u);
    platform::stopAllWorkers();
    EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(20)));
    if (saved)
        ::setenv("QUORVEX_CONNECT_TO", saved->c_str(), 1);
    else
        ::unsetenv("QUORVEX_CONNECT_TO");
}

INSTANTIATE_TEST_SUITE_P(
    Windows, NoThread,
    ::testing::Values(
        NoThreadCase{"Avatar", "AvatarWindow", avatar::bindAvatarWindow, "编辑框EX_QQ号", "按钮EX24",
                     [](ui::Window& w, ProgramState&) { EXPECT_FALSE(w.control("图片框EX1").hasImage()); },
                     // The fetch ends empty, and what came is stored.
                     [](ui::Window&, ProgramState&, const RunDirectory& run) {
                         return run.exists("Temp/HeadPortrait.png");
                     },
                     avatar::avatarLayout},
        NoThreadCase{"SiteIcon", "SiteIconWindow", siteicon::bindSiteIconWindow, "编辑框EX2", "按钮EX3",
                     [](ui::Window& w, ProgramState&) { EXPECT_EQ(w.control("标签EX3").caption(), ""); },
                     // The grab did not stay "running": the next click grabs (and fails).
                     [](ui::Window& w, ProgramState&, const RunDirectory&) {
                         return !w.control("标签EX3").caption().empty();
                     },
                     siteicon::siteIconLayout},
        NoThreadCase{"SpeedTest", "SpeedTestWindow", speedtest::bindSpeedTestWindow, "", "图片框EX1",
                     [](ui::Window& w, ProgramState&) {
                         EXPECT_EQ(w.control("时钟1").interval(), 0);
                         EXPECT_FALSE(w.control("图片框EX1").disabled());
                         EXPECT_FALSE(w.control("标签EX2").visible());
                     },
                     // The timer runs once the test has started.
                     [](ui::Window& w, ProgramState&, const RunDirectory&) {
                         return w.control("时钟1").interval() > 0;
                     },
                     speedtest::speedTestLayout},
        NoThreadCase{
            "SpeechFetch", "SpeechWindow", bindSpeech, "编辑框EX_文本", "按钮EX2",
            [](ui::Window&, ProgramState&) { EXPECT_FALSE(speechSession->fetchRunning); },
            [](ui::Window&, ProgramState&, const RunDirectory& run) { return run.exists("Temp/audio.mp3"); },
            speech::speechLayout},
        NoThreadCase{
            "SpeechPlayback", "SpeechWindow", bindSpeech, "", "按钮EX4",
            [](ui::Window&, ProgramState&) { EXPECT_EQ(speechSession->playTicket, 0u); },
            [](ui::Window&, ProgramState&, const RunDirectory&) { return speechSession->playTicket > 0u; },
            speech::speechLayout}),
    [](const ::testing::TestParamInfo<NoThreadCase>& i) { return std::string(i.param.name); });

}  // namespace
}  // namespace qx::test
