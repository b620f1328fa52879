#include "EndToEndTest.h"

#include <QColor>
#include <QImage>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The primary right of the origin, a smaller monitor left of it: the screen is 1120x480, and
// below the small monitor lies a strip that no monitor shows.
const QRect kPrimary(480, 0, 640, 480);
const QRect kSmall(0, 0, 480, 400);
const QPoint kUnshown(240, 440);
// Away from the calendar, which the primary shows in its top right corner.
const QPoint kPrimarySample(490, 470);
constexpr QRgb kRed = 0xe6283c;
constexpr QRgb kGreen = 0x28b43c;
constexpr QRgb kBlue = 0x1e8cdc;
constexpr QRgb kYellow = 0xf0dc28;

class MonitorsTest : public EndToEndTest {
protected:
    MonitorsTest() : EndToEndTest({{"PRIMARY", kPrimary}, {"SMALL", kSmall}}) {
        const fs::path directory = Sandbox().Home() / "my pictures";
        for (const auto& [name, colour] :
             {std::pair{"a.png", kRed}, std::pair{"b.png", kGreen}, std::pair{"c.png", kBlue},
              std::pair{"d.png", kYellow}}) {
            QImage picture(320, 240, QImage::Format_RGB32);
            picture.fill(QColor::fromRgb(colour));
            EXPECT_TRUE(picture.save(QString::fromStdString((directory / name).string())));
        }
    }

    void UseOptions(const std::string& monitors, const std::string& calendarMonitor) {
        WriteOptions("[Wallpaper]\r\nIsAutoChange=FALSE\r\nMonitors=" + monitors +
                     "\r\n\r\n[Calendar]\r\nMonitor=" + calendarMonitor +
                     "\r\n\r\n[BroadcastWallpaperChange]\r\nIsAutoChange=FALSE\r\n\r\n"
                     "[DirectoryList]\r\nCount=1\r\nTitle0=" +
                     (Sandbox().Home() / "my pictures").string() +
                     "\r\nActive0=TRUE\r\nRecurs0=FALSE\r\n");
    }

    // Runs the command through a second start, and answers the root pixmap that follows the one
    // shown before, as pixels of the whole screen.
    std::optional<QImage> AfterCommand(const std::string& command) {
        const xcb_pixmap_t shown = Windows().RootPixmap();
        if (StartProgram({command}).WaitForExit(kPatience) != 0) return std::nullopt;
        if (!PollUntil([&] { return Windows().RootPixmap() != shown; })) return std::nullopt;
        return Screenshot();
    }

    // How many pixels of the monitor's part of the screen are not the colour: the calendar's.
    static int OtherPixels(const QImage& screen, const QRect& monitor, QRgb colour) {
        int count = 0;
        for (int y = monitor.top(); y <= monitor.bottom(); ++y)
            for (int x = monitor.left(); x <= monitor.right(); ++x)
                count += (screen.pixel(x, y) & 0xffffff) != colour;
        return count;
    }
};

TEST_F(MonitorsTest, EachMonitorShowsAPictureOfItsOwnAndNextMovesThemAllOn) {
    UseOptions("Each", "Primary");
    ASSERT_TRUE(BecomesReady(StartProgram()));
    for (const auto& [primary, small] : {std::pair{kGreen, kBlue}, std::pair{kYellow, kRed}}) {
        const std::optional<QImage> screen = AfterCommand("Next");
        ASSERT_TRUE(screen);
        EXPECT_EQ(screen->pixel(kPrimarySample) & 0xffffff, primary);
        EXPECT_EQ(OtherPixels(*screen, kSmall, small), 0) << "no calendar on the other monitor";
        EXPECT_GT(OtherPixels(*screen, kPrimary, primary), 1000) << "the calendar";
        EXPECT_EQ(screen->pixel(kUnshown) & 0xffffff, 0u) << "the filling colour";
    }
}

TEST_F(MonitorsTest, AnotherMonitorsPictureThatCannotBeReadGivesWayToItsNextQuietly) {
    std::ofstream(Sandbox().Home() / "my pictures" / "c.png", std::ios::binary) << "not a picture";
    UseOptions("Each", "Primary");
    ASSERT_TRUE(BecomesReady(StartProgram()));
    const std::optional<QImage> screen = AfterCommand("Next");
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->pixel(kPrimarySample) & 0xffffff, kGreen);
    EXPECT_EQ(OtherPixels(*screen, kSmall, kRed), 0) << "the picture it would show next";
    EXPECT_TRUE(OwnersOfShownWindows("Error").empty());
}

TEST_F(MonitorsTest, SameShowsTheCurrentPictureOnEveryMonitorWithTheCalendarOnTheChosenOne) {
    UseOptions("Same", "SMALL");
    ASSERT_TRUE(BecomesReady(StartProgram()));
    const std::optional<QImage> screen = AfterCommand("Next");
    ASSERT_TRUE(screen);
    EXPECT_EQ(OtherPixels(*screen, kPrimary, kRed), 0);
    EXPECT_GT(OtherPixels(*screen, kSmall, kRed), 1000) << "the calendar";
    EXPECT_EQ(screen->pixel(kUnshown) & 0xffffff, 0u);
}

TEST_F(MonitorsTest, SpanFitsOnePictureToTheWholeDesktopAndAMonitorUnpluggedGetsItsOwnAgain) {
    UseOptions("Span", "Primary");
    ASSERT_TRUE(BecomesReady(StartProgram()));
    std::optional<QImage> screen = AfterCommand("Next");
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->pixel(kUnshown) & 0xffffff, kRed) << "one picture over the bounding box";
    // The root window has the pixels before the file is written.
    const auto composedSize = [&] {
        return QImage(QString::fromStdString(ComposedWallpaperFile().string())).size();
    };
    EXPECT_TRUE(PollUntil([&] { return composedSize() == QSize(1120, 480); }));
    EXPECT_EQ(OtherPixels(*screen, kSmall, kRed), 0);

    // The primary monitor alone: its own wallpaper, which X repeats over the rest of the screen.
    const xcb_pixmap_t spanned = Windows().RootPixmap();
    Server().RemoveMonitor("SMALL");
    ASSERT_TRUE(PollUntil([&] { return Windows().RootPixmap() != spanned; }));
    EXPECT_TRUE(PollUntil([&] { return composedSize() == kPrimary.size(); }));
}

TEST_F(MonitorsTest, AMonitorResizedInPlaceGetsAWallpaperOfItsNewSize) {
    UseOptions("Each", "Primary");
    ASSERT_TRUE(BecomesReady(StartProgram()));
    ASSERT_TRUE(AfterCommand("Next"));

    const xcb_pixmap_t before = Windows().RootPixmap();
    const QRect smaller(0, 0, 400, 300);
    Server().ResizeMonitor({"SMALL", smaller});
    ASSERT_TRUE(PollUntil([&] { return Windows().RootPixmap() != before; }));
    const QImage screen = Screenshot();
    EXPECT_EQ(OtherPixels(screen, smaller, kBlue), 0);
    EXPECT_EQ(OtherPixels(screen, QRect(400, 0, 80, 400), 0), 0) << "no longer the monitor's";
    EXPECT_EQ(OtherPixels(screen, QRect(0, 300, 400, 100), 0), 0) << "no longer the monitor's";
}

}  // namespace
