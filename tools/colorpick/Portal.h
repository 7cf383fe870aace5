#pragma once
// The desktop portal's screenshot interface, for Wayland, where no program may read the
// screen's pixels itself: PickColor lets the user pick a colour with the desktop's own picker,
// Screenshot hands over a picture of the screen for the magnifier. The portal answers later,
// with a Response signal on a request object of its own; `done` gets what it said.
//
//   Portal portal;  // the session bus
//   portal.pickColor([](const PortalResult& r) { if (r.kind == PortalResult::Kind::Color) use(r.color); });
#include <QColor>
#include <QDBusConnection>
#include <QImage>
#include <QObject>
#include <QVariantMap>
#include <functional>
#include <string>

namespace qx::colorpick {

struct PortalResult {
    enum class Kind { Color, Image, Refused, Failed };
    Kind kind = Kind::Failed;
    QColor color;
    QImage image;
    std::string message;  // for Refused and Failed, to show as it is
};

// The request object the portal creates for a call with this handle token.
QString requestPath(const QString& uniqueName, const QString& token);

class Portal : public QObject {
    Q_OBJECT

  public:
    explicit Portal(const QDBusConnection& bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);

    using Done = std::function<void(const PortalResult&)>;
    // One request at a time: a second while one waits fails at once.
    void pickColor(Done done);
    void screenshot(Done done);

  private slots:
    void onResponse(uint response, const QVariantMap& results);

  private:
    enum class Asked { Nothing, Color, Screenshot };
    void request(Asked what, Done done);
    void listen(const QString& path);
    void finish(const PortalResult& result);

    QDBusConnection bus_;
    Asked asked_ = Asked::Nothing;
    QString path_;
    Done done_;
    unsigned counter_ = 0;
};

}  // namespace qx::colorpick
