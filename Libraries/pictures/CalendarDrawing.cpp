#include "CalendarDrawing.h"

#include "Fonts.h"
#include "ParallelRows.h"
#include "QtText.h"
#include "StatusScope.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

constexpr int kStatusOutOfMemory = 3;
constexpr double kFar = std::numeric_limits<double>::infinity();

QColor ArgbColor(uint32_t argb) {
    return QColor::fromRgba(argb);
}

// The caller's painter draws everything else smoothed; only these fills are sharp.
void SetSmoothing(QPainter& canvas, bool on) {
    canvas.setRenderHint(QPainter::Antialiasing, on);
}

Qt::Alignment HorizontalFlag(TTextAlignment alignment) {
    switch (alignment) {
        case TTextAlignment::Center:
            return Qt::AlignHCenter;
        case TTextAlignment::Far:
            return Qt::AlignRight;
        case TTextAlignment::Near:
            break;
    }
    return Qt::AlignLeft;
}

Qt::Alignment VerticalFlag(TTextAlignment alignment) {
    switch (alignment) {
        case TTextAlignment::Center:
            return Qt::AlignVCenter;
        case TTextAlignment::Far:
            return Qt::AlignBottom;
        case TTextAlignment::Near:
            break;
    }
    return Qt::AlignTop;
}

// Where in a span of length room something of length extent starts.
qreal AlignedOffset(TTextAlignment alignment, qreal room, qreal extent) {
    switch (alignment) {
        case TTextAlignment::Center:
            return (room - extent) / 2;
        case TTextAlignment::Far:
            return room - extent;
        case TTextAlignment::Near:
            break;
    }
    return 0;
}

// The start of the baseline that drawText would use for this text in layout, so that an outline
// made from a path lands on the same pixels as the plain text would. Text sits on whole-pixel
// baselines, and so does the path.
QPointF BaselineOrigin(const QFont& font, const QString& text, const QRectF& layout,
                       TTextAlignment alignment, TTextAlignment lineAlignment) {
    const QFontMetricsF metrics(font);
    const qreal x = AlignedOffset(alignment, layout.width(), metrics.horizontalAdvance(text));
    const qreal y =
        AlignedOffset(lineAlignment, layout.height(), metrics.ascent() + metrics.descent());
    return {layout.left() + x, std::round(layout.top() + y + metrics.ascent())};
}

// A colour stop's channels premultiplied by alpha, in 0..255, so that bands blend into
// translucent neighbours without dark fringes.
struct TPremultiplied {
    double A = 0, R = 0, G = 0, B = 0;
};

TPremultiplied Premultiply(uint32_t argb) {
    const double alpha = static_cast<double>(argb >> 24);
    const double scale = alpha / 255.0;
    return {alpha, ((argb >> 16) & 0xFF) * scale, ((argb >> 8) & 0xFF) * scale,
            (argb & 0xFF) * scale};
}

// The eight colour stops of a banded back from its edge (0) to its centre point (1).
class TBandBlend {
public:
    TBandBlend(const std::array<uint32_t, 7>& bandArgb, uint32_t centreArgb,
               const std::array<int, 6>& bandDistances) {
        for (size_t i = 0; i < bandArgb.size(); ++i) m_colours[i] = Premultiply(bandArgb[i]);
        m_colours[7] = Premultiply(centreArgb);
        m_positions[0] = 0.0;
        for (size_t i = 0; i < bandDistances.size(); ++i) {
            m_positions[i + 1] =
                std::clamp(m_positions[i] + bandDistances[i] / 100.0, m_positions[i], 1.0);
        }
        m_positions[7] = 1.0;
        for (size_t i = 0; i + 1 < m_positions.size(); ++i) {
            const double width = m_positions[i + 1] - m_positions[i];
            m_inverseWidths[i] = width > 0 ? 1.0 / width : 0.0;
        }
    }

    // The premultiplied pixel at s (0..1), scaled by the coverage of an anti-aliased edge.
    uint32_t Pixel(double s, double coverage) const {
        size_t i = 0;
        while (i + 2 < m_positions.size() && s > m_positions[i + 1]) ++i;
        const double t = (s - m_positions[i]) * m_inverseWidths[i];
        const TPremultiplied& from = m_colours[i];
        const TPremultiplied& to = m_colours[i + 1];
        auto channel = [&](double a, double b) {
            return static_cast<uint32_t>((a + (b - a) * t) * coverage + 0.5);
        };
        return channel(from.A, to.A) << 24 | channel(from.R, to.R) << 16 |
               channel(from.G, to.G) << 8 | channel(from.B, to.B);
    }

private:
    std::array<double, 8> m_positions{};
    std::array<double, 7> m_inverseWidths{};
    std::array<TPremultiplied, 8> m_colours{};
};

