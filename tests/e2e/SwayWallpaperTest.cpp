#include "SwayEndToEndTest.h"
#include "WallpaperSetters.h"

#include <csignal>
#include <cstdlib>
#include <tuple>

namespace fs = std::filesystem;

namespace {

// The quarters of two pictures, clockwise from the top left.
constexpr QRgb kFirst[] = {0xe6283c, 0x28e63c, 0x3c28e6, 0xe6e628};
constexpr QRgb kSecond[] = {0x1e8cdc, 0xdc1e8c, 0x8cdc1e, 0x101010};

class SwayWallpaperTest : public SwayEndToEndTest {
protected:
    using SwayEndToEndTest::SwayEndToEndTest;

    // a.png and b.png, in that order, in the directory the options name: the screen's aspect, a
    // colour of their own in each quarter.
    void MakePictures() {
        for (const auto& [name, quarters] :
             {std::pair{"a.png", kFirst}, std::pair{"b.png", kSecond}}) {
            QImage picture(512, 384, QImage::Format_RGB32);
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x)
                    picture.setPixel(x, y,
                                     quarters[y < 192 ? (x < 256 ? 0 : 1) : (x < 256 ? 3 : 2)]);
            ASSERT_TRUE(picture.save(
                QString::fromStdString((Sandbox().Home() / "my pictures" / name).string())));
        }
    }

    // A later start that hands its command to the running copy.
    std::optional<int> Command(const std::string& command) {
        return StartProgram({command}).WaitForExit(kPatience);
    }

    // The composed wallpaper of that picture: its quarters where the calendar is not.
    static bool IsOf(const QImage& wallpaper, const QRgb (&quarters)[4]) {
        return !wallpaper.isNull() && (wallpaper.pixel(100, 100) & 0xffffff) == quarters[0] &&
               (wallpaper.pixel(1000, 700) & 0xffffff) == quarters[2] &&
               (wallpaper.pixel(100, 700) & 0xffffff) == quarters[3];
    }

    // Starts the program over the two pictures and changes the wallpaper twice by command: each
    // must be on the screen.
    void StartAndChangeTwice() {
        MakePictures();
        m_program = &StartProgram();
        ASSERT_TRUE(BecomesReady(*m_program));
        ASSERT_EQ(Command("Next"), 0);
        const QImage first = NewComposedWallpaper();
        ASSERT_TRUE(IsOf(first, kFirst));
        EXPECT_TRUE(Shows(first));
        ASSERT_EQ(Command("Next"), 0);
        m_second = NewComposedWallpaper(first);
        ASSERT_TRUE(IsOf(m_second, kSecond));
        EXPECT_TRUE(Shows(m_second));
    }

    ChildProcess* m_program = nullptr;
    QImage m_second;
};

class UnknownCompositorTest : public SwayWallpaperTest {
protected:
    UnknownCompositorTest() : SwayWallpaperTest(Socket::Untold) {}
};

TEST_F(SwayWallpaperTest, SwayStartedFromAConsoleShowsEachNewWallpaperItself) {
    ASSERT_NO_FATAL_FAILURE(StartAndChangeTwice());
    // Through sway, which runs swaybg itself: the program started none.
    const auto swaybgs = SwaybgProcesses();
    EXPECT_FALSE(swaybgs.empty());
    for (const Process& swaybg : swaybgs) EXPECT_TRUE(swaybg.startedBySway);
}

TEST_F(UnknownCompositorTest, OneSwaybgOfTheProgramShowsTheWallpaperAndOutlivesIt) {
    ASSERT_NO_FATAL_FAILURE(StartAndChangeTwice());
    // The one before is gone once the new one shows.
    std::vector<Process> swaybgs;
    EXPECT_TRUE(PollUntil([&] { return (swaybgs = SwaybgProcesses()).size() == 1; }))
        << swaybgs.size() << " swaybg processes";

    m_program->Signal(SIGTERM);
    ASSERT_EQ(m_program->WaitForExit(kPatience), 0);
    EXPECT_EQ(SwaybgProcesses().size(), 1u);
    EXPECT_TRUE(Shows(m_second));
}

