#include "ErrorForm.h"
#include "StatusViewer.h"

#include <gtest/gtest.h>
#include <QCoreApplication>

// Unit tests need no display, but some run Qt's event loop. Reports go where the program sends
// them, to message boxes the tests catch while no error window exists.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    SetStatusViewer(&ErrorWindowViewer());
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
