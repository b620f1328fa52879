#include "BitmapFile.h"
#include "Error.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <cerrno>
#include <filesystem>

namespace {

TEST(BitmapFileTest, WritesA24BitBottomUpBitmap) {
    SandBox sandbox;
    QImage bitmap(3, 2, QImage::Format_ARGB32);
    const QRgb colours[] = {qRgb(255, 0, 0), qRgb(0, 255, 0),     qRgb(0, 0, 255),
                            qRgb(1, 2, 3),   qRgb(250, 251, 252), qRgb(128, 64, 32)};
    for (int i = 0; i < 6; ++i) bitmap.setPixel(i % 3, i / 3, colours[i]);
    const std::string path = (sandbox.Root() / "wallpaper.bmp").string();
    WriteBitmapFile(bitmap, path);
    ASSERT_EQ(FunStatContext.Status, fsPerfect);

    const std::string bytes = ReadWholeFile(path);
    ASSERT_EQ(bytes.size(), 54u + 2 * 12) << "rows padded to 4 bytes";
    EXPECT_EQ(bytes.substr(0, 2), "BM");
    EXPECT_EQ(static_cast<uint8_t>(bytes[28]), 24) << "bits per pixel";
    // The bottom row comes first, blue, green, red.
    EXPECT_EQ(static_cast<uint8_t>(bytes[54]), 3);
    EXPECT_EQ(static_cast<uint8_t>(bytes[56]), 1);
    const QImage read(QString::fromStdString(path));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(read.pixel(i % 3, i / 3), colours[i]) << i;

    // Large enough to be written in several chunks, each converted on several threads.
    QImage large(1001, 1500, QImage::Format_ARGB32);
    for (int y = 0; y < large.height(); ++y) {
        for (int x = 0; x < large.width(); ++x)
            large.setPixel(x, y, qRgb(x % 256, y % 256, (x ^ y) % 256));
    }
    WriteBitmapFile(large, path);
    EXPECT_EQ(QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_ARGB32), large);
}

TEST(BitmapFileTest, AFailedWriteLeavesNothingBehind) {
    SandBox sandbox;
    QImage bitmap(4, 4, QImage::Format_ARGB32);
    bitmap.fill(0xFF000000);
    const std::string path = (sandbox.Root() / "missing" / "wallpaper.bmp").string();
    WriteBitmapFile(bitmap, path);
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Description, "Failed to write file.");
    EXPECT_EQ(FunStatContext.Parameter1, path);
    EXPECT_EQ(FunStatContext.SystemErrorCode, ENOENT);

    // A file that was there is replaced whole, not written through: a link to it keeps the old.
    const std::string written = (sandbox.Root() / "wallpaper.bmp").string();
    const std::string linked = (sandbox.Root() / "shown.bmp").string();
    WriteBitmapFile(bitmap, written);
    ASSERT_EQ(link(written.c_str(), linked.c_str()), 0);
    bitmap.fill(0xFFFFFFFF);
    WriteBitmapFile(bitmap, written);
    EXPECT_NE(ReadWholeFile(written), ReadWholeFile(linked));
    for (const auto& entry : std::filesystem::directory_iterator(sandbox.Root()))
        EXPECT_FALSE(entry.path().filename().string().starts_with("wallpaper.bmp."))
            << entry.path();
}

}  // namespace
