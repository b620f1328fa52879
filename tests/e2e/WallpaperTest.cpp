#include "EndToEndTest.h"

#include <QImage>

namespace fs = std::filesystem;

namespace {

// Where the main window shows its controls, in window coordinates.
const std::vector<std::string> kUserWallpaperLabel = {"257", "133"};
const std::vector<std::string> kRedrawWallpaperLabel = {"97", "133"};
const std::vector<std::string> kGeneralTab = {"189", "38"};
const std::vector<std::string> kDesktopMarginComboBox = {"141", "161"};

class WallpaperTest : public EndToEndTest {
protected:
    // A picture of the screen's aspect with a distinct colour in each quarter.
    fs::path MakePicture() {
        QImage picture(512, 384, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x < 256 ? 230 : 20, y < 192 ? 200 : 40, 90));
        const fs::path path = Sandbox().Home() / "my pictures/sea.png";
        fs::create_directories(path.parent_path());
        EXPECT_TRUE(picture.save(QString::fromStdString(path.string())));
        return path;
    }

    std::optional<xcb_window_t> OtherWindowOf(pid_t pid, xcb_window_t main) {
        for (xcb_window_t window : Windows().Children(Windows().Root()))
            if (window != main && Windows().IsViewable(window) && Windows().Pid(window) == pid)
                return window;
        return std::nullopt;
    }

    bool Click(xcb_window_t window, const std::vector<std::string>& where) {
        return Xdotool(
            {"mousemove", "--window", std::to_string(window), where[0], where[1], "click", "1"});
    }

    // Waits for the root to show a pixmap other than previous; that one must then be gone.
    testing::AssertionResult NewRootPixmap(xcb_pixmap_t previous) {
        xcb_pixmap_t current = XCB_NONE;
        if (!PollUntil([&] { return (current = Windows().RootPixmap()) != previous; }))
            return testing::AssertionFailure() << "the root pixmap stayed " << previous;
        if (Windows().PixmapExists(previous))
            return testing::AssertionFailure() << "the previous pixmap " << previous << " lives on";
        return testing::AssertionSuccess();
    }
};

TEST_F(WallpaperTest, AUserPictureBecomesTheRootBackgroundAndRedrawsReplaceIt) {
    const fs::path picture = MakePicture();
    ChildProcess& program = StartProgram({"ShowOnStart"});
    ASSERT_TRUE(BecomesReady(program));
    std::vector<xcb_window_t> shown;
    ASSERT_TRUE(
        PollUntil([&] { return !(shown = Windows().ShownTopLevels("Tapestrel")).empty(); }));

    ASSERT_TRUE(Click(shown.front(), kUserWallpaperLabel));
    std::optional<xcb_window_t> dialog;
    ASSERT_TRUE(PollUntil(
        [&] { return (dialog = OtherWindowOf(program.Pid(), shown.front())).has_value(); }));
    // Typed as the user types, once the dialog has the keyboard: programs ignore keys sent to a
    // window directly.
    ASSERT_TRUE(PollUntil([&] { return Windows().InputFocus() == *dialog; }));
    ASSERT_TRUE(Xdotool({"type", picture.string()}));
    // The file name box may first take the Return for its completion list.
    ASSERT_TRUE(PollUntil([&] {
        if (Windows().RootPixmap() != XCB_NONE) return true;
        if (Windows().IsViewable(*dialog)) Xdotool({"key", "Return"});
        return false;
    }));

    const fs::path written = Sandbox().Home() / ".local/share/Tapestrel/Tapestrel_Wallpaper.bmp";
    const QImage wallpaper(QString::fromStdString(written.string()));
    ASSERT_EQ(wallpaper.size(), QSize(1024, 768));
    // The window covers part of the root; sample where it doesn't.
    const QImage root = Windows().RootPixels(1024, 768);
    for (const QPoint point : {QPoint(600, 100), QPoint(1000, 10), QPoint(100, 700),
                               QPoint(1000, 700), QPoint(700, 500)})
        EXPECT_EQ(root.pixel(point) & 0xffffff, wallpaper.pixel(point) & 0xffffff)
            << point.x() << "," << point.y();
    EXPECT_EQ(wallpaper.pixel(1000, 700) & 0xffffff, qRgb(20, 40, 90) & 0xffffff);

    // "Redraw wallpaper" loads the picture again; the desktop gets a new pixmap.
    const xcb_pixmap_t first = Windows().RootPixmap();
    ASSERT_TRUE(Click(shown.front(), kRedrawWallpaperLabel));
    ASSERT_TRUE(NewRootPixmap(first));

    // A calendar setting reuses the fitted picture: the file is not needed any more.
    fs::remove(picture);
    const xcb_pixmap_t second = Windows().RootPixmap();
    ASSERT_TRUE(Click(shown.front(), kGeneralTab));
    ASSERT_TRUE(Click(shown.front(), kDesktopMarginComboBox));
    ASSERT_TRUE(Xdotool({"key", "--delay", "200", "Up", "Return"}));
    EXPECT_TRUE(NewRootPixmap(second));
    EXPECT_EQ(Windows().RootPixels(1024, 768).pixel(1000, 700) & 0xffffff,
              qRgb(20, 40, 90) & 0xffffff);
}

}  // namespace
