#include "Error.h"
#include "MyGDIPlus.h"
#include "PictureDecoding.h"
#include "PictureTestSupport.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/stat.h>
#include <QBuffer>
#include <QImageReader>
#include <algorithm>
#include <cerrno>
#include <tuple>

namespace {

namespace fs = std::filesystem;

// Four quadrants of distinct colours; opaque.
const QRgb kTopLeft = qRgb(200, 30, 30);
const QRgb kTopRight = qRgb(30, 200, 30);
const QRgb kBottomLeft = qRgb(30, 30, 200);
const QRgb kBottomRight = qRgb(220, 220, 40);

QImage Quadrants(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2;
            image.setPixel(x, y,
                           y < height / 2 ? (right ? kTopRight : kTopLeft)
                                          : (right ? kBottomRight : kBottomLeft));
        }
    }
    return image;
}

// 0x00BBGGRR, as the options store colours.
constexpr uint32_t kFillColour = 0x00D08010;
const QRgb kFill = qRgb(0x10, 0x80, 0xD0);

TResizeRules Desktop(int width, int height) {
    TResizeRules rules;
    rules.DesktopWidth = width;
    rules.DesktopHeight = height;
    return rules;
}

class PictureLoadingTest : public ::testing::Test {
protected:
    void SetUp() override { FunStatContext.Reset(fsPerfect); }

    std::string Save(const QImage& image, const std::string& name, const char* format = "png") {
        const std::string path = (sandbox.Root() / name).string();
        WriteBytes(path, EncodePicture(image, format));
        return path;
    }

    QImage Load(const std::string& fileName, const TResizeRules& rules,
                const TPictureEffects& effects = {}, const TDecodeLimits& limits = {}) {
        QImage bitmap(1, 1, QImage::Format_ARGB32);
        LoadTilePictureToBitmap(fileName, bitmap, kFillColour, &skew, &factor, effects, rules,
                                limits);
        return bitmap;
    }

    // The failure says why: the system's error code, or words containing reason.
    void ExpectLoadFailure(const std::string& fileName, int error, const std::string& reason,
                           const TDecodeLimits& limits = {}) {
        skew = factor = -1.0;
        const QImage bitmap = Load(fileName, Desktop(64, 48), {}, limits);
        EXPECT_TRUE(bitmap.isNull()) << "the slot is emptied";
        EXPECT_EQ(skew, 1.0);
        EXPECT_EQ(factor, 0.0);
        EXPECT_EQ(FunStatContext.Status, fsError);
        EXPECT_EQ(FunStatContext.Function, "LoadTilePictureToBitmap");
        EXPECT_EQ(FunStatContext.Description, "Failed to load picture.");
        EXPECT_EQ(FunStatContext.Parameter1, fileName);
        EXPECT_EQ(FunStatContext.SystemErrorCode, error) << fileName;
        EXPECT_NE(FunStatContext.Parameter2.find(reason), std::string::npos)
            << fileName << ": " << FunStatContext.Parameter2;
    }

    SandBox sandbox;
    double skew = 0.0;
    double factor = 0.0;
};

TEST_F(PictureLoadingTest, StretchedPictureCoversTheDesktop) {
    TResizeRules rules = Desktop(64, 48);
    rules.MinStretchSize = 0;
    const QImage bitmap = Load(Save(Quadrants(40, 32), "q.png"), rules);
    ASSERT_EQ(bitmap.size(), QSize(64, 48));
    EXPECT_EQ(bitmap.format(), QImage::Format_ARGB32);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_NEAR(skew, (64.0 / 48) / (40.0 / 32), 1e-9);
    EXPECT_TRUE(SameColour(bitmap.pixel(10, 10), kTopLeft));
    EXPECT_TRUE(SameColour(bitmap.pixel(54, 10), kTopRight));
    EXPECT_TRUE(SameColour(bitmap.pixel(10, 38), kBottomLeft));
    EXPECT_TRUE(SameColour(bitmap.pixel(54, 38), kBottomRight));
}

