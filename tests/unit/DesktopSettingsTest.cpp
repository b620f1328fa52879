#include "TestSupport.h"
#include "WallpaperSetters.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

// What a command prints, without the line end.
std::string Output(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[512];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
        pclose(pipe);
    }
    while (!output.empty() && output.back() == '\n') output.pop_back();
    return output;
}

// The setters against the desktops' own settings tools and schemas, their settings kept in the
// sandbox: keys and values that a desktop would not take fail here.
class DesktopSettingsTest : public ::testing::Test {
protected:
    DesktopSettingsTest() { setenv("GSETTINGS_BACKEND", "keyfile", 1); }
    ~DesktopSettingsTest() override { unsetenv("GSETTINGS_BACKEND"); }

    static std::string Get(const std::string& schemaAndKey) {
        return Output("gsettings get " + schemaAndKey);
    }

    SandBox sandbox;
    const std::string path = "/home/u s/.local/share/Tapestrel/Tapestrel_Wallpaper-1.bmp";
    const std::string uri = "'file:///home/u%20s/.local/share/Tapestrel/Tapestrel_Wallpaper-1.bmp'";
};

TEST_F(DesktopSettingsTest, GnomeCinnamonAndMateTakeTheFile) {
    ASSERT_EQ(SetDesktopWallpaper(DesktopKind::Gnome, path), 0);
    EXPECT_EQ(Get("org.gnome.desktop.background picture-uri"), uri);
    EXPECT_EQ(Get("org.gnome.desktop.background picture-uri-dark"), uri);
    ASSERT_EQ(SetDesktopWallpaper(DesktopKind::Cinnamon, path), 0);
    EXPECT_EQ(Get("org.cinnamon.desktop.background picture-uri"), uri);
    ASSERT_EQ(SetDesktopWallpaper(DesktopKind::Mate, path), 0);
    EXPECT_EQ(Get("org.mate.background picture-filename"), "'" + path + "'");
}

TEST_F(DesktopSettingsTest, XfceTakesTheFileOnEveryMonitorAndWorkspace) {
    // xfconf keeps its settings in a daemon on the session bus: a private one here.
    const std::string started = Output(
        "dbus-daemon --session --fork --print-address=1 "
        "--print-pid=1");
    const size_t lineEnd = started.find('\n');
    ASSERT_NE(lineEnd, std::string::npos) << started;
    const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string previousBus = previous != nullptr ? previous : "";
    setenv("DBUS_SESSION_BUS_ADDRESS", started.substr(0, lineEnd).c_str(), 1);
    const pid_t bus = std::stoi(started.substr(lineEnd + 1));

    const std::string query = "xfconf-query -c xfce4-desktop -p /backdrop/screen0/";
    for (const char* monitor : {"monitorHDMI-1/workspace0", "monitoreDP-1/workspace1"})
        Output(query + monitor + "/last-image -n -t string -s old.png");
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Xfce, path), 0);
    EXPECT_EQ(Output(query + "monitorHDMI-1/workspace0/last-image"), path);
    EXPECT_EQ(Output(query + "monitoreDP-1/workspace1/last-image"), path);

    // xfconfd ends with its bus.
    kill(bus, SIGTERM);
    setenv("DBUS_SESSION_BUS_ADDRESS", previousBus.c_str(), 1);
}

}  // namespace
