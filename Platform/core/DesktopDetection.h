#pragma once

#include <QProcessEnvironment>

// The desktops whose wallpaper the program knows how to set.
enum class DesktopKind {
    Gnome,  // also Unity and Budgie, which read GNOME's keys
    Cinnamon,
    Mate,
    Xfce,
    Kde,
    Lxqt,
    Sway,
    Hyprland,
    // A Wayland compositor we don't know, with swaybg to show a picture on its outputs: the
    // wlroots compositors (labwc, river, wayfire, niri...) take it.
    WaylandSwaybg,
    X11Root,
    // A Wayland session without swaybg: there the root window is nobody's background.
    Unsupported,
    // Neither X11 nor Wayland: no desktop to show a picture on.
    NoSession,
};

// From XDG_CURRENT_DESKTOP (a ":"-separated list, letter case ignored), else DESKTOP_SESSION,
// else the compositor's own socket (sway and Hyprland set none of the former when started from
// a console), else the kind of session and the tools on PATH.
DesktopKind DetectDesktop(const QProcessEnvironment& environment);
