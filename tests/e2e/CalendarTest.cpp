#include "EndToEndTest.h"

#include <QImage>
#include <fstream>

namespace fs = std::filesystem;

namespace {

constexpr QRgb kPictureColor = 0x336699;

class CalendarTest : public EndToEndTest {
protected:
    CalendarTest() : EndToEndTest(1280, 1024) {}
};

TEST_F(CalendarTest, TheDefaultCalendarStandsAtItsPlaceOnTheWallpaper) {
    // A plain picture, due at the first tick; the default skin, place and margin.
    const fs::path pictures = Sandbox().Home() / "my pictures";
    QImage picture(1280, 1024, QImage::Format_RGB32);
    picture.fill(kPictureColor);
    ASSERT_TRUE(picture.save(QString::fromStdString((pictures / "plain.png").string())));
    WriteOptions("[Wallpaper]\r\nIsAutoChange=TRUE\r\n\r\n[DirectoryList]\r\nCount=1\r\nTitle0=" +
                 pictures.string() + "\r\nActive0=TRUE\r\n");
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));
    ASSERT_TRUE(PollUntil([&] { return Windows().RootPixmap() != XCB_NONE; }));

    // The calendar is 302 pixels wide and 253 to 301 high, depending on the month, from
    // (20 + 1240 x 0.7, 20 + 984 x 0.15).
    const QImage root = Windows().RootPixels(1280, 1024);
    int changed = 0;
    for (int y = 167; y < 167 + 253; y += 3)
        for (int x = 888; x < 888 + 302; x += 3)
            changed += (root.pixel(x, y) & 0xffffff) != kPictureColor;
    EXPECT_GT(changed, 5000) << "the back covers the calendar";
    for (const QPoint outside : {QPoint(880, 300), QPoint(1200, 300), QPoint(1000, 160),
                                 QPoint(1000, 475), QPoint(100, 100), QPoint(1270, 1010)})
        EXPECT_EQ(root.pixel(outside) & 0xffffff, kPictureColor)
            << outside.x() << "," << outside.y();
}

}  // namespace
