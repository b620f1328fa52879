#include "PictureFitting.h"

#include <gtest/gtest.h>

namespace {

struct TFitCase {
    const char* name;
    int pictureWidth, pictureHeight;
    bool fitBeforeTile, stretch;
    double maxSkew;
    int minSize;
    bool stretched;
    int width, height;
    double skew;
};

// On a 1280 x 1024 desktop unless the case says otherwise.
const TFitCase kFitCases[] = {
    {"AspectCloseEnoughIsStretched", 1600, 1200, true, true, 1.2, 300, true, 1280, 1024, 1.0667},
    {"TooSkewedIsFittedToTheWidth", 1920, 1080, true, true, 1.2, 300, false, 1280, 720, 1.4222},
    {"ReducedEvenWithoutFitBeforeTile", 1920, 1080, false, true, 1.2, 300, false, 1280, 720,
     1.4222},
    {"BelowTheMinimumNeitherStretchedNorEnlarged", 200, 100, true, true, 1.2, 300, false, 200, 100,
     1.6},
    // The limits themselves still allow.
    {"SkewExactlyAtTheMaximumIsStretched", 1875, 1000, true, true, 1.5, 300, true, 1280, 1024, 1.5},
    {"SidesExactlyAtTheMinimumAreStretched", 300, 300, true, true, 1.3, 300, true, 1280, 1024,
     1.25},
    {"NoSkewLimitStretchesAnything", 1920, 1080, true, true, -1, 300, true, 1280, 1024, 1.4222},
    {"NoMinimumStretchesSmallPictures", 200, 100, true, true, 2.0, -1, true, 1280, 1024, 1.6},
    {"NoMinimumEnlargesSmallPictures", 200, 100, true, false, 2.0, -1, false, 1280, 640, 1.6},
    {"DesktopSizedIsStretched", 1280, 1024, false, true, 1.2, 300, true, 1280, 1024, 1.0},
    {"DesktopSizedWithoutStretchIsDrawnAsItIs", 1280, 1024, false, false, 1.2, 300, false, 1280,
     1024, 1.0},
    {"TallPictureIsFittedToTheHeight", 1000, 2000, true, false, 1.2, 300, false, 512, 1024, 2.5},
    {"SmallPictureIsEnlargedToTheHeight", 500, 600, true, false, 1.2, 300, false, 853, 1024, 1.5},
    {"WithoutFitBeforeTileNeverEnlarged", 500, 600, false, false, 1.2, 300, false, 500, 600, 1.5},
    {"TooThinToShowTruncatesToNothing", 1, 5000, true, true, 1.2, 300, false, 0, 1024, 6250.0},
    {"NoPicture", 0, 100, true, true, 1.2, 300, false, 0, 0, 1.0},
    // The products of sides exceed 32 bits.
    {"HugeSidesDoNotOverflow", 3000000, 2000000, false, false, 1.2, 300, false, 1280, 853, 1.2},
};

class FitPictureSizeTest : public ::testing::TestWithParam<TFitCase> {};

TEST_P(FitPictureSizeTest, FollowsTheResizeRules) {
    const TFitCase& c = GetParam();
    const TFittedSize fit = FitPictureSize(c.pictureWidth, c.pictureHeight, 1280, 1024,
                                           c.fitBeforeTile, c.stretch, c.maxSkew, c.minSize);
    EXPECT_EQ(fit.Stretched, c.stretched);
    EXPECT_EQ(fit.Width, c.width);
    EXPECT_EQ(fit.Height, c.height);
    EXPECT_NEAR(fit.Skew, c.skew, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Cases, FitPictureSizeTest, ::testing::ValuesIn(kFitCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(FitPictureSizeTest, ADesktopWithoutAreaGetsNothing) {
    const TFittedSize fit = FitPictureSize(800, 600, 0, 1024, true, true, -1, 0);
    EXPECT_EQ(fit.Width, 0);
    EXPECT_EQ(fit.Height, 0);
    EXPECT_EQ(fit.Skew, 1.0);
}

TResizeRules Rules(bool fitAndCrop, bool tile, bool stretch = true) {
    TResizeRules rules;
    rules.FitAndCrop = fitAndCrop;
    rules.Tile = tile;
    rules.FitBeforeTile = true;
    rules.Stretch = stretch;
    rules.DesktopWidth = 1280;
    rules.DesktopHeight = 1024;
    return rules;
}

TEST(PlacePictureTest, FitAndCropTakesTheMiddleBandOfTheLongerSide) {
    const TPicturePlacement square = PlacePicture(1000, 1000, Rules(true, false));
    EXPECT_EQ(square.Source, QRect(0, 100, 1000, 800));
    EXPECT_EQ(square.Destination, QRect(0, 0, 1280, 1024));
    EXPECT_TRUE(square.Stretched);
    EXPECT_EQ(square.Skew, 1.0);

    EXPECT_EQ(PlacePicture(1000, 2000, Rules(true, true)).Source, QRect(0, 600, 1000, 800));
    EXPECT_EQ(PlacePicture(3000, 1000, Rules(true, true)).Source, QRect(875, 0, 1250, 1000));
}

TEST(PlacePictureTest, FittedPicturesAreCentredOrTiledFromTheCorner) {
    const TPicturePlacement centred = PlacePicture(1920, 1080, Rules(false, false));
    EXPECT_EQ(centred.Destination, QRect(0, 152, 1280, 720));
    EXPECT_FALSE(centred.Tiled);

    const TPicturePlacement tiled = PlacePicture(1920, 1080, Rules(false, true));
    EXPECT_EQ(tiled.Destination, QRect(0, 0, 1280, 720));
    EXPECT_TRUE(tiled.Tiled);
    EXPECT_EQ(tiled.Source, QRect(0, 0, 1920, 1080));
}

TEST(PlacePictureTest, FitAndCropBelowTheMinimumDrawsAtTheCornerWithoutTiles) {
    const TPicturePlacement small = PlacePicture(200, 100, Rules(true, true, false));
    EXPECT_EQ(small.Source, QRect(0, 0, 200, 100));
    EXPECT_EQ(small.Destination, QRect(0, 0, 200, 100));
    EXPECT_FALSE(small.Tiled);
    EXPECT_FALSE(small.Stretched);
}

}  // namespace
