// ResolverWindow's handlers, headless: dressing per service, "生成" on a worker against a
// service double, "生成并复制" that waits with the window painted, "复制", late results.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <set>
#include <thread>
#include <vector>

#include "platform/system/Worker.h"
#include "resolvers/window/ResolverWindow.h"
#include "resources/Pictures.h"
#include "support/doubles/WireDouble.h"
#include "support/fake/FakeWindowSystem.h"
#include "text/CodePages.h"

namespace qx::resolvers {
namespace {

using test::WireDouble;

test::WireCase loadCase(const std::string& relative) {
    test::WireCase c;
    std::string error;
    EXPECT_TRUE(test::loadWireCase(std::string(QX_RESOLVER_DATA_DIR) + "/" + relative, c, error)) << error;
    return c;
}

// Waits for a condition that another thread makes true; false after a generous bound.
template <typename F>
bool eventually(F condition) {
    for (int i = 0; i < 3000; ++i) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

class ResolverWindowTest : public ::testing::Test {
  protected:
    void open(int service) {
        state.resolver.selectedResolverService = static_cast<resolvers::Service>(service);
        window = ui::Window::create(qx::resolvers::resolverLayout());
        ASSERT_TRUE(window);
        bindResolverWindow(window, state, windows);
        window->created();
    }
    void SetUp() override {
        if (const char* before = std::getenv("QUORVEX_CONNECT_TO")) savedConnectTo = before;
        // The doubles' certificates are the test CA's; the resolvers verify every server.
        ::setenv("QUORVEX_EXTRA_CA_FILE", test::TestServer::certificateFile().c_str(), 1);
    }
    void TearDown() override {
        // No worker outlives the test: its connections and TLS state end before the process does.
        EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(10)));
        if (savedConnectTo) {
            ::setenv("QUORVEX_CONNECT_TO", savedConnectTo->c_str(), 1);
        } else {
            ::unsetenv("QUORVEX_CONNECT_TO");
        }
        ::unsetenv("QUORVEX_EXTRA_CA_FILE");
    }
    // Points every host at the double for the rest of the test.
    void serve(WireDouble& d) { ::setenv("QUORVEX_CONNECT_TO", d.connectTo().c_str(), 1); }

    std::optional<std::string> savedConnectTo;

    Text box(const char* name) { return (*window)[name].text(); }
    void type(const char* name, std::string_view utf8) { (*window)[name].setText(gbk(utf8)); }
    void type(const char* name, std::u8string_view utf8) { (*window)[name].setText(gbk(utf8)); }

