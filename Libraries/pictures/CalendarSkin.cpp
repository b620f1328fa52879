#include "CalendarSkin.h"

#include "UtilitiesValues.h"

#include <stdexcept>

const std::array<TSkinParameter, 91> CalendarSkinParameters = {{
    {"TextEffect", TSkinKind::List, TSkinList::Effect, "Outline", 0u, "CalendarGeneralTabSheet",
     "Text effect"},
    {"OutlineThickness", TSkinKind::List, TSkinList::Thickness, "2", 0u, "CalendarGeneralTabSheet",
     "Outline thickness"},
    {"ShowBack", TSkinKind::Flag, TSkinList::None, "TRUE", 0u, "CalendarGeneralTabSheet",
     "Show background"},
    {"SimpleBack", TSkinKind::Flag, TSkinList::None, "TRUE", 0u, "CalendarGeneralTabSheet",
     "Simple background (brisk margin + back 5)"},
    {"CalendarOtherMonthsWeeks", TSkinKind::List, TSkinList::Weeks, "1", 0u,
     "CalendarGeneralTabSheet", "Weeks from other months"},
    {"FirstDayIsMonday", TSkinKind::Flag, TSkinList::None, "TRUE", 0u, "CalendarGeneralTabSheet",
     "First day is Monday"},
    {"HorizontalMarginSpacing", TSkinKind::List, TSkinList::Spacing, "25", 0u,
     "CalendarGeneralTabSheet", "Horizontal margin spacing"},
    {"VerticalMarginSpacing", TSkinKind::List, TSkinList::Spacing, "25", 0u,
     "CalendarGeneralTabSheet", "Vertical margin spacing"},
    {"YMBottomSpace", TSkinKind::List, TSkinList::Spacing, "10", 0u, "CalendarHeaderTabSheet",
     "Year-month bar bottom space"},
    {"DOWBottomSpace", TSkinKind::List, TSkinList::Spacing, "10", 0u, "CalendarHeaderTabSheet",
     "Day of week bar bottom space"},
    {"HorizontalCenterShift", TSkinKind::List, TSkinList::Percent, "50", 0u, "CalendarBackTabSheet",
     "Horizontal center shift"},
    {"VerticalCenterShift", TSkinKind::List, TSkinList::Percent, "50", 0u, "CalendarBackTabSheet",
     "Vertical center shift"},
    {"HorizontalCenterFocus", TSkinKind::List, TSkinList::Percent, "0", 0u, "CalendarBackTabSheet",
     "Horizontal center focus"},
    {"VerticalCenterFocus", TSkinKind::List, TSkinList::Percent, "0", 0u, "CalendarBackTabSheet",
     "Vertical center focus"},
    {"OvalBack", TSkinKind::Flag, TSkinList::None, "FALSE", 0u, "CalendarBackTabSheet",
     "Oval background"},
    {"OvalBackEccentricity", TSkinKind::List, TSkinList::Eccentricity, "100", 0u,
     "CalendarBackTabSheet", "Oval eccentricity"},
    {"TextShadowTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarGeneralTabSheet", "Text shadow translucency"},
    {"TodayMarginTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarDaysTabSheet", "Today margin translucency"},
    {"TodayBackTranslucency", TSkinKind::List, TSkinList::Percent, "30", 0u, "CalendarDaysTabSheet",
     "Today back translucency"},
    {"FrameBriskMarginTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarBackColorsTabSheet", "Brisk margin translucency"},
    {"FrameBack1Translucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarBackColorsTabSheet", "Back 1 translucency"},
    {"FrameBack2Translucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarBackColorsTabSheet", "Back 2 translucency"},
    {"FrameBack3Translucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarBackColorsTabSheet", "Back 3 translucency"},
    {"FrameBack4Translucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarBackColorsTabSheet", "Back 4 translucency"},
    {"FrameBack5Translucency", TSkinKind::List, TSkinList::Percent, "70", 0u,
     "CalendarBackColorsTabSheet", "Back 5 translucency"},
    {"FrameBack6Translucency", TSkinKind::List, TSkinList::Percent, "60", 0u,
     "CalendarBackColorsTabSheet", "Back 6 translucency"},
    {"FrameBack7Translucency", TSkinKind::List, TSkinList::Percent, "60", 0u,
     "CalendarBackColorsTabSheet", "Back 7 translucency"},
    {"FrameCenterTranslucency", TSkinKind::List, TSkinList::Percent, "50", 0u,
     "CalendarBackColorsTabSheet", "Center translucency"},
    {"FrameBackThick12", TSkinKind::List, TSkinList::Band, "2", 0u, "CalendarBackColorsTabSheet",
     "Thickness 1-2"},
    {"FrameBackThick23", TSkinKind::List, TSkinList::Band, "4", 0u, "CalendarBackColorsTabSheet",
     "Thickness 2-3"},
    {"FrameBackThick34", TSkinKind::List, TSkinList::Band, "2", 0u, "CalendarBackColorsTabSheet",
     "Thickness 3-4"},
    {"FrameBackThick45", TSkinKind::List, TSkinList::Band, "1", 0u, "CalendarBackColorsTabSheet",
     "Thickness 4-5"},
    {"FrameBackThick56", TSkinKind::List, TSkinList::Band, "20", 0u, "CalendarBackColorsTabSheet",
     "Thickness 5-6"},
    {"FrameBackThick67", TSkinKind::List, TSkinList::Band, "20", 0u, "CalendarBackColorsTabSheet",
     "Thickness 6-7"},
    {"SeparatorLeftTranslucency", TSkinKind::List, TSkinList::Percent, "50", 0u,
     "CalendarHeaderTabSheet", "Separator left translucency"},
    {"SeparatorRightTranslucency", TSkinKind::List, TSkinList::Percent, "50", 0u,
     "CalendarHeaderTabSheet", "Separator right translucency"},
    {"SeparatorThickness", TSkinKind::List, TSkinList::Thickness, "2", 0u, "CalendarHeaderTabSheet",
     "Separator thickness"},
    {"YearTextFont", TSkinKind::List, TSkinList::Fonts, "Arial", 0u, "CalendarYearTabSheet",
     "Font"},
    {"YearTextSize", TSkinKind::List, TSkinList::LargeSizes, "15", 0u, "CalendarYearTabSheet",
     "Text size"},
    {"YearBoldText", TSkinKind::Flag, TSkinList::None, "TRUE", 0u, "CalendarYearTabSheet", "Bold"},
    {"YearItalicText", TSkinKind::Flag, TSkinList::None, "TRUE", 0u, "CalendarYearTabSheet",
     "Italic"},
    {"YearTextTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u, "CalendarYearTabSheet",
     "Text translucency"},
    {"YearHSS", TSkinKind::List, TSkinList::Shift, "1", 0u, "CalendarYearTabSheet",
     "Horizontal shadow shift"},
    {"YearVSS", TSkinKind::List, TSkinList::Shift, "-1", 0u, "CalendarYearTabSheet",
     "Vertical shadow shift"},
    {"MonthTextFont", TSkinKind::List, TSkinList::Fonts, "Arial", 0u, "CalendarMonthTabSheet",
     "Font"},
    {"MonthTextSize", TSkinKind::List, TSkinList::LargeSizes, "20", 0u, "CalendarMonthTabSheet",
     "Text size"},
    {"MonthBoldText", TSkinKind::Flag, TSkinList::None, "TRUE", 0u, "CalendarMonthTabSheet",
     "Bold"},
    {"MonthItalicText", TSkinKind::Flag, TSkinList::None, "FALSE", 0u, "CalendarMonthTabSheet",
     "Italic"},
    {"MonthTextTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u, "CalendarMonthTabSheet",
     "Text translucency"},
    {"MonthHSS", TSkinKind::List, TSkinList::Shift, "2", 0u, "CalendarMonthTabSheet",
     "Horizontal shadow shift"},
    {"MonthVSS", TSkinKind::List, TSkinList::Shift, "-2", 0u, "CalendarMonthTabSheet",
     "Vertical shadow shift"},
    {"DayOfWeekTextFont", TSkinKind::List, TSkinList::Fonts, "Arial", 0u,
     "CalendarDayOfWeekTabSheet", "Font"},
    {"DayOfWeekTextSize", TSkinKind::List, TSkinList::SmallSizes, "12", 0u,
     "CalendarDayOfWeekTabSheet", "Text size"},
    {"DayOfWeekBoldText", TSkinKind::Flag, TSkinList::None, "TRUE", 0u, "CalendarDayOfWeekTabSheet",
     "Bold"},
    {"DayOfWeekItalicText", TSkinKind::Flag, TSkinList::None, "TRUE", 0u,
     "CalendarDayOfWeekTabSheet", "Italic"},
    {"DayOfWeekWeekdayTextTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarDayOfWeekTabSheet", "Weekday translucency"},
    {"DayOfWeekWeekendTextTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarDayOfWeekTabSheet", "Weekend translucency"},
    {"DayOfWeekHSS", TSkinKind::List, TSkinList::Shift, "1", 0u, "CalendarDayOfWeekTabSheet",
     "Horizontal shadow shift"},
    {"DayOfWeekVSS", TSkinKind::List, TSkinList::Shift, "-1", 0u, "CalendarDayOfWeekTabSheet",
     "Vertical shadow shift"},
    {"DaysTextFont", TSkinKind::List, TSkinList::Fonts, "Arial", 0u, "CalendarDaysTabSheet",
     "Font"},
    {"DaysTextSize", TSkinKind::List, TSkinList::SmallSizes, "12", 0u, "CalendarDaysTabSheet",
     "Text size"},
    {"DaysBoldText", TSkinKind::Flag, TSkinList::None, "TRUE", 0u, "CalendarDaysTabSheet", "Bold"},
    {"DaysItalicText", TSkinKind::Flag, TSkinList::None, "FALSE", 0u, "CalendarDaysTabSheet",
     "Italic"},
    {"CurrentMonthWeekdayTextTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarDaysTabSheet", "Weekday translucency"},
    {"CurrentMonthWeekendTextTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarDaysTabSheet", "Weekend translucency"},
    {"OtherMonthsWeekdayTextTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarDaysTabSheet", "Other months weekday translucency"},
    {"OtherMonthsWeekendTextTranslucency", TSkinKind::List, TSkinList::Percent, "0", 0u,
     "CalendarDaysTabSheet", "Other months weekend translucency"},
    {"DaysHSS", TSkinKind::List, TSkinList::Shift, "1", 0u, "CalendarDaysTabSheet",
     "Horizontal shadow shift"},
    {"DaysVSS", TSkinKind::List, TSkinList::Shift, "-1", 0u, "CalendarDaysTabSheet",
     "Vertical shadow shift"},
    {"TextShadowColor", TSkinKind::Color, TSkinList::None, "", 0u, "CalendarGeneralTabSheet",
     "Text shadow color"},
    {"TodayMarginColor", TSkinKind::Color, TSkinList::None, "", 0u, "CalendarDaysTabSheet",
     "Today margin color"},
    {"TodayBackColor", TSkinKind::Color, TSkinList::None, "", 1666745u, "CalendarDaysTabSheet",
     "Today back color"},
    {"FrameBriskMarginColor", TSkinKind::Color, TSkinList::None, "", 3289650u,
     "CalendarBackColorsTabSheet", "Brisk margin color"},
    {"FrameBack1Color", TSkinKind::Color, TSkinList::None, "", 1973790u,
     "CalendarBackColorsTabSheet", "Back 1 color"},
    {"FrameBack2Color", TSkinKind::Color, TSkinList::None, "", 9868950u,
     "CalendarBackColorsTabSheet", "Back 2 color"},
    {"FrameBack3Color", TSkinKind::Color, TSkinList::None, "", 3289650u,
     "CalendarBackColorsTabSheet", "Back 3 color"},
    {"FrameBack4Color", TSkinKind::Color, TSkinList::None, "", 7237230u,
     "CalendarBackColorsTabSheet", "Back 4 color"},
    {"FrameBack5Color", TSkinKind::Color, TSkinList::None, "", 11811890u,
     "CalendarBackColorsTabSheet", "Back 5 color"},
    {"FrameBack6Color", TSkinKind::Color, TSkinList::None, "", 16422480u,
     "CalendarBackColorsTabSheet", "Back 6 color"},
    {"FrameBack7Color", TSkinKind::Color, TSkinList::None, "", 16422480u,
     "CalendarBackColorsTabSheet", "Back 7 color"},
    {"FrameCenterColor", TSkinKind::Color, TSkinList::None, "", 15790290u,
     "CalendarBackColorsTabSheet", "Center color"},
    {"SeparatorLeftColor", TSkinKind::Color, TSkinList::None, "", 16777215u,
     "CalendarHeaderTabSheet", "Separator left color"},
    {"SeparatorRightColor", TSkinKind::Color, TSkinList::None, "", 0u, "CalendarHeaderTabSheet",
     "Separator right color"},
    {"YearTextColor", TSkinKind::Color, TSkinList::None, "", 1666745u, "CalendarYearTabSheet",
     "Text color"},
    {"MonthTextColor", TSkinKind::Color, TSkinList::None, "", 1666745u, "CalendarMonthTabSheet",
     "Text color"},
    {"DayOfWeekWeekdayTextColor", TSkinKind::Color, TSkinList::None, "", 16777215u,
     "CalendarDayOfWeekTabSheet", "Weekday color"},
    {"DayOfWeekWeekendTextColor", TSkinKind::Color, TSkinList::None, "", 170u,
     "CalendarDayOfWeekTabSheet", "Weekend color"},
    {"CurrentMonthWeekdayTextColor", TSkinKind::Color, TSkinList::None, "", 16777215u,
     "CalendarDaysTabSheet", "Weekday color"},
    {"CurrentMonthWeekendTextColor", TSkinKind::Color, TSkinList::None, "", 170u,
     "CalendarDaysTabSheet", "Weekend color"},
    {"OtherMonthsWeekdayTextColor", TSkinKind::Color, TSkinList::None, "", 9868950u,
     "CalendarDaysTabSheet", "Other months weekday color"},
    {"OtherMonthsWeekendTextColor", TSkinKind::Color, TSkinList::None, "", 4276610u,
     "CalendarDaysTabSheet", "Other months weekend color"},
}};

