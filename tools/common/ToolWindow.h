#pragma once
// The frame every tool's window shares: the toolbox skin as background, a title row with the
// tool's name, minimise and close buttons (the window moves by dragging the title row), the
// tool's own controls in body(), and the about line at the bottom.
#include <QImage>
#include <QPoint>
#include <QWidget>

class QLabel;

namespace qx::tools {

class ToolWindow : public QWidget {
  public:
    ToolWindow(const QString& title, const QString& aboutLine, QSize size);
    QWidget* body() const { return body_; }
    void setAboutLine(const QString& text);

  protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

  private:
    QImage skin_;
    QWidget* body_ = nullptr;
    QLabel* about_ = nullptr;
    bool dragging_ = false;
    QPoint dragOffset_;
};

}  // namespace qx::tools