TEST_F(PictureLoadingTest, SmallPictureIsCentredOnTheFillingColourPixelForPixel) {
    const QImage picture = Quadrants(20, 10);
    const QImage bitmap = Load(Save(picture, "small.png"), Desktop(64, 48));
    EXPECT_NEAR(skew, 2.0 / (64.0 / 48), 1e-9);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            const bool inside = x >= 22 && x < 42 && y >= 19 && y < 29;
            const QRgb expected = inside ? picture.pixel(x - 22, y - 19) : kFill;
            ASSERT_EQ(bitmap.pixel(x, y), expected) << x << "," << y;
        }
    }
}

TEST_F(PictureLoadingTest, TilesRepeatTheFirstTileWithoutSeams) {
    const QImage picture = Quadrants(20, 10);
    TResizeRules rules = Desktop(64, 48);
    rules.Tile = true;
    const QImage bitmap = Load(Save(picture, "tile.png"), rules);
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(bitmap.pixel(x, y), picture.pixel(x % 20, y % 10)) << x << "," << y;
    }
}

TEST_F(PictureLoadingTest, FitAndCropShowsOnlyTheMiddleBand) {
    // Red above row 8 and blue from row 32: the middle 20 rows and the filter's reach around
    // them are green.
    QImage picture(40, 40, QImage::Format_RGB32);
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x)
            picture.setPixel(x, y,
                             y < 8     ? qRgb(255, 0, 0)
                             : y >= 32 ? qRgb(0, 0, 255)
                                       : qRgb(0, 255, 0));
    }
    TResizeRules rules = Desktop(64, 32);
    rules.FitAndCrop = true;
    rules.MinStretchSize = 0;
    const QImage bitmap = Load(Save(picture, "band.png"), rules);
    EXPECT_EQ(skew, 1.0);
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 64; ++x)
            ASSERT_EQ(bitmap.pixel(x, y), qRgb(0, 255, 0)) << x << "," << y;
    }
}

TEST_F(PictureLoadingTest, FitAndCropBelowTheMinimumDrawsAtTheCorner) {
    const QImage picture = Quadrants(20, 10);
    TResizeRules rules = Desktop(64, 48);
    rules.FitAndCrop = true;
    rules.Tile = true;
    const QImage bitmap = Load(Save(picture, "corner.png"), rules);
    EXPECT_EQ(bitmap.pixel(0, 0), kTopLeft);
    EXPECT_EQ(bitmap.pixel(19, 9), kBottomRight);
    EXPECT_EQ(bitmap.pixel(20, 0), kFill) << "not tiled";
    EXPECT_EQ(bitmap.pixel(32, 24), kFill) << "not centred";
}

TEST_F(PictureLoadingTest, APictureTooThinToShowLeavesTheFillingColour) {
    QImage thin(1, 5000, QImage::Format_RGB32);
    thin.fill(qRgb(255, 255, 255));
    const std::string path = Save(thin, "1x5000.png");
    // Fitted, its width truncates to nothing; fitted and cropped, its band's height does.
    TResizeRules tiled = Desktop(64, 48);
    tiled.Tile = true;
    TResizeRules cropped = Desktop(64, 48);
    cropped.FitAndCrop = true;
    cropped.MinStretchSize = 0;
    for (const TResizeRules& rules : {tiled, cropped}) {
        const QImage bitmap = Load(path, rules);
        ASSERT_EQ(FunStatContext.Status, fsPerfect);
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x) ASSERT_EQ(bitmap.pixel(x, y), kFill) << rules.FitAndCrop;
        }
    }
}

