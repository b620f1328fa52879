#include <gtest/gtest.h>
#include <QCoreApplication>

// Unit tests need no display, but some run Qt's event loop.
int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
