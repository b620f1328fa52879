#include "CalendarDrawing.h"

#include <gtest/gtest.h>
#include <QImage>
#include <cstdlib>

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0xFFFF0000;
constexpr uint32_t kBlue = 0xFF0000FF;
constexpr uint32_t kBlack = 0xFF000000;

// A canvas of that size in background, painted by paint through a painter set up as the
// wallpaper's is.
template <class Paint>
QImage Painted(int width, int height, uint32_t background, Paint paint) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    QPainter canvas(&image);
    canvas.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    TGraphics graphics{canvas};
    paint(graphics);
    EXPECT_TRUE(canvas.testRenderHint(QPainter::Antialiasing));
    EXPECT_EQ(graphics.LastStatus, 0);
    canvas.end();
    return image;
}

// Bands that run linearly from black at the edge to white at the centre point.
QImage GreyBandedBack(bool oval, const QRect& rect, int horizontalShift, int verticalShift,
                      int focus, int canvasWidth = 220, int canvasHeight = 120) {
    return Painted(canvasWidth, canvasHeight, kBlue, [&](TGraphics& graphics) {
        PaintBandedBack(graphics, oval, rect,
                        {kBlack, kBlack, kBlack, kBlack, kBlack, kBlack, kBlack}, kWhite,
                        {0, 0, 0, 0, 0, 0}, horizontalShift, verticalShift, focus, focus, kBlack);
    });
}

int Red(const QImage& image, int x, int y) {
    return qRed(image.pixel(x, y));
}

TEST(CalendarDrawingTest, TranslucencyToAlphaRoundsHalvesUpAndClamps) {
    const int alphas[] = {255, 242, 230, 217, 204, 191, 179, 166, 153, 140, 128,
                          115, 102, 89,  77,  64,  51,  38,  26,  13,  0};
    for (int i = 0; i <= 20; ++i) EXPECT_EQ(TranslucencyToAlpha(i * 5), alphas[i]) << i * 5;
    EXPECT_EQ(TranslucencyToAlpha(-5), 255);
    EXPECT_EQ(TranslucencyToAlpha(105), 0);
}

TEST(CalendarDrawingTest, ToArgbPutsRedHighAndBlueLow) {
    EXPECT_EQ(ToArgb(0x00336699, 50), 0x80996633u);
    EXPECT_EQ(ToArgb(0x000000FF, 0), 0xFFFF0000u);
}

TEST(CalendarDrawingTest, RectangleBackHasSharpEdges) {
    const QImage image = Painted(40, 30, kWhite, [](TGraphics& graphics) {
        PaintSimpleBack(graphics, false, QRect(10, 10, 20, 10), kRed, kBlue);
    });
    // The outline lies on the first and one past the last row and column.
    const struct {
        int X, Y;
        uint32_t Colour;
    } pixels[] = {{9, 15, kWhite}, {10, 15, kBlue},  {11, 15, kRed},  {29, 15, kRed},
                  {30, 15, kBlue}, {31, 15, kWhite}, {15, 9, kWhite}, {15, 10, kBlue},
                  {15, 11, kRed},  {15, 19, kRed},   {15, 20, kBlue}, {15, 21, kWhite}};
    for (const auto& p : pixels) EXPECT_EQ(image.pixel(p.X, p.Y), p.Colour) << p.X << "," << p.Y;
}

TEST(CalendarDrawingTest, OvalBackIsAntiAliased) {
    const QImage image = Painted(40, 30, kWhite, [](TGraphics& graphics) {
        PaintSimpleBack(graphics, true, QRect(5, 5, 30, 20), kRed, kRed);
    });
    EXPECT_EQ(image.pixel(5, 5), kWhite);
    EXPECT_EQ(image.pixel(20, 15), kRed);
    // Along the middle row, the first pixel the oval touches is only partly covered.
    int x = 0;
    while (image.pixel(x, 15) == kWhite) ++x;
    EXPECT_GT(qGreen(image.pixel(x, 15)), 0);
    EXPECT_LT(qGreen(image.pixel(x, 15)), 255);
}

TEST(CalendarDrawingTest, BandsLieAtTheirDistancesFromTheEdge) {
    // Stops every tenth of the way, red rising by 40 a stop, blue falling: red = 400 s up to the
    // sixth stop.
    std::array<uint32_t, 7> bands{};
    for (uint32_t i = 0; i < 7; ++i) bands[i] = 0xFF000000 | (40 * i) << 16 | (255 - 40 * i);
    const QImage image = Painted(220, 120, kWhite, [&](TGraphics& graphics) {
        PaintBandedBack(graphics, false, QRect(10, 10, 200, 100), bands, kRed,
                        {10, 10, 10, 10, 10, 10}, 50, 50, 0, 0, kBlack);
    });
    // The centre point is (110, 60); s = 1 - distance / half the width or height.
    const struct {
        int X, Y, Red;
    } pixels[] = {{14, 60, 18},   {30, 60, 82},  {60, 60, 202}, {190, 60, 78},
                  {109, 59, 255}, {110, 20, 84}, {110, 95, 116}};
    for (const auto& p : pixels) {
        const QRgb pixel = image.pixel(p.X, p.Y);
        EXPECT_NEAR(qRed(pixel), p.Red, 1) << p.X << "," << p.Y;
        EXPECT_NEAR(qBlue(pixel), 255 - p.Red, 1) << p.X << "," << p.Y;
        EXPECT_EQ(qGreen(pixel), 0);
    }
    EXPECT_EQ(image.pixel(10, 60), kBlack);
    EXPECT_EQ(image.pixel(211, 60), kWhite);
}

