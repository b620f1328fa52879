#include "DesktopDetection.h"
#include "Error.h"
#include "File.h"
#include "TestSupport.h"
#include "Utilities.h"
#include "WallpaperSetters.h"

#include <QTimeZone>
#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;

namespace {

TEST(DesktopDetectionTest, TheFirstKnownDesktopNameWins) {
    struct Case {
        const char* current;
        const char* session;
        const char* type;
        bool display;
        DesktopKind kind;
    };
    const Case cases[] = {
        {"GNOME", "", "wayland", false, DesktopKind::Gnome},
        {"ubuntu:GNOME", "", "x11", true, DesktopKind::Gnome},
        {"Budgie:GNOME", "", "", true, DesktopKind::Gnome},
        {"Unity", "", "", true, DesktopKind::Gnome},
        {"X-Cinnamon", "", "", true, DesktopKind::Cinnamon},
        {"MATE", "", "", true, DesktopKind::Mate},
        {"XFCE", "", "", true, DesktopKind::Xfce},
        {"KDE", "", "wayland", false, DesktopKind::Kde},
        {"LXQt", "", "", true, DesktopKind::Lxqt},
        {"sway", "", "wayland", false, DesktopKind::Sway},
        {"Hyprland", "", "wayland", false, DesktopKind::Hyprland},
        {"", "/usr/share/xsessions/plasma", "", true, DesktopKind::Kde},
        {"", "xfce", "", true, DesktopKind::Xfce},
        {"i3", "i3", "x11", true, DesktopKind::X11Root},
        {"", "", "", true, DesktopKind::X11Root},
        {"niri", "", "wayland", true, DesktopKind::Unsupported},
        {"", "", "", false, DesktopKind::Unsupported},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.current) + "/" + c.session);
        QProcessEnvironment environment;
        if (*c.current) environment.insert("XDG_CURRENT_DESKTOP", c.current);
        if (*c.session) environment.insert("DESKTOP_SESSION", c.session);
        if (*c.type) environment.insert("XDG_SESSION_TYPE", c.type);
        if (c.display) environment.insert("DISPLAY", ":0");
        EXPECT_EQ(DetectDesktop(environment), c.kind);
    }
}

TEST(WallpaperSetterTest, EachDesktopGetsItsOwnKeysAndTools) {
    ScopedDesktopTools tools;
    const std::string path = "/home/u s/.local/share/Tapestrel/W-1.bmp";
    const QString uri = "file:///home/u%20s/.local/share/Tapestrel/W-1.bmp";
    const QString file = QString::fromStdString(path);
    struct Case {
        DesktopKind kind;
        QStringList calls;
    };
    const Case cases[] = {
        {DesktopKind::Cinnamon,
         {"gsettings|set|org.cinnamon.desktop.background|picture-uri|" + uri}},
        {DesktopKind::Mate, {"gsettings|set|org.mate.background|picture-filename|" + file}},
        {DesktopKind::Lxqt, {"pcmanfm-qt|--set-wallpaper|" + file}},
        {DesktopKind::Sway, {"swaymsg|output * bg \"" + file + "\" fill"}},
        {DesktopKind::Hyprland,
         {"hyprctl|hyprpaper|preload|" + file, "hyprctl|hyprpaper|wallpaper|," + file,
          "hyprctl|hyprpaper|unload|unused"}},
    };
    for (const Case& c : cases) {
        tools->calls.clear();
        EXPECT_EQ(SetDesktopWallpaper(c.kind, path), 0);
        EXPECT_EQ(tools->calls, c.calls);
    }
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Unsupported, path), ENOTSUP);
}

TEST(WallpaperSetterTest, GnomeSetsTheDarkStyleWhereItHasOne) {
    ScopedDesktopTools tools;
    const QString uri = "file:///w/W-%FF.bmp";
    tools->answers["gsettings"] = {0, "color-shading-type\npicture-uri\npicture-uri-dark\n"};
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Gnome, "/w/W-\xff.bmp"), 0);
    EXPECT_EQ(tools->calls,
              QStringList({"gsettings|set|org.gnome.desktop.background|picture-uri|" + uri,
                           "gsettings|list-keys|org.gnome.desktop.background",
                           "gsettings|set|org.gnome.desktop.background|picture-uri-dark|" + uri}));

    tools->calls.clear();
    tools->answers["gsettings"] = {0, "picture-uri\n"};
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Gnome, "/w/a.bmp"), 0);
    EXPECT_EQ(tools->calls.size(), 2);

    tools->answers["gsettings"] = {ENOENT, {}};
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Gnome, "/w/a.bmp"), ENOENT);
}

