#pragma once

#include "DesktopDetection.h"

#include <string>

// Makes the picture file the wallpaper of the desktop of that kind: 0, or an errno code when
// the desktop refused it or its tool is missing. Desktops keep a wallpaper by its file name, so
// a changed picture must come under a new name to be shown.
int SetDesktopWallpaper(DesktopKind kind, const std::string& path);
