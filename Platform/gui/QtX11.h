#pragma once

#include <QCoreApplication>
#include <QGuiApplication>

#include <xcb/xcb.h>

// The X11 connection Qt draws through; null when the program has no X11 display (Wayland,
// offscreen, or no graphical application at all).
inline xcb_connection_t* QtX11Connection() {
    auto* application = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    auto* x11 = application == nullptr
                    ? nullptr
                    : application->nativeInterface<QNativeInterface::QX11Application>();
    return x11 == nullptr ? nullptr : x11->connection();
}
