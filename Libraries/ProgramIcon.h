#pragma once

#include <QIcon>

// The program's icon, for its windows and the tray: a landscape with a small calendar on it.
QIcon ProgramIcon();