std::string SkinControlName(const TSkinParameter& parameter) {
    const std::string_view key = parameter.Key;
    if (key == "ShowBack") return "ShowCalendarBackCheckBox";
    if (key == "SimpleBack") return "SimpleCalendarBackCheckBox";
    if (key == "FirstDayIsMonday") return "FirstDayIsMondayCheckBox";
    if (key == "CalendarOtherMonthsWeeks") return "CalendarOtherMonthsWeeksComboBox";
    switch (parameter.Kind) {
        case TSkinKind::List:
            return "Calendar" + std::string(key) + "ComboBox";
        case TSkinKind::Flag:
            return "Calendar" + std::string(key) + "CheckBox";
        case TSkinKind::Color:
            return "Calendar" + std::string(key) + "Panel";
    }
    return {};
}

namespace {

std::vector<std::string> Numbers(int first, int last, int step) {
    std::vector<std::string> items;
    for (int value = first; value <= last; value += step) items.push_back(std::to_string(value));
    return items;
}

std::vector<std::string> TextSizes(std::initializer_list<int> beyond30) {
    std::vector<std::string> items = Numbers(8, 30, 1);
    for (const int size : beyond30) items.push_back(std::to_string(size));
    return items;
}

}  // namespace

std::vector<std::string> SkinListItems(TSkinList list, const std::vector<std::string>& fonts) {
    switch (list) {
        case TSkinList::None:
            return {};
        case TSkinList::Spacing:
            return Numbers(0, 50, 5);
        case TSkinList::Percent:
            return Numbers(0, 100, 5);
        case TSkinList::Thickness:
            return Numbers(1, 5, 1);
        case TSkinList::Weeks:
            return Numbers(0, 4, 1);
        case TSkinList::Eccentricity:
            return Numbers(100, 150, 5);
        case TSkinList::Shift:
            return Numbers(-5, 5, 1);
        case TSkinList::LargeSizes:
            return TextSizes({32, 35, 38, 40, 45, 50, 55, 60});
        case TSkinList::SmallSizes:
            return TextSizes({32, 35, 38, 40});
        case TSkinList::Band:
            return Numbers(1, 99, 1);
        case TSkinList::Fonts: {
            std::vector<std::string> items = {"Default"};
            items.insert(items.end(), fonts.begin(), fonts.end());
            return items;
        }
        case TSkinList::Effect:
            return {"None", "Shadow", "Outline"};
    }
    return {};
}

TCalendarSkin TCalendarSkin::Default() {
    TCalendarSkin skin;
    for (const TSkinParameter& parameter : CalendarSkinParameters)
        skin.Set(parameter.Key, parameter.Kind == TSkinKind::Color
                                    ? std::to_string(static_cast<int32_t>(parameter.FactoryColor))
                                    : std::string(parameter.Default));
    return skin;
}

void TCalendarSkin::Set(std::string_view key, std::string value) {
    m_values[std::string(key)] = std::move(value);
}

const std::string& TCalendarSkin::Text(std::string_view key) const {
    const auto found = m_values.find(key);
    // Keys come from the table; a missing one is a fault of the program, not of its input.
    if (found == m_values.end()) throw std::out_of_range("no skin parameter " + std::string(key));
    return found->second;
}

int TCalendarSkin::Int(std::string_view key) const {
    return TextToInt(Text(key));
}

bool TCalendarSkin::Flag(std::string_view key) const {
    return TextToBool(Text(key));
}

uint32_t TCalendarSkin::Color(std::string_view key) const {
    return TextToColor(Text(key));
}