    ProgramState state;
    test::FakeWindowSystem windows;
    ui::WindowPtr window;
};

TEST_F(ResolverWindowTest, DressingPerService) {
    const char8_t* titles[] = {u8"蓝奏云取直链",   u8"Onedrive For Business取直链",
                               u8"比邻网盘取直链", u8"诚通网盘取直链",
                               u8"360云盘取直链",  u8"文叔叔取直链"};
    std::vector<ByteArray> pictures;
    for (int service = 1; service <= 6; ++service) {
        open(service);
        EXPECT_EQ((*window)["标签EX1"].caption(), gbk(titles[service - 1])) << service;
        pictures.push_back((*window)["图片框EX1"].image());
        EXPECT_FALSE(pictures.back().empty()) << service;
    }
    // ctfile shows bilnn's picture; the others are all different.
    EXPECT_EQ(pictures[3], pictures[2]);
    EXPECT_EQ(std::set<ByteArray>(pictures.begin(), pictures.end()).size(), 5u);

    for (int outside : {0, 7}) {
        open(outside);
        EXPECT_EQ((*window)["标签EX1"].caption(), "");
        EXPECT_TRUE((*window)["图片框EX1"].image().empty());
    }
}

TEST_F(ResolverWindowTest, GenerateRunsOnAWorkerAndWritesTheResult) {
    WireDouble service(loadCase("bilnn/success.case"));
    serve(service);
    open(3);
    type("编辑框EX_原链接", "https://pan.bilnn.com/s/Qrvx9");
    type("编辑框EX_结果", u8"旧的结果");
    service.hold();
    // The click returns while the service has not answered yet.
    EXPECT_TRUE(window->click("按钮EX4"));
    ASSERT_TRUE(service.waitForRequests(1, 30000));
    EXPECT_EQ(box("编辑框EX_结果"), gbk(u8"旧的结果"));
    service.release();
    ASSERT_TRUE(eventually([&] { return box("编辑框EX_结果") != gbk(u8"旧的结果"); }));
    EXPECT_EQ(box("编辑框EX_结果"), gbk(service.wireCase().result));
    EXPECT_EQ(windows.clipboardText(), "");  // "生成" does not copy
    for (const std::string& p : service.problems()) ADD_FAILURE() << p;
}

TEST_F(ResolverWindowTest, GenerateTakesThePasswordForTheServicesThatUseIt) {
    WireDouble service(loadCase("ctfile/with-password.case"));
    serve(service);
    open(4);
    type("编辑框EX_原链接", "https://url37.ctfile.com/f/12345-678901-abcd");
    type("编辑框EX_密码", "6688");
    EXPECT_TRUE(window->click("按钮EX4"));
    ASSERT_TRUE(eventually([&] { return !box("编辑框EX_结果").empty(); }));
    EXPECT_EQ(box("编辑框EX_结果"), gbk(service.wireCase().result));
    for (const std::string& p : service.problems()) ADD_FAILURE() << p;
    // The resolver runs on a worker: it has no window system to pump while drawing its fractions.
    EXPECT_EQ(windows.pendingEventCalls(), 0);
}

TEST_F(ResolverWindowTest, GenerateAndCopyWaitsWithTheWindowPainted) {
    WireDouble service(loadCase("bilnn/success.case"));
    serve(service);
    open(3);
    type("编辑框EX_原链接", "https://pan.bilnn.com/s/Qrvx9");
    windows.setClipboardText("keep");
    service.hold();
    // The service answers only once the waiting handler has let pending output through a few
    // times; a handler that froze the window would never get there (the bound ends the wait).
    std::thread releaser([&] {
        eventually([&] { return windows.pendingOutputCalls() >= 3; });
        service.release();
    });
    const int inputBefore = windows.pendingEventCalls();
    EXPECT_TRUE(window->click("按钮EX3"));
    releaser.join();
    EXPECT_GE(windows.pendingOutputCalls(), 3);
    EXPECT_EQ(windows.pendingEventCalls(), inputBefore);  // no user input taken meanwhile
    const Text url = gbk(service.wireCase().result);
    EXPECT_EQ(box("编辑框EX_结果"), url);
    EXPECT_EQ(windows.clipboardText(), url);
    for (const std::string& p : service.problems()) ADD_FAILURE() << p;
}

TEST_F(ResolverWindowTest, GenerateAndCopyOfAFailureClearsTheBoxAndKeepsTheClipboard) {
    WireDouble service(loadCase("bilnn/link-without-s.case"));
    serve(service);
    open(3);
    type("编辑框EX_原链接", "https://pan.bilnn.com/share/Qrvx9");
    type("编辑框EX_结果", "old");
    windows.setClipboardText("keep");
    EXPECT_TRUE(window->click("按钮EX3"));
    EXPECT_EQ(box("编辑框EX_结果"), "");
    EXPECT_EQ(windows.clipboardText(), "keep");
    for (const std::string& p : service.problems()) ADD_FAILURE() << p;
}

TEST_F(ResolverWindowTest, WenshushuFailureTextIsShownAndCopiedLikeAnAddress) {
    WireDouble service(loadCase("wenshushu/expired-share.case"));
    serve(service);
    open(6);
    type("编辑框EX_原链接", "https://wss1.cn/f/qrvx7k2m9");
    EXPECT_TRUE(window->click("按钮EX3"));
    EXPECT_EQ(box("编辑框EX_结果"), gbk(u8"分享连接已失效,文件已过期！"));
    EXPECT_EQ(windows.clipboardText(), gbk(u8"分享连接已失效,文件已过期！"));
    for (const std::string& p : service.problems()) ADD_FAILURE() << p;
}

TEST_F(ResolverWindowTest, OneDriveNeedsNoService) {
    ::setenv("QUORVEX_CONNECT_TO", "::127.0.0.1:9", 1);
    open(2);
    type("编辑框EX_原链接",
         "https://qrvx-my.sharepoint.com/:u:/g/personal/owner_qrvx_com/EQrvxTokenAbC?e=AbC123");
    type("编辑框EX_密码", "unused");
    EXPECT_TRUE(window->click("按钮EX3"));
    const Text url =
        "https://qrvx-my.sharepoint.com/personal/owner_qrvx_com/_layouts/52/"
        "download.aspx?share=EQrvxTokenAbC";
    EXPECT_EQ(box("编辑框EX_结果"), url);
    EXPECT_EQ(windows.clipboardText(), url);
}

TEST_F(ResolverWindowTest, NoServiceLeavesTheBoxAndCopiesWhatIsThere) {
    open(0);
    type("编辑框EX_原链接", "https://pan.bilnn.com/s/Qrvx9");
    type("编辑框EX_结果", "kept");
    EXPECT_TRUE(window->click("按钮EX3"));
    EXPECT_EQ(box("编辑框EX_结果"), "kept");
    EXPECT_EQ(windows.clipboardText(), "kept");
}

TEST_F(ResolverWindowTest, CopyPutsOnlyAnAddressOnTheClipboard) {
    open(1);
    windows.setClipboardText("keep");
    EXPECT_TRUE(window->click("按钮EX2"));
    EXPECT_EQ(windows.clipboardText(), "keep");  // empty box: clipboard untouched
    type("编辑框EX_结果", u8"https://h/工具.zip");
    EXPECT_TRUE(window->click("按钮EX2"));
    EXPECT_EQ(windows.clipboardText(), gbk(u8"https://h/工具.zip"));
}

TEST_F(ResolverWindowTest, ClosingTheWindowStopsItsResolve) {
    WireDouble service(loadCase("bilnn/stalled-service.case"));
    serve(service);
    open(3);
    type("编辑框EX_原链接", "https://pan.bilnn.com/s/Qrvx9");
    EXPECT_TRUE(window->click("按钮EX4"));
    ASSERT_TRUE(service.waitForRequests(1, 30000));
    windows.destroy(window);
    // The stalled service would hold the worker until the request's one-minute deadline.
    EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(10)));
}

