#pragma once

#include <QPainter>
#include <QRect>
#include <QRectF>
#include <array>
#include <cstdint>
#include <string_view>

// The calendar's drawing on the wallpaper. The caller gives a painter on the wallpaper bitmap
// with QPainter::Antialiasing and QPainter::TextAntialiasing on; rectangle backs and the separator
// switch antialiasing off while they fill, so that their edges stay sharp, and back on after.
// Rectangles are in pixels of the bitmap. Text needs a QGuiApplication (fonts); the rest does not.

// The painter on the wallpaper and the status of its last failing drawing call (0 when none;
// 3 when the pixels of a banded back could not be allocated).
struct TGraphics {
    QPainter& Canvas;
    int LastStatus = 0;
};

enum class TTextAlignment { Near = 0, Center = 1, Far = 2 };

// Colours are 0x00BBGGRR; ARGB values 0xAARRGGBB (QColor::fromRgba takes them). Translucencies
// are percentages, 0 opaque to 100 invisible.

// Clamped to 0..100, then (1 - t / 100) * 255 rounded, halves up.
uint8_t TranslucencyToAlpha(int translucency);
uint32_t ToArgb(uint32_t color, int translucency);

// Draws text (UTF-8) on one line in layout, placed by alignment (horizontally) and line alignment
// (vertically), in the family fontName at size pixels (FontFamilyToDraw: a family that is not
// installed draws in the system's substitute); plain text and its shadow are clipped to their
// rectangles. A size below 1 draws no text, an empty layout nothing at all. highlight first fills
// layout and frames it with a 1-pixel pen. The effect colour draws the shadow, shifted by the
// shifts, under the text when shadow is set, or else the outline, a pen of outlineThickness centred
// on the glyph edges, when outline is set. A translucency of 100 leaves its part out. Exceptions
// are reported under "PaintText" and go no further.
void PaintText(TGraphics& graphics, std::string_view text, std::string_view fontName,
               int highlightBackTranslucency, uint32_t highlightBackColor,
               int highlightFrameTranslucency, uint32_t highlightFrameColor, bool highlight,
               int outlineThickness, bool outline, int effectTranslucency, uint32_t effectColor,
               int verticalShadowShift, int horizontalShadowShift, bool shadow,
               int textTranslucency, uint32_t textColor, TTextAlignment lineAlignment,
               TTextAlignment alignment, bool italic, bool bold, int size, const QRectF& layout);

// A plain back: the ellipse inscribed in rect (anti-aliased) or rect itself (sharp), filled and
// outlined with a 1-pixel pen. An empty rect draws nothing.
void PaintSimpleBack(TGraphics& graphics, bool oval, const QRect& rect, uint32_t fillArgb,
                     uint32_t lineArgb);

// A back whose colour runs in bands from its edge to a centre point: bandArgb[0] at the edge,
// then each next band bandDistances[i] percent further in (the last band and the centre colour
// take what is left, and distances beyond 100 in all collapse into the centre), centreArgb at
// the centre point. The centre point lies the shifts (percent of the size) from rect's top left
// corner; the focus (percent) widens it into the back's shape scaled around it, all in the centre
// colour. Outlined with a 1-pixel pen in lineArgb: anti-aliased for the oval, sharp for the
// rectangle. Only the part on the canvas is computed.
void PaintBandedBack(TGraphics& graphics, bool oval, const QRect& rect,
                     const std::array<uint32_t, 7>& bandArgb, uint32_t centreArgb,
                     const std::array<int, 6>& bandDistances, int horizontalCentreShift,
                     int verticalCentreShift, int horizontalFocus, int verticalFocus,
                     uint32_t lineArgb);

// Fills rect sharply with a colour that runs from leftArgb at its left edge to rightArgb at its
// right edge.
void PaintSeparator(TGraphics& graphics, const QRect& rect, uint32_t leftArgb, uint32_t rightArgb);