// The blend parameter of a pixel from ratio, its distance from the centre point as a fraction of
// the way to the back's edge along the same ray, and focusRatio, the same against the edge of the
// focus area: 1 inside the focus area, falling linearly to 0 at the edge outside it.
double BandParameter(double ratio, double focusRatio) {
    if (ratio >= 1.0) return 0.0;
    if (focusRatio <= 1.0) return 1.0;
    return (1.0 - ratio) / (1.0 - ratio / focusRatio);
}

// For a ray from the centre point in direction v, both in the ellipse's unit-circle coordinates
// (u the centre point's place, v relative to it), the fraction of the way to the ellipse that v
// reaches: 1 / t for the far root of |u + t v| = 1.
double EllipseRatio(double ux, double uy, double vx, double vy) {
    const double vv = vx * vx + vy * vy;
    const double uv = ux * vx + uy * vy;
    const double discriminant = uv * uv + vv * (1.0 - ux * ux - uy * uy);
    if (discriminant < 0) return kFar;
    const double denominator = std::sqrt(discriminant) - uv;
    return denominator > 0 ? vv / denominator : kFar;
}

// For a rectangle the ratio along the ray is the largest of the ratios towards each side, which
// keeps the bands continuous across the diagonals. d is the pixel's offset from the centre point,
// before and after the distances from the centre point to the sides it faces.
double SideRatio(double d, double before, double after) {
    if (d > 0) return after > 0 ? d / after : kFar;
    if (d < 0) return before > 0 ? -d / before : kFar;
    return 0.0;
}

double FocusRatio(double ratio, double focus) {
    if (ratio <= 0) return 0.0;
    return focus > 0 ? ratio / focus : kFar;
}

// Fills every pixel of image from the (ratio, focus ratio) pair ratios gives for it, scaled by the
// mask's coverage where there is a mask. Rows are independent, so they are shared out.
template <class Ratios>
void FillBands(QImage& image, const QImage* mask, const TBandBlend& blend, Ratios ratios) {
    uchar* const bits = image.bits();
    const qsizetype stride = image.bytesPerLine();
    const int width = image.width();
    ParallelRows(image.height(), std::max(16, (1 << 16) / std::max(width, 1)),
                 [&](int first, int last) {
                     for (int y = first; y < last; ++y) {
                         auto* out = reinterpret_cast<uint32_t*>(bits + y * stride);
                         const uchar* coverage = mask ? mask->constScanLine(y) : nullptr;
                         for (int x = 0; x < width; ++x) {
                             if (coverage && coverage[x] == 0) {
                                 out[x] = 0;
                                 continue;
                             }
                             const auto [ratio, focusRatio] = ratios(x, y);
                             out[x] = blend.Pixel(BandParameter(ratio, focusRatio),
                                                  coverage ? coverage[x] / 255.0 : 1.0);
                         }
                     }
                 });
}

// The coverage of the ellipse inscribed in rect over the pixels of visible, anti-aliased as the
// plain oval back is.
QImage EllipseMask(const QRect& rect, const QRect& visible) {
    QImage mask(visible.size(), QImage::Format_Alpha8);
    if (mask.isNull()) return mask;
    mask.fill(0);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.translate(-visible.topLeft());
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    painter.drawEllipse(QRectF(rect));
    return mask;
}

