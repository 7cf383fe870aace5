#include "colorpick/ColorPick.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace qx::colorpick {

QColor colorAt(const QImage& image, QPoint p) {
    if (!image.valid(p)) return {};
    QColor c = image.pixelColor(p);
    c.setAlpha(255);  // the screen has no transparency to speak of
    return c;
}

std::string hexText(const QColor& c) {
    char b[16];
    std::snprintf(b, sizeof b, "#%02X%02X%02X", c.red(), c.green(), c.blue());
    return b;
}

std::string rgbText(const QColor& c) {
    return "rgb(" + std::to_string(c.red()) + ", " + std::to_string(c.green()) + ", " +
           std::to_string(c.blue()) + ")";
}

std::string hsvText(const QColor& c) {
    const QColor h = c.toHsv();
    // Grey has no hue (Qt gives -1): 0°.
    const int hue = h.hsvHueF() < 0 ? 0 : static_cast<int>(std::lround(h.hsvHueF() * 360)) % 360;
    const int s = static_cast<int>(h.hsvSaturationF() * 100 + 0.5);
    const int v = static_cast<int>(h.valueF() * 100 + 0.5);
    return "hsv(" + std::to_string(hue) + "°, " + std::to_string(s) + "%, " + std::to_string(v) + "%)";
}

QRect sampleRect(QPoint center, int radius, const QRect& screen) {
    return QRect(center.x() - radius, center.y() - radius, 2 * radius + 1, 2 * radius + 1)
        .intersected(screen);
}

bool usesPortal(const std::string& platformName) {
    return platformName == "wayland" || platformName.starts_with("wayland-");
}

std::string screenProblem(const std::string& platformName) {
    if (platformName == "offscreen" || platformName == "minimal") return "没有可显示的屏幕，无法取色。";
    return {};
}

void History::add(const QColor& c) {
    if (!c.isValid()) return;
    auto same = [&](const QColor& o) { return o.rgb() == c.rgb(); };
    colors_.erase(std::remove_if(colors_.begin(), colors_.end(), same), colors_.end());
    colors_.push_front(c);
    while (colors_.size() > capacity_) colors_.pop_back();
}

}  // namespace qx::colorpick
