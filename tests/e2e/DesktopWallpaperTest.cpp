#include "EndToEndTest.h"

#include <QImage>
#include <algorithm>
#include <array>

namespace fs = std::filesystem;

namespace {

// The desktops' own programs on the test's display, each with the session bus it talks to. They
// draw the wallpaper in a window of their own over the root window: the screen must show the
// picture the program composed, pixel for pixel, since that picture has the screen's size and
// the desktops leave it unscaled.
class DesktopWallpaperTest : public EndToEndTest {
protected:
    DesktopWallpaperTest() {
        // Two pictures of four quarters of distinct colours each, which "Next" takes in turn.
        MakePicture("a.png", {0xe6283c, 0x1e8cdc, 0xf0d21e, 0x28b45a});
        MakePicture("b.png", {0x5a1e8c, 0xfa8c14, 0x14dcc8, 0x965a32});
    }

    void MakePicture(const std::string& name, const std::array<QRgb, 4>& quarters) {
        QImage picture(512, 384, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, quarters[(x < 256 ? 0 : 1) + (y < 192 ? 0 : 2)]);
        const fs::path path = Sandbox().Home() / "my pictures" / name;
        EXPECT_TRUE(picture.save(QString::fromStdString(path.string())));
    }

    // The program as the session starts it, hidden, on that desktop and the test's session bus.
    testing::AssertionResult StartOn(const std::string& desktop) {
        m_environment = {{"XDG_CURRENT_DESKTOP", desktop},
                         {"DBUS_SESSION_BUS_ADDRESS", StartSessionBus()},
                         // GTK's accessibility bridge would start a bus that outlives the test.
                         {"NO_AT_BRIDGE", "1"}};
        return BecomesReady(StartProgram({}, "Tapestrel", m_environment));
    }

    // "Next", handed by a later start to the running program.
    bool Next() {
        return StartProgram({"Next"}, "Tapestrel", m_environment).WaitForExit(kPatience) == 0;
    }

    QImage Composed() const {
        return QImage(QString::fromStdString(ComposedWallpaperFile().string()))
            .convertToFormat(QImage::Format_RGB32);
    }

    // Waits until the screen shows the composed picture, one other than previous.
    testing::AssertionResult ScreenShowsTheComposedPicture(const QImage& previous = {}) {
        std::string differences = "no new composed picture";
        if (PollUntil([&] {
                const QImage composed = Composed();
                if (composed.isNull() || composed == previous) return false;
                differences = PixelDifferences(Screenshot(), composed);
                return differences.empty();
            }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << differences;
    }

    // What xfconf-query prints, asked on the test's session bus; empty when it failed.
    std::string Xfconf(std::vector<std::string> arguments) {
        return Output("xfconf-query", std::move(arguments),
                      {{"DBUS_SESSION_BUS_ADDRESS", m_environment.at("DBUS_SESSION_BUS_ADDRESS")}})
            .value_or("");
    }

    std::map<std::string, std::string> m_environment;
};

TEST_F(DesktopWallpaperTest, LxqtShowsThePictureOnTheRootWindowThenOnAFreshPcmanfmQtDesktop) {
    ASSERT_TRUE(StartOn("LXQt"));
    // No pcmanfm-qt desktop yet (LXQt's Desktop module is off or not started): the root window is
    // what the screen shows.
    ASSERT_TRUE(Next());
    ASSERT_TRUE(ScreenShowsTheComposedPicture());
    const QImage first = Composed();

    // A profile of its own, as new: it would show no picture at all.
    const pid_t desktop = Start("pcmanfm-qt", {"--desktop"}, m_environment).Pid();
    ASSERT_TRUE(PollUntil([&] {
        const std::vector<pid_t> owners = OwnersOfShownWindows("pcmanfm-qt");
        return std::find(owners.begin(), owners.end(), desktop) != owners.end();
    }));
    ASSERT_TRUE(Next());
    EXPECT_TRUE(ScreenShowsTheComposedPicture(first));
}

TEST_F(DesktopWallpaperTest, XfdesktopStartedAfterTheFirstChangeShowsItAndTheNextOne) {
    ASSERT_TRUE(StartOn("XFCE"));
    // The session's window manager, whose workspaces xfdesktop needs, comes first; the desktop
    // has no icons, so that all of it is wallpaper.
    Start("xfwm4", {"--compositor=off", "--sm-client-disable"}, m_environment);
    ASSERT_TRUE(PollUntil([&] {
        return !Xfconf({"-c", "xfwm4", "-p", "/general/workspace_count"}).empty();
    }));
    Xfconf({"-c", "xfce4-desktop", "-p", "/desktop-icons/style", "-n", "-t", "int", "-s", "0"});

    // The first login: the change comes before xfdesktop has ever run.
    ASSERT_TRUE(Next());
    ASSERT_TRUE(PollUntil([&] {
        return Xfconf({"-c", "xfce4-desktop", "-l"}).find("/last-image") != std::string::npos;
    }));
    Start("xfdesktop", {}, m_environment);
    ASSERT_TRUE(ScreenShowsTheComposedPicture());
    const QImage first = Composed();

    ASSERT_TRUE(Next());
    EXPECT_TRUE(ScreenShowsTheComposedPicture(first));
}

}  // namespace