// The bands of the back over the part of it on the canvas, in premultiplied ARGB; a null image
// when its pixels could not be allocated.
QImage BandedPixels(bool oval, const QRect& rect, const QRect& visible, QPointF centre,
                    double horizontalFocus, double verticalFocus, const TBandBlend& blend) {
    QImage image(visible.size(), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return image;
    // Pixel centres, relative to the centre point.
    auto dx = [&](int x) {
        return visible.left() + x + 0.5 - centre.x();
    };
    auto dy = [&](int y) {
        return visible.top() + y + 0.5 - centre.y();
    };

    if (oval) {
        const QImage mask = EllipseMask(rect, visible);
        if (mask.isNull()) return {};
        const double a = rect.width() / 2.0;
        const double b = rect.height() / 2.0;
        const double ux = (centre.x() - (rect.left() + a)) / a;
        const double uy = (centre.y() - (rect.top() + b)) / b;
        const bool focused = horizontalFocus > 0 && verticalFocus > 0;
        FillBands(image, &mask, blend, [&](int x, int y) {
            const double vx = dx(x) / a;
            const double vy = dy(y) / b;
            // The focus ellipse is the back's scaled around the centre point: in its own unit
            // coordinates the centre point sits where it does in the back's.
            const double focusRatio =
                focused ? EllipseRatio(ux, uy, vx / horizontalFocus, vy / verticalFocus) : kFar;
            return std::pair(EllipseRatio(ux, uy, vx, vy), focusRatio);
        });
        return image;
    }

    const double left = centre.x() - rect.left();
    const double right = rect.left() + rect.width() - centre.x();
    const double top = centre.y() - rect.top();
    const double bottom = rect.top() + rect.height() - centre.y();
    std::vector<std::pair<double, double>> columns(static_cast<size_t>(visible.width()));
    for (int x = 0; x < visible.width(); ++x) {
        const double ratio = SideRatio(dx(x), left, right);
        columns[static_cast<size_t>(x)] = {ratio, FocusRatio(ratio, horizontalFocus)};
    }
    std::vector<std::pair<double, double>> rows(static_cast<size_t>(visible.height()));
    for (int y = 0; y < visible.height(); ++y) {
        const double ratio = SideRatio(dy(y), top, bottom);
        rows[static_cast<size_t>(y)] = {ratio, FocusRatio(ratio, verticalFocus)};
    }
    FillBands(image, nullptr, blend, [&](int x, int y) {
        const auto& column = columns[static_cast<size_t>(x)];
        const auto& row = rows[static_cast<size_t>(y)];
        return std::pair(std::max(column.first, row.first), std::max(column.second, row.second));
    });
    return image;
}

// x + shift percent of size, the product taken whole and the sum truncated.
int ShiftedCoordinate(int x, int shift, int size) {
    return static_cast<int>(x + static_cast<double>(static_cast<int64_t>(shift) * size) / 100.0);
}

}  // namespace

uint8_t TranslucencyToAlpha(int translucency) {
    const int t = std::clamp(translucency, 0, 100);
    // (1 - t / 100) * 255 = (100 - t) * 51 / 20, rounded half up in integers.
    return static_cast<uint8_t>(((100 - t) * 51 + 10) / 20);
}

uint32_t ToArgb(uint32_t color, int translucency) {
    return static_cast<uint32_t>(TranslucencyToAlpha(translucency)) << 24 | (color & 0xFF) << 16 |
           (color & 0xFF00) | (color >> 16 & 0xFF);
}

void PaintText(TGraphics& graphics, std::string_view text, std::string_view fontName,
               int highlightBackTranslucency, uint32_t highlightBackColor,
               int highlightFrameTranslucency, uint32_t highlightFrameColor, bool highlight,
               int outlineThickness, bool outline, int effectTranslucency, uint32_t effectColor,
               int verticalShadowShift, int horizontalShadowShift, bool shadow,
               int textTranslucency, uint32_t textColor, TTextAlignment lineAlignment,
               TTextAlignment alignment, bool italic, bool bold, int size, const QRectF& layout) {
    TStatusScope scope("PaintText");
    scope.Run([&] {
        if (layout.isEmpty()) return;
        QPainter& canvas = graphics.Canvas;
        const QColor textBrush = ArgbColor(ToArgb(textColor, textTranslucency));
        const QColor effectBrush = ArgbColor(ToArgb(effectColor, effectTranslucency));

        if (highlight) {
            canvas.fillRect(layout,
                            ArgbColor(ToArgb(highlightBackColor, highlightBackTranslucency)));
            canvas.setPen(
                QPen(ArgbColor(ToArgb(highlightFrameColor, highlightFrameTranslucency)), 1.0));
            canvas.setBrush(Qt::NoBrush);
            // Smoothed, a 1-pixel line on whole coordinates straddles two pixels and greys both.
            const bool smooth = canvas.testRenderHint(QPainter::Antialiasing);
            SetSmoothing(canvas, false);
            canvas.drawRect(layout);
            SetSmoothing(canvas, smooth);
        }
        if (size < 1) return;
        // Text never vanishes for want of a font: the skin keeps its name, and the text shows in
        // the face the system substitutes until that font is installed.
        QFont font(ToQString(FontFamilyToDraw(fontName)));
        font.setPixelSize(size);
        font.setBold(bold);
        font.setItalic(italic);
        const QString line = ToQString(text);

        if (shadow || !outline) {
            canvas.setFont(font);
            const int flags = (HorizontalFlag(alignment) | VerticalFlag(lineAlignment)).toInt();
            if (shadow && effectTranslucency < 100) {
                canvas.setPen(effectBrush);
                canvas.drawText(layout.translated(horizontalShadowShift, verticalShadowShift),
                                flags, line);
            }
            if (textTranslucency < 100) {
                canvas.setPen(textBrush);
                canvas.drawText(layout, flags, line);
            }
            return;
        }

        QPainterPath path;
        path.addText(BaselineOrigin(font, line, layout, alignment, lineAlignment), font, line);
        // Stroked before the fill, so that the fill covers the outline's inner half.
        if (effectTranslucency < 100) {
            canvas.strokePath(path, QPen(effectBrush, std::max(0, outlineThickness), Qt::SolidLine,
                                         Qt::RoundCap, Qt::RoundJoin));
        }
        if (textTranslucency < 100) canvas.fillPath(path, textBrush);
    });
}

