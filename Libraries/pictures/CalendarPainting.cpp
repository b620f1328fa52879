#include "CalendarPainting.h"

#include "QtText.h"
#include "Text.h"

#include <QLocale>
#include <cmath>

namespace {

int Scaled(int pixels, double pixelRatio) {
    return static_cast<int>(std::lround(pixels * pixelRatio));
}

// One text of the calendar with the skin's effect.
struct TTextStyle {
    std::string Font;
    int Size;
    bool Bold;
    bool Italic;
    int HorizontalShift;
    int VerticalShift;
};

TTextStyle Style(const TCalendarSkin& skin, const std::string& prefix, double pixelRatio) {
    return {skin.Text(prefix + "TextFont"),
            Scaled(skin.Int(prefix + "TextSize"), pixelRatio),
            skin.Flag(prefix + "BoldText"),
            skin.Flag(prefix + "ItalicText"),
            Scaled(skin.Int(prefix + "HSS"), pixelRatio),
            Scaled(skin.Int(prefix + "VSS"), pixelRatio)};
}

class TCalendarPainter {
public:
    TCalendarPainter(TGraphics& graphics, const TCalendarSkin& skin, double pixelRatio)
        : m_graphics(graphics),
          m_skin(skin),
          m_pixelRatio(pixelRatio),
          m_shadow(SameText(skin.Text("TextEffect"), "Shadow")),
          m_outline(SameText(skin.Text("TextEffect"), "Outline")) {}

    uint32_t Argb(const std::string& prefix) const {
        return ToArgb(m_skin.Color(prefix + "Color"), m_skin.Int(prefix + "Translucency"));
    }

    void Text(const std::string& text, const TTextStyle& style, const std::string& colorPrefix,
              TTextAlignment lineAlignment, TTextAlignment alignment, const QRect& rect,
              bool highlight = false) {
        PaintText(m_graphics, text, style.Font, m_skin.Int("TodayBackTranslucency"),
                  m_skin.Color("TodayBackColor"), m_skin.Int("TodayMarginTranslucency"),
                  m_skin.Color("TodayMarginColor"), highlight,
                  Scaled(m_skin.Int("OutlineThickness"), m_pixelRatio), m_outline,
                  m_skin.Int("TextShadowTranslucency"), m_skin.Color("TextShadowColor"),
                  style.VerticalShift, style.HorizontalShift, m_shadow,
                  m_skin.Int(colorPrefix + "Translucency"), m_skin.Color(colorPrefix + "Color"),
                  lineAlignment, alignment, style.Italic, style.Bold, style.Size, QRectF(rect));
    }

private:
    TGraphics& m_graphics;
    const TCalendarSkin& m_skin;
    double m_pixelRatio;
    bool m_shadow;
    bool m_outline;
};

}  // namespace

TCalendarMetrics CalendarMetrics(const TCalendarSkin& skin, double pixelRatio) {
    TCalendarMetrics metrics;
    metrics.YearTextSize = Scaled(skin.Int("YearTextSize"), pixelRatio);
    metrics.MonthTextSize = Scaled(skin.Int("MonthTextSize"), pixelRatio);
    metrics.DayOfWeekTextSize = Scaled(skin.Int("DayOfWeekTextSize"), pixelRatio);
    metrics.DaysTextSize = Scaled(skin.Int("DaysTextSize"), pixelRatio);
    metrics.HorizontalMarginSpacing = Scaled(skin.Int("HorizontalMarginSpacing"), pixelRatio);
    metrics.VerticalMarginSpacing = Scaled(skin.Int("VerticalMarginSpacing"), pixelRatio);
    metrics.YMBottomSpace = Scaled(skin.Int("YMBottomSpace"), pixelRatio);
    metrics.DOWBottomSpace = Scaled(skin.Int("DOWBottomSpace"), pixelRatio);
    metrics.OtherMonthsWeeks = skin.Int("CalendarOtherMonthsWeeks");
    metrics.FirstDayIsMonday = skin.Flag("FirstDayIsMonday");
    metrics.OvalBack = skin.Flag("OvalBack");
    metrics.OvalBackEccentricity = skin.Int("OvalBackEccentricity");
    metrics.SeparatorThickness = Scaled(skin.Int("SeparatorThickness"), pixelRatio);
    return metrics;
}

void PaintMonthCalendar(TGraphics& graphics, const TCalendarSkin& skin, double now,
                        const QRect& area, TRelativeRect& place, double pixelRatio) {
    const TCalendarLayout layout =
        LayOutCalendar(CalendarMetrics(skin, pixelRatio), now, area, place);
    TCalendarPainter painter(graphics, skin, pixelRatio);

    if (skin.Flag("ShowBack")) {
        const uint32_t margin = painter.Argb("FrameBriskMargin");
        if (skin.Flag("SimpleBack")) {
            PaintSimpleBack(graphics, skin.Flag("OvalBack"), layout.BackShape,
                            painter.Argb("FrameBack5"), margin);
        } else {
            std::array<uint32_t, 7> bands{};
            for (size_t band = 0; band < bands.size(); ++band)
                bands[band] = painter.Argb("FrameBack" + std::to_string(band + 1));
            const std::array<int, 6> distances = {
                skin.Int("FrameBackThick12"), skin.Int("FrameBackThick23"),
                skin.Int("FrameBackThick34"), skin.Int("FrameBackThick45"),
                skin.Int("FrameBackThick56"), skin.Int("FrameBackThick67")};
            PaintBandedBack(graphics, skin.Flag("OvalBack"), layout.BackShape, bands,
                            painter.Argb("FrameCenter"), distances,
                            skin.Int("HorizontalCenterShift"), skin.Int("VerticalCenterShift"),
                            skin.Int("HorizontalCenterFocus"), skin.Int("VerticalCenterFocus"),
                            margin);
        }
    }

    const QLocale locale;
    painter.Text(std::to_string(layout.Year), Style(skin, "Year", pixelRatio), "YearText",
                 TTextAlignment::Far, TTextAlignment::Far, layout.Header);
    // The stand-alone form: languages that decline month names name the month alone so.
    painter.Text(ToBytes(locale.standaloneMonthName(layout.Month, QLocale::LongFormat)),
                 Style(skin, "Month", pixelRatio), "MonthText", TTextAlignment::Far,
                 TTextAlignment::Near, layout.Header);

    const TTextStyle dayOfWeek = Style(skin, "DayOfWeek", pixelRatio);
    for (int day = 0; day < 7; ++day) {
        // Qt counts Monday 1 to Sunday 7.
        const bool weekend = day >= 5;
        painter.Text(ToBytes(locale.dayName(day + 1, QLocale::ShortFormat)), dayOfWeek,
                     weekend ? "DayOfWeekWeekendText" : "DayOfWeekWeekdayText", TTextAlignment::Far,
                     TTextAlignment::Center, layout.DayOfWeek[static_cast<size_t>(day)]);
    }

    PaintSeparator(graphics, layout.Separator, painter.Argb("SeparatorLeft"),
                   painter.Argb("SeparatorRight"));

    const TTextStyle days = Style(skin, "Days", pixelRatio);
    for (const TCalendarCell& cell : layout.Cells) {
        const char* color =
            cell.InMonth ? (cell.Weekend ? "CurrentMonthWeekendText" : "CurrentMonthWeekdayText")
                         : (cell.Weekend ? "OtherMonthsWeekendText" : "OtherMonthsWeekdayText");
        painter.Text(std::to_string(cell.DayOfMonth), days, color, TTextAlignment::Center,
                     TTextAlignment::Center, cell.Rect, cell.Today);
    }
}
