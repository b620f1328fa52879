#pragma once

#include <QRect>
#include <QStringList>

// The primary screen in physical pixels (its device pixel ratio applied), so that a wallpaper
// made for it is sharp on high-density screens. Empty without a screen.
QRect PrimaryScreenGeometry();
// The part of the primary screen that panels and docks leave free.
QRect PrimaryWorkArea();
// Physical pixels per logical pixel of the primary screen; 1 without a screen.
double PrimaryScreenPixelRatio();
// The names of the connected monitors (X11's RandR outputs, Wayland's outputs), the primary
// first; none without a screen.
QStringList ScreenNames();
