// Writes the program's icon as the PNG files of the hicolor icon theme, so that the desktop's menu
// shows the same drawing as the program's windows.
#include "ProgramIcon.h"

#include <QDir>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <hicolor directory>\n", argv[0]);
        return 2;
    }
    const QString theme = QString::fromLocal8Bit(argv[1]);
    for (const int size : ProgramIconSizes) {
        const QString apps = theme + QString("/%1x%1/apps").arg(size);
        if (!QDir().mkpath(apps) || !PaintProgramIcon(size).save(apps + "/Tapestrel.png")) {
            std::fprintf(stderr, "cannot write the %dx%d icon in %s\n", size, size, argv[1]);
            return 1;
        }
    }
    return 0;
}
