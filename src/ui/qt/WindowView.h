#pragma once
// The Qt face of one window of the model: a borderless, fixed-size top-level widget painted
// with the window's skin, with one child widget per control of the layout.
#include <QImage>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "ui/Window.h"
#include "ui/qt/Widgets.h"

namespace qx::ui::qt {

class WindowView;

// Observes the model from any thread. Changes made on the UI thread apply at once; others are
// collected and applied by one queued call, which reads the model's current values.
class ViewBridge : public WindowObserver, public std::enable_shared_from_this<ViewBridge> {
  public:
    explicit ViewBridge(WindowView* view) : view_(view) {}
    void propertyChanged(const std::string& control, Prop prop) override;
    void detach();  // the view is going away (UI thread)

  private:
    void flush();

    std::mutex mutex_;
    WindowView* view_;
    std::set<std::pair<std::string, Prop>> pending_;
    bool posted_ = false;
};

class WindowView : public QWidget {
  public:
    WindowView(WindowPtr window, QWidget* parent);
    ~WindowView() override;

    const WindowPtr& window() const { return window_; }
    // The widget of a control, made now if it was not shown yet (nullptr for a timer or the
    // skin element).
    QWidget* controlWidget(const std::string& name);
    QTimer* timer(const std::string& name) const;
    const QImage& skin() const { return skin_; }

    // Applies the model's current value of one property (UI thread).
    void apply(const std::string& control, Prop prop);
    void applyAll();
    // The view is shown from now on: the window's own visibility applies.
    void markOpened();
    // f runs from the event loop once the view has been painted.
    void afterFirstPaint(std::function<void()> f);

  protected:
    void paintEvent(QPaintEvent*) override;
    void firstPaintDone();
    void mousePressEvent(QMouseEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void moveEvent(QMoveEvent*) override;
    void changeEvent(QEvent*) override;
    void closeEvent(QCloseEvent*) override;

  private:
    struct Entry {
        const ControlLayout* layout = nullptr;
        QWidget* widget = nullptr;
        EditBox* edit = nullptr;
        QTimer* timer = nullptr;
    };
    void build();
    static bool hasWidget(const Entry& e);
    const ControlLayout* containerOf(const ControlLayout& c) const;
    // Whether the control and every container around it show it now (its page chosen).
    bool shownNow(const ControlLayout& c) const;
    // The widget of its kind (an edit box also sets e.edit).
    QWidget* makeWidget(Entry& e);
    void createWidget(Entry& e, bool applyNow);
    // Makes the widgets a page switch or a control shown has just uncovered (made: one was made
    // already), then puts them in the reading order.
    void createShownWidgets(bool made = false);
    // Accessible names of the edit boxes and the Tab order of the reading order.
    void setUpKeyboardAndNames();
    QPoint layoutPosition(const ControlLayout& c) const;
    void applyWindow(Prop prop);
    void applyControl(Entry& e, Control c, Prop prop);
    void showText(TextEditBox& box, Control c);
    void userChecked(const std::string& name, bool checked);

    WindowPtr window_;
    std::shared_ptr<ViewBridge> bridge_;
    std::map<std::string, Entry> entries_;
    QImage skin_;
    bool painted_ = false;
    std::vector<std::function<void()>> afterFirstPaint_;
    DragMover drag_;
    bool opened_ = false;
};

}  // namespace qx::ui::qt