TEST_F(ResolverWindowTest, ALateResultIsNotWrittenIntoAClosedWindow) {
    WireDouble service(loadCase("bilnn/success.case"));
    serve(service);
    open(3);
    type("编辑框EX_结果", "old");
    windows.destroy(window);
    resolveIntoWindow(window, resolvers::Service::Bilnn, "https://pan.bilnn.com/s/Qrvx9", "", {});
    EXPECT_EQ(service.served(), 1u);
    EXPECT_EQ(box("编辑框EX_结果"), "old");

    // Nor when the program is ending.
    open(3);
    type("编辑框EX_结果", "old");
    std::stop_source stopping;
    stopping.request_stop();
    resolveIntoWindow(window, resolvers::Service::Bilnn, "https://pan.bilnn.com/s/Qrvx9", "",
                      {stopping.get_token(), {}});
    EXPECT_EQ(box("编辑框EX_结果"), "old");

    // And a window that is gone altogether is simply skipped.
    std::weak_ptr<ui::Window> gone;
    {
        auto temporary = ui::Window::create(qx::resolvers::resolverLayout());
        gone = temporary;
    }
    resolveIntoWindow(gone, resolvers::Service::OneDrive, "https://a/b/c/d", "", {});
}

}  // namespace
}  // namespace qx::resolvers
