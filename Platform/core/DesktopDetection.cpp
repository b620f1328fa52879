#include "DesktopDetection.h"

#include <QStandardPaths>

#include <optional>

namespace {

std::optional<DesktopKind> KindOfName(const QString& name) {
    // Some display managers put the session file's path into DESKTOP_SESSION.
    const QString lower = name.trimmed().section(u'/', -1).toLower();
    struct Known {
        const char* name;
        DesktopKind kind;
    };
    // Names as desktops write them into XDG_CURRENT_DESKTOP and DESKTOP_SESSION.
    static const Known known[] = {
        {"gnome", DesktopKind::Gnome},
        {"gnome-xorg", DesktopKind::Gnome},
        {"gnome-classic", DesktopKind::Gnome},
        {"ubuntu", DesktopKind::Gnome},
        {"unity", DesktopKind::Gnome},
        {"budgie", DesktopKind::Gnome},
        {"budgie-desktop", DesktopKind::Gnome},
        {"pop", DesktopKind::Gnome},
        {"x-cinnamon", DesktopKind::Cinnamon},
        {"cinnamon", DesktopKind::Cinnamon},
        {"mate", DesktopKind::Mate},
        {"xfce", DesktopKind::Xfce},
        {"xubuntu", DesktopKind::Xfce},
        {"kde", DesktopKind::Kde},
        {"plasma", DesktopKind::Kde},
        {"plasmawayland", DesktopKind::Kde},
        {"lxqt", DesktopKind::Lxqt},
        {"sway", DesktopKind::Sway},
        {"hyprland", DesktopKind::Hyprland},
    };
    for (const Known& entry : known)
        if (lower == QLatin1String(entry.name)) return entry.kind;
    return std::nullopt;
}

}  // namespace

DesktopKind DetectDesktop(const QProcessEnvironment& environment) {
    // The first name we know wins: "ubuntu:GNOME" and "Budgie:GNOME" are both GNOME's keys.
    const QStringList current =
        environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(u':', Qt::SkipEmptyParts);
    for (const QString& name : current)
        if (const auto kind = KindOfName(name)) return *kind;
    if (const auto kind = KindOfName(environment.value(QStringLiteral("DESKTOP_SESSION"))))
        return *kind;
    if (!environment.value(QStringLiteral("SWAYSOCK")).isEmpty()) return DesktopKind::Sway;
    if (!environment.value(QStringLiteral("HYPRLAND_INSTANCE_SIGNATURE")).isEmpty())
        return DesktopKind::Hyprland;
    const bool wayland = environment.value(QStringLiteral("XDG_SESSION_TYPE"))
                                 .compare(u"wayland", Qt::CaseInsensitive) == 0 ||
                         environment.contains(QStringLiteral("WAYLAND_DISPLAY"));
    if (wayland) {
        // Without PATH nothing is found, not even what our own PATH would find.
        const QStringList path =
            environment.value(QStringLiteral("PATH")).split(u':', Qt::SkipEmptyParts);
        const bool swaybg =
            !path.isEmpty() &&
            !QStandardPaths::findExecutable(QStringLiteral("swaybg"), path).isEmpty();
        return swaybg ? DesktopKind::WaylandSwaybg : DesktopKind::Unsupported;
    }
    return environment.contains(QStringLiteral("DISPLAY")) ? DesktopKind::X11Root
                                                           : DesktopKind::NoSession;
}
