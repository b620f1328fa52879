#include "EndToEndTest.h"
#include "Screens.h"
#include "XvfbServer.h"

#include <QGuiApplication>
#include <cstdlib>
#include <sstream>

namespace {

// The monitors as Qt's X11 platform finds them on a real server: a desktop of two monitors side
// by side, the primary one on the right, so that neither its place nor its order in the server's
// list makes it the primary one.
class MonitorListTest : public ::testing::Test {
protected:
    MonitorListTest() { setenv("DISPLAY", server.Display().c_str(), 1); }
    ~MonitorListTest() override { unsetenv("DISPLAY"); }

    // Name, geometry in physical and logical pixels, work area, pixel ratio and primary, so that a
    // failure shows the whole monitor.
    static std::vector<std::string> Described(const std::vector<TMonitor>& monitors) {
        std::vector<std::string> texts;
        const auto rect = [](const QRect& r) {
            return std::to_string(r.width()) + "x" + std::to_string(r.height()) + "+" +
                   std::to_string(r.x()) + "+" + std::to_string(r.y());
        };
        for (const TMonitor& monitor : monitors) {
            std::ostringstream text;
            text << monitor.Name.toStdString() << " " << rect(monitor.Geometry) << " work "
                 << rect(monitor.WorkArea) << " logical " << rect(monitor.LogicalGeometry) << " x"
                 << monitor.PixelRatio << (monitor.Primary ? " primary" : "");
            texts.push_back(text.str());
        }
        return texts;
    }

    XvfbServer server{{{"Right", QRect(1920, 0, 1280, 1024)}, {"Left", QRect(0, 0, 1920, 1080)}}};
    int argc = 3;
    char name[10] = "Monitors", option[10] = "-platform", platform[4] = "xcb";
    char* argv[4] = {name, option, platform, nullptr};
};

TEST_F(MonitorListTest, EveryMonitorWithItsGeometryThePrimaryFirst) {
    QGuiApplication application(argc, argv);
    EXPECT_EQ(
        Described(Monitors()),
        (std::vector<std::string>{
            "Right 1280x1024+1920+0 work 1280x1024+1920+0 logical 1280x1024+1920+0 x1 primary",
            "Left 1920x1080+0+0 work 1920x1080+0+0 logical 1920x1080+0+0 x1"}));
}

}  // namespace