TEST(WallpaperSetterTest, XfceSetsEveryMonitorAndWorkspace) {
    ScopedDesktopTools tools;
    tools->answers["xfconf-query"] = {0,
                                      "/backdrop/screen0/monitorHDMI-1/workspace0/last-image\n"
                                      "/backdrop/screen0/monitorHDMI-1/workspace0/image-style\n"
                                      "/backdrop/screen0/monitoreDP-1/workspace1/last-image\n"};
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Xfce, "/w/a.bmp"), 0);
    EXPECT_EQ(tools->calls,
              QStringList({"xfconf-query|-c|xfce4-desktop|-l",
                           "xfconf-query|-c|xfce4-desktop|-p|/backdrop/screen0/monitorHDMI-1/"
                           "workspace0/last-image|-s|/w/a.bmp",
                           "xfconf-query|-c|xfce4-desktop|-p|/backdrop/screen0/monitoreDP-1/"
                           "workspace1/last-image|-s|/w/a.bmp"}));

    tools->calls.clear();
    tools->answers["xfconf-query"] = {0, ""};
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Xfce, "/w/a.bmp"), 0);
    EXPECT_EQ(tools->calls.back(),
              "xfconf-query|-c|xfce4-desktop|-p|/backdrop/screen0/monitor0/"
              "workspace0/last-image|-n|-t|string|-s|/w/a.bmp");
}

TEST(WallpaperSetterTest, PlasmaRunsAScriptForEveryDesktop) {
    ScopedDesktopTools tools;
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Kde, "/w/it's.bmp"), 0);
    ASSERT_EQ(tools->calls.size(), 1);
    EXPECT_TRUE(tools->calls[0].startsWith(
        "org.kde.plasmashell|/PlasmaShell|org.kde.PlasmaShell|evaluateScript|var all = "));
    EXPECT_TRUE(tools->calls[0].contains("d.writeConfig('Image', 'file:///w/it\\'s.bmp');"));
}

// The file names a directory holds, sorted.
std::vector<std::string> NamesIn(const std::string& directory) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(directory))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(WallpaperSetterTest, EveryInstallationHandsOutANewNameAndKeepsTwo) {
    SandBox sandbox;
    ScopedDesktopTools tools;
    // 1 765 146 605 007 milliseconds since 1970: where the counter starts in an empty folder.
    ScopedClock clock(QDateTime(QDate(2025, 12, 7), QTime(22, 30, 5, 7), QTimeZone::utc()));
    setenv("XDG_CURRENT_DESKTOP", "MATE", 1);
    const std::string directory = GetTempPath();
    std::ofstream(directory + "Tapestrel_Wallpaper.bmp") << "BM pixels";
    std::ofstream(directory + "Tapestrel_Wallpaper-other.bmp") << "not ours";

    for (int i = 0; i < 2; ++i) SetFileAsWallpaper("Tapestrel_Wallpaper.bmp");
    // The clock goes back an hour: the newest name must still count as the newest.
    clock->now = clock->now.addSecs(-3600);
    SetFileAsWallpaper("Tapestrel_Wallpaper.bmp");
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    ASSERT_EQ(tools->calls.size(), 3);
    EXPECT_TRUE(tools->calls[2].endsWith("/Tapestrel_Wallpaper-0001765146605009.bmp"));
    EXPECT_EQ(NamesIn(directory), (std::vector<std::string>{
                                      "Tapestrel_Wallpaper-0001765146605008.bmp",
                                      "Tapestrel_Wallpaper-0001765146605009.bmp",
                                      "Tapestrel_Wallpaper-other.bmp", "Tapestrel_Wallpaper.bmp"}));
    EXPECT_EQ(ReadWholeFile(directory + "Tapestrel_Wallpaper-0001765146605009.bmp"), "BM pixels");

    // A refusal takes back only the name it refused.
    tools->answers["gsettings"] = {EIO, {}};
    const std::vector<std::string> before = NamesIn(directory);
    SetFileAsWallpaper(directory + "Tapestrel_Wallpaper.bmp");
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Function, "SetFileAsWallpaper");
    EXPECT_EQ(FunStatContext.Description, "Failed to set wallpaper.");
    EXPECT_EQ(FunStatContext.Parameter1, directory + "Tapestrel_Wallpaper.bmp");
    EXPECT_EQ(FunStatContext.Parameter2, directory + "Tapestrel_Wallpaper-0001765146605010.bmp");
    EXPECT_EQ(FunStatContext.SystemErrorCode, EIO);
    EXPECT_EQ(NamesIn(directory), before);

    SetFileAsWallpaper(directory + "missing.bmp");
    EXPECT_EQ(FunStatContext.SystemErrorCode, ENOENT);
}

}  // namespace
