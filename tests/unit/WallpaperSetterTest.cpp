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

TEST(DesktopDetectionTest, TheFirstKnownDesktopNameWinsThenTheSessionsOwnSockets) {
    SandBox sandbox;
    // A folder with swaybg in it, for PATH.
    const std::string tools = (sandbox.Root() / "bin").string();
    fs::create_directories(tools);
    std::ofstream(tools + "/swaybg") << "#!/bin/sh\n";
    fs::permissions(tools + "/swaybg", fs::perms::owner_all);
    struct Case {
        // NAME=value pairs, separated by ";"
        std::string environment;
        DesktopKind kind;
    };
    const Case cases[] = {
        {"XDG_CURRENT_DESKTOP=GNOME;XDG_SESSION_TYPE=wayland", DesktopKind::Gnome},
        {"XDG_CURRENT_DESKTOP=ubuntu:GNOME;DISPLAY=:0", DesktopKind::Gnome},
        {"XDG_CURRENT_DESKTOP=Budgie:GNOME;DISPLAY=:0", DesktopKind::Gnome},
        {"XDG_CURRENT_DESKTOP=Unity;DISPLAY=:0", DesktopKind::Gnome},
        {"XDG_CURRENT_DESKTOP=X-Cinnamon;DISPLAY=:0", DesktopKind::Cinnamon},
        {"XDG_CURRENT_DESKTOP=MATE;DISPLAY=:0", DesktopKind::Mate},
        {"XDG_CURRENT_DESKTOP=XFCE;DISPLAY=:0", DesktopKind::Xfce},
        {"XDG_CURRENT_DESKTOP=KDE;XDG_SESSION_TYPE=wayland", DesktopKind::Kde},
        {"XDG_CURRENT_DESKTOP=LXQt;DISPLAY=:0", DesktopKind::Lxqt},
        {"XDG_CURRENT_DESKTOP=sway;XDG_SESSION_TYPE=wayland", DesktopKind::Sway},
        {"XDG_CURRENT_DESKTOP=Hyprland;XDG_SESSION_TYPE=wayland", DesktopKind::Hyprland},
        {"DESKTOP_SESSION=/usr/share/xsessions/plasma;DISPLAY=:0", DesktopKind::Kde},
        {"DESKTOP_SESSION=xfce;DISPLAY=:0", DesktopKind::Xfce},
        // sway and Hyprland started from a console name no desktop, only their sockets.
        {"SWAYSOCK=/run/user/1000/sway-ipc.sock;WAYLAND_DISPLAY=wayland-1;PATH=" + tools,
         DesktopKind::Sway},
        {"HYPRLAND_INSTANCE_SIGNATURE=v0.40_1;WAYLAND_DISPLAY=wayland-1", DesktopKind::Hyprland},
        {"XDG_CURRENT_DESKTOP=LXQt;SWAYSOCK=/run/sway.sock", DesktopKind::Lxqt},
        {"XDG_CURRENT_DESKTOP=i3;DESKTOP_SESSION=i3;XDG_SESSION_TYPE=x11;DISPLAY=:0",
         DesktopKind::X11Root},
        {"DISPLAY=:0", DesktopKind::X11Root},
        {"XDG_CURRENT_DESKTOP=niri;WAYLAND_DISPLAY=wayland-1;DISPLAY=:0;PATH=/usr/games:" + tools,
         DesktopKind::WaylandSwaybg},
        {"XDG_CURRENT_DESKTOP=niri;WAYLAND_DISPLAY=wayland-1;DISPLAY=:0;PATH=/usr/games",
         DesktopKind::Unsupported},
        {"XDG_SESSION_TYPE=wayland", DesktopKind::Unsupported},
        {"", DesktopKind::NoSession},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.environment);
        QProcessEnvironment environment;
        for (const QString& pair :
             QString::fromStdString(c.environment).split(u';', Qt::SkipEmptyParts))
            environment.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        EXPECT_EQ(DetectDesktop(environment), c.kind);
    }
}

