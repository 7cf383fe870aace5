#pragma once
// The screen colour picker's window: a magnifier that follows the cursor, the colour under it,
// a pick by click (after "开始取色") or by the space key, the history, copy to the clipboard.
// On Wayland the desktop portal picks, and its screenshot feeds the magnifier.
#include "colorpick/ColorPick.h"
#include "colorpick/Portal.h"
#include "common/ToolWindow.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTimer;

namespace qx::colorpick {

class ColorPickWindow : public tools::ToolWindow {
  public:
    ColorPickWindow();
    // As a click on "开始取色".
    void pickNow();

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void follow();
    void magnify(const QImage& pixels, QPoint inArea);
    void pick();
    void keep(const QColor& color);
    void askPortal();
    void askScreenshot();
    void startPicking();
    void stopPicking();
    void copy(const std::string& text);
    void showCurrent(const QColor& c);

    History history_;
    QColor current_;
    QColor picked_;
    bool picking_ = false;
    QLabel* magnifier_ = nullptr;
    QLabel* swatch_ = nullptr;
    QLabel* hex_ = nullptr;
    QLabel* rgb_ = nullptr;
    QLabel* hsv_ = nullptr;
    QLabel* hint_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* shot_ = nullptr;
    Portal* portal_ = nullptr;
    QListWidget* list_ = nullptr;
    QTimer* timer_ = nullptr;
    bool canRead_ = true;
};

}  // namespace qx::colorpick
