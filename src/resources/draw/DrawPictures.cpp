// Draws the program's pictures (skins, logo, icons, service pictures) as PNG files at build
// time, so that every picture the windows show is our own drawing, made from this source.
// Usage: qx_draw_pictures <output folder>
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

// Every picture is drawn twice: at 1 and at 2 device pixels per pixel, for HiDPI screens. The
// drawings use pixel coordinates; the painter scales them.
int gScale = 1;

QImage canvas(int w, int h) {
    QImage img(w * gScale, h * gScale, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void antialias(QPainter& p) {
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    p.scale(gScale, gScale);
}

QFont font(int pixelSize, bool bold = true) {
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// A rounded panel inside a black frame, with transparent corners. Windows draw their skin in
// nine parts (16-pixel corners kept, the middle stretched), and the panel only changes from top
// to bottom: so it is drawn 64 pixels wide at the main window's height, and decoding it at
// start-up costs a tenth of a picture of the whole window.
QImage skin(QColor top, QColor bottom, QColor line) {
    const int w = 64, h = 354;
    QImage img = canvas(w, h);
    QPainter p(&img);
    antialias(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(12, 12, 14));
    p.drawRoundedRect(QRectF(0, 0, w, h), 12, 12);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(3, 3, w - 6, h - 6), 10, 10);
    // A faint inner rule under the top edge gives the panel some depth.
    p.setPen(QPen(line, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(5.5, 5.5, w - 11, h - 11), 8, 8);
    return img;
}

QPainterPath cloudPath(QRectF r) {
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);  // the overlapping parts join instead of cancelling
    const qreal w = r.width(), h = r.height();
    path.addEllipse(QRectF(r.left() + w * 0.05, r.top() + h * 0.42, w * 0.38, h * 0.46));
    path.addEllipse(QRectF(r.left() + w * 0.24, r.top() + h * 0.12, w * 0.46, h * 0.62));
    path.addEllipse(QRectF(r.left() + w * 0.55, r.top() + h * 0.34, w * 0.40, h * 0.52));
    path.addRoundedRect(QRectF(r.left() + w * 0.16, r.top() + h * 0.56, w * 0.68, h * 0.32), h * 0.14,
                        h * 0.14);
    return path.simplified();
}

// A service picture: a coloured cloud with the service's mark on it.
QImage servicePicture(QColor light, QColor dark, const QString& mark, int markSize) {
    QImage img = canvas(136, 104);
    QPainter p(&img);
    antialias(p);
    QPainterPath cloud = cloudPath(QRectF(8, 6, 120, 92));
    QLinearGradient g(0, 6, 0, 98);
    g.setColorAt(0, light);
    g.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(130), 2));
    p.setBrush(g);
    p.drawPath(cloud);
    p.setPen(Qt::white);
    p.setFont(font(markSize));
    p.drawText(QRectF(8, 30, 120, 60), Qt::AlignCenter, mark);
    return img;
}

QImage logo() {
    QImage img = canvas(128, 128);
    QPainter p(&img);
    antialias(p);
    QLinearGradient g(0, 0, 128, 128);
    g.setColorAt(0, QColor(64, 156, 255));
    g.setColorAt(1, QColor(36, 88, 214));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(4, 4, 120, 120), 26, 26);
    // A "Q": a thick ring with a tail.
    p.setPen(QPen(Qt::white, 13, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(30, 26, 64, 64));
    p.drawLine(QPointF(74, 76), QPointF(96, 100));
    // A small toolbox handle on top of the ring.
    p.setPen(QPen(QColor(255, 210, 80), 6, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(50, 12, 24, 18), 0, 180 * 16);
    return img;
}

QImage corner() {
    QImage img = canvas(32, 24);
    QPainter p(&img);
    antialias(p);
    p.setPen(QPen(QColor(160, 90, 0), 1));
    p.setBrush(QColor(255, 176, 32));
    p.drawRoundedRect(QRectF(1.5, 3.5, 29, 17), 6, 6);
    // A spanner-like bar and a dot: "tools".
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 16), QPointF(19, 8));
    p.setBrush(Qt::white);
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(20, 11, 6, 6));
    return img;
}

