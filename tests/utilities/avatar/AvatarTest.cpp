#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "platform/system/Worker.h"
#include "support/RunDirectory.h"
#include "support/doubles/UtilityDoubles.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"
#include "utilities/avatar/AvatarWindow.h"

using namespace qx;
using namespace qx::avatar;
using qx::test::eventually;
using qx::test::RunDirectory;

namespace {

std::string textOf(const ByteArray& b) { return std::string(b.begin(), b.end()); }

class AvatarWindowTest : public ::testing::Test {
  protected:
    AvatarWindowTest() : run_("avatar") {
        const char* before = std::getenv("QUORVEX_CONNECT_TO");
        if (before) savedConnectTo_ = before;
        // The service host reaches the double; every other host a closed port.
        ::setenv("QUORVEX_CONNECT_TO", (service_.connectTo() + ",::127.0.0.1:9").c_str(), 1);
        service_.setPicture("10001", picture_);
        service_.setDefaultPicture(unknown_);
        state_.setExecutablePath(run_.executable());
        window_ = ui::Window::create(qx::avatar::avatarLayout());
        bindAvatarWindow(window_, state_, windows_);
        window_->created();
    }
    ~AvatarWindowTest() override {
        platform::stopAllWorkers();
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(10)));
        if (savedConnectTo_)
            ::setenv("QUORVEX_CONNECT_TO", savedConnectTo_->c_str(), 1);
        else
            ::unsetenv("QUORVEX_CONNECT_TO");
    }

    void click(const Text& account) {
        window_->control("编辑框EX_QQ号").setText(account);
        window_->click("按钮EX24");
    }
    // Clicks and waits until the answer has been stored.
    void fetch(const Text& account) {
        std::size_t before = service_.server().requestCount();
        std::filesystem::remove(run_.path("Temp/HeadPortrait.png"));
        click(account);
        ASSERT_TRUE(service_.server().waitForRequests(before + 1, 10000));
        ASSERT_TRUE(eventually([&] { return run_.exists("Temp/HeadPortrait.png"); }));
    }
    std::string shown() { return textOf(window_->control("图片框EX1").image()); }

    const std::string picture_ = test::samplePng(100, 100);
    const std::string unknown_ = test::samplePng(40, 40);
    RunDirectory run_;
    test::AvatarDouble service_;
    std::optional<std::string> savedConnectTo_;
    ProgramState state_;
    test::FakeWindowSystem windows_;
    ui::WindowPtr window_;
};

struct FetchCase {
    const char* name;
    std::string typed;                  // GBK
    std::optional<std::string> answer;  // the service's body instead of the account's picture
    std::string expectShown;            // "picture", "unknown", "answer" or "nothing"
};

class Fetch : public AvatarWindowTest, public ::testing::WithParamInterface<FetchCase> {};