TEST(WallpaperSetterTest, EachDesktopGetsItsOwnToolsOrAReasonWhyNot) {
    ScopedDesktopTools tools;
    const std::string path = "/home/u s/.local/share/Tapestrel/W-1.bmp";
    const QString file = QString::fromStdString(path);
    struct Case {
        DesktopKind kind;
        QStringList calls;
        std::string reason;
    };
    const Case cases[] = {
        {DesktopKind::Lxqt,
         {"org.pcmanfm.PCManFM|/Application|org.freedesktop.DBus.Properties|Get|"
          "org.pcmanfm.Application|desktopManagerEnabled",
          "pcmanfm-qt|--set-wallpaper|" + file + "|--wallpaper-mode|stretch"},
         ""},
        {DesktopKind::Sway, {"swaymsg|output * bg \"" + file + "\" fill"}, ""},
        {DesktopKind::Hyprland,
         {"hyprctl|hyprpaper|preload|" + file, "hyprctl|hyprpaper|wallpaper|," + file,
          "hyprctl|hyprpaper|unload|unused"},
         ""},
        {DesktopKind::WaylandSwaybg,
         {"keep|swaybg|-o|*|-i|" + file + "|-m|fill|/home/u s/.local/share/Tapestrel"},
         ""},
        {DesktopKind::Unsupported,
         {},
         "no wallpaper tool for this Wayland session; install swaybg"},
        {DesktopKind::NoSession,
         {},
         "no desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set"},
    };
    tools->answers["org.pcmanfm.PCManFM"] = {0, "true", {}};
    for (const Case& c : cases) {
        tools->calls.clear();
        const WallpaperResult result = SetDesktopWallpaper(c.kind, {{path}});
        EXPECT_EQ(result.error, c.reason.empty() ? 0 : ENOTSUP);
        EXPECT_EQ(result.reason, c.reason);
        EXPECT_EQ(tools->calls, c.calls);
    }

    // LXQt on Wayland without pcmanfm-qt's desktop has no root window to fall back on.
    SandBox sandbox;
    setenv("WAYLAND_DISPLAY", "wayland-1", 1);
    tools->answers["org.pcmanfm.PCManFM"] = {0, "false", {}};
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Lxqt, {{path}}).reason,
              "pcmanfm-qt shows no desktop (start it with --desktop)");
}

TEST(WallpaperSetterTest, GnomeSetsTheDarkStyleWhereItHasOne) {
    ScopedDesktopTools tools;
    const QString uri = "file:///w/W-%FF.bmp";
    tools->answers["gsettings|get"] = {0, "'" + uri + "'\n", {}};
    tools->answers["gsettings|list-keys"] = {
        0, "color-shading-type\npicture-uri\npicture-uri-dark\n", {}};
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Gnome, {{"/w/W-\xff.bmp"}}).error, 0);
    const QString key = "org.gnome.desktop.background|picture-uri";
    EXPECT_EQ(tools->calls, QStringList({"gsettings|set|" + key + "|" + uri, "gsettings|get|" + key,
                                         "gsettings|list-keys|org.gnome.desktop.background",
                                         "gsettings|set|" + key + "-dark|" + uri,
                                         "gsettings|get|" + key + "-dark"}));

    tools->calls.clear();
    tools->answers["gsettings|list-keys"] = {0, "picture-uri\n", {}};
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Gnome, {{"/w/W-\xff.bmp"}}).error, 0);
    EXPECT_EQ(tools->calls.size(), 3);

    tools->answers["gsettings"] = {ENOENT, {}, "gsettings was not found; is it installed?"};
    const WallpaperResult missing = SetDesktopWallpaper(DesktopKind::Gnome, {{"/w/a.bmp"}});
    EXPECT_EQ(missing.error, ENOENT);
    EXPECT_EQ(missing.reason, "gsettings was not found; is it installed?");
}