TEST(CalendarDrawingTest, RectangleBandsHaveNoSeamAcrossTheDiagonals) {
    const QImage image = GreyBandedBack(false, QRect(10, 10, 200, 100), 50, 50, 0);
    // Row 30 crosses the diagonal from the centre point to the top right corner near x = 169,
    // column 170 near y = 30; red changes by 2.55 a pixel along a row, 5.1 along a column.
    for (int x = 150; x < 190; ++x)
        EXPECT_LE(std::abs(Red(image, x + 1, 30) - Red(image, x, 30)), 3) << x;
    for (int y = 15; y < 45; ++y)
        EXPECT_LE(std::abs(Red(image, 170, y + 1) - Red(image, 170, y)), 6) << y;
}

TEST(CalendarDrawingTest, BandsBeyondAHundredPercentCollapseIntoTheCentre) {
    constexpr uint32_t kGreen = 0xFF00FF00;
    const QImage image = Painted(220, 120, kWhite, [](TGraphics& graphics) {
        PaintBandedBack(graphics, false, QRect(10, 10, 200, 100),
                        {kBlack, 0xFF780000, 0xFFF00000, kGreen, kGreen, kGreen, kGreen}, kGreen,
                        {60, 60, 10, 10, 10, 10}, 50, 50, 0, 0, kBlack);
    });
    // Stops at 0, 0.6 and 1: black, red 120, red 240; the green ones never show.
    EXPECT_NEAR(Red(image, 40, 60), 61, 1);
    EXPECT_NEAR(Red(image, 109, 59), 237, 1);
    for (int x = 11; x < 210; ++x) EXPECT_EQ(qGreen(image.pixel(x, 59)), 0) << x;
}

TEST(CalendarDrawingTest, BandsRunAlongRaysFromTheCentrePointOutsideTheFocus) {
    // Red = 255 s on the centre point's row. With a focus of 50 all is the centre colour half-way
    // to the edge, and s = (1 - ratio) / (1 - 0.5) beyond; the oval's centre point (60, 60) lies
    // a quarter of the way across.
    const struct {
        bool Oval;
        int HorizontalShift, Focus, X, Red;
    } rows[] = {{false, 50, 50, 150, 255}, {false, 50, 50, 189, 105}, {false, 50, 50, 30, 105},
                {true, 25, 0, 20, 54},     {true, 25, 0, 35, 130},    {true, 25, 0, 84, 213},
                {true, 25, 0, 150, 101},   {true, 25, 0, 200, 16}};
    for (const auto& row : rows) {
        const QImage image =
            GreyBandedBack(row.Oval, QRect(10, 10, 200, 100), row.HorizontalShift, 50, row.Focus);
        EXPECT_NEAR(Red(image, row.X, 60), row.Red, 1) << row.Oval << " at " << row.X;
    }
    // The oval leaves its bounding rectangle's corners as they were.
    EXPECT_EQ(GreyBandedBack(true, QRect(10, 10, 200, 100), 25, 50, 0).pixel(12, 12), kBlue);
}

TEST(CalendarDrawingTest, OvalBeyondTheCanvasPaintsItsVisiblePartAsAWholeOneWould) {
    const QImage whole = GreyBandedBack(true, QRect(0, 0, 100, 80), 50, 50, 0, 100, 80);
    const QImage clipped = GreyBandedBack(true, QRect(-50, -40, 100, 80), 50, 50, 0, 40, 30);
    for (int y = 0; y < clipped.height(); ++y) {
        for (int x = 0; x < clipped.width(); ++x)
            ASSERT_EQ(clipped.pixel(x, y), whole.pixel(x + 50, y + 40)) << x << "," << y;
    }
}

TEST(CalendarDrawingTest, EmptyBacksDrawNothing) {
    const QImage image = Painted(20, 20, kWhite, [](TGraphics& graphics) {
        PaintSimpleBack(graphics, false, QRect(5, 5, 0, 10), kRed, kRed);
        PaintBandedBack(graphics, true, QRect(5, 5, 10, 0), {}, kRed, {}, 50, 50, 0, 0, kRed);
        PaintSeparator(graphics, QRect(5, 5, 0, 1), kRed, kRed);
    });
    EXPECT_EQ(image, Painted(20, 20, kWhite, [](TGraphics&) {}));
}

TEST(CalendarDrawingTest, SeparatorFadesFromLeftToRightWithSharpEdges) {
    const QImage image = Painted(100, 6, 0, [](TGraphics& graphics) {
        PaintSeparator(graphics, QRect(0, 1, 100, 4), kRed, kBlue);
    });
    EXPECT_NEAR(Red(image, 0, 2), 255, 3);
    EXPECT_NEAR(qBlue(image.pixel(99, 2)), 255, 3);
    EXPECT_NEAR(Red(image, 50, 2), 126, 3);
    EXPECT_NEAR(qBlue(image.pixel(50, 2)), 128, 3);
    for (int x : {0, 50, 99}) {
        EXPECT_EQ(qAlpha(image.pixel(x, 1)) + qAlpha(image.pixel(x, 4)), 2 * 255) << x;
        EXPECT_EQ(image.pixel(x, 0) | image.pixel(x, 5), 0u) << x;
    }
}

}  // namespace
