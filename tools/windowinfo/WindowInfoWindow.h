#pragma once
// The window inspector's window: drag the crosshair onto a window (or start a short countdown
// and point at it, or choose it from the list of X11 windows), then read what the window says
// about itself and copy it as text. On Wayland only the XWayland windows can be reached.
#include <memory>

#include "common/ToolWindow.h"
#include "windowinfo/WindowInfo.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;
class QTreeWidget;

namespace qx::windowinfo {

class WindowInfoWindow : public tools::ToolWindow {
  public:
    WindowInfoWindow();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void pick();
    void showInfo(const WindowInfo& info);
    void listWindows();

    std::unique_ptr<XSession> x_;
    QLabel* crosshair_ = nullptr;
    QLabel* hint_ = nullptr;
    QPushButton* countdownButton_ = nullptr;
    QPushButton* copyButton_ = nullptr;
    QComboBox* windows_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
    QTreeWidget* children_ = nullptr;
    QTimer* timer_ = nullptr;
    int secondsLeft_ = 0;
    bool dragging_ = false;
    bool wayland_ = false;
    std::string copyText_;
};

}  // namespace qx::windowinfo
