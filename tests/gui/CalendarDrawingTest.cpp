#include "CalendarDrawing.h"
#include "Fonts.h"
#include "QtText.h"
#include "Text.h"

#include <gtest/gtest.h>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kWhite = 0xFFFFFFFF;
// Colours as PaintText takes them, 0x00BBGGRR.
constexpr uint32_t kBlackColour = 0x00000000;
constexpr uint32_t kRedColour = 0x000000FF;
constexpr uint32_t kBlueColour = 0x00FF0000;

// One PaintText call: opaque black bold text, no highlight, no effect; the highlight red in a
// blue frame.
struct TTextCall {
    std::string Text = "H";
    std::string Font = ToBytes(QFontInfo(QFont()).family());
    int HighlightTranslucency = 0;  // of both back and frame
    bool Highlight = false;
    int OutlineThickness = 0;
    bool Outline = false;
    int EffectTranslucency = 0;
    uint32_t EffectColor = kBlackColour;
    QPoint ShadowShift;
    bool Shadow = false;
    int TextTranslucency = 0;
    TTextAlignment LineAlignment = TTextAlignment::Near;
    TTextAlignment Alignment = TTextAlignment::Near;
    int Size = 20;
    QRectF Layout{0, 0, 40, 40};
};

QImage Painted(const TTextCall& call, int width = 100, int height = 60) {
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(kWhite);
    QPainter canvas(&image);
    canvas.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    TGraphics graphics{canvas};
    PaintText(graphics, call.Text, call.Font, call.HighlightTranslucency, kRedColour,
              call.HighlightTranslucency, kBlueColour, call.Highlight, call.OutlineThickness,
              call.Outline, call.EffectTranslucency, call.EffectColor, call.ShadowShift.y(),
              call.ShadowShift.x(), call.Shadow, call.TextTranslucency, kBlackColour,
              call.LineAlignment, call.Alignment, false, true, call.Size, call.Layout);
    EXPECT_EQ(graphics.LastStatus, 0);
    return image;
}

// The smallest rectangle that holds every pixel at least half inked (a channel below half), so
// that the faint edges anti-aliasing and hinting make differently do not count.
QRect Inked(const QImage& image) {
    QRect inked;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (std::min({qRed(pixel), qGreen(pixel), qBlue(pixel)}) < 128)
                inked |= QRect(x, y, 1, 1);
        }
    }
    return inked;
}

