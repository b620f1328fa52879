#pragma once

#include <QPoint>
#include <optional>

// Where the mouse cursor is on the screen, when the windowing system tells (Wayland does not
// tell ordinary programs).
std::optional<QPoint> CursorPosition();
