#include "PictureScaling.h"
#include "PictureTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <QProcess>
#include <QStandardPaths>

namespace {

// Sharp edges and grain over smooth shading: what tells resamplers apart.
QImage DetailedPicture() {
    QImage image = SmoothPicture(300, 200);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((x / 12 + y / 12) % 5 == 0) image.setPixel(x, y, qRgb((x * 7) % 256, 240, 20));
            if ((x * 13 + y * 7) % 17 == 0) image.setPixel(x, y, qRgb(255, 255, 255));
        }
    }
    return image;
}

QImage Resized(const QImage& picture, const QSize& size) {
    QImage result(size, QImage::Format_ARGB32);
    result.fill(0);
    DrawPictureRect(result, result.rect(), UprightView(picture), QRectF(picture.rect()));
    return result;
}

// The reference for "bicubic": ImageMagick's Catmull-Rom resize of the same picture.
TEST(PictureScalingTest, MatchesImageMagicksCatmullRomBothWays) {
    if (QStandardPaths::findExecutable("convert").isEmpty()) GTEST_SKIP() << "no ImageMagick";
    SandBox sandbox;
    const QImage picture = DetailedPicture();
    const QString source = QString::fromStdString((sandbox.Root() / "source.png").string());
    const QString result = QString::fromStdString((sandbox.Root() / "result.png").string());
    ASSERT_TRUE(picture.save(source));
    for (const QSize& size : {QSize(137, 91), QSize(701, 467)}) {
        const QString geometry = QStringLiteral("%1x%2!").arg(size.width()).arg(size.height());
        ASSERT_EQ(QProcess::execute("convert",
                                    {source, "-filter", "Catrom", "-resize", geometry, result}),
                  0);
        const QImage reference(result);
        ASSERT_EQ(reference.size(), size);
        const double psnr = Psnr(Resized(picture, size), reference);
        EXPECT_GE(psnr, 40.0) << size.width() << "x" << size.height();
        RecordProperty(
            QStringLiteral("psnr_%1x%2").arg(size.width()).arg(size.height()).toStdString(),
            std::to_string(psnr));
    }
}

TEST(PictureScalingTest, FlatAreasStayExactlyFlat) {
    QImage flat(97, 61, QImage::Format_RGB32);
    flat.fill(qRgb(1, 128, 254));
    for (const QSize& size : {QSize(13, 7), QSize(500, 333), QSize(1, 1)}) {
        const QImage result = Resized(flat, size);
        for (int y = 0; y < size.height(); ++y) {
            for (int x = 0; x < size.width(); ++x) ASSERT_EQ(result.pixel(x, y), qRgb(1, 128, 254));
        }
    }
}

}  // namespace
