// logind's power-off and the freedesktop screen saver over D-Bus.
#include "ui/SessionServices.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>

#include "ui/QtText.h"

namespace kelvantori {

namespace {

constexpr const char* kScreenSaverService = "org.freedesktop.ScreenSaver";
// A screen saver that does not answer within this long is taken for none: a transfer must not
// wait on it.
constexpr int kScreenSaverTimeoutMs = 1000;

}  // namespace

std::string PowerOffRefusedMessage(const PowerOffResult& result) {
    return "電源を切れませんでした。\n" + result.reason;
}

PowerOffResult LogindPowerControl::PowerOff() {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected())
        return {false, U(bus.lastError().message())};
    QDBusInterface manager("org.freedesktop.login1", "/org/freedesktop/login1",
                           "org.freedesktop.login1.Manager", bus);
    const QDBusMessage reply = manager.call("PowerOff", false);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        const QString message = reply.errorMessage();
        return {false, U(message.isEmpty() ? reply.errorName() : message)};
    }
    return {true, {}};
}

std::optional<std::uint32_t> DBusScreenSaver::Inhibit(const std::string& reason) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface() ||
        !bus.interface()->isServiceRegistered(kScreenSaverService).value())
        return std::nullopt;
    QDBusInterface screenSaver(kScreenSaverService, "/org/freedesktop/ScreenSaver",
                               kScreenSaverService, bus);
    screenSaver.setTimeout(kScreenSaverTimeoutMs);
    const QDBusReply<std::uint32_t> cookie =
        screenSaver.call("Inhibit", QStringLiteral("Kelvantori"), Q(reason));
    if (!cookie.isValid())
        return std::nullopt;
    return cookie.value();
}

void DBusScreenSaver::UnInhibit(std::uint32_t cookie) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    QDBusInterface screenSaver(kScreenSaverService, "/org/freedesktop/ScreenSaver",
                               kScreenSaverService, bus);
    screenSaver.setTimeout(kScreenSaverTimeoutMs);
    screenSaver.call("UnInhibit", cookie);
}

}  // namespace kelvantori