TEST_F(PictureLoadingTest, TransparentPartsShowTheFillingColour) {
    QImage picture(8, 8, QImage::Format_ARGB32);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x)
            picture.setPixel(x, y, x < 4 ? qRgba(255, 255, 255, 0) : qRgba(250, 20, 20, 255));
    }
    TResizeRules rules = Desktop(32, 32);
    rules.MinStretchSize = 0;
    const QImage bitmap = Load(Save(picture, "transparent.png"), rules);
    EXPECT_EQ(bitmap.pixel(2, 16), kFill);
    EXPECT_EQ(bitmap.pixel(29, 16), qRgb(250, 20, 20));
    // Normalization changes the picture, never the filling seen through it.
    TPictureEffects effects;
    effects.NormalizeBrightness = true;
    effects.NormalizeMethod = "Balanced scaling";
    effects.NormalizeLevel = 0.2;
    EXPECT_EQ(Load(Save(picture, "transparent.png"), rules, effects).pixel(2, 16), kFill);
    // Half-way along the edge, half and half.
    const QRgb edge = bitmap.pixel(15, 16);
    EXPECT_GT(qRed(edge), qRed(kFill));
    EXPECT_LT(qRed(edge), 250);
    for (int x = 0; x < 32; ++x) EXPECT_EQ(qAlpha(bitmap.pixel(x, 16)), 255);
}

TEST_F(PictureLoadingTest, GammaCurvesThePictureNotTheFilling) {
    QImage gray(10, 10, QImage::Format_RGB32);
    gray.fill(qRgb(128, 128, 128));
    const std::string path = Save(gray, "gray.png");
    // (gamma, expected channel): 255 * (128 / 255) ^ (gamma / 100).
    for (const auto& [gamma, expected] :
         {std::pair{100, 128}, {1, 253}, {50, 181}, {1000, 0}, {0, 128}, {1001, 128}}) {
        TPictureEffects effects;
        effects.Gamma = gamma;
        const QImage bitmap = Load(path, Desktop(30, 30), effects);
        EXPECT_EQ(bitmap.pixel(15, 15), qRgb(expected, expected, expected)) << gamma;
        EXPECT_EQ(bitmap.pixel(0, 0), kFill) << gamma;
    }
}

TEST_F(PictureLoadingTest, NormalizationComesFirstAndReportsItsFactor) {
    QImage dark(10, 10, QImage::Format_RGB32);
    dark.fill(qRgb(64, 64, 64));
    TPictureEffects effects;
    effects.NormalizeBrightness = true;
    effects.NormalizeMethod = "Balanced scaling";
    effects.NormalizeLevel = 0.5;
    const QImage bitmap = Load(Save(dark, "dark.png"), Desktop(30, 30), effects);
    EXPECT_DOUBLE_EQ(factor, 0.5 / (64 / 255.0));
    // f = (F - 1)(1 - v) + 1 with v = 64 / 255: 64 * 1.743 = 111.5.
    EXPECT_EQ(bitmap.pixel(15, 15), qRgb(111, 111, 111));

    Load(Save(dark, "dark.png"), Desktop(30, 30));
    EXPECT_EQ(factor, 0.0) << "not normalized";
}

// Noise and a fine checkerboard: averaging pixels, as a reduced decode does, changes their
// brightness the most.
QImage NoisyPicture(int width, int height) {
    QImage image = SmoothPicture(width, height);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const QRgb pixel = image.pixel(x, y);
            const int noise = static_cast<int>(seed >> 24) - 128;
            image.setPixel(x, y,
                           qRgb(std::clamp(qRed(pixel) / 3 + noise, 0, 255),
                                std::clamp(qGreen(pixel) / 3 + noise, 0, 255),
                                std::clamp(qBlue(pixel) / 3 + noise, 0, 255)));
        }
    return image;
}

QImage Checkerboard(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, (x + y) % 2 ? qRgb(200, 0, 0) : qRgb(0, 0, 120));
    return image;
}

