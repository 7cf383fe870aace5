// The colour picker's portal path against the stand-in portal on a private session bus that
// the test starts: a refusal, then a colour, then a screenshot; and what happens when no portal
// answers at all. The stand-in reports each call, so the test checks what the picker sent.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <memory>

#include "colorpick/Portal.h"

using namespace qx::colorpick;

namespace {

int argc = 1;
char name[] = "qx_colorpick_portal_tests";
char* argv[] = {name, nullptr};

// Starts a process and waits for its first line on stdout.
std::unique_ptr<QProcess> start(const QString& program, const QStringList& args, QString& firstLine,
                                const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    auto p = std::make_unique<QProcess>();
    p->setProcessEnvironment(env);
    p->setStandardErrorFile(QProcess::nullDevice());
    p->start(program, args);
    while (p->waitForReadyRead(10000) && !p->canReadLine()) {
    }
    firstLine = QString::fromUtf8(p->readLine()).trimmed();
    return p;
}

// A bus of our own: no service directories, so nothing installed on this computer (a real
// portal, say) is started on it.
QStringList privateBus(const QTemporaryDir& dir) {
    const QString config = dir.filePath(QStringLiteral("bus.conf"));
    QFile f(config);
    if (f.open(QIODevice::WriteOnly))
        f.write(
            "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
            " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
            "<busconfig><type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
            "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
            "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
    return {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
            QStringLiteral("--print-address")};
}

PortalResult wait(const std::function<void(Portal::Done)>& ask) {
    PortalResult result;
    result.message = "no answer in time";
    bool answered = false;
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    ask([&](const PortalResult& r) {
        result = r;
        answered = true;
        loop.quit();
    });
    if (!answered) loop.exec();  // (an answer given at once needs no loop)
    return result;
}

class PortalTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        app_ = new QCoreApplication(argc, argv);
        bus_ = start(QStringLiteral(QX_DBUS_DAEMON), privateBus(dir_), address_);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address_);
        QImage shot(64, 48, QImage::Format_RGB32);
        shot.fill(QColor(10, 20, 30));
        shot.setPixelColor(5, 6, QColor(200, 100, 50));
        shot.save(dir_.filePath(QStringLiteral("shot.png")));
        QString ready;
        portal_ =
            start(QStringLiteral(QX_PORTAL_STANDIN),
                  {"--color", "0.1176,0.5647,1", "--refuse-first", "--screenshot", dir_.filePath("shot.png")},
                  ready, env);
        ASSERT_EQ(ready, QStringLiteral("ready"));
    }
    static void TearDownTestSuite() {
        for (auto* p : {&portal_, &bus_}) {
            if (!*p) continue;
            (*p)->kill();
            (*p)->waitForFinished();
            p->reset();
        }
        delete app_;
    }

    static inline QCoreApplication* app_ = nullptr;
    static inline std::unique_ptr<QProcess> bus_, portal_;
    static inline QString address_;
    static inline QTemporaryDir dir_;
};

}  // namespace

TEST_F(PortalTest, RefusalThenColourThenScreenshot) {
    ASSERT_FALSE(address_.isEmpty());
    QDBusConnection bus = QDBusConnection::connectToBus(address_, QStringLiteral("picker"));
    ASSERT_TRUE(bus.isConnected());
    Portal portal(bus);

    PortalResult r = wait([&](Portal::Done done) { portal.pickColor(done); });
    EXPECT_EQ(r.kind, PortalResult::Kind::Refused);
    EXPECT_EQ(r.message, "取色被取消，或被桌面拒绝了。");

    r = wait([&](Portal::Done done) { portal.pickColor(done); });
    ASSERT_EQ(r.kind, PortalResult::Kind::Color) << r.message;
    EXPECT_EQ(r.color, QColor(30, 144, 255));

    // A second request while one waits is turned away, the first still answered.
    PortalResult busy;
    r = wait([&](Portal::Done done) {
        portal.screenshot(done);
        portal.pickColor([&](const PortalResult& b) { busy = b; });
    });
    EXPECT_EQ(busy.message, "正在等待桌面门户的回答，请稍候。");
    ASSERT_EQ(r.kind, PortalResult::Kind::Image) << r.message;
    EXPECT_EQ(r.image.size(), QSize(64, 48));
    EXPECT_EQ(r.image.pixelColor(5, 6), QColor(200, 100, 50));

    // What the picker sent, call by call.
    QStringList calls;
    while (portal_->waitForReadyRead(200) || portal_->canReadLine())
        while (portal_->canReadLine()) calls << QString::fromUtf8(portal_->readLine()).trimmed();
    EXPECT_EQ(calls, QStringList({"PickColor parent='' options=handle_token",
                                  "PickColor parent='' options=handle_token",
                                  "Screenshot parent='' options=handle_token,interactive"}));
    QDBusConnection::disconnectFromBus(QStringLiteral("picker"));
}

TEST_F(PortalTest, NoPortalAnswersSaysSo) {
    QString address;
    auto empty = start(QStringLiteral(QX_DBUS_DAEMON), privateBus(dir_), address);
    QDBusConnection bus = QDBusConnection::connectToBus(address, QStringLiteral("lonely"));
    ASSERT_TRUE(bus.isConnected());
    const std::string expected =
        "没有桌面门户响应，无法在 Wayland 下取色。请安装 "
        "xdg-desktop-portal "
        "和桌面对应的后端（GNOME、KDE 或 wlroots），或用 QT_QPA_PLATFORM=xcb 通过 XWayland 启动本工具。";
    Portal portal(bus);
    PortalResult r = wait([&](Portal::Done done) { portal.pickColor(done); });
    EXPECT_EQ(r.kind, PortalResult::Kind::Failed);
    EXPECT_EQ(r.message, expected);
    QDBusConnection::disconnectFromBus(QStringLiteral("lonely"));
    empty->kill();
    empty->waitForFinished();

    Portal nowhere(QDBusConnection(QStringLiteral("never connected")));
    r = wait([&](Portal::Done done) { nowhere.pickColor(done); });
    EXPECT_EQ(r.message, expected);
    EXPECT_EQ(requestPath(QStringLiteral(":1.42"), QStringLiteral("t7")),
              QStringLiteral("/org/freedesktop/portal/desktop/request/1_42/t7"));
}
