#pragma once

#include <sys/types.h>
#include <xcb/xcb.h>
#include <QImage>
#include <QRect>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What tests ask an X server about windows. Without a window manager the programs' top-level
// windows are the root's children; a tray reparents the icons it embeds into its own window.
// A window that vanishes while it is looked at counts as untitled, unmapped and ownerless.
class XWindows {
public:
    XWindows(xcb_connection_t* connection, xcb_window_t root)
        : m_connection(connection), m_root(root) {}

    xcb_window_t Root() const { return m_root; }
    std::vector<xcb_window_t> Children(xcb_window_t window) const;
    std::string Title(xcb_window_t window) const;
    bool IsViewable(xcb_window_t window) const;
    // Where the window is on the screen; empty when it is gone.
    QRect Geometry(xcb_window_t window) const;
    // _NET_WM_PID, which Qt and GTK set on their top-level windows.
    std::optional<pid_t> Pid(xcb_window_t window) const;

    // Top-level windows with this exact title that the user can see.
    std::vector<xcb_window_t> ShownTopLevels(std::string_view title) const;
    // Whether a window of process client sits anywhere inside a top-level window of process host.
    bool IsEmbedded(pid_t client, pid_t host) const;
    // The window that keys typed now go to.
    xcb_window_t InputFocus() const;
    // What a window manager sends when the user clicks the title bar's close box.
    void RequestClose(xcb_window_t window) const;

    // The wallpaper without a desktop: the root's background pixmap as _XROOTPMAP_ID names it,
    // and what the root window shows where no window covers it.
    xcb_pixmap_t RootPixmap() const;
    bool PixmapExists(xcb_pixmap_t pixmap) const;
    QImage RootPixels(int width, int height) const;

private:
    xcb_atom_t Atom(std::string_view name) const;
    bool HasDescendantOf(xcb_window_t window, pid_t pid) const;

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
};