TEST_F(PictureLoadingTest, NormalizationMeasuresTheWholePictureWhateverTheDesktopsSize) {
    TPictureEffects effects;
    effects.NormalizeBrightness = true;
    effects.NormalizeMethod = "Mirrored scaling";
    effects.NormalizeLevel = 0.6;
    effects.Gamma = 80;
    for (const auto& [name, picture] :
         {std::pair{"noise", NoisyPicture(800, 600)}, {"checkerboard", Checkerboard(800, 600)}}) {
        SCOPED_TRACE(name);
        for (const char* format : {"jpg", "png"}) {
            const std::string path = Save(picture, std::string(name) + "." + format, format);
            QImage decoded(QString::fromStdString(path));
            const double exact = NormalizationFactor(0.6, GetPictureBright(decoded).MeanBrightness);
            for (const QSize desktop : {QSize(800, 600), QSize(200, 150), QSize(0, 0)}) {
                const QImage bitmap =
                    Load(path, Desktop(desktop.width(), desktop.height()), effects);
                EXPECT_DOUBLE_EQ(factor, exact) << format << " on " << desktop.width();
            }
            // The full-resolution order: normalized, then drawn with gamma.
            const PictureBrightness brightness = GetPictureBright(decoded);
            NormalizePictureBrightness(decoded, effects.NormalizeMethod, 0.6,
                                       brightness.MeanBrightness, brightness.BrightnessDeviation);
            QImage expected(200, 150, QImage::Format_ARGB32);
            const TGammaTable gamma = GammaTable(80);
            DrawPictureRect(expected, expected.rect(), UprightView(decoded), decoded.rect(),
                            &gamma);
            EXPECT_GE(Psnr(Load(path, Desktop(200, 150), effects), expected), 40.0) << format;
        }
    }
}

