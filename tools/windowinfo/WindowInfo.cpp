#include "windowinfo/WindowInfo.h"

#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <set>

namespace qx::windowinfo {

namespace {

constexpr std::size_t kMaxChildren = 1000;  // a window with more is shown in part

template <typename T>
struct Freed {
    T* p;
    ~Freed() { std::free(p); }
    T* operator->() const { return p; }
    explicit operator bool() const { return p != nullptr; }
};

std::string latin1ToUtf8(const char* s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string hostName() {
    char buffer[256] = {};
    if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
    return buffer;
}

}  // namespace

struct XSession::State {
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_ewmh_connection_t ewmh{};
    bool ewmhReady = false;
    xcb_atom_t wmState = XCB_ATOM_NONE;

    ~State() {
        if (ewmhReady) xcb_ewmh_connection_wipe(&ewmh);
        if (c) xcb_disconnect(c);
    }

    xcb_atom_t atom(const char* name) {
        Freed<xcb_intern_atom_reply_t> r{xcb_intern_atom_reply(
            c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), nullptr)};
        return r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    bool hasProperty(xcb_window_t w, xcb_atom_t property) {
        if (property == XCB_ATOM_NONE) return false;
        Freed<xcb_get_property_reply_t> r{
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_ANY, 0, 0), nullptr)};
        return r && r->type != XCB_ATOM_NONE;
    }

    // A text property: UTF8_STRING as it is, STRING as Latin-1.
    std::string text(xcb_window_t w, xcb_atom_t property) {
        Freed<xcb_get_property_reply_t> r{
            xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_ANY, 0, 4096), nullptr)};
        if (!r || r->format != 8) return {};
        const char* data = static_cast<const char*>(xcb_get_property_value(r.p));
        int n = xcb_get_property_value_length(r.p);
        if (r->type == XCB_ATOM_STRING) return latin1ToUtf8(data, n);
        return std::string(data, static_cast<std::size_t>(n));
    }

    std::string title(xcb_window_t w) {
        if (ewmhReady) {
            xcb_ewmh_get_utf8_strings_reply_t name{};
            if (xcb_ewmh_get_wm_name_reply(&ewmh, xcb_ewmh_get_wm_name(&ewmh, w), &name, nullptr)) {
                std::string s(name.strings, name.strings_len);
                xcb_ewmh_get_utf8_strings_reply_wipe(&name);
                return s;
            }
        }
        return text(w, XCB_ATOM_WM_NAME);
    }

    void wmClass(xcb_window_t w, std::string& instance, std::string& klass) {
        std::string raw = text(w, XCB_ATOM_WM_CLASS);
        auto nul = raw.find('\0');
        instance = raw.substr(0, nul);
        if (nul == std::string::npos) return;
        klass = raw.substr(nul + 1);
        if (auto end = klass.find('\0'); end != std::string::npos) klass.resize(end);
    }
};

std::string displayProblem(const char* display, const char* waylandDisplay) {
    if (display && *display) return {};
    if (waylandDisplay && *waylandDisplay)
        return "当前是 Wayland 会话，而且没有可用的 X11 显示（XWayland）。Wayland 不允许程序读取其他程序的"
               "窗口信息，本工具只能在 X11 会话或 XWayland 下使用。";
    return "没有找到可用的 X11 显示（DISPLAY 未设置），无法获取窗口信息。";
}

