#pragma once
// The desktop on Qt: windows, modal loops, message boxes, file dialogs, clipboard.
#include <QObject>
#include <QStringList>
#include <functional>
#include <vector>

#include "ui/WindowSystem.h"

class QEventLoop;
class QWidget;

namespace qx::ui::qt {

class WindowView;

// The dialog's name filters from the program's "name|pattern|..." text; a text without "|" is
// one entry.
QStringList nameFilters(const Text& filter);

class QtWindowSystem : public WindowSystem {
  public:
    QtWindowSystem();  // on the UI thread, with the application object created
    ~QtWindowSystem() override;

    void openModeless(const WindowPtr& window) override;
    void openModal(const WindowPtr& child, const WindowPtr& parent) override;
    void destroy(const WindowPtr& window) override;
    MessageAnswer messageBox(Window* owner, const Text& message, const Text& title,
                             MessageStyle style) override;
    Text fileDialog(Window* owner, const FileDialogRequest& request) override;
    void setClipboardText(const Text& text) override;
    Text clipboardText() override;
    void afterFirstPaint(const WindowPtr& window, std::function<void()> f) override;
    void processPendingEvents() override;
    void processPendingEventsExceptInput() override;
    [[noreturn]] void endProcess(int code) override;

    // Called once the last window is gone (runApplication ends its event loop there).
    void onLastWindowClosed(std::function<void()> f) { lastWindowClosed_ = std::move(f); }
    std::vector<WindowPtr> openWindows() const;
    WindowView* viewOf(const Window* window) const;
    static bool onUiThread();

  private:
    struct Open {
        WindowPtr window;
        WindowView* view;
        QEventLoop* loop;  // the modal loop waiting for this window, if any
    };
    // Runs f on the UI thread, blocking the calling worker until it is done.
    void runOnUi(const std::function<void()>& f);
    WindowView* createView(const WindowPtr& window, const WindowPtr& parent);
    QWidget* ownerWidget(const Window* owner) const;

    QObject* dispatcher_;  // lives on the UI thread; target of the workers' queued calls
    std::vector<Open> open_;
    std::function<void()> lastWindowClosed_;
};

}  // namespace qx::ui::qt
