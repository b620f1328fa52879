#include "DesktopDetection.h"
#include "Error.h"
#include "File.h"
#include "TestSupport.h"
#include "Utilities.h"
#include "WallpaperSetters.h"

#include <QRegularExpression>
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

// Two monitors side by side, HDMI-1 the primary: a picture of its own for each, or one over both.
TEST(WallpaperSetterTest, EachMonitorGetsItsOwnPictureOrOneSpannedOverAll) {
    ScopedDesktopTools tools;
    const QRect left(0, 0, 1920, 1080);
    const QRect right(1920, 0, 1280, 1024);
    const std::vector<TOutputPicture> own{{"/w/a.bmp", {"HDMI-1"}, {left}},
                                          {"/w/b b.bmp", {"DP-2"}, {right}}};
    const std::vector<TOutputPicture> whole{{"/w/all.bmp", {"HDMI-1", "DP-2"}, {left, right}}};
    const std::vector<TOutputPicture> one{{"/w/all.bmp", {"HDMI-1"}, {left}}};
    const QString gnome = "gsettings|set|org.gnome.desktop.background|";
    const QString cinnamon = "gsettings|set|org.cinnamon.desktop.background|";
    const QString mate = "gsettings|set|org.mate.background|";
    for (const QString& schema : {gnome, cinnamon, mate}) {
        const QString get = QString(schema).replace("|set|", "|get|");
        tools->answers[get + "picture-options"] = {0, "'spanned'\n", {}};
        tools->answers[get + "picture-uri"] = {0, "'file:///w/all.bmp'\n", {}};
        tools->answers[get + "picture-filename"] = {0, "'/w/all.bmp'\n", {}};
    }
    struct Case {
        DesktopKind kind;
        const std::vector<TOutputPicture>& pictures;
        QStringList calls;  // the reads back left out
    };
    const Case cases[] = {
        // Spanned before the picture comes, so that it never shows zoomed.
        {DesktopKind::Gnome,
         whole,
         {gnome + "picture-options|spanned", gnome + "picture-uri|file:///w/all.bmp",
          "gsettings|list-keys|org.gnome.desktop.background"}},
        {DesktopKind::Cinnamon,
         whole,
         {cinnamon + "picture-options|spanned", cinnamon + "picture-uri|file:///w/all.bmp"}},
        {DesktopKind::Mate,
         whole,
         {mate + "picture-options|spanned", mate + "picture-filename|/w/all.bmp"}},
        {DesktopKind::Sway,
         own,
         {"swaymsg|output \"HDMI-1\" bg \"/w/a.bmp\" fill; output \"DP-2\" bg \"/w/b b.bmp\" "
          "fill"}},
        {DesktopKind::WaylandSwaybg,
         own,
         {"keep|swaybg|-o|HDMI-1|-i|/w/a.bmp|-m|fill|-o|DP-2|-i|/w/b b.bmp|-m|fill|/w"}},
        {DesktopKind::Hyprland,
         own,
         {"hyprctl|hyprpaper|preload|/w/a.bmp", "hyprctl|hyprpaper|preload|/w/b b.bmp",
          "hyprctl|hyprpaper|wallpaper|HDMI-1,/w/a.bmp",
          "hyprctl|hyprpaper|wallpaper|DP-2,/w/b b.bmp", "hyprctl|hyprpaper|unload|unused"}},
        // One monitor: as ever, the user's own picture options untouched.
        {DesktopKind::Gnome,
         one,
         {gnome + "picture-uri|file:///w/all.bmp",
          "gsettings|list-keys|org.gnome.desktop.background"}},
        {DesktopKind::Sway, one, {"swaymsg|output * bg \"/w/all.bmp\" fill"}},
        {DesktopKind::WaylandSwaybg, one, {"keep|swaybg|-o|*|-i|/w/all.bmp|-m|fill|/w"}},
        {DesktopKind::Hyprland,
         one,
         {"hyprctl|hyprpaper|preload|/w/all.bmp", "hyprctl|hyprpaper|wallpaper|,/w/all.bmp",
          "hyprctl|hyprpaper|unload|unused"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.calls.join(u'\n').toStdString());
        tools->calls.clear();
        EXPECT_EQ(SetDesktopWallpaper(c.kind, c.pictures).reason, "");
        const QStringList sent = tools->calls.filter(QRegularExpression("^(?!gsettings\\|get)"));
        EXPECT_EQ(sent, c.calls);
    }

    // Plasma's desktops know their screen by its place; one of a place unknown gets the primary's.
    tools->calls.clear();
    EXPECT_EQ(SetDesktopWallpaper(DesktopKind::Kde, own).reason, "");
    ASSERT_EQ(tools->calls.size(), 1);
    const QString script = tools->calls[0];
    EXPECT_TRUE(
        script.contains("[0, 0, 1920, 1080, 'file:///w/a.bmp'], "
                        "[1920, 0, 1280, 1024, 'file:///w/b%20b.bmp']"))
        << script.toStdString();
    EXPECT_TRUE(
        script.contains("if (d.screen < 0) continue;var g = screenGeometry(d.screen);"
                        "var image = 'file:///w/a.bmp';"));
    EXPECT_TRUE(
        script.contains("p[0] == g.x && p[1] == g.y && p[2] == g.width && "
                        "p[3] == g.height"));
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