XSession::XSession(const char* display) : s_(std::make_unique<State>()) {
    const char* name = display ? display : std::getenv("DISPLAY");
    error_ = displayProblem(name, display ? nullptr : std::getenv("WAYLAND_DISPLAY"));
    if (!error_.empty()) return;
    int screenNumber = 0;
    s_->c = xcb_connect(name, &screenNumber);
    if (!s_->c || xcb_connection_has_error(s_->c)) {
        error_ = std::string("无法连接到 X11 显示 ") + name + "。";
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(s_->c));
    for (int i = 0; i < screenNumber && it.rem; ++i) xcb_screen_next(&it);
    if (!it.rem) {
        error_ = std::string("X11 显示 ") + name + " 没有可用的屏幕。";
        return;
    }
    s_->root = it.data->root;
    xcb_intern_atom_cookie_t* cookies = xcb_ewmh_init_atoms(s_->c, &s_->ewmh);
    s_->ewmhReady = cookies && xcb_ewmh_init_atoms_replies(&s_->ewmh, cookies, nullptr);
    s_->wmState = s_->atom("WM_STATE");
}

XSession::~XSession() = default;

bool XSession::ok() const { return error_.empty() && s_->c; }

std::uint32_t XSession::clientOf(std::uint32_t frame) {
    // A window manager puts the application's window into a frame of its own; the window that
    // carries WM_STATE is the application's. Breadth first: the shallowest one.
    std::deque<xcb_window_t> queue{frame};
    std::set<xcb_window_t> seen;
    std::size_t visited = 0;
    while (!queue.empty() && visited < 10000) {
        xcb_window_t w = queue.front();
        queue.pop_front();
        if (!seen.insert(w).second) continue;
        ++visited;
        if (s_->hasProperty(w, s_->wmState)) return w;
        Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(s_->c, xcb_query_tree(s_->c, w), nullptr)};
        if (!tree) continue;
        xcb_window_t* kids = xcb_query_tree_children(tree.p);
        for (int i = 0; i < xcb_query_tree_children_length(tree.p); ++i) queue.push_back(kids[i]);
    }
    return frame;  // no window manager: the top-level window is the application's
}

std::uint32_t XSession::windowUnderPointer() {
    if (!ok()) return 0;
    Freed<xcb_query_pointer_reply_t> p{
        xcb_query_pointer_reply(s_->c, xcb_query_pointer(s_->c, s_->root), nullptr)};
    if (!p || !p->same_screen || p->child == XCB_WINDOW_NONE) return 0;
    return clientOf(p->child);
}

std::vector<std::uint32_t> XSession::topLevelWindows() {
    std::vector<std::uint32_t> out;
    if (!ok()) return out;
    Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(s_->c, xcb_query_tree(s_->c, s_->root), nullptr)};
    if (!tree) return out;
    xcb_window_t* kids = xcb_query_tree_children(tree.p);
    // The tree lists the bottom first.
    for (int i = xcb_query_tree_children_length(tree.p) - 1; i >= 0 && out.size() < kMaxChildren; --i) {
        Freed<xcb_get_window_attributes_reply_t> a{
            xcb_get_window_attributes_reply(s_->c, xcb_get_window_attributes(s_->c, kids[i]), nullptr)};
        if (!a || a->map_state != XCB_MAP_STATE_VIEWABLE || a->override_redirect) continue;
        const std::uint32_t client = clientOf(kids[i]);
        if (std::find(out.begin(), out.end(), client) == out.end()) out.push_back(client);
    }
    return out;
}

std::string nothingUnderPointer(bool wayland) {
    if (wayland)
        return "鼠标下没有 X11 窗口。Wayland 原生程序的窗口无法获取，只能获取通过 XWayland 运行的程序的窗口"
               "（也可以从“X11 窗口”列表中选择）。";
    return "鼠标下没有窗口（或窗口已关闭），请重试。";
}

std::uint32_t XSession::windowAt(int x, int y) {
    if (!ok()) return 0;
    Freed<xcb_translate_coordinates_reply_t> t{xcb_translate_coordinates_reply(
        s_->c,
        xcb_translate_coordinates(s_->c, s_->root, s_->root, static_cast<int16_t>(x),
                                  static_cast<int16_t>(y)),
        nullptr)};
    if (!t || t->child == XCB_WINDOW_NONE) return 0;
    return clientOf(t->child);
}

