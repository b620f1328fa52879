#include "EndToEndTest.h"

#include <gmock/gmock.h>
#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;
using ::testing::IsEmpty;

namespace {

// A bottom panel with nothing but XFCE's status tray, which hosts StatusNotifierItems (and XEmbed
// icons). xfconfd, which the bus starts, reads it from the sandbox's home.
constexpr char kPanelSettings[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=8;x=0;y=0"/>
      <property name="length" type="uint" value="100"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)";

// The properties of the menu item with that caption in a layout as gdbus prints it, such as
// "{'enabled': <true>, 'label': <'50'>, 'toggle-state': <1>, ...}"; empty when there is none.
std::string ItemProperties(const std::string& layout, const std::string& caption) {
    const size_t label = layout.find("'label': <'" + caption + "'>");
    if (label == std::string::npos) return {};
    const size_t begin = layout.rfind('{', label);
    return layout.substr(begin, layout.find('}', label) + 1 - begin);
}

bool IsChecked(const std::string& layout, const std::string& caption) {
    return ItemProperties(layout, caption).find("'toggle-state': <1>") != std::string::npos;
}

// xfce4-panel on the test's display with a session bus of its own: the StatusNotifierItem host
// of XFCE, which shows an item's menu the way KDE's and GNOME's hosts do, from
// com.canonical.dbusmenu.
class TrayMenuTest : public EndToEndTest {
protected:
    TrayMenuTest() {
        m_bus = StartSessionBus();
        const fs::path channels = Sandbox().Home() / ".config/xfce4/xfconf/xfce-perchannel-xml";
        fs::create_directories(channels);
        std::ofstream(channels / "xfce4-panel.xml") << kPanelSettings;
        m_panel =
            &Start("xfce4-panel", {"--disable-wm-check"}, {{"DBUS_SESSION_BUS_ADDRESS", m_bus}});
    }

    // What a method answers on the test's bus, as gdbus prints it; empty when the call failed.
    std::string Call(const std::string& service, const std::string& path, const std::string& method,
                     std::vector<std::string> arguments = {}) {
        std::vector<std::string> call = {
            "call",          "--address", m_bus,      "--dest", service,
            "--object-path", path,        "--method", method,   "--"};
        call.insert(call.end(), arguments.begin(), arguments.end());
        return Output("gdbus", call).value_or("");
    }
    std::string Property(const std::string& service, const std::string& path,
                         const std::string& interface, const std::string& name) {
        return Call(service, path, "org.freedesktop.DBus.Properties.Get", {interface, name});
    }
    std::string Watcher(const std::string& name) {
        return Property("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                        "org.kde.StatusNotifierWatcher", name);
    }

    // The panel's status tray once it holds an item: the tray is the one window of the panel's
    // bar that is wider than a pixel.
    QRect TrayArea() {
        for (xcb_window_t bar : Windows().Children(Windows().Root())) {
            if (Windows().Pid(bar) != m_panel->Pid() || !Windows().IsViewable(bar)) continue;
            for (xcb_window_t plugin : Windows().Children(bar))
                if (Windows().IsViewable(plugin) && Windows().Geometry(plugin).width() > 1)
                    return Windows().Geometry(plugin);
        }
        return {};
    }

    std::string m_bus;
    ChildProcess* m_panel = nullptr;
};

TEST_F(TrayMenuTest, XfcesPanelShowsTheProgramsMenuWithTheChecksOfItsControls) {
    // Qt chooses the bus's tray only when a host is there as the program makes its icon.
    ASSERT_TRUE(
        PollUntil([&] { return Watcher("IsStatusNotifierHostRegistered") == "(<true>,)\n"; }));
    WriteOptions(
        "[Wallpaper]\r\nIsAutoChange=FALSE\r\nUsePictureNormalizeBrightness=TRUE\r\n"
        "PictureNormalizeBrightnessLevel=50\r\n\r\n"
        "[BroadcastWallpaperChange]\r\nIsAutoChange=FALSE\r\n\r\n"
        "[DirectoryList]\r\nCount=1\r\nTitle0=" +
        (Sandbox().Home() / "my pictures").string() + "\r\nActive0=TRUE\r\n");
    ASSERT_TRUE(BecomesReady(StartProgram({}, "Tapestrel", {{"DBUS_SESSION_BUS_ADDRESS", m_bus}})));

    // "(<[':1.7/StatusNotifierItem']>,)"
    std::string items;
    ASSERT_TRUE(PollUntil([&] {
        items = Watcher("RegisteredStatusNotifierItems");
        return items.find("/StatusNotifierItem") != std::string::npos;
    })) << items;
    const size_t start = items.find("'") + 1;
    const std::string item = items.substr(start, items.find('/', start) - start);
    // "(<objectpath '/MenuBar'>,)"
    const std::string path =
        Property(item, "/StatusNotifierItem", "org.kde.StatusNotifierItem", "Menu");
    const std::string quoted = "(<objectpath '";
    ASSERT_TRUE(path.starts_with(quoted)) << path;
    const std::string menu =
        path.substr(quoted.size(), path.find('\'', quoted.size()) - quoted.size());
    ASSERT_NE(menu, "/NO_DBUSMENU");

    const auto layout = [&] {
        return Call(item, menu, "com.canonical.dbusmenu.GetLayout", {"0", "-1", "[]"});
    };
    std::string shown = layout();
    std::vector<size_t> places;
    for (const char* caption : {"Next picture", "Previous picture", "Random picture", "Close"})
        places.push_back(shown.find("'label': <'" + std::string(caption) + "'>"));
    EXPECT_TRUE(std::is_sorted(places.begin(), places.end())) << shown;
    EXPECT_EQ(std::count(places.begin(), places.end(), std::string::npos), 0) << shown;
    // The checks are set as the menu opens.
    ASSERT_FALSE(IsChecked(shown, "50")) << shown;

    // A right click on the item in the panel opens the menu there, not the program's own.
    QRect tray;
    ASSERT_TRUE(PollUntil([&] { return !(tray = TrayArea()).isEmpty(); }));
    ASSERT_TRUE(Xdotool({"mousemove", std::to_string(tray.center().x()),
                         std::to_string(tray.center().y()), "click", "3"}));
    EXPECT_TRUE(PollUntil([&] {
        shown = layout();
        return IsChecked(shown, "50");
    })) << shown;
    EXPECT_TRUE(IsChecked(shown, "Visible calendar")) << shown;
    EXPECT_TRUE(IsChecked(shown, "Visible background")) << shown;
    EXPECT_FALSE(IsChecked(shown, "None")) << shown;
    EXPECT_THAT(OwnersOfShownWindows("Tapestrel"), IsEmpty());
}

}  // namespace
