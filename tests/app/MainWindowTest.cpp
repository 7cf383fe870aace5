// The main window's handlers, headless against the scripted desktop.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/MainWindow.h"
#include "app/Windows.h"
#include "platform/system/VersionRecord.h"
#include "platform/system/Worker.h"
#include "resources/Pictures.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"

using namespace qx;
using namespace qx::app;
using qx::test::FakeWindowSystem;
using qx::test::ProcessEnded;

namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("qx_main_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        state.setExecutablePath((dir_ / "quorvex").string());  // no such file yet
    }
    void TearDown() override {
        // The notice worker the main window started ends before the state it reads goes.
        platform::stopAllWorkers();
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(20)));
        std::filesystem::remove_all(dir_);
    }

    ui::WindowPtr open(int hour = 12) {
        ui::WindowPtr w = makeMainWindow(state, fake, [hour] { return hour; });
        fake.openModeless(w);
        return w;
    }
    void writeExecutableWithVersion(const std::string& version) {
        platform::VersionFields fields{};
        fields[0] = version;
        fields[1] = version;
        std::ofstream out(dir_ / "quorvex", std::ios::binary);
        out << std::string(1000, 'x') << platform::makeVersionRecord(fields) << std::string(10, 'y');
    }

    std::filesystem::path dir_;
    ProgramState state;
    FakeWindowSystem fake;
};

ByteArray bytes(std::span<const unsigned char> s) { return res::toByteArray(s); }

}  // namespace

TEST_F(MainWindowTest, SkinFollowsTheHour) {
    struct Case {
        int hour;
        bool night;
    };
    for (Case c : {Case{19, false}, Case{20, true}, Case{7, true}, Case{8, false}, Case{0, true},
                   Case{23, true}, Case{12, false}}) {
        SCOPED_TRACE(c.hour);
        EXPECT_EQ(isNightHour(c.hour), c.night);
        ui::WindowPtr w = open(c.hour);
        ByteArray expected = bytes(c.night ? res::nightSkin() : res::daySkin());
        EXPECT_EQ(w->control("主界面UI").image(), expected);
        EXPECT_EQ(state.windowSkinImage.get(), expected);
    }
    EXPECT_NE(bytes(res::nightSkin()), bytes(res::daySkin()));
}

TEST_F(MainWindowTest, VersionLabelWithoutAVersionRecord) {
    state.ownVersionInfo.update([](platform::VersionFields& f) { f[0] = "stale"; });
    ui::WindowPtr w = open();
    EXPECT_EQ(w->control("标签EX_版本提示").caption(), gbk(u8"当前版本号："));
    EXPECT_EQ(state.currentVersion(), "");
}

TEST_F(MainWindowTest, VersionLabelFromTheOwnFile) {
    writeExecutableWithVersion("2.5.0.7");
    ui::WindowPtr w = open();
    EXPECT_EQ(w->control("标签EX_版本提示").caption(), gbk(u8"当前版本号：") + "2.5.0.7");
    EXPECT_EQ(state.ownVersionInfo.get()[0], "2.5.0.7");
    EXPECT_EQ(state.ownVersionInfo.get()[1], "2.5.0.7");
}

TEST_F(MainWindowTest, CreationSelectsTheFirstPageAndResetsTheJokeRotation) {
    state.notice.banterRotationStarted = true;
    ui::WindowPtr w = makeMainWindow(state, fake, [] { return 10; });
    w->control("选择夹EX1").setCurrentPage(2);
    fake.openModeless(w);
    EXPECT_EQ(w->control("选择夹EX1").currentPage(), 0);
    EXPECT_FALSE(state.notice.banterRotationStarted);
    EXPECT_FALSE(w->control("图片框EX1").image().empty());  // the logo
    EXPECT_EQ(w->control("图片框EX2").image(), bytes(res::updateIcon()));
    ASSERT_EQ(fake.opened().size(), 1u);
    EXPECT_FALSE(fake.opened()[0].modal);
}

