#pragma once

#include "DesktopDetection.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QStringList>

#include <string>
#include <vector>

struct WallpaperResult {
    int error = 0;       // 0 when the desktop took the picture, else an errno code
    std::string reason;  // why it did not, in words, where there are any
};

// One composed picture and the monitors that show it.
struct TOutputPicture {
    std::string Path;
    QStringList Outputs = {};      // the monitors' names (X11's RandR outputs, Wayland's outputs)
    QList<QRect> Geometries = {};  // each output's place, as the session's own tools count
    // The picture itself where the caller still holds it: what shows pixels rather than a file
    // (the root window) takes them instead of reading the file back.
    QImage Pixels = {};
};

// Whether the desktop keeps a picture for each output; else it takes one picture for the whole
// desktop.
bool KeepsPicturePerOutput(DesktopKind kind);
// Whether the desktop shows the pixels it is given and reads no file (the X11 root window).
bool ShowsPixelsOnly(DesktopKind kind);

// Makes the picture files the wallpaper of the desktop of that kind: for a desktop that keeps a
// picture for each output, one for each group of outputs, the primary's first; else one for the
// whole desktop, naming every output (more than one: the desktop spans it over them all).
// Desktops keep a wallpaper by its file name, so a changed picture must come under a new name to
// be shown.
WallpaperResult SetDesktopWallpaper(DesktopKind kind, const std::vector<TOutputPicture>& pictures);
