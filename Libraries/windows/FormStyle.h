#pragma once

#include <QFont>
#include <QWidget>

// The program's windows are laid out in pixels for Arial at 12 pixels; fontconfig maps Arial to a
// metric-compatible face (Liberation Sans) on Linux.
inline QFont FormFont(int pixelSize = 12) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixelSize);
    return font;
}

// A window of fixed size with only the close box, as all of the program's windows are.
inline void MakeFixedWindow(QWidget& window) {
    window.setFont(FormFont());
    window.setFixedSize(window.size());
    const Qt::WindowFlags type = window.windowFlags() & Qt::WindowType_Mask;
    window.setWindowFlags(type | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                          Qt::MSWindowsFixedSizeDialogHint);
}
