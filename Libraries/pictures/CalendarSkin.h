#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The look of the month calendar: 91 parameters, each the value of one control on the Calendar
// tab. The table below is the one description of them that the controls, the skin files, the
// options file and the painting all follow.

enum class TSkinKind { List, Flag, Color };
enum class TSkinList {
    None,
    Spacing,
    Percent,
    Thickness,
    Weeks,
    Eccentricity,
    Shift,
    LargeSizes,
    SmallSizes,
    Band,
    Fonts,
    Effect,
};

struct TSkinParameter {
    const char* Key;
    TSkinKind Kind;
    TSkinList List;
    // A list's item text, or "TRUE"/"FALSE"; colours use FactoryColor.
    const char* Default;
    uint32_t FactoryColor;  // 0x00BBGGRR
    const char* Page;       // the Calendar tab's page
    const char* Caption;
};

// In the order skin files store them: the 69 lists and flags, then the 22 colours.
extern const std::array<TSkinParameter, 91> CalendarSkinParameters;

// The name of the parameter's control: Calendar + key + ComboBox, CheckBox or Panel, but for the
// four whose names the program has always spelled otherwise.
std::string SkinControlName(const TSkinParameter& parameter);
// The items of a list; fonts are "Default" and then the families given.
std::vector<std::string> SkinListItems(TSkinList list, const std::vector<std::string>& fonts);

// One set of values of the parameters, as the texts the controls show: a list's item, "TRUE" or
// "FALSE", a colour in decimal.
class TCalendarSkin {
public:
    // The factory look.
    static TCalendarSkin Default();

    void Set(std::string_view key, std::string value);
    const std::string& Text(std::string_view key) const;
    int Int(std::string_view key) const;
    bool Flag(std::string_view key) const;
    uint32_t Color(std::string_view key) const;

private:
    std::map<std::string, std::string, std::less<>> m_values;
};
