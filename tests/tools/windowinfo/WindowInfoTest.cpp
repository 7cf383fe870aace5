// The window inspector's core on an Xvfb display of the test's own: windows made by the test
// with known properties, found under the pointer and read back; a frame like a window
// manager's; the messages when there is no X display.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <cstring>
#include <string>
#include <vector>

#include "windowinfo/WindowInfo.h"

extern char** environ;

using namespace qx::windowinfo;

namespace {

pid_t xvfbPid = 0;
std::string displayName;

class WindowInfoTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        // -displayfd: Xvfb picks a free display and writes its number once it accepts clients.
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        std::string fd = std::to_string(fds[1]);
        const char* argv[] = {QX_XVFB,      "-displayfd", fd.c_str(), "-screen",  "0",
                              "800x600x24", "-nolisten",  "tcp",      "-noreset", nullptr};
        ASSERT_EQ(posix_spawn(&xvfbPid, QX_XVFB, nullptr, nullptr, const_cast<char**>(argv), environ), 0);
        close(fds[1]);
        char buffer[32] = {};
        std::string number;
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0) {
            number.append(buffer, static_cast<std::size_t>(n));
            if (number.find('\n') != std::string::npos) break;
        }
        close(fds[0]);
        ASSERT_FALSE(number.empty());
        displayName = ":" + number.substr(0, number.find('\n'));
    }
    static void TearDownTestSuite() {
        if (xvfbPid > 0) {
            kill(xvfbPid, SIGTERM);
            waitpid(xvfbPid, nullptr, 0);
        }
    }

    void SetUp() override {
        c_ = xcb_connect(displayName.c_str(), nullptr);
        ASSERT_FALSE(xcb_connection_has_error(c_));
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    void TearDown() override { xcb_disconnect(c_); }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* r = xcb_intern_atom_reply(
            c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
        xcb_atom_t a = r->atom;
        free(r);
        return a;
    }
    xcb_window_t window(xcb_window_t parent, int x, int y, int w, int h) {
        xcb_window_t id = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, id, parent, static_cast<int16_t>(x),
                          static_cast<int16_t>(y), static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        return id;
    }
    void property(xcb_window_t w, xcb_atom_t name, xcb_atom_t type, int format, const void* data,
                  std::size_t n) {
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, w, name, type, static_cast<uint8_t>(format),
                            static_cast<uint32_t>(n), data);
    }
    void text(xcb_window_t w, const char* name, const char* type, const std::string& value) {
        property(w, atom(name), atom(type), 8, value.data(), value.size());
    }
    // Everything sent has been handled by the server.
    void sync() { free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }
    void pointerTo(int x, int y) {
        xcb_warp_pointer(c_, XCB_WINDOW_NONE, root_, 0, 0, 0, 0, static_cast<int16_t>(x),
                         static_cast<int16_t>(y));
        sync();
    }

    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
};

}  // namespace

TEST_F(WindowInfoTest, TheWindowUnderThePointerAndWhatItSays) {
    xcb_window_t top = window(root_, 100, 80, 300, 200);
    text(top, "_NET_WM_NAME", "UTF8_STRING", "测试窗口 \"引号\"");
    text(top, "WM_NAME", "STRING", "old name");
    text(top, "WM_CLASS", "STRING", std::string("qxtest\0QxTest\0", 14));
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    text(top, "WM_CLIENT_MACHINE", "STRING", host);
    uint32_t pid = static_cast<uint32_t>(getpid());
    property(top, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, &pid, 1);
    xcb_window_t child = window(top, 10, 20, 50, 40);
    text(child, "WM_NAME", "STRING", "caf\xe9");  // Latin-1, as STRING is
    xcb_window_t hiddenChild = window(top, 70, 20, 30, 30);
    xcb_map_window(c_, child);
    xcb_map_window(c_, top);
    (void)hiddenChild;
    pointerTo(150, 150);

    XSession x(displayName.c_str());
    ASSERT_TRUE(x.ok()) << x.error();
    ASSERT_EQ(x.windowUnderPointer(), top);
    EXPECT_EQ(x.windowAt(399, 279), top);
    EXPECT_EQ(x.windowAt(400, 280), 0u);  // just outside: the bare desktop

    WindowInfo info;
    ASSERT_TRUE(x.read(top, info));
    EXPECT_EQ(info.title, "测试窗口 \"引号\"");
    EXPECT_EQ(info.instanceName, "qxtest");
    EXPECT_EQ(info.className, "QxTest");
    EXPECT_EQ(info.pid, getpid());
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    EXPECT_EQ(info.executable, exe);
    EXPECT_EQ(info.x, 100);
    EXPECT_EQ(info.y, 80);
    EXPECT_EQ(info.width, 300);
    EXPECT_EQ(info.height, 200);
    ASSERT_EQ(info.children.size(), 2u);
    EXPECT_EQ(info.children[0].id, child);
    EXPECT_EQ(info.children[0].title, "café");
    EXPECT_TRUE(info.children[0].mapped);
    EXPECT_EQ(info.children[0].x, 10);
    EXPECT_EQ(info.children[0].width, 50);
    EXPECT_FALSE(info.children[1].mapped);

    const std::string copy = describe(info);
    EXPECT_NE(copy.find("窗口ID：" + hexId(top)), std::string::npos);
    EXPECT_NE(copy.find("标题：测试窗口 \"引号\"\n"), std::string::npos);
    EXPECT_NE(copy.find("类名：QxTest\n"), std::string::npos);
    EXPECT_NE(copy.find("进程ID：" + std::to_string(getpid()) + "\n"), std::string::npos);
    EXPECT_NE(copy.find("程序：" + std::string(exe) + "\n"), std::string::npos);
    EXPECT_NE(copy.find("大小：300 × 200\n"), std::string::npos);
    EXPECT_NE(copy.find("子窗口：2 个\n"), std::string::npos);
    EXPECT_NE(copy.find("标题：café"), std::string::npos);

    // A window that said it runs elsewhere: its pid means nothing here.
    text(top, "WM_CLIENT_MACHINE", "STRING", "another-computer");
    sync();
    ASSERT_TRUE(x.read(top, info));
    EXPECT_EQ(info.executable, "");
    EXPECT_NE(describe(info).find("程序：（无法读取）"), std::string::npos);

    xcb_destroy_window(c_, top);
    sync();
    EXPECT_FALSE(x.read(top, info));  // gone
    EXPECT_EQ(x.windowUnderPointer(), 0u);
}

