#include "platform/qt/screen_saver.h"

#if MORVEL_HAVE_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#endif

namespace morvel::qt {

#if MORVEL_HAVE_DBUS
namespace {

constexpr char kService[] = "org.freedesktop.ScreenSaver";
constexpr char kPath[] = "/org/freedesktop/ScreenSaver";
// The desktop portal's inhibition, for desktops (and sandboxes) without the
// interface above: it answers with a request object, closed to release.
constexpr char kPortal[] = "org.freedesktop.portal.Desktop";
constexpr char kPortalPath[] = "/org/freedesktop/portal/desktop";
constexpr char kPortalInhibit[] = "org.freedesktop.portal.Inhibit";
constexpr char kPortalRequest[] = "org.freedesktop.portal.Request";
constexpr uint32_t kPortalIdle = 8;  // the flag that holds the screen saver off
// An answer that does not come within this time never will: the game goes on.
constexpr int kCallTimeoutMs = 2000;

QDBusMessage ScreenSaverCall(const char* method) {
    return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

}  // namespace
#endif

ScreenSaverInhibitor::~ScreenSaverInhibitor() {
    // The bus also ends the inhibition when the program's connection closes;
    // this covers a window closed in a program that goes on.
    wanted_ = false;
    Release();
}

void ScreenSaverInhibitor::Follow(bool running) {
    if (running == wanted_) return;
    wanted_ = running;
    if (wanted_)
        Inhibit();
    else
        Release();
}

#if MORVEL_HAVE_DBUS
void ScreenSaverInhibitor::Inhibit() {
    if (asking_ || haveCookie_ || !portalRequest_.isEmpty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    QDBusMessage call = ScreenSaverCall("Inhibit");
    call << QStringLiteral("morvel") << QStringLiteral("A game is running");
    asking_ = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        asking_ = false;
        QDBusPendingReply<uint32_t> reply = *watcher;
        if (reply.isError()) {
            if (wanted_) AskPortal();
            return;
        }
        cookie_ = reply.value();
        haveCookie_ = true;
        // Paused or closed while the desktop was answering.
        if (!wanted_) Release();
    });
}

void ScreenSaverInhibitor::AskPortal() {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kPortal, kPortalPath, kPortalInhibit, "Inhibit");
    // No window named: the inhibition is the program's.
    call << QString() << kPortalIdle
         << QVariantMap{{QStringLiteral("reason"), QStringLiteral("A game is running")}};
    asking_ = true;
    QDBusConnection bus = QDBusConnection::sessionBus();
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
        watcher->deleteLater();
        asking_ = false;
        QDBusPendingReply<QDBusObjectPath> reply = *watcher;
        if (reply.isError() || reply.value().path().isEmpty()) return;
        portalRequest_ = reply.value().path();
        if (!wanted_) Release();
    });
}

void ScreenSaverInhibitor::Release() {
    if (!portalRequest_.isEmpty()) {
        QDBusConnection::sessionBus().send(
            QDBusMessage::createMethodCall(kPortal, portalRequest_, kPortalRequest, "Close"));
        portalRequest_.clear();
    }
    if (!haveCookie_) return;
    haveCookie_ = false;
    QDBusMessage call = ScreenSaverCall("UnInhibit");
    call << cookie_;
    QDBusConnection::sessionBus().send(call);
}
#else
// A Qt without D-Bus (a Windows build): the desktop is not asked.
void ScreenSaverInhibitor::Inhibit() {}
void ScreenSaverInhibitor::AskPortal() {}
void ScreenSaverInhibitor::Release() {}
#endif

}  // namespace morvel::qt
