#pragma once

#include "Error.h"
#include "MainDialog.h"
#include "Program.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QImage>
#include <cstdlib>

// The main window on the offscreen screen, in a sandbox, with its message boxes and tray faked
// and the desktop's tools recorded (a sway session, whose wallpaper setter is one swaymsg
// call). It composes whenever it is asked.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        SetProgramCommandLine({"Tapestrel"});
        setenv("XDG_CURRENT_DESKTOP", "sway", 1);
        form.SuppressComposition = false;
        FunStatContext.Reset(fsPerfect);
    }

    // Makes a plain picture of that size the current one, so that compositions have one.
    void UsePicture(QSize size = QSize(64, 48)) {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::gray);
        form.CurrentFileTitle = (sandbox.Root() / "p.png").string();
        EXPECT_TRUE(picture.save(QString::fromStdString(form.CurrentFileTitle)));
    }

    SandBox sandbox;
    ScopedMessageBoxes boxes;
    ScopedTrayHost tray;
    ScopedDesktopTools tools;
    TMainForm form;
};
