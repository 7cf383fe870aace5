#pragma once
// The screen colour picker's core: the colour under a point of an image (the screen's pixels,
// or a test's image), its HEX, RGB and HSV texts, the area the magnifier shows, and the history
// of picked colours.
#include <QColor>
#include <QImage>
#include <QRect>
#include <deque>
#include <string>

namespace qx::colorpick {

// Invalid when the point lies outside the image.
QColor colorAt(const QImage& image, QPoint point);

std::string hexText(const QColor& c);  // "#1E90FF"
std::string rgbText(const QColor& c);  // "rgb(30, 144, 255)"
std::string hsvText(const QColor& c);  // "hsv(210°, 88%, 100%)"

// The square of 2*radius+1 pixels around the point, as much of it as lies on the screen.
QRect sampleRect(QPoint center, int radius, const QRect& screen);

// On Wayland no program may read the screen: the desktop portal picks and takes screenshots.
bool usesPortal(const std::string& platformName);
// Why no colour can be picked on this platform; empty when it can.
std::string screenProblem(const std::string& platformName);

// The most recent first; a colour picked again moves to the front; at most `capacity`.
class History {
  public:
    explicit History(std::size_t capacity = 20) : capacity_(capacity) {}
    void add(const QColor& c);
    const std::deque<QColor>& colors() const { return colors_; }

  private:
    std::size_t capacity_;
    std::deque<QColor> colors_;
};

}  // namespace qx::colorpick