void PaintSimpleBack(TGraphics& graphics, bool oval, const QRect& rect, uint32_t fillArgb,
                     uint32_t lineArgb) {
    if (rect.isEmpty()) return;
    QPainter& canvas = graphics.Canvas;
    canvas.setPen(QPen(ArgbColor(lineArgb), 1.0));
    if (oval) {
        canvas.setBrush(ArgbColor(fillArgb));
        canvas.drawEllipse(QRectF(rect));
        return;
    }
    SetSmoothing(canvas, false);
    canvas.fillRect(rect, ArgbColor(fillArgb));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(rect);
    SetSmoothing(canvas, true);
}

void PaintBandedBack(TGraphics& graphics, bool oval, const QRect& rect,
                     const std::array<uint32_t, 7>& bandArgb, uint32_t centreArgb,
                     const std::array<int, 6>& bandDistances, int horizontalCentreShift,
                     int verticalCentreShift, int horizontalFocus, int verticalFocus,
                     uint32_t lineArgb) {
    if (rect.isEmpty()) return;
    QPainter& canvas = graphics.Canvas;
    const QPointF centre(ShiftedCoordinate(rect.left(), horizontalCentreShift, rect.width()),
                         ShiftedCoordinate(rect.top(), verticalCentreShift, rect.height()));
    // The back may reach beyond the wallpaper; only what shows is worth computing.
    const QRect visible =
        rect.intersected(QRect(0, 0, canvas.device()->width(), canvas.device()->height()));

    if (!oval) SetSmoothing(canvas, false);
    if (!visible.isEmpty()) {
        const QImage pixels =
            BandedPixels(oval, rect, visible, centre, std::clamp(horizontalFocus / 100.0, 0.0, 1.0),
                         std::clamp(verticalFocus / 100.0, 0.0, 1.0),
                         TBandBlend(bandArgb, centreArgb, bandDistances));
        if (pixels.isNull())
            graphics.LastStatus = kStatusOutOfMemory;
        else
            canvas.drawImage(visible.topLeft(), pixels);
    }
    canvas.setPen(QPen(ArgbColor(lineArgb), 1.0));
    canvas.setBrush(Qt::NoBrush);
    if (oval) {
        canvas.drawEllipse(QRectF(rect));
        return;
    }
    canvas.drawRect(rect);
    SetSmoothing(canvas, true);
}

void PaintSeparator(TGraphics& graphics, const QRect& rect, uint32_t leftArgb, uint32_t rightArgb) {
    if (rect.isEmpty()) return;
    QLinearGradient gradient(rect.left(), 0, rect.left() + rect.width(), 0);
    gradient.setColorAt(0, ArgbColor(leftArgb));
    gradient.setColorAt(1, ArgbColor(rightArgb));
    SetSmoothing(graphics.Canvas, false);
    graphics.Canvas.fillRect(rect, gradient);
    SetSmoothing(graphics.Canvas, true);
}