bool Holds(const std::vector<std::string>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(CalendarTextTest, TranslucentTextWithShadowDrawsOnlyTheShadow) {
    TTextCall call;
    const QImage text = Painted(call);
    call.TextTranslucency = 100;
    call.Shadow = true;
    call.ShadowShift = QPoint(50, 5);
    const QImage shadow = Painted(call);
    ASSERT_FALSE(Inked(text).isEmpty());
    EXPECT_EQ(Inked(shadow), Inked(text).translated(50, 5));
    for (int y = 0; y + 5 < text.height(); ++y) {
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(shadow.pixel(x + 50, y + 5), text.pixel(x, y)) << x << "," << y;
    }
}

TEST(CalendarTextTest, OutlinePathLandsWhereThePlainTextIsAligned) {
    const TTextAlignment alignments[] = {TTextAlignment::Near, TTextAlignment::Center,
                                         TTextAlignment::Far};
    const QRectF layout(10, 5, 100, 60);
    for (TTextAlignment horizontal : alignments) {
        for (TTextAlignment vertical : alignments) {
            SCOPED_TRACE(testing::Message() << "alignment " << static_cast<int>(horizontal)
                                            << ", line alignment " << static_cast<int>(vertical));
            TTextCall call;
            call.Alignment = horizontal;
            call.LineAlignment = vertical;
            call.Layout = layout;
            const QRect plain = Inked(Painted(call, 120, 70));
            // The outline left out (the effect invisible) leaves the path's fill alone.
            call.Outline = true;
            call.EffectTranslucency = 100;
            const QRect path = Inked(Painted(call, 120, 70));
            EXPECT_NEAR(path.left(), plain.left(), 1);
            EXPECT_NEAR(path.right(), plain.right(), 1);
            EXPECT_NEAR(path.top(), plain.top(), 1);
            EXPECT_NEAR(path.bottom(), plain.bottom(), 1);

            // Near, centre and far thirds of the layout.
            const QPointF middle = QRectF(plain).center() - layout.topLeft();
            EXPECT_EQ(static_cast<int>(middle.x() * 3 / layout.width()),
                      static_cast<int>(horizontal));
            EXPECT_EQ(static_cast<int>(middle.y() * 3 / layout.height()),
                      static_cast<int>(vertical));
        }
    }
}

TEST(CalendarTextTest, OutlineIsCentredOnTheGlyphEdges) {
    TTextCall call;
    call.Layout = QRectF(10, 10, 60, 40);
    call.Outline = true;
    call.EffectTranslucency = 100;
    const QImage fill = Painted(call);
    call.EffectTranslucency = 0;
    call.EffectColor = kRedColour;
    call.OutlineThickness = 5;
    const QImage outlined = Painted(call);
    // Half of the 5-pixel pen lies outside the glyphs; the fill covers the other half.
    const QRect inner = Inked(fill);
    const QRect grown = Inked(outlined);
    EXPECT_TRUE(grown.contains(inner.adjusted(-2, -2, 2, 2)));
    EXPECT_TRUE(inner.adjusted(-3, -3, 3, 3).contains(grown));
    const int middle = inner.center().y();
    EXPECT_EQ(outlined.pixel(inner.left() + 1, middle), 0xFF000000) << "the fill over the outline";
    EXPECT_EQ(outlined.pixel(inner.left() - 2, middle), 0xFFFF0000) << "the outline outside";
}

TEST(CalendarTextTest, InvisibleHighlightLeavesTheTextAsItIs) {
    TTextCall call;
    const QImage text = Painted(call);
    call.Highlight = true;
    call.HighlightTranslucency = 100;
    EXPECT_FALSE(Inked(text).isEmpty());
    EXPECT_EQ(Painted(call), text);
}

TEST(CalendarTextTest, TodayFrameOnWholePixelsCoversWholePixels) {
    TTextCall call;
    call.Text.clear();
    call.Highlight = true;
    call.Layout = QRectF(10, 10, 40, 20);
    const QImage image = Painted(call, 60, 40);
    EXPECT_EQ(image.pixel(9, 20), kWhite);
    EXPECT_EQ(image.pixel(10, 20), 0xFF0000FF);
    EXPECT_EQ(image.pixel(50, 20), 0xFF0000FF);
    EXPECT_EQ(image.pixel(30, 10), 0xFF0000FF);
    EXPECT_EQ(image.pixel(30, 30), 0xFF0000FF);
    EXPECT_EQ(image.pixel(30, 31), kWhite);
}

TEST(CalendarTextTest, ArialDrawsInTheFaceTheSystemMapsItTo) {
    if (!Holds(InstalledFontFamilies(), "Arial"))
        GTEST_SKIP() << "the system maps \"Arial\" onto no face of its own";
    TTextCall call;
    call.Font = "Arial";
    const QImage arial = Painted(call);
    call.Font = ToBytes(QFontInfo(QFont("Arial")).family());
    EXPECT_FALSE(Inked(arial).isEmpty());
    EXPECT_EQ(arial, Painted(call));
}

TEST(CalendarTextTest, TextOfNoSizeDrawsNothingButTheHighlight) {
    for (const int size : {0, -3}) {
        TTextCall call;
        call.Size = size;
        call.Highlight = true;
        // On half pixels the 1-pixel frame covers whole pixels.
        call.Layout = QRectF(10.5, 10.5, 40, 20);
        const QImage image = Painted(call, 60, 40);
        SCOPED_TRACE(testing::Message() << "at " << size);
        EXPECT_EQ(image.pixel(9, 20), kWhite);
        EXPECT_EQ(image.pixel(10, 20), 0xFF0000FF);
        QImage back(39, 19, image.format());
        back.fill(0xFFFF0000);
        EXPECT_EQ(image.copy(11, 11, 39, 19), back) << "no text on the back";
    }
}

TEST(FontsTest, InstalledFamiliesAreEveryFamilySortedOnceEachWithoutDefault) {
    const std::vector<std::string> families = InstalledFontFamilies();
    ASSERT_FALSE(families.empty());
    auto lower = [](std::string name) {
        std::transform(name.begin(), name.end(), name.begin(), AsciiLower);
        return name;
    };
    for (size_t i = 1; i < families.size(); ++i)
        EXPECT_LT(lower(families[i - 1]), lower(families[i]));
    EXPECT_FALSE(Holds(families, "Default"));
    for (const QString& family : QFontDatabase::families()) {
        const std::string name = ToBytes(family.section(QLatin1String(" ["), 0, 0));
        EXPECT_TRUE(Holds(families, name)) << name;
    }
}

}  // namespace
