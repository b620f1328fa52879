#include "TrayHost.h"

#include "QtX11.h"
#include "XcbReply.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>

#include <xcb/xcb.h>
#include <cstdlib>
#include <string>

namespace {

// A StatusNotifierItem host (KDE, GNOME with its AppIndicator extension, most Wayland panels).
bool IsStatusNotifierHostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.interface()->isServiceRegistered(watcher)) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        watcher, QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << watcher << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return reply.arguments().front().value<QDBusVariant>().variant().toBool();
}

int DefaultScreenNumber() {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr) return 0;
    const std::string text(display);
    const auto colon = text.rfind(':');
    const auto dot = text.find('.', colon == std::string::npos ? 0 : colon);
    return dot == std::string::npos ? 0 : std::atoi(text.c_str() + dot + 1);
}

// An XEmbed tray (the freedesktop system tray protocol) owns the selection _NET_SYSTEM_TRAY_Sn.
bool IsXEmbedTrayManaged() {
    xcb_connection_t* connection = QtX11Connection();
    if (connection == nullptr) return false;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(DefaultScreenNumber());
    XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 1, static_cast<uint16_t>(name.size()), name.c_str()), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE) return false;
    XcbReply<xcb_get_selection_owner_reply_t> owner(xcb_get_selection_owner_reply(
        connection, xcb_get_selection_owner(connection, atom->atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

class DesktopTrayHost final : public TrayHost {
public:
    bool IsPresent() override { return IsStatusNotifierHostRegistered() || IsXEmbedTrayManaged(); }
};

}  // namespace

ServiceSlot<TrayHost>& TrayHost::Slot() {
    static ServiceSlot<TrayHost> slot(
        [] { return std::unique_ptr<TrayHost>(std::make_unique<DesktopTrayHost>()); });
    return slot;
}