bool XSession::read(std::uint32_t window, WindowInfo& info) {
    info = WindowInfo{};
    if (!ok() || window == 0) return false;
    xcb_connection_t* c = s_->c;
    Freed<xcb_get_geometry_reply_t> g{xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr)};
    if (!g) return false;
    Freed<xcb_translate_coordinates_reply_t> at{
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, s_->root, 0, 0), nullptr)};
    info.id = window;
    info.width = g->width;
    info.height = g->height;
    info.x = at ? at->dst_x : g->x;
    info.y = at ? at->dst_y : g->y;
    info.title = s_->title(window);
    s_->wmClass(window, info.instanceName, info.className);
    info.machine = s_->text(window, XCB_ATOM_WM_CLIENT_MACHINE);
    if (s_->ewmhReady) {
        uint32_t pid = 0;
        if (xcb_ewmh_get_wm_pid_reply(&s_->ewmh, xcb_ewmh_get_wm_pid(&s_->ewmh, window), &pid, nullptr))
            info.pid = static_cast<int>(pid);
    }
    // The pid means a process of this computer only when the window says it runs here.
    if (info.pid > 0 && (info.machine.empty() || info.machine == hostName())) {
        std::error_code ec;
        info.executable =
            std::filesystem::read_symlink("/proc/" + std::to_string(info.pid) + "/exe", ec).string();
        if (ec) info.executable.clear();
    }

    Freed<xcb_query_tree_reply_t> tree{xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr)};
    if (tree) {
        xcb_window_t* kids = xcb_query_tree_children(tree.p);
        const int n = std::min<int>(xcb_query_tree_children_length(tree.p), static_cast<int>(kMaxChildren));
        for (int i = 0; i < n; ++i) {
            ChildWindow child;
            child.id = kids[i];
            Freed<xcb_get_geometry_reply_t> cg{
                xcb_get_geometry_reply(c, xcb_get_geometry(c, kids[i]), nullptr)};
            if (!cg) continue;  // gone meanwhile
            child.x = cg->x;
            child.y = cg->y;
            child.width = cg->width;
            child.height = cg->height;
            Freed<xcb_get_window_attributes_reply_t> a{
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, kids[i]), nullptr)};
            child.mapped = a && a->map_state == XCB_MAP_STATE_VIEWABLE;
            child.title = s_->title(kids[i]);
            std::string instance;
            s_->wmClass(kids[i], instance, child.className);
            info.children.push_back(std::move(child));
        }
    }
    return true;
}

std::string hexId(std::uint32_t id) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08x", id);
    return buffer;
}

std::string describe(const WindowInfo& info) {
    std::string t;
    t += "窗口ID：" + hexId(info.id) + "（" + std::to_string(info.id) + "）\n";
    t += "标题：" + info.title + "\n";
    t += "类名：" + info.className + "\n";
    t += "实例名：" + info.instanceName + "\n";
    t += "进程ID：" + (info.pid > 0 ? std::to_string(info.pid) : std::string("（窗口未提供）")) + "\n";
    if (!info.machine.empty()) t += "计算机：" + info.machine + "\n";
    t += "程序：" + (info.executable.empty() ? std::string("（无法读取）") : info.executable) + "\n";
    t += "位置：" + std::to_string(info.x) + ", " + std::to_string(info.y) + "\n";
    t += "大小：" + std::to_string(info.width) + " × " + std::to_string(info.height) + "\n";
    t += "子窗口：" + std::to_string(info.children.size()) + " 个\n";
    for (const ChildWindow& c : info.children) {
        t += "  " + hexId(c.id) + "  " + std::to_string(c.x) + ", " + std::to_string(c.y) + "  " +
             std::to_string(c.width) + " × " + std::to_string(c.height) + (c.mapped ? "" : "  （隐藏）");
        if (!c.className.empty()) t += "  类名：" + c.className;
        if (!c.title.empty()) t += "  标题：" + c.title;
        t += "\n";
    }
    return t;
}

}  // namespace qx::windowinfo
