#pragma once

#include <QIcon>
#include <QImage>

// The sizes the icon is drawn in, for the windows and the tray as for the desktop's icon theme.
constexpr int ProgramIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// The program's icon, for its windows and the tray: a landscape with a small calendar on it.
QIcon ProgramIcon();
// The icon at size × size pixels: the one drawing behind ProgramIcon and the package's icon files.
QImage PaintProgramIcon(int size);