TEST_F(PictureLoadingTest, AnEmptyFileNameDoesNothing) {
    QImage bitmap(3, 3, QImage::Format_ARGB32);
    skew = factor = -1.0;
    LoadTilePictureToBitmap("", bitmap, kFillColour, &skew, &factor, {}, Desktop(64, 48));
    EXPECT_EQ(bitmap.size(), QSize(3, 3));
    EXPECT_EQ(skew, 1.0);
    EXPECT_EQ(factor, 0.0);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

TEST_F(PictureLoadingTest, PicturesThatCannotBeDecodedFailWithTheirReason) {
    const fs::path root = sandbox.Root();
    const std::string fifo = (root / "fifo.jpg").string();
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    fs::create_symlink("loop.jpg", root / "loop.jpg");
    WriteBytes((root / "text.jpg").string(), "just some text\n");
    const std::string tooLong = (root / (std::string(300, 'n') + ".jpg")).string();

    const std::tuple<std::string, int, std::string> cases[] = {
        {fifo, 0, "Not a regular file."},
        {"/dev/null", 0, "Not a regular file."},
        {root.string(), EISDIR, ""},
        {(root / "missing.jpg").string(), ENOENT, ""},
        {(root / "loop.jpg").string(), ELOOP, ""},
        {tooLong, ENAMETOOLONG, ""},
        {TestData("empty.png"), 0, "Not a picture"},
        {(root / "text.jpg").string(), 0, "Not a picture"},
        {TestData("corrupted.jpg"), 0, "JPEG"},
        {TestData("claims-100000x100000.png"), 0, "more than 400 megapixels"},
    };
    for (const auto& [path, error, reason] : cases) ExpectLoadFailure(path, error, reason);
}

TEST_F(PictureLoadingTest, APictureThatNeedsMoreMemoryThanTheBudgetIsRefused) {
    TDecodeLimits limits;
    limits.MemoryBudget = 1 << 20;
    // Decoded whole.
    const std::string bmp = Save(Quadrants(1000, 1000), "4mb.bmp", "bmp");
    ExpectLoadFailure(bmp, 0, "needs 4 MB of memory; 1 MB can be spared", limits);
    // Decoded 128 rows at a time: a small picture fits, a wide one does not.
    Load(Save(Quadrants(1000, 1000), "4mb.png"), Desktop(64, 48), {}, limits);
    EXPECT_EQ(FunStatContext.Status, fsPerfect) << FunStatContext.GetReport();
    ExpectLoadFailure(Save(Quadrants(4000, 200), "wide.png"), 0,
                      "needs 3 MB of memory; 1 MB can be spared", limits);
    // A progressive photograph keeps all its coefficients until the last scan.
    const std::string jpeg = (sandbox.Root() / "progressive.jpg").string();
    WriteBytes(jpeg, JpegWithEmptyScans(2048, 1024, 2));
    ExpectLoadFailure(jpeg, 0, "needs 4 MB of memory", limits);

    limits.MemoryBudget = 5 << 20;
    Load(bmp, Desktop(64, 48), {}, limits);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

TEST_F(PictureLoadingTest, AJpegWithAbsurdlyManyScansIsRefusedAtTheFirstScanTooMany) {
    const std::string path = (sandbox.Root() / "scans.jpg").string();
    WriteBytes(path, JpegWithEmptyScans(64, 64, TJpegDecoder::kMaxScans));
    Load(path, Desktop(64, 48));
    EXPECT_EQ(FunStatContext.Status, fsPerfect) << FunStatContext.GetReport();

    // Qt, which decodes the colours of print, would take them all.
    for (int components : {1, 4}) {
        WriteBytes(path, JpegWithEmptyScans(64, 64, TJpegDecoder::kMaxScans + 1, components));
        ExpectLoadFailure(path, 0, "more than 256 scans");
    }
}

// Progress that lets the work go on for a number of looks, then asks it to give up.
TDecodeLimits GivingUpAfter(int looks) {
    TDecodeLimits limits;
    limits.Progress = [looks]() mutable {
        return looks-- > 0;
    };
    return limits;
}

TEST_F(PictureLoadingTest, ALongDecodeIsGivenUpWhenProgressSaysSo) {
    const std::string jpeg = (sandbox.Root() / "slow.jpg").string();
    WriteBytes(jpeg, JpegWithEmptyScans(1024, 1024, 200));
    const std::string png = Save(SmoothPicture(600, 3000), "tall.png");
    for (const std::string& path : {jpeg, png}) {
        for (int looks : {0, 5, 50}) ExpectLoadFailure(path, ECANCELED, "", GivingUpAfter(looks));
    }
}

// A JPEG whose frame header claims another size, its data cut short: decoded as far as it goes.
QByteArray ClaimingSize(int width, int height) {
    QByteArray jpeg = EncodePicture(Quadrants(16, 16), "jpeg");
    const qsizetype frame = jpeg.indexOf("\xFF\xC0");
    jpeg[frame + 5] = static_cast<char>(height >> 8);
    jpeg[frame + 6] = static_cast<char>(height & 0xFF);
    jpeg[frame + 7] = static_cast<char>(width >> 8);
    jpeg[frame + 8] = static_cast<char>(width & 0xFF);
    return jpeg;
}

TEST_F(PictureLoadingTest, PhotographsOf300MegapixelsLoadAndLargerClaimsFail) {
    const std::string large = (sandbox.Root() / "300mp.jpg").string();
    WriteBytes(large, ClaimingSize(20000, 15000));
    const QImage bitmap = Load(large, Desktop(64, 48));
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_EQ(bitmap.size(), QSize(64, 48));

    const std::string absurd = (sandbox.Root() / "600mp.jpg").string();
    WriteBytes(absurd, ClaimingSize(30000, 20000));
    ExpectLoadFailure(absurd, 0, "30000 x 20000 pixels, more than 400 megapixels");
}

TEST_F(PictureLoadingTest, TheContentNotTheNameTellsTheFormat) {
    const QImage bitmap = Load(TestData("png-with-jpeg-extension.jpg"), Desktop(8, 4));
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_EQ(bitmap.pixel(0, 0), qRgb(0x10, 0xC0, 0x20));
    EXPECT_EQ(bitmap.pixel(7, 3), qRgb(0xC0, 0x20, 0x10));
}

TEST_F(PictureLoadingTest, EveryKindOfPixelIsDecoded) {
    QImage gray(8, 8, QImage::Format_Grayscale8);
    gray.fill(qRgb(90, 90, 90));
    QImage deep(8, 8, QImage::Format_RGBA64);
    deep.fill(QColor(200, 100, 50));
    const std::pair<std::string, QRgb> cases[] = {
        {TestData("cmyk.jpg"), qRgb(0xE0, 0x20, 0x20)},
        {Save(gray, "gray.jpg", "jpeg"), qRgb(90, 90, 90)},
        {Save(deep, "16-bit.png"), qRgb(200, 100, 50)},
    };
    for (const auto& [path, colour] : cases) {
        const QImage bitmap = Load(path, Desktop(8, 8));
        EXPECT_EQ(FunStatContext.Status, fsPerfect) << path;
        EXPECT_TRUE(SameColour(bitmap.pixel(4, 4), colour, 6)) << path;
    }
}

// libpng's pixels as Qt gives them, at most 1 apart where 16-bit samples are rounded to 8 bits:
// decoded whole, and drawn from bands over the filling colour, fitted and cropped so that the
// rows below the part shown are left undecoded.
TEST_F(PictureLoadingTest, EveryKindOfPngDecodesAsQtDecodesIt) {
    const struct {
        const char* Name;
        TPngLayout Layout;
        int Tolerance;
    } cases[] = {
        {"palette of 1 bit", {PNG_COLOR_TYPE_PALETTE, 1}, 0},
        {"palette of 4 bits, transparent entries", {PNG_COLOR_TYPE_PALETTE, 4, true}, 0},
        {"palette of 8 bits, indices past its end", {PNG_COLOR_TYPE_PALETTE, 8, true}, 0},
        {"grey of 1 bit", {PNG_COLOR_TYPE_GRAY, 1}, 0},
        {"grey of 2 bits, a transparent level", {PNG_COLOR_TYPE_GRAY, 2, true}, 0},
        {"grey, a transparent level", {PNG_COLOR_TYPE_GRAY, 8, true}, 0},
        {"grey of 16 bits", {PNG_COLOR_TYPE_GRAY, 16}, 1},
        {"grey of 16 bits, a transparent level", {PNG_COLOR_TYPE_GRAY, 16, true}, 1},
        {"grey and alpha", {PNG_COLOR_TYPE_GRAY_ALPHA, 8}, 0},
        {"grey and alpha of 16 bits", {PNG_COLOR_TYPE_GRAY_ALPHA, 16}, 1},
        {"RGB", {PNG_COLOR_TYPE_RGB, 8}, 0},
        {"RGB, a transparent colour", {PNG_COLOR_TYPE_RGB, 8, true}, 0},
        {"RGBA", {PNG_COLOR_TYPE_RGBA, 8}, 0},
        {"RGBA of 16 bits", {PNG_COLOR_TYPE_RGBA, 16}, 1},
        {"interlaced RGBA", {PNG_COLOR_TYPE_RGBA, 8, false, true}, 0},
        {"interlaced palette", {PNG_COLOR_TYPE_PALETTE, 8, true, true}, 0},
    };
    for (const auto& [name, layout, tolerance] : cases) {
        SCOPED_TRACE(name);
        const std::string path = (sandbox.Root() / "kind.png").string();
        WriteBytes(path, NoisePng(layout, 30, 40));
        QImage qt(QString::fromStdString(path));
        ASSERT_TRUE(ConvertToArgb32(qt));

        TPictureFile file;
        TDecodedPicture decoded;
        ASSERT_TRUE(file.Open(path) && file.Decode(qt.rect(), 1, decoded)) << file.Failure().Reason;
        EXPECT_EQ(file.CanDecodeInBands(), !layout.Interlaced);
        ASSERT_EQ(decoded.Pixels.size(), qt.size());
        EXPECT_EQ(decoded.HasAlpha, qt.hasAlphaChannel());
        for (int y = 0; y < qt.height(); ++y) {
            for (int x = 0; x < qt.width(); ++x) {
                const QRgb ours = decoded.Pixels.pixel(x, y);
                const QRgb theirs = qt.pixel(x, y);
                ASSERT_TRUE(SameColour(ours, theirs, tolerance) &&
                            std::abs(qAlpha(ours) - qAlpha(theirs)) <= tolerance)
                    << std::hex << ours << " for " << theirs << " at " << std::dec << x << "," << y;
            }
        }

        TResizeRules rules = Desktop(64, 48);
        rules.FitAndCrop = true;
        const QImage bitmap = Load(path, rules);
        const TPicturePlacement place = PlacePicture(qt.width(), qt.height(), rules);
        QImage expected(64, 48, QImage::Format_ARGB32);
        expected.fill(kFill);
        DrawPictureRect(expected, place.Destination, UprightView(qt), QRectF(place.Source));
        ASSERT_EQ(bitmap.size(), expected.size());
        for (int y = 0; y < 48; ++y) {
            for (int x = 0; x < 64; ++x)
                ASSERT_TRUE(SameColour(bitmap.pixel(x, y), expected.pixel(x, y), 2 * tolerance))
                    << std::hex << bitmap.pixel(x, y) << " for " << expected.pixel(x, y) << " at "
                    << std::dec << x << "," << y;
        }
    }
}

// Qt 6.4 reads these rows out of step (it has libpng leave out the alpha channel it then reads),
// so the same noise without the transparent colour is the reference.
TEST_F(PictureLoadingTest, A16BitColourPngShowsThroughItsTransparentColour) {
    const std::string path = (sandbox.Root() / "transparent-colour.png").string();
    WriteBytes(path, NoisePng({PNG_COLOR_TYPE_RGB, 16, true}, 30, 40));
    QImage opaque = QImage::fromData(NoisePng({PNG_COLOR_TYPE_RGB, 16}, 30, 40));
    ASSERT_TRUE(ConvertToArgb32(opaque));
    TPictureFile file;
    TDecodedPicture decoded;
    ASSERT_TRUE(file.Open(path) && file.Decode(opaque.rect(), 1, decoded));
    ASSERT_TRUE(decoded.HasAlpha);
    for (int y = 0; y < opaque.height(); ++y) {
        for (int x = 0; x < opaque.width(); ++x) {
            const QRgb pixel = decoded.Pixels.pixel(x, y);
            if ((x + y) % 3 == 0) {
                ASSERT_EQ(qAlpha(pixel), 0) << x << "," << y;
            } else {
                ASSERT_EQ(qAlpha(pixel), 255) << x << "," << y;
                ASSERT_TRUE(SameColour(pixel, opaque.pixel(x, y), 1)) << x << "," << y;
            }
        }
    }
}

TEST_F(PictureLoadingTest, ADamagedPngFailsWithItsReason) {
    const QByteArray png = EncodePicture(SmoothPicture(200, 300), "png");
    const std::string cut = (sandbox.Root() / "cut.png").string();
    WriteBytes(cut, png.left(png.size() / 2));
    ExpectLoadFailure(cut, 0, "The file ends before the picture does.");
    QByteArray changed = png;
    changed[changed.size() / 2] = static_cast<char>(changed[changed.size() / 2] ^ 0x55);
    const std::string damaged = (sandbox.Root() / "damaged.png").string();
    WriteBytes(damaged, changed);
    ExpectLoadFailure(damaged, 0, "IDAT: CRC error");
}

TEST_F(PictureLoadingTest, AFileNameThatIsNotUtf8Loads) {
    const std::string path = (sandbox.Root() / "not-utf8-\xff.jpg").string();
    WriteBytes(path, EncodePicture(Quadrants(16, 16), "jpeg"));
    const QImage bitmap = Load(path, Desktop(16, 16));
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_TRUE(SameColour(bitmap.pixel(2, 2), kTopLeft, 8));
}

TEST_F(PictureLoadingTest, APhotographTakenSidewaysIsShownUpright) {
    // Stored 32 x 16, red left and blue right, to be turned a quarter clockwise.
    TResizeRules rules = Desktop(16, 32);
    rules.Stretch = false;
    const QImage bitmap = Load(TestData("exif-rotated.jpg"), rules);
    ASSERT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_EQ(skew, 1.0) << "the upright size decides";
    EXPECT_TRUE(SameColour(bitmap.pixel(8, 4), qRgb(255, 0, 0), 24));
    EXPECT_TRUE(SameColour(bitmap.pixel(8, 27), qRgb(0, 0, 255), 24));
}

// Every EXIF orientation against Qt's own reading of the same file.
TEST_F(PictureLoadingTest, EveryOrientationMatchesWhatViewersShow) {
    const QByteArray jpeg = EncodePicture(Quadrants(24, 12), "jpeg");
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QByteArray bytes = WithOrientation(jpeg, orientation);
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        const QImage expected = reader.read();
        const std::string path = (sandbox.Root() / "oriented.jpg").string();
        WriteBytes(path, bytes);
        TResizeRules rules = Desktop(expected.width(), expected.height());
        rules.Stretch = false;
        const QImage bitmap = Load(path, rules);
        ASSERT_EQ(bitmap.size(), expected.size()) << orientation;
        for (const QPoint& at :
             {QPoint(2, 2), QPoint(expected.width() - 3, 2), QPoint(2, expected.height() - 3),
              QPoint(expected.width() - 3, expected.height() - 3)}) {
            EXPECT_TRUE(SameColour(bitmap.pixel(at), expected.pixel(at), 2))
                << "orientation " << orientation << " at " << at.x() << "," << at.y();
        }
    }
}

// A large JPEG drawn small is decoded at a reduction and only in part; the result must match
// the full decoding drawn the same way, whatever the orientation. (Half a reduced pixel out of
// place costs some 10 dB here.)
TEST_F(PictureLoadingTest, ReducedPartialDecodingMatchesTheFullPicture) {
    const QByteArray jpeg = EncodePicture(SmoothPicture(1600, 1200), "jpeg", 92);
    for (int orientation : {1, 6, 3}) {
        const QByteArray bytes = WithOrientation(jpeg, orientation);
        const std::string path = (sandbox.Root() / "large.jpg").string();
        WriteBytes(path, bytes);
        QBuffer buffer;
        buffer.setData(bytes);
        QImageReader reader(&buffer);
        reader.setAutoTransform(true);
        const QImage full = reader.read().convertToFormat(QImage::Format_RGB32);

        // Fit and crop on a wide desktop (1/8 and 1/4), and drawn large (no reduction).
        for (const QSize& desktop : {QSize(200, 100), QSize(300, 120), QSize(900, 500)}) {
            TResizeRules rules = Desktop(desktop.width(), desktop.height());
            rules.FitAndCrop = true;
            const QImage bitmap = Load(path, rules);
            ASSERT_EQ(bitmap.size(), desktop);

            const TPicturePlacement place = PlacePicture(full.width(), full.height(), rules);
            QImage expected(desktop, QImage::Format_ARGB32);
            DrawPictureRect(expected, place.Destination, UprightView(full), QRectF(place.Source));
            EXPECT_GT(Psnr(bitmap, expected), 48.0) << "orientation " << orientation << " on "
                                                    << desktop.width() << "x" << desktop.height();
        }
    }
}

TEST(PictureExtensionsTest, ListWhatTheDecodersRead) {
    TExtensionList extensions = {".STALE"};
    GetPictureExtensions(extensions);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    for (const char* expected : {".BMP", ".GIF", ".JPEG", ".JPG", ".PNG", ".TIFF", ".WEBP"})
        EXPECT_TRUE(extensions.contains(expected)) << expected;
    EXPECT_FALSE(extensions.contains(".stale"));
    EXPECT_TRUE(extensions.contains(".jpg"));  // letter case ignored

    const std::string filter = GetPictureExtensionsAsFilter();
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_TRUE(filter.starts_with("*.")) << filter;
    EXPECT_FALSE(filter.ends_with(";")) << filter;
    EXPECT_NE(filter.find("*.jpg;"), std::string::npos) << filter;
    EXPECT_EQ(filter.find_first_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ"), std::string::npos) << filter;
    // One mask per extension: the two lists name the same formats.
    EXPECT_EQ(static_cast<size_t>(std::count(filter.begin(), filter.end(), ';')) + 1,
              extensions.size());
}

}  // namespace
