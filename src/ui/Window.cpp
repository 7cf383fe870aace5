#include "ui/Window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "text/CodePages.h"
#include "text/Strings.h"

namespace qx::ui {

namespace {
constexpr std::size_t kSelf = static_cast<std::size_t>(-2);
constexpr std::size_t kMissing = static_cast<std::size_t>(-1);

template <typename T>
bool assign(T& slot, const T& value) {
    if (slot == value) return false;
    slot = value;
    return true;
}
}  // namespace

// ---- Control ----

const std::string& Control::name() const { return window_->layout_.controls[index_].name; }
ControlKind Control::kind() const { return window_->layout_.controls[index_].kind; }
const ControlLayout& Control::layout() const { return window_->layout_.controls[index_]; }

int Control::left() const {
    return window_->read(index_, [](const ControlState& s) { return s.left; });
}
int Control::top() const {
    return window_->read(index_, [](const ControlState& s) { return s.top; });
}
int Control::width() const {
    return window_->read(index_, [](const ControlState& s) { return s.width; });
}
int Control::height() const {
    return window_->read(index_, [](const ControlState& s) { return s.height; });
}

void Control::setGeometry(int l, int t, int w, int h) {
    window_->write(index_, Prop::Geometry, [&](ControlState& s) {
        bool changed = s.left != l || s.top != t || s.width != w || s.height != h;
        s.left = l, s.top = t, s.width = w, s.height = h;
        return changed;
    });
}
void Control::setLeft(int v) {
    window_->write(index_, Prop::Geometry, [&](ControlState& s) { return assign(s.left, v); });
}
void Control::setTop(int v) {
    window_->write(index_, Prop::Geometry, [&](ControlState& s) { return assign(s.top, v); });
}
void Control::setWidth(int v) {
    window_->write(index_, Prop::Geometry, [&](ControlState& s) { return assign(s.width, v); });
}
void Control::setHeight(int v) {
    window_->write(index_, Prop::Geometry, [&](ControlState& s) { return assign(s.height, v); });
}

bool Control::visible() const {
    return window_->read(index_, [](const ControlState& s) { return s.visible; });
}
void Control::setVisible(bool v) {
    window_->write(index_, Prop::Visible, [&](ControlState& s) { return assign(s.visible, v); });
}
bool Control::disabled() const {
    return window_->read(index_, [](const ControlState& s) { return s.disabled; });
}
void Control::setDisabled(bool v) {
    window_->write(index_, Prop::Disabled, [&](ControlState& s) { return assign(s.disabled, v); });
}
int Control::alpha() const {
    return window_->read(index_, [](const ControlState& s) { return s.alpha; });
}
void Control::setAlpha(int v) {
    v = std::clamp(v, 0, 255);
    window_->write(index_, Prop::Alpha, [&](ControlState& s) { return assign(s.alpha, v); });
}
Text Control::caption() const {
    return window_->read(index_, [](const ControlState& s) { return s.caption; });
}
void Control::setCaption(const Text& v) {
    window_->write(index_, Prop::Caption, [&](ControlState& s) { return assign(s.caption, v); });
}
Text Control::text() const {
    return window_->read(index_, [](const ControlState& s) { return s.text; });
}
Text Control::textHead(std::size_t maxBytes, std::size_t& wholeSize) const {
    return window_->read(index_, [&](const ControlState& s) {
        wholeSize = s.text.size();
        return s.text.substr(0, maxBytes);
    });
}
void Control::setText(const Text& v) { setText(Text(v)); }
void Control::setText(Text&& v) {
    // A long text (a whole answer of hundreds of MB) is copied before the lock and the old one
    // freed after it: the view's reads of the window never wait for either.
    {
        std::lock_guard lock(window_->mutex_);
        Text& slot = window_->controls_[index_].text;
        if (slot == v) return;  // unchanged: nothing to tell the view
        slot.swap(v);
    }
    window_->notify(name(), Prop::Text);
}
ByteArray Control::image() const {
    return window_->read(index_, [](const ControlState& s) { return s.image; });
}
void Control::setImage(const ByteArray& v) {
    window_->write(index_, Prop::Image, [&](ControlState& s) { return assign(s.image, v); });
}
bool Control::hasImage() const {
    return window_->read(index_, [](const ControlState& s) { return !s.image.empty(); });
}
int Control::currentPage() const {
    return window_->read(index_, [](const ControlState& s) { return s.currentPage; });
}
void Control::setCurrentPage(int v) {
    window_->write(index_, Prop::CurrentPage, [&](ControlState& s) { return assign(s.currentPage, v); });
}
int Control::position() const {
    return window_->read(index_, [](const ControlState& s) { return s.position; });
}
void Control::setPosition(int v) {
    window_->write(index_, Prop::Position, [&](ControlState& s) { return assign(s.position, v); });
}
bool Control::checked() const {
    return window_->read(index_, [](const ControlState& s) { return s.checked; });
}
void Control::setChecked(bool v) {
    std::vector<std::size_t> cleared;
    bool changed = false;
    {
        std::lock_guard lock(window_->mutex_);
        changed = assign(window_->controls_[index_].checked, v);
        if (v && kind() == ControlKind::RadioButton) {
            for (std::size_t i : window_->radioSiblings(index_))
                if (assign(window_->controls_[i].checked, false)) cleared.push_back(i);
        }
    }
    for (std::size_t i : cleared) window_->notify(window_->layout_.controls[i].name, Prop::Checked);
    if (changed) window_->notify(name(), Prop::Checked);
}
int Control::interval() const {
    return window_->read(index_, [](const ControlState& s) { return s.interval; });
}
void Control::setInterval(int v) {
    if (v < 0) v = 0;
    window_->write(index_, Prop::Interval, [&](ControlState& s) { return assign(s.interval, v); });
}

ControlGeometry Control::geometry() const {
    return window_->read(index_, [](const ControlState& s) {
        return ControlGeometry{s.left, s.top, s.width, s.height};
    });
}

ControlState Control::snapshot() const {
    return window_->read(index_, [](const ControlState& s) { return s; });
}

void Control::storeTextFromView(const Text& v) {
    std::lock_guard lock(window_->mutex_);
    window_->controls_[index_].text = v;
}

void Control::storeCheckedFromView(bool v) {
    std::lock_guard lock(window_->mutex_);
    window_->controls_[index_].checked = v;
    if (v && kind() == ControlKind::RadioButton)
        for (std::size_t i : window_->radioSiblings(index_)) window_->controls_[i].checked = false;
}

// ---- Window ----

Window::Window(const WindowLayout& layout) : layout_(layout) {
    controls_.resize(layout_.controls.size());
    for (std::size_t i = 0; i < layout_.controls.size(); ++i) {
        const ControlLayout& c = layout_.controls[i];
        ControlState& s = controls_[i];
        s.left = c.x, s.top = c.y, s.width = c.width, s.height = c.height;
        s.visible = c.visible;
        s.alpha = std::clamp(c.alpha, 0, 255);
        Text initial = gbk(c.caption);
        if (c.kind == ControlKind::EditBox)
            s.text = initial;
        else
            s.caption = initial;
        index_.emplace(c.name, i);
    }
    self_.left = layout_.x, self_.top = layout_.y, self_.width = layout_.width, self_.height = layout_.height;
    title_ = gbk(layout_.title);
}

std::shared_ptr<Window> Window::create(const WindowLayout& layout) {
    return std::shared_ptr<Window>(new Window(layout));
}

Text Window::title() const {
    std::lock_guard lock(mutex_);
    return title_;
}

std::size_t Window::indexOf(std::string_view name) const {
    auto it = index_.find(std::string(name));
    return it == index_.end() ? kMissing : it->second;
}

Control Window::control(std::string_view name) {
    std::size_t i = indexOf(name);
    if (i == kMissing) {
        std::fprintf(stderr, "window %s has no control %.*s\n", layout_.name.c_str(),
                     static_cast<int>(name.size()), name.data());
        std::abort();
    }
    return Control(this, i);
}

bool Window::hasControl(std::string_view name) const { return indexOf(name) != kMissing; }

Control Window::skinElement() { return control(layout_.skinElement); }

std::vector<std::size_t> Window::radioSiblings(std::size_t index) const {
    std::vector<std::size_t> out;
    const ControlLayout& me = layout_.controls[index];
    for (std::size_t i = 0; i < layout_.controls.size(); ++i) {
        const ControlLayout& c = layout_.controls[i];
        if (i != index && c.kind == ControlKind::RadioButton && c.container == me.container &&
            c.page == me.page)
            out.push_back(i);
    }
    return out;
}

std::vector<std::string> Window::controlNames() const {
    std::vector<std::string> out;
    for (auto& c : layout_.controls) out.push_back(c.name);
    return out;
}

int Window::left() const {
    std::lock_guard lock(mutex_);
    return self_.left;
}
int Window::top() const {
    std::lock_guard lock(mutex_);
    return self_.top;
}
int Window::width() const {
    std::lock_guard lock(mutex_);
    return self_.width;
}
int Window::height() const {
    std::lock_guard lock(mutex_);
    return self_.height;
}

void Window::setGeometry(int l, int t, int w, int h) {
    {
        std::lock_guard lock(mutex_);
        if (self_.left == l && self_.top == t && self_.width == w && self_.height == h) return;
        self_.left = l, self_.top = t, self_.width = w, self_.height = h;
    }
    notify({}, Prop::Geometry);
}

void Window::setWidth(int v) { setGeometry(left(), top(), v, height()); }
void Window::setHeight(int v) { setGeometry(left(), top(), width(), v); }
void Window::setPosition(int l, int t) { setGeometry(l, t, width(), height()); }

bool Window::visible() const {
    std::lock_guard lock(mutex_);
    return self_.visible;
}
void Window::setVisible(bool v) {
    {
        std::lock_guard lock(mutex_);
        if (!assign(self_.visible, v)) return;
    }
    notify({}, Prop::Visible);
}
int Window::alpha() const {
    std::lock_guard lock(mutex_);
    return self_.alpha;
}
void Window::setAlpha(int v) {
    v = std::clamp(v, 0, 255);
    {
        std::lock_guard lock(mutex_);
        if (!assign(self_.alpha, v)) return;
    }
    notify({}, Prop::Alpha);
}
WindowState Window::windowState() const {
    std::lock_guard lock(mutex_);
    return state_;
}
void Window::setWindowState(WindowState s) {
    {
        std::lock_guard lock(mutex_);
        if (state_ == s) return;
        state_ = s;
    }
    notify({}, Prop::WindowState);
}

void Window::storePositionFromView(int l, int t) {
    std::lock_guard lock(mutex_);
    self_.left = l, self_.top = t;
}

void Window::storeWindowStateFromView(WindowState s) {
    std::lock_guard lock(mutex_);
    state_ = s;
}

void Window::onClick(std::string_view control, Handler h) {
    std::lock_guard lock(mutex_);
    clickHandlers_[std::string(control)] = std::move(h);
}
void Window::onTimer(std::string_view control, Handler h) {
    std::lock_guard lock(mutex_);
    timerHandlers_[std::string(control)] = std::move(h);
}
void Window::onCreated(Handler h) {
    std::lock_guard lock(mutex_);
    createdHandlers_.push_back(std::move(h));
}

Handler Window::handlerFor(const std::unordered_map<std::string, Handler>& map,
                           std::string_view control) const {
    std::lock_guard lock(mutex_);
    auto it = map.find(std::string(control));
    return it == map.end() ? Handler() : it->second;
}

bool Window::click(std::string_view control) {
    if (destroyed()) return false;
    Handler h = handlerFor(clickHandlers_, control);
    if (!h) return false;
    h();  // run outside the lock: handlers read and write properties
    return true;
}

bool Window::timerTick(std::string_view control) {
    if (destroyed()) return false;
    Handler h = handlerFor(timerHandlers_, control);
    if (!h) return false;
    h();
    return true;
}

void Window::created() {
    std::vector<Handler> handlers;
    {
        std::lock_guard lock(mutex_);
        handlers = createdHandlers_;
    }
    for (auto& h : handlers) h();
}

void Window::markDestroyed() {
    destroyed_.store(true);
    closed_.request_stop();
    std::lock_guard lock(mutex_);
    // Handlers may capture the window; dropping them breaks the cycle.
    clickHandlers_.clear();
    timerHandlers_.clear();
    createdHandlers_.clear();
}

void Window::setObserver(std::shared_ptr<WindowObserver> observer) {
    std::lock_guard lock(mutex_);
    observer_ = std::move(observer);
}

std::shared_ptr<WindowObserver> Window::observer() const {
    std::lock_guard lock(mutex_);
    return observer_;
}

void Window::notify(const std::string& control, Prop prop) {
    std::shared_ptr<WindowObserver> o = observer();
    if (o) o->propertyChanged(control, prop);
}

}  // namespace qx::ui
