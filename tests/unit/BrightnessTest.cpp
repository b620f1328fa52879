#include "Error.h"
#include "MyGDIPlus.h"

#include <gtest/gtest.h>
#include <cmath>

namespace {

QImage OnePixel(int red, int green, int blue, int alpha = 255) {
    QImage image(1, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgba(red, green, blue, alpha));
    return image;
}

TEST(GetPictureBrightTest, MeasuresTheBrightestChannelOfEveryPixel) {
    QImage image(2, 1, QImage::Format_ARGB32);
    image.setPixel(0, 0, qRgb(0, 0, 0));
    image.setPixel(1, 0, qRgb(10, 255, 30));
    const PictureBrightness brightness = GetPictureBright(image);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    // Integer mean 255 / 2 = 127; mean square (127² + 128²) / 2 = 16256, truncated.
    EXPECT_DOUBLE_EQ(brightness.MeanBrightness, 127 / 255.0);
    EXPECT_DOUBLE_EQ(brightness.BrightnessDeviation, std::sqrt(16256.0) / 255.0);

    const PictureBrightness gray =
        GetPictureBright(OnePixel(64, 32, 16).convertToFormat(QImage::Format_RGB888));
    EXPECT_DOUBLE_EQ(gray.MeanBrightness, 64 / 255.0);
    EXPECT_DOUBLE_EQ(gray.BrightnessDeviation, 0.0);
}

TEST(GetPictureBrightTest, APictureWithoutPixelsCannotBeLocked) {
    GetPictureBright(QImage());
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Function, "GetPictureBright");
    EXPECT_EQ(FunStatContext.Description, "Failed to lock bitmap bits");

    QImage none;
    NormalizePictureBrightness(none, kBalancedScaling, 0.5, 0.25, 0.2);
    EXPECT_EQ(FunStatContext.Function, "NormalizePictureBrightness");
    EXPECT_EQ(FunStatContext.Description, "Failed to lock bitmap bits");
}

struct TNormalizationCase {
    const char* name;
    const char* method;
    double level, mean, deviation;
    QRgb before, after;
    double factor;
};

const TNormalizationCase kNormalizationCases[] = {
    {"BalancedBrighteningSparesLightPixels", "Balanced scaling", 0.5, 0.25, 0, qRgb(100, 50, 25),
     qRgb(160, 80, 40), 2.0},
    {"BalancedBrighteningLeavesWhite", "Balanced scaling", 0.5, 0.25, 0, qRgb(255, 255, 255),
     qRgb(255, 255, 255), 2.0},
    {"BalancedDarkeningScalesEveryPixel", "Balanced scaling", 0.5, 0.8, 0, qRgb(200, 100, 50),
     qRgb(125, 62, 31), 0.625},
    {"MirroredBrighteningWorksOnTheInvertedScale", "Mirrored scaling", 0.5, 0.25, 0,
     qRgb(55, 155, 205), qRgb(121, 188, 221), 2.0},
    {"MirroredDarkeningScalesEveryPixel", "Mirrored scaling", 0.5, 0.8, 0, qRgb(200, 100, 50),
     qRgb(125, 62, 31), 0.625},
    {"AnisotropicLeavesBlack", "Anisotropic dampening", 0.5, 0.25, 0.2, qRgb(0, 0, 0),
     qRgb(0, 0, 0), 2.0},
    {"AnisotropicDampensWhite", "Anisotropic dampening", 0.5, 0.25, 0.2, qRgb(255, 255, 255),
     qRgb(135, 135, 135), 2.0},
    {"AnisotropicScalesByBrightness", "Anisotropic dampening", 0.5, 0.25, 0.2, qRgb(200, 100, 50),
     qRgb(109, 54, 27), 2.0},
    {"MethodsIgnoreLetterCase", "BALANCED scaling", 0.5, 0.8, 0, qRgb(200, 100, 50),
     qRgb(125, 62, 31), 0.625},
    {"AnUnknownMethodLeavesThePixels", "Sharpening", 0.5, 0.25, 0, qRgb(100, 50, 25),
     qRgb(100, 50, 25), 2.0},
    {"ABlackPictureStaysBlack", "Balanced scaling", 0.5, 0.0, 0, qRgb(0, 0, 0), qRgb(0, 0, 0),
     50.0},
    {"LevelAndMeanAreClamped", "Balanced scaling", 1.5, 2.0, 0, qRgb(200, 100, 50),
     qRgb(200, 100, 50), 1.0},
};

class NormalizePictureBrightnessTest : public ::testing::TestWithParam<TNormalizationCase> {};

TEST_P(NormalizePictureBrightnessTest, RescalesTowardsTheLevel) {
    const TNormalizationCase& c = GetParam();
    // Alpha is carried through untouched.
    QImage image = OnePixel(qRed(c.before), qGreen(c.before), qBlue(c.before), 77);
    const double factor = NormalizePictureBrightness(image, c.method, c.level, c.mean, c.deviation);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_DOUBLE_EQ(factor, c.factor);
    const QRgb after = image.pixel(0, 0);
    EXPECT_EQ(qRed(after), qRed(c.after));
    EXPECT_EQ(qGreen(after), qGreen(c.after));
    EXPECT_EQ(qBlue(after), qBlue(c.after));
    EXPECT_EQ(qAlpha(after), 77);
}

INSTANTIATE_TEST_SUITE_P(Examples, NormalizePictureBrightnessTest,
                         ::testing::ValuesIn(kNormalizationCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(NormalizePictureBrightnessTest, ChannelsNeverPassWhite) {
    EXPECT_EQ(ScaleChannel(200, 2.0), 255);
    EXPECT_EQ(ScaleChannel(100, 1.6078), 160);
    EXPECT_EQ(MirrorScaleChannel(200, 2.0, false), 255);
    EXPECT_EQ(MirrorScaleChannel(55, 0.5 / 0.75, true), 121);
    EXPECT_EQ(MirrorScaleChannel(0, 0.0, true), 255);
}

TEST(GammaTest, AppliesFromOneToAThousandExceptAHundred) {
    for (int gamma : {1, 50, 99, 101, 1000}) EXPECT_TRUE(GammaApplies(gamma)) << gamma;
    for (int gamma : {-5, 0, 100, 1001}) EXPECT_FALSE(GammaApplies(gamma)) << gamma;

    // 255 * (128 / 255) ^ (gamma / 100): above 100 darker, below lighter.
    EXPECT_EQ(GammaTable(1)[128], 253);
    EXPECT_EQ(GammaTable(50)[128], 181);
    EXPECT_EQ(GammaTable(200)[128], 64);
    EXPECT_EQ(GammaTable(1000)[128], 0);
    for (int gamma : {1, 50, 1000}) {
        EXPECT_EQ(GammaTable(gamma)[0], 0);
        EXPECT_EQ(GammaTable(gamma)[255], 255);
    }
}

}  // namespace
