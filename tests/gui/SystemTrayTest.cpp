#include "Application.h"
#include "Systemtray.h"
#include "TestSupport.h"

#include <QMenu>
#include <QWidget>

namespace {

class SystemTrayTest : public ::testing::Test {
protected:
    ScopedTrayHost tray;
    QWidget owner;
    QMenu menu;
};

TEST_F(SystemTrayTest, TheIconIsAddedWhenATrayIsThereWithItsMenuAndItsTipCutTo127Characters) {
    tray->present = true;
    SystemTrayIcon icon(owner, QIcon(), &menu, std::string(200, 'x'));
    EXPECT_TRUE(icon.Add());
    ASSERT_NE(icon.TrayIcon(), nullptr);
    EXPECT_EQ(icon.TrayIcon()->toolTip(), QString(127, 'x'));
    // Only the icon's own menu reaches a StatusNotifierItem host.
    EXPECT_EQ(icon.TrayIcon()->contextMenu(), &menu);
    EXPECT_TRUE(icon.IsReachable());
    tray->present = false;
    EXPECT_FALSE(icon.IsReachable()) << "the tray went away with the icon";
    EXPECT_TRUE(icon.Remove());
    EXPECT_EQ(icon.TrayIcon(), nullptr);
    EXPECT_FALSE(icon.Remove());
}

TEST_F(SystemTrayTest, ATrayThatAppearsLaterGetsTheIcon) {
    SystemTrayIcon icon(owner, QIcon(), &menu, "Tapestrel");
    EXPECT_FALSE(icon.Add());
    EXPECT_EQ(icon.TrayIcon(), nullptr);
    tray->present = true;
    EXPECT_TRUE(WaitFor([&] { return icon.TrayIcon() != nullptr; }));
    EXPECT_EQ(icon.TrayIcon()->toolTip(), "Tapestrel");
}

TEST_F(SystemTrayTest, LeftClickShowsTheWindowAndRightClickPopsTheMenuUpOnce) {
    SystemTrayIcon icon(owner, QIcon(), &menu, "Tapestrel");
    int announced = 0;
    QObject::connect(&menu, &QMenu::aboutToShow, [&] { ++announced; });
    icon.HandleCallback(QSystemTrayIcon::DoubleClick);
    icon.HandleCallback(QSystemTrayIcon::MiddleClick);
    EXPECT_FALSE(owner.isVisible()) << "other clicks are ignored";

    icon.HandleCallback(QSystemTrayIcon::Trigger);
    EXPECT_TRUE(owner.isVisible());
    EXPECT_FALSE(menu.isVisible());

    // A tray that leaves the menu to the program.
    owner.hide();
    menu.addAction("Close");
    icon.HandleCallback(QSystemTrayIcon::Context);
    EXPECT_TRUE(WaitFor([&] { return menu.isVisible(); }));
    EXPECT_FALSE(owner.isVisible());
    menu.close();

    // Qt's XEmbed icon pops the menu up before it tells of the click.
    menu.popup(QPoint(40, 30));
    icon.HandleCallback(QSystemTrayIcon::Context);
    EXPECT_EQ(announced, 2);
    menu.close();
}

TEST_F(SystemTrayTest, RightClickWithoutAMenuShowsTheWindow) {
    SystemTrayIcon icon(owner, QIcon(), nullptr, "Tapestrel");
    icon.HandleCallback(QSystemTrayIcon::Context);
    EXPECT_TRUE(owner.isVisible());
}

}  // namespace