TEST_P(Fetch, ShowsAndStoresWhatTheServiceAnswered) {
    const FetchCase& c = GetParam();
    if (c.answer) service_.setOverride(*c.answer);
    fetch(c.typed);
    // The request as the service must see it: the account inserted exactly as typed.
    EXPECT_EQ(service_.lastProblem(), "");
    EXPECT_EQ(service_.lastAccount(), c.typed);
    const std::string want = c.expectShown == "picture"   ? picture_
                             : c.expectShown == "unknown" ? unknown_
                             : c.expectShown == "nothing" ? std::string()
                                                          : *c.answer;
    EXPECT_TRUE(eventually([&] { return shown() == want; }));
    EXPECT_EQ(run_.read("Temp/HeadPortrait.png"), want);
    EXPECT_EQ(window_->control("图片框EX1").hasImage(), !want.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Answers, Fetch,
    ::testing::Values(FetchCase{"Number", "10001", std::nullopt, "picture"},
                      FetchCase{"UnknownNumber", "999", std::nullopt, "unknown"},
                      FetchCase{"SpacesAndLetters", " 12 ab ", std::nullopt, "unknown"},
                      FetchCase{"ErrorPage", "10001", std::string("<html>502 Bad Gateway</html>"), "answer"},
                      FetchCase{"EmptyAnswer", "10001", std::string(), "answer"},
                      // Pictures are capped at 4096 x 4096: a larger one is refused as a failed
                      // fetch is, before any window decodes it.
                      FetchCase{"LargestThatFits", "10001", test::samplePng(4096, 2), "answer"},
                      FetchCase{"LargerThanAnAvatarCanBe", "10001", test::samplePng(2, 4097), "nothing"}),
    [](const ::testing::TestParamInfo<FetchCase>& i) { return std::string(i.param.name); });

TEST_F(AvatarWindowTest, BlankAccountsSendNothing) {
    for (const Text& typed : {Text(), Text("   "), Text("\xA1\xA1 \xA1\xA1")}) {
        click(typed);
        EXPECT_EQ(window_->control("编辑框EX_QQ号").text(), typed);
    }
    // The click handler starts no worker for a blank account, so nothing can come later.
    EXPECT_EQ(service_.server().requestCount(), 0u);
    EXPECT_FALSE(run_.exists("Temp/HeadPortrait.png"));
    EXPECT_FALSE(window_->control("图片框EX1").hasImage());
}

TEST_F(AvatarWindowTest, AHugeAnswerIsRefused) {
    // No avatar is 50 MB: the answer is cut off at the avatar cap and nothing is shown or kept.
    service_.setOverride(std::string(50u << 20, 'x'));
    fetch("10001");
    EXPECT_EQ(shown(), "");
    EXPECT_EQ(run_.read("Temp/HeadPortrait.png"), "");
    // The window still works afterwards.
    service_.setOverride(picture_);
    fetch("10001");
    EXPECT_EQ(shown(), picture_);
}

TEST_F(AvatarWindowTest, SavesCopiesSoTheSamePictureSavesTwice) {
    // No picture yet: no dialog.
    window_->click("图片框EX1");
    EXPECT_TRUE(windows_.fileRequests().empty());

    fetch("10001");
    ASSERT_TRUE(eventually([&] { return shown() == picture_; }));
    windows_.queueFileAnswer(run_.path("one.png"));
    window_->click("图片框EX1");
    windows_.queueFileAnswer(run_.path("two.png"));
    window_->click("图片框EX1");
    EXPECT_EQ(run_.read("one.png"), picture_);
    EXPECT_EQ(run_.read("two.png"), picture_);
    EXPECT_EQ(run_.read("Temp/HeadPortrait.png"), picture_);  // copied, not moved
    ASSERT_EQ(windows_.fileRequests().size(), 2u);
    EXPECT_EQ(windows_.fileRequests()[0].defaultName, "HeadPortrait.png");
    EXPECT_EQ(windows_.fileRequests()[0].filter, "*.PNG");
    EXPECT_TRUE(windows_.messages().empty());

    // Over an existing file only Yes replaces it.
    windows_.queueFileAnswer(run_.path("one.png"));
    windows_.queueAnswer(ui::MessageAnswer::No);
    run_.write("one.png", "mine");
    window_->click("图片框EX1");
    EXPECT_EQ(run_.read("one.png"), "mine");
    windows_.queueFileAnswer(run_.path("one.png"));
    windows_.queueAnswer(ui::MessageAnswer::Yes);
    window_->click("图片框EX1");
    EXPECT_EQ(run_.read("one.png"), picture_);
    ASSERT_EQ(windows_.messages().size(), 2u);
    EXPECT_EQ(windows_.messages()[0].message, gbk(u8"已存在相似文件，是否替换？"));
    EXPECT_EQ(windows_.messages()[0].owner, "AvatarWindow");
    EXPECT_EQ(windows_.messages()[0].title, "");
}

TEST_F(AvatarWindowTest, TheLatestClickWinsAndAClosedWindowGetsNothing) {
    const std::string slow = test::samplePng(20, 20), quick = test::samplePng(30, 30);
    service_.setPicture("1", slow);
    service_.setDelay("1", 400);
    service_.setPicture("2", quick);
    click("1");
    ASSERT_TRUE(service_.server().waitForRequests(1, 5000));
    click("2");
    // Both answers arrive; the slow one comes last and is dropped.
    ASSERT_TRUE(eventually([&] { return service_.served() == 2; }));
    ASSERT_TRUE(eventually([&] { return shown() == quick; }));
    EXPECT_TRUE(service_.server().waitForNoOpenConnections(5000));
    EXPECT_EQ(shown(), quick);
    EXPECT_EQ(run_.read("Temp/HeadPortrait.png"), quick);

    // Closed while a fetch waits: the fetch is abandoned and nothing changes.
    service_.setDelay("2", 400);
    click("2");
    ASSERT_TRUE(service_.server().waitForRequests(3, 5000));
    std::filesystem::remove(run_.path("Temp/HeadPortrait.png"));
    window_->click("按钮EX1");
    EXPECT_TRUE(window_->destroyed());
    EXPECT_EQ(windows_.destroyedNames(), std::vector<std::string>{"AvatarWindow"});
    EXPECT_TRUE(service_.server().waitForNoOpenConnections(5000));
    EXPECT_FALSE(run_.exists("Temp/HeadPortrait.png"));
}

TEST(AvatarUrl, AccountGoesInAsTyped) {
    EXPECT_EQ(avatarUrl("10001"), "http://q1.qlogo.cn/g?b=qq&nk=10001&s=100");
    EXPECT_EQ(avatarUrl(" 1 a"), "http://q1.qlogo.cn/g?b=qq&nk= 1 a&s=100");
}

}  // namespace
