#include "EndToEndTest.h"

#include <sys/stat.h>
#include <QImage>
#include <csignal>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Where the main window shows its controls, in window coordinates.
const std::vector<std::string> kUserWallpaperLabel = {"257", "183"};
const std::vector<std::string> kRedrawWallpaperLabel = {"97", "183"};
const std::vector<std::string> kNextWallpaperLabel = {"43", "158"};
const std::vector<std::string> kGeneralTab = {"189", "38"};
const std::vector<std::string> kWallpaperGeneralTab = {"44", "67"};
const std::vector<std::string> kDirectoriesTab = {"240", "67"};
const std::vector<std::string> kAddDirectoryLabel = {"43", "333"};
const std::vector<std::string> kReloadFileNamesLabel = {"253", "333"};
const std::vector<std::string> kDesktopMarginComboBox = {"141", "161"};

class WallpaperTest : public EndToEndTest {
protected:
    // A picture of the screen's aspect with a distinct colour in each quarter.
    fs::path MakePicture() {
        QImage picture(512, 384, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x < 256 ? 230 : 20, y < 192 ? 200 : 40, 90));
        const fs::path path = PicturePath("sea.png");
        EXPECT_TRUE(picture.save(QString::fromStdString(path.string())));
        return path;
    }

    fs::path PicturePath(const std::string& name) {
        const fs::path path = Sandbox().Home() / "my pictures" / name;
        fs::create_directories(path.parent_path());
        return path;
    }

    // Starts the program with its window shown; the window, or nothing when it did not show.
    std::optional<xcb_window_t> StartShown(std::map<std::string, std::string> environment = {}) {
        m_program = &StartProgram({"ShowOnStart"}, "Tapestrel", std::move(environment));
        std::vector<xcb_window_t> shown;
        if (!BecomesReady(*m_program) ||
            !PollUntil([&] { return !(shown = Windows().ShownTopLevels("Tapestrel")).empty(); }))
            return std::nullopt;
        return shown.front();
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

    // "Use user wallpaper" as the user does it. The program then loads the picture.
    testing::AssertionResult ChooseUserWallpaper(xcb_window_t main, const fs::path& picture) {
        return ChooseInDialog(main, kUserWallpaperLabel, picture);
    }

    // A command's file or folder dialog, as the user answers it: the path typed, Return until the
    // dialog has gone.
    testing::AssertionResult ChooseInDialog(xcb_window_t main,
                                            const std::vector<std::string>& command,
                                            const fs::path& picture) {
        if (!Click(main, command)) return testing::AssertionFailure() << "no click";
        std::optional<xcb_window_t> dialog;
        if (!PollUntil(
                [&] { return (dialog = OtherWindowOf(m_program->Pid(), main)).has_value(); }))
            return testing::AssertionFailure() << "no file dialog";
        // Typed once the dialog has the keyboard: programs ignore keys sent to a window directly.
        if (!PollUntil([&] { return Windows().InputFocus() == *dialog; }) ||
            !Xdotool({"type", picture.string()}))
            return testing::AssertionFailure() << "the path could not be typed";
        // The file name box may first take the Return for its completion list; a Return too many
        // would go to the window after it.
        if (!PollUntil([&] {
                if (!Windows().IsViewable(*dialog)) return true;
                Xdotool({"key", "Return"});
                std::this_thread::sleep_for(500ms);
                return false;
            }))
            return testing::AssertionFailure() << "the dialog stays";
        return testing::AssertionSuccess();
    }

    // Waits for the root to show a pixmap other than previous; that one must then be gone.
    testing::AssertionResult NewRootPixmap(xcb_pixmap_t previous) {
        xcb_pixmap_t current = XCB_NONE;
        if (!PollUntil([&] { return (current = Windows().RootPixmap()) != previous; }))
            return testing::AssertionFailure() << "the root pixmap stayed " << previous;
        if (previous != XCB_NONE && Windows().PixmapExists(previous))
            return testing::AssertionFailure() << "the previous pixmap " << previous << " lives on";
        return testing::AssertionSuccess();
    }

    // The program's error window, when one is shown.
    bool ShowsError() {
        for (xcb_window_t window : Windows().ShownTopLevels("Error"))
            if (Windows().Pid(window) == m_program->Pid()) return true;
        return false;
    }

    ChildProcess* m_program = nullptr;
};

