#pragma once

#include "ChildProcess.h"

#include <xcb/xcb.h>
#include <QRect>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A monitor on the server's screen: a RandR monitor of that name over that part of the screen.
struct XvfbMonitor {
    std::string name;
    QRect geometry;
};

// A private X server for one test. Xvfb picks a free display number itself, so that tests can run
// side by side; the server goes with the object.
class XvfbServer {
public:
    explicit XvfbServer(int width = 1024, int height = 768);
    // A screen just large enough for these monitors, the first of them the primary one. Xvfb has
    // a single output; xrandr divides its screen into monitors, which Qt takes for screens.
    explicit XvfbServer(const std::vector<XvfbMonitor>& monitors);
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    // The value for DISPLAY, such as ":3".
    const std::string& Display() const { return m_display; }
    // The test's own connection, to look at windows and at the root window's background.
    xcb_connection_t* Connection() const { return m_connection.get(); }
    xcb_screen_t* Screen() const { return m_screen; }
    xcb_window_t Root() const { return m_screen->root; }

    // A monitor plugged in or unplugged while programs run, which Qt reports as a screen added or
    // removed. It lies within the screen, which keeps its size. The primary monitor holds the
    // server's only output and stays: without it the whole screen would be a monitor again.
    void AddMonitor(const XvfbMonitor& monitor);
    void RemoveMonitor(const std::string& name);
    // The monitor of that name over another part of the screen, in one request as a mode change
    // comes: Qt reports no screen added or removed, and no new geometry either.
    void ResizeMonitor(const XvfbMonitor& monitor);

private:
    // Runs xrandr on the server; throws when it fails.
    void Xrandr(std::vector<std::string> arguments);

    struct Disconnect {
        void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
    };

    std::optional<ChildProcess> m_process;
    std::string m_display;
    std::unique_ptr<xcb_connection_t, Disconnect> m_connection;
    xcb_screen_t* m_screen = nullptr;
};
