// A stand-in for the desktop portal's screenshot interface on a session bus (a private one in
// the tests): PickColor answers with the colour of --color r,g,b (0..1), the first one refused
// with --refuse-first; Screenshot answers with the file of --screenshot. Each call is written
// to stdout as one line ("PickColor parent='' options=handle_token") so a test can check what
// the program sent; "ready" once the name is taken.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVirtualObject>
#include <QStringList>
#include <QTimer>
#include <QUrl>
#include <cstdio>

namespace {

class ScreenshotPortal : public QDBusVirtualObject {
  public:
    double r = 0, g = 0, b = 0;
    bool refuseNext = false;
    QString screenshot;

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& connection) override {
        if (m.interface() != QLatin1String("org.freedesktop.portal.Screenshot")) return false;
        const QList<QVariant> args = m.arguments();
        if (m.signature() != QLatin1String("sa{sv}") || args.size() != 2) {
            connection.send(m.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("want (sa{sv})")));
            return true;
        }
        const QVariantMap options = qdbus_cast<QVariantMap>(args[1]);
        QStringList keys = options.keys();
        keys.sort();
        std::printf("%s parent='%s' options=%s\n", qPrintable(m.member()), qPrintable(args[0].toString()),
                    qPrintable(keys.join(u',')));
        std::fflush(stdout);
        QString sender = m.service().mid(1);
        sender.replace(u'.', u'_');
        const QString path = QStringLiteral("/org/freedesktop/portal/desktop/request/") + sender + u'/' +
                             options.value(QStringLiteral("handle_token")).toString();
        connection.send(m.createReply(QVariant::fromValue(QDBusObjectPath(path))));

        uint response = 0;
        QVariantMap results;
        if (m.member() == QLatin1String("PickColor")) {
            if (refuseNext) {
                refuseNext = false;
                response = 1;
            } else {
                QDBusArgument color;
                color.beginStructure();
                color << r << g << b;
                color.endStructure();
                results.insert(QStringLiteral("color"), QVariant::fromValue(color));
            }
        } else if (m.member() == QLatin1String("Screenshot") && !screenshot.isEmpty()) {
            results.insert(QStringLiteral("uri"), QUrl::fromLocalFile(screenshot).toString());
        } else {
            response = 2;
        }
        QDBusMessage signal = QDBusMessage::createTargetedSignal(
            m.service(), path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        QDBusConnection bus = connection;
        QTimer::singleShot(50, [bus, signal]() mutable { bus.send(signal); });
        return true;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ScreenshotPortal portal;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--refuse-first")) portal.refuseNext = true;
        if (args[i] == QLatin1String("--screenshot") && i + 1 < args.size()) portal.screenshot = args[++i];
        if (args[i] == QLatin1String("--color") && i + 1 < args.size()) {
            const QStringList c = args[++i].split(u',');
            if (c.size() == 3) {
                portal.r = c[0].toDouble();
                portal.g = c[1].toDouble();
                portal.b = c[2].toDouble();
            }
        }
    }
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerVirtualObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal) ||
        !bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"))) {
        std::fprintf(stderr, "cannot take org.freedesktop.portal.Desktop: %s\n",
                     qPrintable(bus.lastError().message()));
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
