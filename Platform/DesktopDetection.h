#pragma once

#include <QProcessEnvironment>

// The desktops whose wallpaper the program knows how to set. Unsupported is a Wayland session
// of a desktop we don't know: there the root window is nobody's background.
enum class DesktopKind {
    Gnome,  // also Unity and Budgie, which read GNOME's keys
    Cinnamon,
    Mate,
    Xfce,
    Kde,
    Lxqt,
    Sway,
    Hyprland,
    X11Root,
    Unsupported,
};

// From XDG_CURRENT_DESKTOP (a ":"-separated list, letter case ignored), else DESKTOP_SESSION,
// else the kind of session.
DesktopKind DetectDesktop(const QProcessEnvironment& environment);
