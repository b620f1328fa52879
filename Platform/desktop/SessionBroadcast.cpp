#include "SessionBroadcast.h"

#include "QtText.h"
#include "QtX11.h"
#include "XcbReply.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>
#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
#include <span>
#include <string_view>
#include <vector>

namespace {

xcb_window_t DefaultRoot(xcb_connection_t* connection) {
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

xcb_intern_atom_cookie_t AtomCookie(xcb_connection_t* connection, std::string_view name,
                                    bool onlyIfExists) {
    return xcb_intern_atom(connection, onlyIfExists ? 1 : 0, static_cast<uint16_t>(name.size()),
                           name.data());
}

xcb_atom_t AtomOf(xcb_connection_t* connection, xcb_intern_atom_cookie_t cookie) {
    XcbReply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The ids a property of type ATOM or WINDOW lists; none for a window that vanished or a property
// of another type.
std::span<const uint32_t> IdList(const xcb_get_property_reply_t* reply, xcb_atom_t type) {
    if (reply == nullptr || reply->type != type || reply->format != 32) return {};
    return {static_cast<const uint32_t*>(xcb_get_property_value(reply)),
            static_cast<size_t>(xcb_get_property_value_length(reply)) / 4};
}

// The top-level windows that asked for the message the X11 way, by listing it in WM_PROTOCOLS;
// any other program (every Qt one, for a start) would only log that it does not know it. The
// candidates are the root's children (the clients themselves without a window manager, frames
// with one) and the clients the window manager lists. Each batch of requests goes out before the
// first of its replies is awaited.
std::vector<xcb_window_t> InterestedWindows(xcb_connection_t* connection, xcb_window_t root,
                                            xcb_atom_t message) {
    const xcb_query_tree_cookie_t treeCookie = xcb_query_tree(connection, root);
    const xcb_intern_atom_cookie_t clientListCookie =
        AtomCookie(connection, "_NET_CLIENT_LIST", true);
    const xcb_intern_atom_cookie_t protocolsCookie = AtomCookie(connection, "WM_PROTOCOLS", true);
    XcbReply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(connection, treeCookie, nullptr));
    const xcb_atom_t clientList = AtomOf(connection, clientListCookie);
    const xcb_atom_t protocols = AtomOf(connection, protocolsCookie);
    // No window of the display has ever had protocols.
    if (protocols == XCB_ATOM_NONE) return {};

    std::set<xcb_window_t> candidates;
    if (tree) {
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        candidates.insert(children, children + xcb_query_tree_children_length(tree.get()));
    }
    if (clientList != XCB_ATOM_NONE) {
        XcbReply<xcb_get_property_reply_t> clients(xcb_get_property_reply(
            connection,
            xcb_get_property(connection, 0, root, clientList, XCB_ATOM_WINDOW, 0, UINT32_MAX / 4),
            nullptr));
        for (const uint32_t client : IdList(clients.get(), XCB_ATOM_WINDOW))
            candidates.insert(client);
    }
    // Our own windows need not be asked: the program knows what it broadcasts.
    for (const QWindow* own : QGuiApplication::allWindows())
        if (own->handle() != nullptr) candidates.erase(static_cast<xcb_window_t>(own->winId()));

    // A window lists a handful of protocols; this reads far more.
    constexpr uint32_t kMostProtocols = 1024;
    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(candidates.size());
    for (const xcb_window_t window : candidates)
        cookies.push_back(
            xcb_get_property(connection, 0, window, protocols, XCB_ATOM_ATOM, 0, kMostProtocols));
    std::vector<xcb_window_t> interested;
    auto cookie = cookies.begin();
    for (const xcb_window_t window : candidates) {
        XcbReply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(connection, *cookie++, nullptr));
        const std::span<const uint32_t> listed = IdList(reply.get(), XCB_ATOM_ATOM);
        if (std::find(listed.begin(), listed.end(), message) != listed.end())
            interested.push_back(window);
    }
    return interested;
}

class DesktopSessionBroadcast final : public SessionBroadcast {
public:
    uint32_t RegisterMessage(const std::string& name) override {
        xcb_connection_t* connection = QtX11Connection();
        return connection == nullptr ? 0 : AtomOf(connection, AtomCookie(connection, name, false));
    }

    void Post(uint32_t message, const std::string& path) override {
        QDBusMessage signal = QDBusMessage::createSignal(
            QStringLiteral("/org/tapestrel/Tapestrel"), QStringLiteral("org.tapestrel.Tapestrel"),
            QStringLiteral("BroadcastWallpaperChange"));
        signal << ToQString(path);
        QDBusConnection::sessionBus().send(signal);

        xcb_connection_t* connection = QtX11Connection();
        if (connection == nullptr || message == XCB_ATOM_NONE) return;
        for (const xcb_window_t window :
             InterestedWindows(connection, DefaultRoot(connection), message)) {
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