TEST_F(MainWindowTest, PageButtonsSwitchPages) {
    ui::WindowPtr w = open();
    ui::Control tabs = w->control("选择夹EX1");
    EXPECT_TRUE(w->click("按钮EX5"));
    EXPECT_EQ(tabs.currentPage(), 1);
    EXPECT_TRUE(w->click("按钮EX6"));
    EXPECT_EQ(tabs.currentPage(), 2);
    EXPECT_TRUE(w->click("按钮EX3"));
    EXPECT_EQ(tabs.currentPage(), 0);
}

TEST_F(MainWindowTest, CloudButtonsStoreTheServiceAndOpenTheResolverModally) {
    ui::WindowPtr w = open(21);
    const char* buttons[] = {"按钮EX8", "按钮EX9", "按钮EX10", "按钮EX11", "按钮EX12", "按钮EX13"};
    for (int service = 1; service <= 6; ++service) {
        SCOPED_TRACE(service);
        int seen = -1;
        ByteArray skin;
        fake.whileOpen("ResolverWindow", [&](const ui::WindowPtr& child) {
            seen = static_cast<int>(state.resolver.selectedResolverService.load());
            skin = child->control("云盘解析UI").image();
        });
        EXPECT_TRUE(w->click(buttons[service - 1]));
        EXPECT_EQ(state.resolver.selectedResolverService, static_cast<resolvers::Service>(service));
        EXPECT_EQ(seen, service);  // stored before the window opened
        EXPECT_EQ(skin, bytes(res::nightSkin()));
        auto opened = fake.opened();
        EXPECT_EQ(opened.back().name, "ResolverWindow");
        EXPECT_TRUE(opened.back().modal);
        EXPECT_EQ(opened.back().parent, "MainWindow");
    }
}

TEST_F(MainWindowTest, ChildButtonsOpenTheirWindowsAndTheCloseButtonDestroysThem) {
    ui::WindowPtr w = open(9);
    const std::pair<const char*, const char*> rows[] = {
        {"按钮EX4", "AboutWindow"},    {"按钮EX14", "SiteIconWindow"},  {"按钮EX16", "SpeechWindow"},
        {"按钮EX17", "EncoderWindow"}, {"按钮EX18", "WebTesterWindow"}, {"按钮EX22", "RegexTesterWindow"},
        {"按钮EX24", "AvatarWindow"},  {"按钮EX25", "SpeedTestWindow"},
    };
    for (auto [button, name] : rows) {
        SCOPED_TRACE(name);
        bool closedByButton = false;
        fake.whileOpen(name, [&](const ui::WindowPtr& child) {
            EXPECT_EQ(child->skinElement().image(), bytes(res::daySkin()));
            EXPECT_TRUE(child->click("按钮EX1"));
            closedByButton = child->destroyed();
        });
        EXPECT_TRUE(w->click(button));
        EXPECT_TRUE(closedByButton);
        EXPECT_EQ(fake.opened().back().name, name);
        EXPECT_TRUE(fake.opened().back().modal);
        EXPECT_EQ(fake.destroyedNames().back(), name);
    }
}

TEST_F(MainWindowTest, CloseEndsTheProcessWithZeroEvenWithAChildOpen) {
    ui::WindowPtr w = open();
    fake.whileOpen("AboutWindow", [&](const ui::WindowPtr&) { w->click("按钮EX1"); });
    try {
        w->click("按钮EX4");
        FAIL() << "the process did not end";
    } catch (const ProcessEnded& e) {
        EXPECT_EQ(e.code, 0);
    }
    EXPECT_EQ(fake.endCode(), 0);
    EXPECT_FALSE(fake.lastOpened("AboutWindow")->destroyed());  // nothing was closed first
}

