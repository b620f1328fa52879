#include "RootPixmap.h"
#include "TestSupport.h"
#include "XcbReply.h"
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

    QImage RootPixels() {
        xcb_connection_t* x = server.Connection();
        XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
            x,
            xcb_get_image(x, XCB_IMAGE_FORMAT_Z_PIXMAP, server.Root(), 0, 0, kWidth, kHeight, ~0u),
            nullptr));
        if (!reply) return {};
        return QImage(xcb_get_image_data(reply.get()), kWidth, kHeight, QImage::Format_RGB32)
            .copy();
    }

    xcb_pixmap_t RootPixmapProperty() {
        xcb_connection_t* x = server.Connection();
        const char* name = "_XROOTPMAP_ID";
        XcbReply<xcb_intern_atom_reply_t> atom(
            xcb_intern_atom_reply(x, xcb_intern_atom(x, 1, 13, name), nullptr));
        XcbReply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
            x, xcb_get_property(x, 0, server.Root(), atom->atom, XCB_ATOM_PIXMAP, 0, 1), nullptr));
        if (!reply || xcb_get_property_value_length(reply.get()) != 4) return XCB_NONE;
        return *static_cast<xcb_pixmap_t*>(xcb_get_property_value(reply.get()));
    }

    bool PixmapExists(xcb_pixmap_t pixmap) {
        xcb_connection_t* x = server.Connection();
        XcbReply<xcb_get_geometry_reply_t> reply(
            xcb_get_geometry_reply(x, xcb_get_geometry(x, pixmap), nullptr));
        return reply != nullptr;
    }

    SandBox sandbox;
    XvfbServer server{kWidth, kHeight};
};

TEST_F(RootPixmapTest, TheRootShowsThePictureAndTheNextChangeFreesThePreviousPixmap) {
    const std::string first = WritePicture("first.bmp", qRgb(200, 10, 30));
    ASSERT_EQ(SetRootWindowPixmap(first), 0);
    const QImage written(QString::fromStdString(first));
    const QImage shown = RootPixels();
    for (const QPoint point : {QPoint(0, 0), QPoint(100, 50), QPoint(319, 0), QPoint(160, 199),
                               QPoint(319, 199), QPoint(250, 120)})
        EXPECT_EQ(shown.pixel(point) & 0xffffff, written.pixel(point) & 0xffffff) << point.x();
    const xcb_pixmap_t firstPixmap = RootPixmapProperty();
    ASSERT_NE(firstPixmap, XCB_NONE);
    EXPECT_TRUE(PixmapExists(firstPixmap));

    ASSERT_EQ(SetRootWindowPixmap(WritePicture("second.bmp", qRgb(5, 250, 5))), 0);
    EXPECT_EQ(RootPixels().pixel(10, 10) & 0xffffff, 0x05fa05u);
    const xcb_pixmap_t secondPixmap = RootPixmapProperty();
    EXPECT_NE(secondPixmap, firstPixmap);
    EXPECT_FALSE(PixmapExists(firstPixmap));
    EXPECT_TRUE(PixmapExists(secondPixmap));

    EXPECT_EQ(SetRootWindowPixmap((sandbox.Root() / "missing.bmp").string()), ENOENT);
}

}  // namespace
