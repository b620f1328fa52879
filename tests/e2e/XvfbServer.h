#pragma once

#include "ChildProcess.h"

#include <xcb/xcb.h>
#include <memory>
#include <optional>
#include <string>

// A private X server for one test. Xvfb picks a free display number itself, so that tests can run
// side by side; the server goes with the object.
class XvfbServer {
public:
    explicit XvfbServer(int width = 1024, int height = 768);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // The value for DISPLAY, such as ":3".
    const std::string& Display() const { return m_display; }
    // The test's own connection, to look at windows and at the root window's background.
    xcb_connection_t* Connection() const { return m_connection.get(); }
    xcb_screen_t* Screen() const { return m_screen; }
    xcb_window_t Root() const { return m_screen->root; }

private:
    struct Disconnect {
        void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
    };

    std::optional<ChildProcess> m_process;
    std::string m_display;
    std::unique_ptr<xcb_connection_t, Disconnect> m_connection;
    xcb_screen_t* m_screen = nullptr;
};
