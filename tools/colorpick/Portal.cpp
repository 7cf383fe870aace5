#include "colorpick/Portal.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QUrl>
#include <algorithm>
#include <cmath>

namespace qx::colorpick {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");

const char* const kNoPortal =
    "没有桌面门户响应，无法在 Wayland 下取色。请安装 xdg-desktop-portal "
    "和桌面对应的后端（GNOME、KDE 或 wlroots），或用 QT_QPA_PLATFORM=xcb 通过 XWayland 启动本工具。";

PortalResult failed(const std::string& message, PortalResult::Kind kind = PortalResult::Kind::Failed) {
    PortalResult r;
    r.kind = kind;
    r.message = message;
    return r;
}

int channel(double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

// The colour of a PickColor answer: (ddd), each from 0 to 1.
bool colorOf(const QVariant& value, QColor& out) {
    if (!value.canConvert<QDBusArgument>()) return false;
    const QDBusArgument argument = value.value<QDBusArgument>();
    if (argument.currentSignature() != QLatin1String("(ddd)")) return false;
    double r = 0, g = 0, b = 0;
    argument.beginStructure();
    argument >> r >> g >> b;
    argument.endStructure();
    if (!std::isfinite(r) || !std::isfinite(g) || !std::isfinite(b)) return false;
    out = QColor(channel(r), channel(g), channel(b));
    return true;
}

}  // namespace

QString requestPath(const QString& uniqueName, const QString& token) {
    // ":1.42" becomes "1_42".
    QString sender = uniqueName;
    if (sender.startsWith(u':')) sender.remove(0, 1);
    sender.replace(u'.', u'_');
    return kObject + QStringLiteral("/request/") + sender + u'/' + token;
}

Portal::Portal(const QDBusConnection& bus, QObject* parent) : QObject(parent), bus_(bus) {}

void Portal::pickColor(Done done) { request(Asked::Color, std::move(done)); }

void Portal::screenshot(Done done) { request(Asked::Screenshot, std::move(done)); }

void Portal::request(Asked what, Done done) {
    if (asked_ != Asked::Nothing) {
        done(failed("正在等待桌面门户的回答，请稍候。"));
        return;
    }
    if (!bus_.isConnected()) {
        done(failed(kNoPortal));
        return;
    }
    asked_ = what;
    done_ = std::move(done);
    const QString token =
        QStringLiteral("quorvex%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter_);
    // Listening before asking: the answer may come before the call returns.
    listen(requestPath(bus_.baseService(), token));
    QVariantMap options{{QStringLiteral("handle_token"), token}};
    if (what == Asked::Screenshot) options.insert(QStringLiteral("interactive"), false);
    QDBusMessage call = QDBusMessage::createMethodCall(
        kService, kObject, kScreenshot,
        what == Asked::Color ? QStringLiteral("PickColor") : QStringLiteral("Screenshot"));
    call << QString() << options;  // no parent window: a Wayland window has no handle to give
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, 10000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        QDBusPendingReply<QDBusObjectPath> reply = *w;
        if (asked_ == Asked::Nothing) return;
        if (reply.isError()) {
            finish(failed(kNoPortal));
            return;
        }
        // Older portals choose the path themselves.
        if (reply.value().path() != path_) listen(reply.value().path());
    });
}

void Portal::listen(const QString& path) {
    if (!path_.isEmpty())
        bus_.disconnect(kService, path_, kRequest, QStringLiteral("Response"), this,
                        SLOT(onResponse(uint, QVariantMap)));
    path_ = path;
    if (!path_.isEmpty())
        bus_.connect(kService, path_, kRequest, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
}

void Portal::onResponse(uint response, const QVariantMap& results) {
    if (asked_ == Asked::Nothing) return;
    const bool color = asked_ == Asked::Color;
    if (response == 1) {
        finish(failed(color ? "取色被取消，或被桌面拒绝了。" : "截屏被取消，或被桌面拒绝了。",
                      PortalResult::Kind::Refused));
        return;
    }
    if (response != 0) {
        finish(failed(color ? "桌面门户没能完成取色。" : "桌面门户没能完成截屏。"));
        return;
    }
    PortalResult r;
    if (color) {
        r.kind = PortalResult::Kind::Color;
        if (!colorOf(results.value(QStringLiteral("color")), r.color))
            r = failed("桌面门户的回答里没有颜色。");
        finish(r);
        return;
    }
    const QUrl uri(results.value(QStringLiteral("uri")).toString());
    r.kind = PortalResult::Kind::Image;
    if (uri.isLocalFile()) r.image = QImage(uri.toLocalFile());
    if (r.image.isNull()) r = failed("桌面门户给出的截屏无法读取。");
    finish(r);
}

void Portal::finish(const PortalResult& result) {
    listen(QString());
    asked_ = Asked::Nothing;
    Done done = std::move(done_);
    done_ = nullptr;
    if (done) done(result);
}

}  // namespace qx::colorpick