TEST_F(WindowInfoTest, InsideAFrameTheApplicationWindowIsFound) {
    // What a window manager makes: a frame without WM_STATE holding a decoration and, one level
    // down, the application's window that carries WM_STATE.
    xcb_window_t frame = window(root_, 500, 300, 200, 150);
    xcb_window_t decoration = window(frame, 0, 0, 200, 20);
    xcb_window_t holder = window(frame, 0, 20, 200, 130);
    xcb_window_t client = window(holder, 0, 0, 200, 130);
    const uint32_t state[2] = {1, 0};
    property(client, atom("WM_STATE"), atom("WM_STATE"), 32, state, 2);
    text(client, "WM_NAME", "STRING", "client");
    for (xcb_window_t w : {decoration, holder, client, frame}) xcb_map_window(c_, w);
    pointerTo(600, 310);  // over the decoration, not the client

    XSession x(displayName.c_str());
    ASSERT_TRUE(x.ok());
    EXPECT_EQ(x.windowUnderPointer(), client);
    WindowInfo info;
    ASSERT_TRUE(x.read(client, info));
    EXPECT_EQ(info.title, "client");
    EXPECT_EQ(info.x, 500);
    EXPECT_EQ(info.y, 320);
    EXPECT_EQ(info.pid, 0);
    EXPECT_NE(describe(info).find("进程ID：（窗口未提供）"), std::string::npos);
    // The list of application windows: the client inside its frame, the topmost first; an
    // unmapped window is not in it.
    xcb_window_t lower = window(root_, 0, 0, 50, 50);
    xcb_window_t unmapped = window(root_, 0, 0, 50, 50);
    xcb_map_window(c_, lower);
    const uint32_t below = XCB_STACK_MODE_BELOW;
    xcb_configure_window(c_, lower, XCB_CONFIG_WINDOW_STACK_MODE, &below);
    sync();
    const std::vector<std::uint32_t> listed = x.topLevelWindows();
    EXPECT_EQ(listed, (std::vector<std::uint32_t>{client, lower}));
    (void)unmapped;
    xcb_destroy_window(c_, frame);
    xcb_destroy_window(c_, lower);
    sync();
}

TEST(WindowInfoDisplay, WithoutAnXDisplayItSaysWhy) {
    EXPECT_NE(displayProblem(nullptr, "wayland-0").find("Wayland 会话"), std::string::npos);
    EXPECT_NE(displayProblem("", "wayland-0").find("没有可用的 X11 显示"), std::string::npos);
    EXPECT_NE(displayProblem(nullptr, nullptr).find("DISPLAY 未设置"), std::string::npos);
    EXPECT_EQ(displayProblem(":0", "wayland-0"), "");
    EXPECT_NE(nothingUnderPointer(true).find("Wayland 原生程序的窗口无法获取"), std::string::npos);
    EXPECT_EQ(nothingUnderPointer(false), "鼠标下没有窗口（或窗口已关闭），请重试。");

    XSession unreachable(":99917");
    EXPECT_FALSE(unreachable.ok());
    EXPECT_EQ(unreachable.error(), "无法连接到 X11 显示 :99917。");
    EXPECT_EQ(unreachable.windowUnderPointer(), 0u);
    WindowInfo info;
    EXPECT_FALSE(unreachable.read(1, info));

    // A Wayland session without X11: what the tool shows.
    const char* display = std::getenv("DISPLAY");
    std::string saved = display ? display : "";
    unsetenv("DISPLAY");
    setenv("WAYLAND_DISPLAY", "wayland-0", 1);
    XSession wayland;
    EXPECT_FALSE(wayland.ok());
    EXPECT_NE(wayland.error().find("Wayland"), std::string::npos);
    unsetenv("WAYLAND_DISPLAY");
    if (display) setenv("DISPLAY", saved.c_str(), 1);
}