TEST_F(WallpaperTest, AUserPictureBecomesTheRootBackgroundAndRedrawsReplaceIt) {
    const fs::path picture = MakePicture();
    const std::optional<xcb_window_t> window = StartShown();
    ASSERT_TRUE(window);
    ASSERT_TRUE(ChooseUserWallpaper(*window, picture));
    ASSERT_TRUE(NewRootPixmap(XCB_NONE));

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
    ASSERT_TRUE(Click(*window, kRedrawWallpaperLabel));
    ASSERT_TRUE(NewRootPixmap(first));

    // A calendar setting reuses the fitted picture: the file is not needed any more.
    fs::remove(picture);
    const xcb_pixmap_t second = Windows().RootPixmap();
    ASSERT_TRUE(Click(*window, kGeneralTab));
    ASSERT_TRUE(Click(*window, kDesktopMarginComboBox));
    ASSERT_TRUE(Xdotool({"key", "--delay", "200", "Up", "Return"}));
    EXPECT_TRUE(NewRootPixmap(second));
    EXPECT_EQ(Windows().RootPixels(1024, 768).pixel(1000, 700) & 0xffffff,
              qRgb(20, 40, 90) & 0xffffff);
}

TEST_F(WallpaperTest, AClockSetBackNeverTakesTheNewWallpaperAwayFromTheDesktop) {
    const fs::path picture = MakePicture();
    {
        // Half a day ahead of the world: two wallpapers made then.
        const std::optional<xcb_window_t> window = StartShown({{"TZ", "UTC-12"}});
        ASSERT_TRUE(window);
        ASSERT_TRUE(ChooseUserWallpaper(*window, picture));
        ASSERT_TRUE(NewRootPixmap(XCB_NONE));
        const xcb_pixmap_t first = Windows().RootPixmap();
        ASSERT_TRUE(Click(*window, kRedrawWallpaperLabel));
        ASSERT_TRUE(NewRootPixmap(first));
        m_program->Signal(SIGTERM);
        ASSERT_EQ(m_program->WaitForExit(kPatience), 0);
    }
    // Half a day behind: the next wallpaper is still the newest.
    const std::optional<xcb_window_t> window = StartShown({{"TZ", "UTC+12"}});
    ASSERT_TRUE(window);
    const xcb_pixmap_t before = Windows().RootPixmap();
    ASSERT_TRUE(ChooseUserWallpaper(*window, picture));
    EXPECT_TRUE(NewRootPixmap(before));
    EXPECT_FALSE(ShowsError());
}

TEST_F(WallpaperTest, ADirectoryAddedAndLoadedGivesTheNextPicture) {
    const fs::path first = MakePicture();
    fs::rename(first, PicturePath("a.png"));
    const std::optional<xcb_window_t> window = StartShown();
    ASSERT_TRUE(window);
    ASSERT_TRUE(Click(*window, kDirectoriesTab));
    ASSERT_TRUE(ChooseInDialog(*window, kAddDirectoryLabel, first.parent_path()));
    ASSERT_TRUE(Click(*window, kReloadFileNamesLabel));
    ASSERT_TRUE(PollUntil([&] { return !Windows().ShownTopLevels("Message").empty(); }));
    ASSERT_TRUE(PollUntil([&] {
        if (Windows().ShownTopLevels("Message").empty()) return true;
        Xdotool({"key", "Return"});
        std::this_thread::sleep_for(300ms);
        return false;
    }));

    ASSERT_TRUE(Click(*window, kWallpaperGeneralTab));
    ASSERT_TRUE(Click(*window, kNextWallpaperLabel));
    ASSERT_TRUE(NewRootPixmap(XCB_NONE));
    EXPECT_EQ(Windows().RootPixels(1024, 768).pixel(1000, 700) & 0xffffff,
              qRgb(20, 40, 90) & 0xffffff);
}

TEST_F(WallpaperTest, ANamedPipeIsRefusedAndTheProgramStillEndsAtOnce) {
    const fs::path fifo = PicturePath("fifo.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::optional<xcb_window_t> window = StartShown();
    ASSERT_TRUE(window);
    ASSERT_TRUE(ChooseUserWallpaper(*window, fifo));
    EXPECT_TRUE(PollUntil([&] { return ShowsError(); }));

    m_program->Signal(SIGTERM);
    EXPECT_EQ(m_program->WaitForExit(1s), 0);
    EXPECT_EQ(Windows().RootPixmap(), XCB_NONE);
}

TEST_F(WallpaperTest, TermEndsTheProgramWithinASecondWhileAHostileJpegIsDecoded) {
    // Seconds of work in 2.6 kB: every scan is a pass over 144 megapixels.
    const fs::path picture = PicturePath("scans.jpg");
    const QByteArray jpeg = JpegWithEmptyScans(12000, 12000, 250);
    std::ofstream(picture, std::ios::binary).write(jpeg.constData(), jpeg.size());
    const std::optional<xcb_window_t> window = StartShown();
    ASSERT_TRUE(window);
    ASSERT_TRUE(ChooseUserWallpaper(*window, picture));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(m_program->IsRunning());
    ASSERT_EQ(Windows().RootPixmap(), XCB_NONE) << "still decoding";

    m_program->Signal(SIGTERM);
    EXPECT_EQ(m_program->WaitForExit(1s), 0);
}

}  // namespace
