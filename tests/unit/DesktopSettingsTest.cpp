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
    ASSERT_EQ(SetDesktopWallpaper(DesktopKind::Gnome, {{path}}).reason, "");
    EXPECT_EQ(Get("org.gnome.desktop.background picture-uri"), uri);
    EXPECT_EQ(Get("org.gnome.desktop.background picture-uri-dark"), uri);
    ASSERT_EQ(SetDesktopWallpaper(DesktopKind::Cinnamon, {{path}}).reason, "");
    EXPECT_EQ(Get("org.cinnamon.desktop.background picture-uri"), uri);
    const std::string quoted = "/home/it's \\ here.bmp";
    ASSERT_EQ(SetDesktopWallpaper(DesktopKind::Mate, {{quoted}}).reason, "");
    EXPECT_EQ(Get("org.mate.background picture-filename"), "\"/home/it's \\\\ here.bmp\"");
}

// One picture over two monitors spans them; over one, the user's own choice of options stays.
TEST_F(DesktopSettingsTest, GnomeCinnamonAndMateSpanAPictureOverSeveralMonitors) {
    const std::vector<TOutputPicture> both{{path, {"HDMI-1", "DP-2"}}};
    for (const auto& [kind, schema] :
         {std::pair{DesktopKind::Gnome, "org.gnome.desktop.background"},
          std::pair{DesktopKind::Cinnamon, "org.cinnamon.desktop.background"},
          std::pair{DesktopKind::Mate, "org.mate.background"}}) {
        Output(std::string("gsettings set ") + schema + " picture-options scaled");
        ASSERT_EQ(SetDesktopWallpaper(kind, {{path, {"HDMI-1"}}}).reason, "") << schema;
        EXPECT_EQ(Get(std::string(schema) + " picture-options"), "'scaled'") << schema;
        ASSERT_EQ(SetDesktopWallpaper(kind, both).reason, "") << schema;
        EXPECT_EQ(Get(std::string(schema) + " picture-options"), "'spanned'") << schema;
    }
}

TEST_F(DesktopSettingsTest, ASettingThatDconfCouldNotStoreIsAFailure) {
    // gsettings ends well when dconf cannot reach its service; the value read back is the old one.
    setenv("GSETTINGS_BACKEND", "dconf", 1);
    const char* previous = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    const std::string previousBus = previous != nullptr ? previous : "";
    setenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent", 1);
    const WallpaperResult result = SetDesktopWallpaper(DesktopKind::Mate, {{path}});
    setenv("DBUS_SESSION_BUS_ADDRESS", previousBus.c_str(), 1);
    EXPECT_EQ(result.error, EIO);
    EXPECT_NE(result.reason, "");
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

    // At the first login xfdesktop has written nothing yet: the names it will read are made.
    const std::string query = "xfconf-query -c xfce4-desktop -p /backdrop/screen0/";
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Xfce, {{"/w/first.bmp", {"HDMI-1"}}}).reason, "");
    EXPECT_EQ(Output(query + "monitorHDMI-1/workspace0/last-image"), "/w/first.bmp");
    EXPECT_EQ(Output(query + "monitorscreen/workspace0/last-image"), "/w/first.bmp");

    // Then every picture xfdesktop keeps changes, and nothing else.
    Output(query + "monitoreDP-1/workspace1/last-image -n -t string -s old.png");
    Output(query + "monitoreDP-1/workspace1/image-style -n -t int -s 5");
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Xfce, {{path, {"DP-2"}}}).reason, "");
    for (const char* monitor :
         {"monitorHDMI-1/workspace0", "monitorscreen/workspace0", "monitoreDP-1/workspace1"})
        EXPECT_EQ(Output(query + monitor + "/last-image"), path) << monitor;
    EXPECT_EQ(Output(query + "monitorDP-2/workspace0/last-image 2>/dev/null"), "");
    EXPECT_EQ(Output(query + "monitoreDP-1/workspace1/image-style"), "5");

    // Two monitors, a picture each: a monitor not connected now and "screen" get the primary's.
    EXPECT_EQ(
        SetDesktopWallpaper(DesktopKind::Xfce, {{"/w/a.bmp", {"DP-2"}}, {"/w/b.bmp", {"eDP-1"}}})
            .reason,
        "");
    for (const auto& [monitor, picture] : {std::pair{"monitorHDMI-1/workspace0", "/w/a.bmp"},
                                           std::pair{"monitorscreen/workspace0", "/w/a.bmp"},
                                           std::pair{"monitoreDP-1/workspace1", "/w/b.bmp"}})
        EXPECT_EQ(Output(query + monitor + "/last-image"), picture) << monitor;
    // At the first login, each output's own and "screen" the primary's.
    Output("xfconf-query -c xfce4-desktop -p /backdrop -r -R");
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Xfce,
                                  {{"/w/a.bmp", {"HDMI-1"}}, {"/w/b.bmp", {"DP-2", "DP-3"}}})
                  .reason,
              "");
    for (const auto& [monitor, picture] :
         {std::pair{"monitorHDMI-1", "/w/a.bmp"}, std::pair{"monitorDP-2", "/w/b.bmp"},
          std::pair{"monitorDP-3", "/w/b.bmp"}, std::pair{"monitorscreen", "/w/a.bmp"}})
        EXPECT_EQ(Output(query + monitor + "/workspace0/last-image"), picture) << monitor;

    // xfconfd ends with its bus.
    kill(bus, SIGTERM);
    setenv("DBUS_SESSION_BUS_ADDRESS", previousBus.c_str(), 1);
}

}  // namespace