TEST_F(MainWindowTest, MinimiseAndPlaceholders) {
    ui::WindowPtr w = open();
    EXPECT_TRUE(w->click("按钮EX2"));
    EXPECT_EQ(w->windowState(), ui::WindowState::Minimised);
    for (const char* b : {"按钮EX26", "按钮EX27", "按钮EX28", "按钮EX29", "按钮EX32", "按钮EX33", "按钮EX34",
                          "按钮EX37", "按钮EX38", "按钮EX39"})
        EXPECT_FALSE(w->click(b)) << b;
    EXPECT_EQ(fake.opened().size(), 1u);
    EXPECT_TRUE(w->click("按钮EX7"));  // the notice check starts (nothing to see yet)
}

TEST_F(MainWindowTest, AboutCreditsShowOneOkMessageOwnedByTheAboutWindow) {
    ui::WindowPtr w = open();
    fake.whileOpen("AboutWindow", [](const ui::WindowPtr& about) { EXPECT_TRUE(about->click("标签EX2")); });
    w->click("按钮EX4");
    auto calls = fake.messages();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].owner, "AboutWindow");
    EXPECT_EQ(calls[0].title, "");
    EXPECT_EQ(calls[0].style, ui::MessageStyle::Ok);
    const Text& t = calls[0].message;
    EXPECT_EQ(t, creditsText());
    const Text head = gbk(u8"特别鸣谢：\r\n\r\n");
    ASSERT_EQ(t.compare(0, head.size(), head), 0);
    // Six entries, each on its own line behind "·"; the first ends with a bare LF.
    Text entries = t.substr(head.size());
    const Text dot = gbk(u8"·");
    int lines = 0;
    std::size_t at = 0;
    std::vector<Text> endings;
    for (;;) {
        ASSERT_EQ(entries.compare(at, dot.size(), dot), 0) << lines;
        ++lines;
        std::size_t nl = entries.find('\n', at);
        if (nl == Text::npos) break;
        endings.push_back(entries[nl - 1] == '\r' ? "\r\n" : "\n");
        at = nl + 1;
    }
    EXPECT_EQ(lines, 6);
    EXPECT_EQ(endings, (std::vector<Text>{"\n", "\r\n", "\r\n", "\r\n", "\r\n"}));
    // The tools are the program's own now: no outside tool and no placeholder author is named;
    // the libraries it is built on are, each with its author.
    for (const char* gone : {"eXeScope", "ViewWizard", "IObit", "IPSetter"})
        EXPECT_EQ(t.find(gone), Text::npos) << gone;
    EXPECT_EQ(t.find(gbk(u8"原作者")), Text::npos);
    for (const char* library : {"Qt [The Qt Company]", "libcurl [Daniel Stenberg]", "PCRE2 [Philip Hazel]",
                                "Duktape [Sami Vaarala]", "OpenCC [BYVoid]", "mpg123 [", "LIEF [Quarkslab]"})
        EXPECT_NE(t.find(library), Text::npos) << library;
}

TEST_F(MainWindowTest, ChildWindowFactory) {
    EXPECT_EQ(makeChildWindow("NoSuchWindow", state, fake), nullptr);
    ui::WindowPtr speed = makeChildWindow("SpeedTestWindow", state, fake);
    ASSERT_TRUE(speed);
    EXPECT_EQ(speed->control("图片框EX1").image(), bytes(res::speedTestPicture()));
    EXPECT_TRUE(speed->skinElement().image().empty());  // the skin comes with creation
    state.windowSkinImage.set({1, 2, 3});
    speed->created();
    EXPECT_EQ(speed->skinElement().image(), (ByteArray{1, 2, 3}));
    EXPECT_EQ(findWindowBinder("AboutWindow"), &bindAboutWindow);
    EXPECT_TRUE(res::pictureNamed("serviceDropbox").empty());
    for (const char* name :
         {"serviceLanzou", "serviceOneDrive", "serviceBilnn", "service360", "serviceWenshushu"})
        EXPECT_FALSE(res::pictureNamed(name).empty()) << name;
}
