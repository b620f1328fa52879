#include "SessionBroadcast.h"

#include "QtText.h"
#include "QtX11.h"
#include "XcbReply.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>
#include <cstring>
#include <memory>
#include <set>

namespace {

xcb_window_t DefaultRoot(xcb_connection_t* connection) {
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

xcb_atom_t InternAtom(xcb_connection_t* connection, const std::string& name, bool onlyIfExists) {
    XcbReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(connection,
                              xcb_intern_atom(connection, onlyIfExists ? 1 : 0,
                                              static_cast<uint16_t>(name.size()), name.c_str()),
                              nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The root's children (frames, or the windows themselves without a window manager) and the
// windows the window manager lists as its clients.
std::set<xcb_window_t> TopLevelWindows(xcb_connection_t* connection, xcb_window_t root) {
    std::set<xcb_window_t> windows;
    XcbReply<xcb_query_tree_reply_t> tree(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr));
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        windows.insert(children, children + xcb_query_tree_children_length(tree.get()));
    }
    const xcb_atom_t clientList = InternAtom(connection, "_NET_CLIENT_LIST", true);
    if (clientList == XCB_ATOM_NONE) return windows;
    XcbReply<xcb_get_property_reply_t> clients(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, root, clientList, XCB_ATOM_WINDOW, 0, UINT32_MAX / 4),
        nullptr));
    if (clients && clients->type == XCB_ATOM_WINDOW && clients->format == 32) {
        const auto* listed =
            static_cast<const xcb_window_t*>(xcb_get_property_value(clients.get()));
        windows.insert(listed, listed + xcb_get_property_value_length(clients.get()) / 4);
    }
    return windows;
}

class DesktopSessionBroadcast final : public SessionBroadcast {
public:
    uint32_t RegisterMessage(const std::string& name) override {
        xcb_connection_t* connection = QtX11Connection();
        return connection == nullptr ? 0 : InternAtom(connection, name, false);
    }

    void Post(uint32_t message, const std::string& path) override {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/tapestrel/Tapestrel"), QStringLiteral("org.tapestrel.Tapestrel"),
            QStringLiteral("BroadcastWallpaperChange"));
        signal << ToQString(path);
        QDBusConnection::sessionBus().send(signal);

        xcb_connection_t* connection = QtX11Connection();
        if (connection == nullptr || message == XCB_ATOM_NONE) return;
        std::set<xcb_window_t> windows = TopLevelWindows(connection, DefaultRoot(connection));
        // Our own windows would only log that they do not know the message.
        for (const QWindow* own : QGuiApplication::allWindows())
            if (own->handle() != nullptr) windows.erase(static_cast<xcb_window_t>(own->winId()));
        for (const xcb_window_t window : windows) {
            xcb_client_message_event_t event;
            std::memset(&event, 0, sizeof event);
            event.response_type = XCB_CLIENT_MESSAGE;
            event.format = 32;
            event.window = window;
            event.type = message;
            // No event mask: the event goes to the program that made the window.
            xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                           reinterpret_cast<const char*>(&event));
        }
        xcb_flush(connection);
    }
};

}  // namespace

ServiceSlot<SessionBroadcast>& SessionBroadcast::Slot() {
    static ServiceSlot<SessionBroadcast> slot([] {
        return std::unique_ptr<SessionBroadcast>(std::make_unique<DesktopSessionBroadcast>());
    });
    return slot;
}
