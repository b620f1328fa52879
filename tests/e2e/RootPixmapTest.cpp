#include "RootPixmap.h"
#include "TestSupport.h"
#include "XWindows.h"
#include "XvfbServer.h"

#include <QImage>
#include <cstdlib>

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 200;

// Without a desktop, the wallpaper is the root window's background pixmap.
class RootPixmapTest : public ::testing::Test {
protected:
    RootPixmapTest() { setenv("DISPLAY", server.Display().c_str(), 1); }
    ~RootPixmapTest() override { unsetenv("DISPLAY"); }

    // Four quarters of distinct colours.
    std::string WritePicture(const char* name, QRgb first) {
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        image.fill(first);
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                if (x >= kWidth / 2 || y >= kHeight / 2)
                    image.setPixel(x, y, qRgb(x * 255 / kWidth, y * 255 / kHeight, 77));
        const std::string path = (sandbox.Root() / name).string();
        EXPECT_TRUE(image.save(QString::fromStdString(path), "BMP"));
        return path;
    }

    XWindows Windows() const { return {server.Connection(), server.Root()}; }

    SandBox sandbox;
    XvfbServer server{kWidth, kHeight};
};

TEST_F(RootPixmapTest, TheRootShowsThePictureAndTheNextChangeFreesThePreviousPixmap) {
    const std::string first = WritePicture("first.bmp", qRgb(200, 10, 30));
    ASSERT_EQ(SetRootWindowPixmap(first), 0);
    const QImage written(QString::fromStdString(first));
    const QImage shown = Windows().RootPixels(kWidth, kHeight);
    for (const QPoint point : {QPoint(0, 0), QPoint(100, 50), QPoint(319, 0), QPoint(160, 199),
                               QPoint(319, 199), QPoint(250, 120)})
        EXPECT_EQ(shown.pixel(point) & 0xffffff, written.pixel(point) & 0xffffff) << point.x();
    const xcb_pixmap_t firstPixmap = Windows().RootPixmap();
    ASSERT_NE(firstPixmap, XCB_NONE);
    EXPECT_TRUE(Windows().PixmapExists(firstPixmap));

    ASSERT_EQ(SetRootWindowPixmap(WritePicture("second.bmp", qRgb(5, 250, 5))), 0);
    EXPECT_EQ(Windows().RootPixels(kWidth, kHeight).pixel(10, 10) & 0xffffff, 0x05fa05u);
    const xcb_pixmap_t secondPixmap = Windows().RootPixmap();
    EXPECT_NE(secondPixmap, firstPixmap);
    EXPECT_FALSE(Windows().PixmapExists(firstPixmap));
    EXPECT_TRUE(Windows().PixmapExists(secondPixmap));

    EXPECT_EQ(SetRootWindowPixmap((sandbox.Root() / "missing.bmp").string()), ENOENT);
}

}  // namespace
