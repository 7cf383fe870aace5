#pragma once
// Window model: windows and controls as thread-safe property sets with event handlers.
// Any thread may read or write a property; writes notify the window's observer (the view),
// which applies them on the UI thread. Reads never wait for the UI thread.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/Text.h"
#include "ui/Layout.h"

namespace qx::ui {

enum class Prop {
    Geometry,  // left, top, width, height
    Visible,
    Disabled,
    Alpha,
    Caption,
    Text,
    Image,
    CurrentPage,
    Position,
    Checked,
    Interval,
    WindowState,
};

enum class WindowState { Normal, Minimised };

struct ControlState {
    int left = 0, top = 0, width = 0, height = 0;
    bool visible = true;
    bool disabled = false;
    int alpha = 255;
    Text caption;  // GBK
    Text text;     // GBK
    ByteArray image;
    int currentPage = 0;
    int position = 0;
    bool checked = false;
    int interval = 0;
};

struct ControlGeometry {
    int left = 0, top = 0, width = 0, height = 0;
};

class Window;

// The view side. Called on the writer's thread, after the value is stored; `control` is empty
// for a property of the window itself.
class WindowObserver {
  public:
    virtual ~WindowObserver() = default;
    virtual void propertyChanged(const std::string& control, Prop prop) = 0;
};

// A handle on one control of a window. Cheap to copy; valid as long as the window lives.
class Control {
  public:
    Control(Window* window, std::size_t index) : window_(window), index_(index) {}

    const std::string& name() const;
    ControlKind kind() const;
    const ControlLayout& layout() const;

    int left() const;
    int top() const;
    int width() const;
    int height() const;
    void setGeometry(int left, int top, int width, int height);
    void setLeft(int v);
    void setTop(int v);
    void setWidth(int v);
    void setHeight(int v);
    bool visible() const;
    void setVisible(bool v);
    bool disabled() const;
    void setDisabled(bool v);
    int alpha() const;
    void setAlpha(int v);  // clamped to 0..255
    Text caption() const;
    void setCaption(const Text& v);
    Text text() const;
    // At most maxBytes of the text from its start, and the whole text's size: what a view reads
    // of a text too long to show.
    Text textHead(std::size_t maxBytes, std::size_t& wholeSize) const;
    void setText(const Text& v);
    void setText(Text&& v);
    ByteArray image() const;
    void setImage(const ByteArray& v);
    bool hasImage() const;
    int currentPage() const;
    void setCurrentPage(int v);
    int position() const;
    void setPosition(int v);
    bool checked() const;
    // Checking a radio button unchecks the other radio buttons of the same container (and page).
    void setChecked(bool v);
    int interval() const;
    void setInterval(int v);

    ControlGeometry geometry() const;
    ControlState snapshot() const;
    // Writes from the view (a user's edit or click) that must not echo back to it. A radio
    // button checked by the user unchecks the other radio buttons of its container here too.
    void storeTextFromView(const Text& v);
    void storeCheckedFromView(bool v);

  private:
    Window* window_;
    std::size_t index_;
};

using Handler = std::function<void()>;

class Window : public std::enable_shared_from_this<Window> {
  public:
    static std::shared_ptr<Window> create(const WindowLayout& layout);

    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    const std::string& name() const { return layout_.name; }
    const WindowLayout& layout() const { return layout_; }
    Text title() const;

    // The control of that name; a missing name is a programming error and aborts loudly.
    Control control(std::string_view name);
    Control operator[](std::string_view name) { return control(name); }
    bool hasControl(std::string_view name) const;
    std::vector<std::string> controlNames() const;

    int left() const;
    int top() const;
    int width() const;
    int height() const;
    void setGeometry(int left, int top, int width, int height);
    void setWidth(int v);
    void setHeight(int v);
    void setPosition(int left, int top);
    bool visible() const;
    void setVisible(bool v);
    int alpha() const;
    void setAlpha(int v);
    WindowState windowState() const;
    void setWindowState(WindowState s);
    // The window moved by the user, or restored from minimised: stored without a notification.
    void storePositionFromView(int left, int top);
    void storeWindowStateFromView(WindowState s);

    // The control that carries the window skin (its image is the window background).
    Control skinElement();

    // Events. Handlers are registered by control name; the view calls the fire functions on
    // the UI thread.
    void onClick(std::string_view control, Handler h);
    void onTimer(std::string_view control, Handler h);
    void onCreated(Handler h);
    bool click(std::string_view control);  // true when a handler ran
    bool timerTick(std::string_view control);
    void created();

    // Destroyed windows take no more events; their workers may still write properties.
    bool destroyed() const { return destroyed_.load(); }
    void markDestroyed();
    // Requested when the window is destroyed: its workers stop their transfers then.
    std::stop_token closedToken() const { return closed_.get_token(); }

    void setObserver(std::shared_ptr<WindowObserver> observer);
    std::shared_ptr<WindowObserver> observer() const;

  private:
    friend class Control;
    explicit Window(const WindowLayout& layout);

    std::size_t indexOf(std::string_view name) const;  // npos when missing
    // Radio buttons sharing the container of `index`, other than it (called under the lock).
    std::vector<std::size_t> radioSiblings(std::size_t index) const;
    void notify(const std::string& control, Prop prop);
    template <typename F>
    auto read(std::size_t index, F f) const {
        std::lock_guard lock(mutex_);
        return f(controls_[index]);
    }
    template <typename F>
    void write(std::size_t index, Prop prop, F f) {
        {
            std::lock_guard lock(mutex_);
            if (!f(controls_[index])) return;  // unchanged: nothing to tell the view
        }
        notify(layout_.controls[index].name, prop);
    }
    Handler handlerFor(const std::unordered_map<std::string, Handler>& map, std::string_view control) const;

    WindowLayout layout_;
    mutable std::mutex mutex_;
    std::vector<ControlState> controls_;
    ControlState self_;
    WindowState state_ = WindowState::Normal;
    Text title_;
    std::unordered_map<std::string, std::size_t> index_;
    std::unordered_map<std::string, Handler> clickHandlers_;
    std::unordered_map<std::string, Handler> timerHandlers_;
    std::vector<Handler> createdHandlers_;
    std::shared_ptr<WindowObserver> observer_;
    std::atomic<bool> destroyed_{false};
    std::stop_source closed_;
};

using WindowPtr = std::shared_ptr<Window>;

}  // namespace qx::ui