// A tool that ends well is believed only once the setting reads back as set.
TEST(WallpaperSetterTest, ASettingThatDoesNotReadBackFailsInTheToolsOwnWords) {
    ScopedDesktopTools tools;
    struct Case {
        DesktopKind kind;
        QMap<QString, DesktopTools::Outcome> answers;
        std::string reason;
    };
    const Case cases[] = {
        {DesktopKind::Mate,
         {{"gsettings|set", {0, {}, "gsettings: failed to commit changes to dconf: no bus"}},
          {"gsettings|get", {0, "'/old.png'\n", {}}}},
         "gsettings: failed to commit changes to dconf: no bus"},
        {DesktopKind::Cinnamon,
         {{"gsettings|get", {0, "'file:///old.png'\n", {}}}},
         "gsettings kept 'file:///old.png' as picture-uri of org.cinnamon.desktop.background"},
        {DesktopKind::Mate, {{"gsettings|get", {0, "\"/w/it's.bmp\"\n", {}}}}, ""},
        {DesktopKind::Xfce,
         {{"xfconf-query|-c|xfce4-desktop|-l",
           {0, "/backdrop/screen0/monitorscreen/workspace0/last-image\n", {}}},
          {"xfconf-query|-c|xfce4-desktop|-p", {0, "/old.png\n", {}}}},
         "xfconf kept /old.png as /backdrop/screen0/monitorscreen/workspace0/last-image"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reason);
        tools->answers = c.answers;
        const WallpaperResult result = SetDesktopWallpaper(c.kind, {{"/w/it's.bmp"}});
        EXPECT_EQ(result.error, c.reason.empty() ? 0 : EIO);
        EXPECT_EQ(result.reason, c.reason);
    }
}

TEST(WallpaperSetterTest, PlasmaRunsAScriptForEveryDesktopThatReadsThePictureBack) {
    ScopedDesktopTools tools;
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Kde, {{"/w/it's.bmp"}}).error, 0);
    ASSERT_EQ(tools->calls.size(), 1);
    EXPECT_TRUE(tools->calls[0].startsWith(
        "org.kde.plasmashell|/PlasmaShell|org.kde.PlasmaShell|evaluateScript|var all = "));
    EXPECT_TRUE(
        tools->calls[0].contains("d.writeConfig('Image', 'file:///w/it\\'s.bmp');"
                                 "if (d.readConfig('Image') != 'file:///w/it\\'s.bmp') "
                                 "throw "));
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
    setenv("XDG_CURRENT_DESKTOP", "LXQt", 1);
    tools->answers["org.pcmanfm.PCManFM"] = {0, "true", {}};
    const std::string directory = GetTempPath();
    std::ofstream(directory + "Tapestrel_Wallpaper.bmp") << "BM pixels";
    std::ofstream(directory + "Tapestrel_Wallpaper-other.bmp") << "not ours";

    for (int i = 0; i < 2; ++i) SetFileAsWallpaper("Tapestrel_Wallpaper.bmp");
    // The clock goes back an hour: the newest name must still count as the newest.
    clock->now = clock->now.addSecs(-3600);
    SetFileAsWallpaper("Tapestrel_Wallpaper.bmp");
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    ASSERT_EQ(tools->calls.size(), 6);
    EXPECT_TRUE(tools->calls[5].contains("/Tapestrel_Wallpaper-0001765146605009.bmp|"));
    EXPECT_EQ(NamesIn(directory), (std::vector<std::string>{
                                      "Tapestrel_Wallpaper-0001765146605008.bmp",
                                      "Tapestrel_Wallpaper-0001765146605009.bmp",
                                      "Tapestrel_Wallpaper-other.bmp", "Tapestrel_Wallpaper.bmp"}));
    EXPECT_EQ(ReadWholeFile(directory + "Tapestrel_Wallpaper-0001765146605009.bmp"), "BM pixels");

    // A refusal takes back only the name it refused.
    tools->answers["pcmanfm-qt"] = {EIO, {}, "pcmanfm-qt ended with exit code 1"};
    const std::vector<std::string> before = NamesIn(directory);
    SetFileAsWallpaper(directory + "Tapestrel_Wallpaper.bmp");
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Function, "SetFileAsWallpaper");
    EXPECT_EQ(FunStatContext.Description, "Failed to set wallpaper.");
    EXPECT_EQ(FunStatContext.Parameter1, directory + "Tapestrel_Wallpaper.bmp");
    EXPECT_EQ(FunStatContext.Parameter2, "pcmanfm-qt ended with exit code 1");
    EXPECT_EQ(FunStatContext.SystemErrorCode, EIO);
    EXPECT_EQ(NamesIn(directory), before);

    SetFileAsWallpaper(directory + "missing.bmp");
    EXPECT_EQ(FunStatContext.SystemErrorCode, ENOENT);
}

}  // namespace
