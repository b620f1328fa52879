#include <QApplication>
#include <cstdlib>

// The readers of the options fill widgets, so every target runs inside an application object, on
// Qt's offscreen platform unless told otherwise. libFuzzer's own arguments are kept from Qt.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "tapestrel-fuzz";
    static char* argv[] = {name, nullptr};
    static QApplication application(argc, argv);
    return 0;
}