TEST_F(SwayWallpaperTest, ANewPixelDensityRedrawsTheCalendarForIt) {
    // A plain picture: what is not its colour is the calendar.
    constexpr QRgb kPlain = 0x336699;
    QImage picture(512, 384, QImage::Format_RGB32);
    picture.fill(kPlain);
    ASSERT_TRUE(picture.save(
        QString::fromStdString((Sandbox().Home() / "my pictures/plain.png").string())));
    const auto calendarPixels = [](const QImage& wallpaper) {
        int count = 0;
        for (int y = 0; y < wallpaper.height(); ++y)
            for (int x = 0; x < wallpaper.width(); ++x)
                count += (wallpaper.pixel(x, y) & 0xffffff) != kPlain;
        return count;
    };
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));
    ASSERT_EQ(Command("Next"), 0);
    const QImage first = NewComposedWallpaper();
    ASSERT_FALSE(first.isNull());
    EXPECT_TRUE(Shows(first));

    // The same pixels, each of them half as wide to the eye.
    ASSERT_TRUE(Sway().Command(std::string("output ") + SwayServer::kOutput + " scale 2"));
    const QImage second = NewComposedWallpaper(first);
    ASSERT_FALSE(second.isNull()) << "no wallpaper for the new density";
    EXPECT_EQ(second.size(), first.size());
    // Twice as wide and twice as high.
    EXPECT_GT(calendarPixels(second), 3 * calendarPixels(first))
        << calendarPixels(second) << " for " << calendarPixels(first);
    EXPECT_TRUE(Shows(second));
}

// The desktop setters alone, without the program, on two outputs side by side: a plain picture of
// its own colour for each.
class SwayOutputsTest : public SwayEndToEndTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(Sway().Command("create_output"));
        ASSERT_TRUE(Sway().Command("output HEADLESS-2 mode 800x600 pos 1024 0"));
        const fs::path folder = Sandbox().Home() / "my pictures";
        for (const auto& [output, place, colour] :
             {std::tuple{"HEADLESS-1", QRect(0, 0, 1024, 768), 0xe6283c},
              std::tuple{"HEADLESS-2", QRect(1024, 0, 800, 600), 0x1e8cdc}}) {
            QImage picture(place.size(), QImage::Format_RGB32);
            picture.fill(colour);
            const std::string path = (folder / (std::string(output) + ".bmp")).string();
            ASSERT_TRUE(picture.save(QString::fromStdString(path), "BMP"));
            m_pictures.push_back({path, {output}, {place}});
            m_shown.emplace(output, picture);
        }
        // Where the setters find the compositor; the sandbox restores both.
        setenv("WAYLAND_DISPLAY", Sway().WaylandDisplay().c_str(), 1);
        setenv("SWAYSOCK", Sway().IpcSocket().c_str(), 1);
    }

    // Waits until each output shows its own picture.
    testing::AssertionResult EachOutputShowsItsPicture() const {
        for (const auto& [output, picture] : m_shown) {
            std::string differences;
            if (!PollUntil([&] {
                    const QImage screen = Sway().Screenshot(output);
                    differences =
                        screen.isNull() ? "grim failed" : PixelDifferences(screen, picture);
                    return differences.empty();
                }))
                return testing::AssertionFailure() << output << ": " << differences;
        }
        return testing::AssertionSuccess();
    }

    std::vector<TOutputPicture> m_pictures;
    std::map<std::string, QImage> m_shown;
};

TEST_F(SwayOutputsTest, SwayShowsEachOutputItsOwnPicture) {
    ASSERT_EQ(SetDesktopWallpaper(DesktopKind::Sway, m_pictures).reason, "");
    EXPECT_TRUE(EachOutputShowsItsPicture());
}

TEST_F(SwayOutputsTest, OneSwaybgShowsEachOutputItsOwnPicture) {
    ASSERT_EQ(SetDesktopWallpaper(DesktopKind::WaylandSwaybg, m_pictures).reason, "");
    EXPECT_TRUE(EachOutputShowsItsPicture());
    EXPECT_EQ(SwaybgProcesses().size(), 1u);
}

TEST_F(SwayOutputsTest, EachOutputOfItsOwnDensityGetsAPictureAndThePrimaryTheCalendar) {
    // The primary at twice the density, the other right beside it: Wayland places them in
    // logical pixels, where the primary is 512 wide.
    ASSERT_TRUE(Sway().Command("output HEADLESS-1 scale 2 pos 0 0"));
    ASSERT_TRUE(Sway().Command("output HEADLESS-2 pos 512 0"));
    // The two pictures are the list; Next from none moves both outputs two places on.
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));
    ASSERT_EQ(StartProgram({"Next"}).WaitForExit(kPatience), 0);
    const auto otherPixels = [](const QImage& screen, QRgb colour) {
        int count = 0;
        for (int y = 0; y < screen.height(); ++y)
            for (int x = 0; x < screen.width(); ++x)
                count += (screen.pixel(x, y) & 0xffffff) != colour;
        return count;
    };
    EXPECT_TRUE(PollUntil([&] {
        const QImage primary = Sway().Screenshot("HEADLESS-1");
        const QImage other = Sway().Screenshot("HEADLESS-2");
        return primary.size() == QSize(1024, 768) && other.size() == QSize(800, 600) &&
               (primary.pixel(10, 700) & 0xffffff) == 0x1e8cdc &&
               otherPixels(primary, 0x1e8cdc) > 1000 && otherPixels(other, 0xe6283c) == 0;
    })) << "HEADLESS-1 the second picture with the calendar, HEADLESS-2 the first without";
}

}  // namespace
