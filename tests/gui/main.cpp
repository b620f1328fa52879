#include "Application.h"
#include "ErrorForm.h"
#include "Program.h"
#include "StatusViewer.h"

#include <gtest/gtest.h>

// Window tests run on Qt's offscreen platform, inside the program's own application object.
int main(int argc, char** argv) {
    // Also when the binary runs by hand or to list its tests, not only under CTest.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Program.SetCommandLine(argc, argv);
    TApplication application(argc, argv);
    SetStatusViewer(&ErrorWindowViewer());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
