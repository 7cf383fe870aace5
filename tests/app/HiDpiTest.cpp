// At a scale of 2 the main window draws the program's 2x pictures, not its 1x ones enlarged
// (offscreen platform, QT_SCALE_FACTOR=2 set before the application starts).
#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <cstdlib>

#include "app/MainWindow.h"
#include "platform/system/Worker.h"
#include "resources/Pictures.h"
#include "ui/qt/QtApplication.h"
#include "ui/qt/QtWindowSystem.h"
#include "ui/qt/Widgets.h"
#include "ui/qt/WindowView.h"

using namespace qx;

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "qx_hidpi_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* a = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        qputenv("QT_SCALE_FACTOR", "2");
        auto* created = new QApplication(argc, argv);
        ui::qt::setUpApplication(*created);
        ui::qt::setSharperPictureSource(&res::sharperPicture);
        return created;
    }();
    return *a;
}

QImage decoded(std::span<const unsigned char> png) {
    return QImage::fromData(png.data(), static_cast<int>(png.size()))
        .convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

// The largest difference of any channel over a region of two images of the same size.
int largestDifference(const QImage& a, const QImage& b) {
    int worst = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                              std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
        }
    return worst;
}

}  // namespace

TEST(HiDpi, PicturesOfTheProgramDecodeAtTwiceTheirPixels) {
    application();
    ASSERT_EQ(qApp->devicePixelRatio(), 2);
    for (const auto picture :
         {res::logo(), res::daySkin(), res::pictureNamed("serviceWenshushu"), res::updateIcon()}) {
        const QImage plain = decoded(picture);
        const QImage image = ui::qt::decodePicture(res::toByteArray(picture));
        EXPECT_EQ(image.devicePixelRatio(), 2);
        EXPECT_EQ(image.size(), plain.size() * 2);
        EXPECT_EQ(image.deviceIndependentSize().toSize(), plain.size());
    }
    // A picture from elsewhere (a downloaded avatar, say) stays as it is.
    QImage other(20, 10, QImage::Format_ARGB32);
    other.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    ASSERT_TRUE(other.save(&buffer, "PNG"));
    const QImage image = ui::qt::decodePicture(ByteArray(png.begin(), png.end()));
    EXPECT_EQ(image.devicePixelRatio(), 1);
    EXPECT_EQ(image.size(), QSize(20, 10));
}

TEST(HiDpi, MainWindowShowsTheSharpSkinAndLogo) {
    application();
    ProgramState state;
    state.setExecutablePath("/nonexistent/quorvex");
    ui::qt::QtWindowSystem windows;
    ui::WindowPtr main = app::makeMainWindow(state, windows, [] { return 12; });
    windows.openModeless(main);
    ui::qt::WindowView* view = windows.viewOf(main.get());
    ASSERT_NE(view, nullptr);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 600) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);  // fade-in

    const QImage shot = view->grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(shot.size(), QSize(main->width() * 2, main->height() * 2));
    // The skin's top left corner is drawn unscaled: device pixel for device pixel of the 2x skin.
    const QRect corner(0, 0, 32, 32);
    const QImage sharp = decoded(res::sharperPicture(res::daySkin())).copy(corner);
    const QImage plain = decoded(res::daySkin());
    const QImage enlarged = plain.scaled(plain.size() * 2).copy(corner);
    EXPECT_LE(largestDifference(shot.copy(corner), sharp), 8);
    EXPECT_GT(largestDifference(enlarged, sharp), 40) << "the check could not tell the two apart";

    platform::stopAllWorkers();
    EXPECT_TRUE(platform::waitForAllWorkers(std::chrono::seconds(20)));
    windows.destroy(main);
}
