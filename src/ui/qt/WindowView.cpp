#include "ui/qt/WindowView.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPoint>
#include <QThread>
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "text/Strings.h"
#include "ui/qt/GbkText.h"
#include "ui/qt/QtApplication.h"

namespace qx::ui::qt {

namespace {

constexpr Prop kControlProps[] = {Prop::Geometry, Prop::Visible, Prop::Disabled, Prop::Alpha,
                                  Prop::Caption,  Prop::Text,    Prop::Image,    Prop::CurrentPage,
                                  Prop::Position, Prop::Checked, Prop::Interval};

bool onUiThread() {
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

// Whether every row of img keeps one colour from column `from` up to `to` (or, with down, every
// column from row `from` up to `to`).
bool uniform(const QImage& img, int from, int to, bool down) {
    const bool packed = img.depth() == 32;  // as the decoded pictures are
    const auto at = [&](int x, int y) {
        return packed ? reinterpret_cast<const QRgb*>(img.constScanLine(y))[x] : img.pixel(x, y);
    };
    const int lines = down ? img.width() : img.height();
    for (int l = 0; l < lines; ++l) {
        const QRgb first = down ? at(l, from) : at(from, l);
        for (int k = from + 1; k < to; ++k)
            if ((down ? at(l, k) : at(k, l)) != first) return false;
    }
    return true;
}

// Nine-slice drawing keeps the frame and the rounded corners of the skin undistorted at any
// window size. A part stretched along a direction in which it does not change is drawn
// exactly without smoothing, which also spares Qt's threaded scaling on the first paint.
void drawSkin(QPainter& p, const QImage& img, const QRect& target) {
    // In pixels; a 2x drawing has twice as many device pixels in each part.
    const qreal r = img.devicePixelRatio();
    const QSize size = img.deviceIndependentSize().toSize();
    const int m =
        std::min({16, size.width() / 3, size.height() / 3, target.width() / 2, target.height() / 2});
    const int sw = size.width(), sh = size.height(), tw = target.width(), th = target.height();
    const int sx[4] = {0, m, sw - m, sw}, sy[4] = {0, m, sh - m, sh};
    const int tx[4] = {0, m, tw - m, tw}, ty[4] = {0, m, th - m, th};
    const bool resampled = r != p.device()->devicePixelRatio();
    const int rm = qRound(m * r);
    const bool flatAcross = uniform(img, rm, img.width() - rm, false);
    const bool flatDown = uniform(img, rm, img.height() - rm, true);
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            const bool stretchedAcross = tx[i + 1] - tx[i] != sx[i + 1] - sx[i];
            const bool stretchedDown = ty[j + 1] - ty[j] != sy[j + 1] - sy[j];
            p.setRenderHint(QPainter::SmoothPixmapTransform,
                            resampled || (stretchedAcross && !flatAcross) || (stretchedDown && !flatDown));
            p.drawImage(QRectF(tx[i], ty[j], tx[i + 1] - tx[i], ty[j + 1] - ty[j]), img,
                        QRectF(sx[i] * r, sy[j] * r, (sx[i + 1] - sx[i]) * r, (sy[j + 1] - sy[j]) * r));
        }
}

}  // namespace

// ---- ViewBridge ----

void ViewBridge::propertyChanged(const std::string& control, Prop prop) {
    if (onUiThread()) {
        WindowView* v;
        {
            std::lock_guard lock(mutex_);
            v = view_;
        }
        if (v) v->apply(control, prop);  // the view is only deleted on this thread
        return;
    }
    std::lock_guard lock(mutex_);
    if (!view_) return;
    pending_.emplace(control, prop);
    if (posted_) return;
    posted_ = true;
    // Posted under the lock: the view cannot be deleted before the call is queued, and a
    // queued call to a deleted object is dropped by Qt.
    QMetaObject::invokeMethod(
        view_, [self = shared_from_this()] { self->flush(); }, Qt::QueuedConnection);
}

void ViewBridge::flush() {
    std::set<std::pair<std::string, Prop>> changes;
    WindowView* v;
    {
        std::lock_guard lock(mutex_);
        changes.swap(pending_);
        posted_ = false;
        v = view_;
    }
    if (!v) return;
    for (auto& [control, prop] : changes) v->apply(control, prop);
}

void ViewBridge::detach() {
    std::lock_guard lock(mutex_);
    view_ = nullptr;
    pending_.clear();
}

// ---- WindowView ----

WindowView::WindowView(WindowPtr window, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint), window_(std::move(window)) {
    setAttribute(Qt::WA_TranslucentBackground);
    setObjectName(QString::fromStdString(window_->name()));
    setWindowTitle(toQt(window_->title()));
    build();
    bridge_ = std::make_shared<ViewBridge>(this);
    window_->setObserver(bridge_);
    applyAll();
}

WindowView::~WindowView() {
    bridge_->detach();
    if (window_->observer() == bridge_) window_->setObserver(nullptr);
}

// Widgets are made for the controls shown when the window opens; those on pages not yet
// chosen, or hidden, when they first show (or when asked for). A page never opened costs nothing.
void WindowView::build() {
    for (const ControlLayout& c : window_->layout().controls) {
        Entry& e = entries_[c.name];
        e.layout = &c;
        if (c.kind == ControlKind::Timer) {
            e.timer = new QTimer(this);
            QObject::connect(e.timer, &QTimer::timeout, this,
                             [this, name = c.name] { window_->timerTick(name); });
        }
    }
    for (const ControlLayout& c : window_->layout().controls)
        if (shownNow(c)) createWidget(entries_[c.name], false);
    setUpKeyboardAndNames();
}

bool WindowView::hasWidget(const Entry& e) {
    return e.layout->kind != ControlKind::Timer && e.layout->kind != ControlKind::SkinElement;
}

const ControlLayout* WindowView::containerOf(const ControlLayout& c) const {
    if (c.container.empty()) return nullptr;
    auto it = entries_.find(c.container);
    return it == entries_.end() || it->second.layout == &c ? nullptr : it->second.layout;
}

bool WindowView::shownNow(const ControlLayout& c) const {
    if (!window_->control(c.name).visible()) return false;
    for (const ControlLayout* inner = &c; const ControlLayout* box = containerOf(*inner); inner = box) {
        Control b = window_->control(box->name);
        if (!b.visible() || (box->kind == ControlKind::TabControl && b.currentPage() != inner->page))
            return false;
    }
    return true;
}

QWidget* WindowView::makeWidget(Entry& e) {
    const ControlLayout& c = *e.layout;
    const std::string name = c.name;
    switch (c.kind) {
        case ControlKind::Button:
        case ControlKind::CloseButton: {
            auto* b = new SkinButton(
                c.kind == ControlKind::CloseButton ? SkinButton::Look::Close : SkinButton::Look::Normal,
                this);
            QFont f = b->font();
            if (!c.font.empty()) f.setFamily(uiFontFamily(QString::fromStdString(c.font)));
            if (c.fontSize > 0) f.setPixelSize(c.fontSize);
            b->setFont(f);
            QObject::connect(b, &QAbstractButton::clicked, this, [this, name] { window_->click(name); });
            return b;
        }
        case ControlKind::Label: {
            auto* l = new SkinLabel(c.centered, this);
            l->onClick = [this, name] { window_->click(name); };
            return l;
        }
        case ControlKind::EditBox: {
            EditBox* box = c.multiLine ? static_cast<EditBox*>(new TextEditBox(this))
                                       : static_cast<EditBox*>(new LineEditBox(this));
            const bool multi = c.multiLine;
            box->onUserEdit = [this, name, multi](const QString& s) {
                window_->control(name).storeTextFromView(multi ? fromQtLines(s) : fromQt(s));
            };
            e.edit = box;
            return box->widget();
        }
        case ControlKind::PictureBox: {
            auto* pb = new PictureBox(this);
            pb->onClick = [this, name] { window_->click(name); };
            return pb;
        }
        case ControlKind::GroupBox:
            return new GroupBox(this);
        case ControlKind::TabControl:
            return new TabControl(static_cast<int>(c.pages.size()), this);
        case ControlKind::RadioButton:
        case ControlKind::CheckBox: {
            ChoiceBox::Look look = c.kind == ControlKind::RadioButton ? ChoiceBox::Look::Radio
                                   : c.skin == "超仿QQ_选择框"        ? ChoiceBox::Look::QqCheck
                                                                      : ChoiceBox::Look::Check;
            auto* box = new ChoiceBox(look, this);
            QObject::connect(box, &QAbstractButton::clicked, this, [this, name, box] {
                userChecked(name, box->isChecked());
                window_->click(name);
            });
            return box;
        }
        case ControlKind::ProgressBar:
            return new ProgressBar(c.maximum, this);
        case ControlKind::Timer:
        case ControlKind::SkinElement:
            break;
    }
    return nullptr;
}

void WindowView::createWidget(Entry& e, bool applyNow) {
    if (e.widget || !hasWidget(e)) return;
    const ControlLayout& c = *e.layout;
    QWidget* parent = this;
    if (const ControlLayout* box = containerOf(c)) {
        Entry& b = entries_[box->name];
        createWidget(b, applyNow);
        parent = b.widget;
        if (auto* tabs = dynamic_cast<TabControl*>(parent)) parent = tabs->page(c.page);
    }
    QWidget* w = makeWidget(e);
    e.widget = w;
    w->setObjectName(QString::fromStdString(c.name));
    if (parent && parent != this) w->setParent(parent);
    // Later controls lie on top of earlier ones, as they were created.
    QWidget* above = nullptr;
    for (auto it = window_->layout().controls.rbegin();
         it != window_->layout().controls.rend() && it->name != c.name; ++it)
        if (QWidget* later = entries_[it->name].widget;
            later && later != w && later->parentWidget() == w->parentWidget())
            above = later;
    if (above)
        w->stackUnder(above);
    else
        w->raise();
    if (!applyNow) return;
    Control control = window_->control(c.name);
    for (Prop p : kControlProps) applyControl(e, control, p);
}

void WindowView::createShownWidgets(bool made) {
    // Made one by one in layout order, so a container comes before what it holds.
    for (const ControlLayout& c : window_->layout().controls) {
        Entry& e = entries_[c.name];
        if (!e.widget && hasWidget(e) && shownNow(c)) {
            createWidget(e, true);
            made = true;
        }
    }
    if (made) setUpKeyboardAndNames();
}

QPoint WindowView::layoutPosition(const ControlLayout& c) const {
    QPoint at(c.x, c.y);
    for (const ControlLayout* inner = &c; !inner->container.empty();) {
        const ControlLayout* box = nullptr;
        for (const ControlLayout& other : window_->layout().controls)
            if (other.name == inner->container) box = &other;
        if (!box || box == inner) break;
        at += QPoint(box->x, box->y);
        inner = box;
    }
    return at;
}

void WindowView::setUpKeyboardAndNames() {
    const WindowLayout& layout = window_->layout();
    // An edit box is named by the label before it, as a reader of the window sees it.
    std::string label;
    std::vector<std::pair<QPoint, QWidget*>> focusable;
    for (const ControlLayout& c : layout.controls) {
        const Entry& e = entries_[c.name];
        if (c.kind == ControlKind::Label) label = c.caption;
        // A symbol or a picture says nothing to a screen reader: the layout names what it does.
        if (e.widget && !c.accessibleName.empty())
            e.widget->setAccessibleName(QString::fromStdString(c.accessibleName));
        if (e.edit) {
            e.widget->setAccessibleName(QString::fromStdString(label.empty() ? c.name : label));
            e.widget->setFocusPolicy(Qt::StrongFocus);
        }
        if (e.widget && (e.widget->focusPolicy() & Qt::TabFocus))
            focusable.emplace_back(layoutPosition(c), e.widget);
    }
    // Tab follows the reading order: rows top to bottom, left to right within a row.
    std::stable_sort(focusable.begin(), focusable.end(), [](const auto& a, const auto& b) {
        if (std::abs(a.first.y() - b.first.y()) > 8) return a.first.y() < b.first.y();
        return a.first.x() < b.first.x();
    });
    for (std::size_t i = 1; i < focusable.size(); ++i)
        setTabOrder(focusable[i - 1].second, focusable[i].second);
}

QWidget* WindowView::controlWidget(const std::string& name) {
    auto it = entries_.find(name);
    if (it == entries_.end()) return nullptr;
    if (!it->second.widget && hasWidget(it->second)) {
        createWidget(it->second, true);
        setUpKeyboardAndNames();
    }
    return it->second.widget;
}

QTimer* WindowView::timer(const std::string& name) const {
    auto it = entries_.find(name);
    return it == entries_.end() ? nullptr : it->second.timer;
}

void WindowView::applyAll() {
    for (Prop p : {Prop::Geometry, Prop::Alpha, Prop::WindowState}) applyWindow(p);
    for (const ControlLayout& layout : window_->layout().controls) {
        Entry& e = entries_[layout.name];
        if (!e.widget && hasWidget(e)) continue;  // not shown yet
        Control c = window_->control(layout.name);
        for (Prop p : kControlProps) applyControl(e, c, p);
    }
}

void WindowView::markOpened() {
    opened_ = true;
    applyWindow(Prop::Visible);
}

void WindowView::apply(const std::string& control, Prop prop) {
    if (control.empty()) {
        applyWindow(prop);
        return;
    }
    auto it = entries_.find(control);
    if (it == entries_.end()) return;
    Entry& e = it->second;
    if (!e.widget && hasWidget(e)) {
        // Not made yet: it reads the model when it is.
        if (prop == Prop::Visible && shownNow(*e.layout)) {
            createWidget(e, true);
            createShownWidgets(true);  // what it holds; the reading order
        }
        return;
    }
    applyControl(e, window_->control(control), prop);
    const ControlKind kind = e.layout->kind;
    if ((prop == Prop::Visible || prop == Prop::CurrentPage) &&
        (kind == ControlKind::GroupBox || kind == ControlKind::TabControl))
        createShownWidgets();
}

void WindowView::applyWindow(Prop prop) {
    switch (prop) {
        case Prop::Geometry:
            setFixedSize(window_->width(), window_->height());
            move(window_->left(), window_->top());
            break;
        case Prop::Visible:
            if (opened_) setVisible(window_->visible());
            break;
        case Prop::Alpha:
            setWindowOpacity(window_->alpha() / 255.0);
            break;
        case Prop::WindowState:
            if (window_->windowState() == WindowState::Minimised)
                setWindowState(windowState() | Qt::WindowMinimized);
            else
                setWindowState(windowState() & ~Qt::WindowMinimized);
            break;
        default:
            break;
    }
}

void WindowView::applyControl(Entry& e, Control c, Prop prop) {
    const ControlKind kind = e.layout->kind;
    if (kind == ControlKind::SkinElement) {
        if (prop == Prop::Image) {
            skin_ = decodePicture(c.image());
            update();
        }
        return;
    }
    if (kind == ControlKind::Timer) {
        if (prop == Prop::Interval) {
            int ms = c.interval();
            if (ms > 0)
                e.timer->start(ms);
            else
                e.timer->stop();
        }
        return;
    }
    QWidget* w = e.widget;
    switch (prop) {
        case Prop::Geometry: {
            const ControlGeometry g = c.geometry();  // not the snapshot: that copies the text
            w->setGeometry(g.left, g.top, g.width, g.height);
            break;
        }
        case Prop::Visible:
            w->setVisible(c.visible());
            break;
        case Prop::Disabled:
            w->setEnabled(!c.disabled());
            break;
        case Prop::Alpha: {
            int a = c.alpha();
            // A control faded out completely is not there for the mouse: clicks reach what lies
            // under it (the speed test's picture under its faded labels).
            w->setAttribute(Qt::WA_TransparentForMouseEvents, a == 0);
            if (auto* b = dynamic_cast<SkinButton*>(w))
                b->setAlpha(a);
            else if (auto* l = dynamic_cast<SkinLabel*>(w))
                l->setAlpha(a);
            else if (auto* pb = dynamic_cast<PictureBox*>(w))
                pb->setAlpha(a);
            else if (auto* g = dynamic_cast<GroupBox*>(w))
                g->setAlpha(a);
            else if (auto* ch = dynamic_cast<ChoiceBox*>(w))
                ch->setAlpha(a);
            else if (auto* pr = dynamic_cast<ProgressBar*>(w))
                pr->setAlpha(a);
            else
                setWidgetAlpha(w, a);
            break;
        }
        case Prop::Caption: {
            QString s = toQt(c.caption());
            // What a screen reader says is what is shown, unless the layout names the control.
            if (!e.edit && e.layout->accessibleName.empty()) w->setAccessibleName(s);
            if (auto* b = dynamic_cast<QAbstractButton*>(w))
                b->setText(s);
            else if (auto* l = dynamic_cast<SkinLabel*>(w))
                l->setCaption(s);
            else if (auto* g = dynamic_cast<GroupBox*>(w))
                g->setCaption(s);
            break;
        }
        case Prop::Text:
            if (auto* box = dynamic_cast<TextEditBox*>(e.edit)) {
                showText(*box, c);
            } else if (e.edit) {
                e.edit->setPlainText(toQt(c.text()));
            }
            break;
        case Prop::Image:
            if (auto* pb = dynamic_cast<PictureBox*>(w)) pb->setImageBytes(c.image());
            break;
        case Prop::CurrentPage:
            if (auto* t = dynamic_cast<TabControl*>(w)) t->setCurrentPage(c.currentPage());
            break;
        case Prop::Position:
            if (auto* pr = dynamic_cast<ProgressBar*>(w)) pr->setValue(c.position());
            break;
        case Prop::Checked:
            if (auto* ch = dynamic_cast<ChoiceBox*>(w)) ch->setChecked(c.checked());
            break;
        default:
            break;
    }
}

// The model keeps a text of any length; the box is given what it can show without freezing.
void WindowView::showText(TextEditBox& box, Control c) {
    std::size_t whole = 0;
    Text head = c.textHead(TextEditBox::kShownTextBytes, whole);
    box.setModelText(std::move(head), whole);
}

void WindowView::userChecked(const std::string& name, bool checked) {
    Control c = window_->control(name);
    c.storeCheckedFromView(checked);
    if (c.kind() != ControlKind::RadioButton) return;
    // The model unchecked the other radio buttons of the group; show that.
    for (const ControlLayout& other : window_->layout().controls)
        if (other.kind == ControlKind::RadioButton && other.name != name) apply(other.name, Prop::Checked);
}

void WindowView::afterFirstPaint(std::function<void()> f) {
    if (painted_) {
        QTimer::singleShot(0, this, std::move(f));
        return;
    }
    afterFirstPaint_.push_back(std::move(f));
    // A window that stays hidden or minimised is never painted: the work waits a second at most.
    if (afterFirstPaint_.size() == 1) QTimer::singleShot(1000, this, [this] { firstPaintDone(); });
}

void WindowView::firstPaintDone() {
    painted_ = true;
    for (auto& f : std::exchange(afterFirstPaint_, {})) QTimer::singleShot(0, this, std::move(f));
}

void WindowView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    if (!skin_.isNull()) {
        drawSkin(p, skin_, rect());
    } else {
        // No skin yet: a plain rounded panel in a dark frame.
        p.setPen(QPen(QColor(12, 12, 14), 3));
        p.setBrush(QColor(248, 249, 251));
        p.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 10, 10);
    }
    if (!painted_) firstPaintDone();
}

void WindowView::mousePressEvent(QMouseEvent* e) { drag_.press(this, e); }
void WindowView::mouseMoveEvent(QMouseEvent* e) { drag_.move(this, e); }
void WindowView::mouseReleaseEvent(QMouseEvent* e) { drag_.release(this, e); }

void WindowView::moveEvent(QMoveEvent* e) {
    QWidget::moveEvent(e);
    window_->storePositionFromView(x(), y());
}

void WindowView::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange)
        window_->storeWindowStateFromView(isMinimized() ? WindowState::Minimised : WindowState::Normal);
}

void WindowView::closeEvent(QCloseEvent* e) {
    // Only the program closes its windows; a close request from the desktop means the close
    // button.
    e->ignore();
    QMetaObject::invokeMethod(
        this, [w = window_] { w->click(ui::kCloseButton); }, Qt::QueuedConnection);
}

}  // namespace qx::ui::qt