QImage updateIcon() {
    QImage img = canvas(64, 64);
    QPainter p(&img);
    antialias(p);
    QRadialGradient g(QPointF(26, 22), 40);
    g.setColorAt(0, QColor(120, 220, 130));
    g.setColorAt(1, QColor(30, 150, 60));
    p.setPen(QPen(QColor(20, 110, 40), 2));
    p.setBrush(g);
    p.drawEllipse(QRectF(3, 3, 58, 58));
    QPainterPath arrow;
    arrow.moveTo(26, 14);
    arrow.lineTo(38, 14);
    arrow.lineTo(38, 32);
    arrow.lineTo(47, 32);
    arrow.lineTo(32, 49);
    arrow.lineTo(17, 32);
    arrow.lineTo(26, 32);
    arrow.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPath(arrow);
    p.drawRoundedRect(QRectF(18, 51, 28, 4), 2, 2);
    return img;
}

QImage speedTest() {
    QImage img = canvas(160, 128);
    QPainter p(&img);
    antialias(p);
    const QRectF dial(20, 8, 120, 120);
    p.setPen(QPen(QColor(210, 216, 226), 14, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(dial.adjusted(8, 8, -8, -8), 0, 180 * 16);
    // The upper half runs from gradient position 1 (left) down to 0.5 (right).
    QConicalGradient g(dial.center(), 180);
    g.setColorAt(0.0, QColor(40, 200, 90));
    g.setColorAt(0.5, QColor(240, 70, 60));
    g.setColorAt(0.75, QColor(250, 200, 40));
    g.setColorAt(1.0, QColor(40, 200, 90));
    p.setPen(QPen(QBrush(g), 14, Qt::SolidLine, Qt::FlatCap));
    p.drawArc(dial.adjusted(8, 8, -8, -8), 30 * 16, 150 * 16);
    // The needle.
    const QPointF c = dial.center();
    const double a = 50.0 * M_PI / 180.0;
    p.setPen(QPen(QColor(50, 60, 80), 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, QPointF(c.x() + 44 * std::cos(a), c.y() - 44 * std::sin(a)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(50, 60, 80));
    p.drawEllipse(c, 8, 8);
    return img;
}

bool save(const QDir& dir, const char* name, const QImage& img) {
    const QString suffix = gScale == 1 ? QString() : QStringLiteral("@%1x").arg(gScale);
    const QString path = dir.filePath(QString::fromLatin1(name) + suffix + QStringLiteral(".png"));
    if (img.save(path, "PNG")) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);  // fonts need it; run with QT_QPA_PLATFORM=offscreen
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) return 1;

    bool ok = true;
    for (int scale : {1, 2}) {
        gScale = scale;
        ok &=
            save(dir, "day_skin", skin(QColor(255, 255, 255), QColor(244, 246, 250), QColor(226, 230, 238)));
        ok &= save(dir, "night_skin",
                   skin(QColor(170, 173, 178), QColor(150, 153, 159), QColor(186, 189, 194)));
        ok &= save(dir, "logo", logo());
        ok &= save(dir, "corner", corner());
        ok &= save(dir, "update", updateIcon());
        ok &= save(dir, "speed_test", speedTest());
        ok &=
            save(dir, "service_lanzou", servicePicture(QColor(110, 180, 255), QColor(40, 110, 230), "L", 40));
        ok &= save(dir, "service_onedrive",
                   servicePicture(QColor(90, 170, 240), QColor(0, 100, 190), "OneDrive", 20));
        ok &= save(dir, "service_bilnn", servicePicture(QColor(100, 220, 200), QColor(0, 150, 136), "B", 40));
        ok &= save(dir, "service_360", servicePicture(QColor(130, 220, 100), QColor(40, 160, 40), "360", 30));
        ok &= save(dir, "service_wenshushu",
                   servicePicture(QColor(255, 190, 110), QColor(235, 120, 30), "文", 36));
    }
    return ok ? 0 : 1;
}
