#pragma once

#include "DesktopDetection.h"

#include <QStringList>

#include <string>

struct WallpaperResult {
    int error = 0;       // 0 when the desktop took the picture, else an errno code
    std::string reason;  // why it did not, in words, where there are any
};

// Makes the picture file the wallpaper of the desktop of that kind. outputs: the names of the
// connected monitors, for desktops that keep a picture for each. Desktops keep a wallpaper by
// its file name, so a changed picture must come under a new name to be shown.
WallpaperResult SetDesktopWallpaper(DesktopKind kind, const std::string& path,
                                    const QStringList& outputs);
