#include "XWindows.h"

#include "XcbReply.h"

#include <cstring>

namespace {

// Errors are taken here rather than left to pile up in the event queue, which no one reads.
template <class Reply, class Cookie>
XcbReply<Reply> Answer(xcb_connection_t* connection,
                       Reply* (*reply)(xcb_connection_t*, Cookie, xcb_generic_error_t**),
                       Cookie cookie) {
    xcb_generic_error_t* error = nullptr;
    XcbReply<Reply> answer(reply(connection, cookie, &error));
    XcbReply<xcb_generic_error_t> discarded(error);
    return answer;
}

}  // namespace

xcb_atom_t XWindows::Atom(std::string_view name) const {
    const auto answer =
        Answer(m_connection, xcb_intern_atom_reply,
               xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(name.size()), name.data()));
    return answer ? answer->atom : xcb_atom_t{XCB_ATOM_NONE};
}

std::vector<xcb_window_t> XWindows::Children(xcb_window_t window) const {
    const auto tree =
        Answer(m_connection, xcb_query_tree_reply, xcb_query_tree(m_connection, window));
    if (!tree) return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return {children, children + xcb_query_tree_children_length(tree.get())};
}

std::string XWindows::Title(xcb_window_t window) const {
    // _NET_WM_NAME wins where it is set, even when empty; older programs set only WM_NAME.
    const std::pair<xcb_atom_t, xcb_atom_t> properties[] = {
        {Atom("_NET_WM_NAME"), Atom("UTF8_STRING")}, {XCB_ATOM_WM_NAME, XCB_ATOM_STRING}};
    for (const auto& [property, type] : properties) {
        const auto answer =
            Answer(m_connection, xcb_get_property_reply,
                   xcb_get_property(m_connection, 0, window, property, type, 0, 1024));
        if (!answer || answer->type != type || answer->format != 8) continue;
        return {static_cast<const char*>(xcb_get_property_value(answer.get())),
                static_cast<size_t>(xcb_get_property_value_length(answer.get()))};
    }
    return {};
}

bool XWindows::IsViewable(xcb_window_t window) const {
    const auto attributes = Answer(m_connection, xcb_get_window_attributes_reply,
                                   xcb_get_window_attributes(m_connection, window));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

QRect XWindows::Geometry(xcb_window_t window) const {
    const auto geometry =
        Answer(m_connection, xcb_get_geometry_reply, xcb_get_geometry(m_connection, window));
    if (!geometry) return {};
    const auto onRoot = Answer(m_connection, xcb_translate_coordinates_reply,
                               xcb_translate_coordinates(m_connection, window, m_root, 0, 0));
    if (!onRoot) return {};
    return {onRoot->dst_x, onRoot->dst_y, geometry->width, geometry->height};
}

std::optional<pid_t> XWindows::Pid(xcb_window_t window) const {
    const auto answer = Answer(
        m_connection, xcb_get_property_reply,
        xcb_get_property(m_connection, 0, window, Atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1));
    if (!answer || answer->type != XCB_ATOM_CARDINAL || answer->format != 32 ||
        xcb_get_property_value_length(answer.get()) != sizeof(uint32_t))
        return std::nullopt;
    uint32_t pid = 0;
    std::memcpy(&pid, xcb_get_property_value(answer.get()), sizeof(pid));
    return static_cast<pid_t>(pid);
}

std::vector<xcb_window_t> XWindows::ShownTopLevels(std::string_view title) const {
    std::vector<xcb_window_t> shown;
    for (xcb_window_t window : Children(m_root))
        if (Title(window) == title && IsViewable(window)) shown.push_back(window);
    return shown;
}

bool XWindows::HasDescendantOf(xcb_window_t window, pid_t pid) const {
    for (xcb_window_t child : Children(window))
        if (Pid(child) == pid || HasDescendantOf(child, pid)) return true;
    return false;
}

bool XWindows::IsEmbedded(pid_t client, pid_t host) const {
    for (xcb_window_t window : Children(m_root))
        if (Pid(window) == host && HasDescendantOf(window, client)) return true;
    return false;
}

void XWindows::RequestClose(xcb_window_t window) const {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = Atom("WM_PROTOCOLS");
    message.data.data32[0] = Atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    // With no event mask the event goes to the client that made the window, as from a manager.
    xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(m_connection);
}

xcb_pixmap_t XWindows::RootPixmap() const {
    const auto reply = Answer(
        m_connection, xcb_get_property_reply,
        xcb_get_property(m_connection, 0, m_root, Atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP, 0, 1));
    if (!reply || xcb_get_property_value_length(reply.get()) != 4) return XCB_NONE;
    return *static_cast<xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
}

bool XWindows::PixmapExists(xcb_pixmap_t pixmap) const {
    return Answer(m_connection, xcb_get_geometry_reply, xcb_get_geometry(m_connection, pixmap)) !=
           nullptr;
}

QImage XWindows::RootPixels(int width, int height) const {
    const auto reply =
        Answer(m_connection, xcb_get_image_reply,
               xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, 0, 0,
                             static_cast<uint16_t>(width), static_cast<uint16_t>(height), ~0u));
    if (!reply) return {};
    // Depth 24 in 32-bit pixels, least significant byte first: Qt's RGB32 on this machine.
    return QImage(xcb_get_image_data(reply.get()), width, height, QImage::Format_RGB32).copy();
}

xcb_window_t XWindows::InputFocus() const {
    const auto reply =
        Answer(m_connection, xcb_get_input_focus_reply, xcb_get_input_focus(m_connection));
    return reply ? reply->focus : xcb_window_t{XCB_NONE};
}
