#include "UtilitiesValues.h"

#include "StatusScope.h"
#include "StockColors.h"
#include "Text.h"

#include <limits>
#include <optional>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Reads digits in base to the end of the text; nothing when there are none, a stray character
// follows, or the magnitude exceeds limit.
std::optional<int64_t> ReadMagnitude(std::string_view digits, int base, int64_t limit) {
    if (digits.empty()) return std::nullopt;
    int64_t magnitude = 0;
    for (char c : digits) {
        const int digit = HexDigit(c);
        if (digit < 0 || digit >= base) return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit) return std::nullopt;
    }
    return magnitude;
}

std::optional<int32_t> ParseInt(std::string_view text) {
    constexpr int64_t kMaximum = std::numeric_limits<int32_t>::max();
    std::string_view rest = text.substr(std::min(text.find_first_not_of(' '), text.size()));
    const bool negative = rest.starts_with('-');
    if (negative || rest.starts_with('+')) rest.remove_prefix(1);
    for (std::string_view prefix : {"$", "0x", "0X", "x", "X"}) {
        if (rest.starts_with(prefix)) {
            // Hexadecimal spells out the 32 bits themselves, so that a colour with its top byte
            // set ($FFFFFFFF) or a negative value written by its bits reads back as it was saved.
            const auto magnitude =
                ReadMagnitude(rest.substr(prefix.size()), 16, std::numeric_limits<uint32_t>::max());
            if (!magnitude) return std::nullopt;
            const auto bits = static_cast<uint32_t>(*magnitude);
            return static_cast<int32_t>(negative ? 0u - bits : bits);
        }
    }
    const auto magnitude = ReadMagnitude(rest, 10, kMaximum + (negative ? 1 : 0));
    if (!magnitude) return std::nullopt;
    return static_cast<int32_t>(negative ? -*magnitude : *magnitude);
}

// The colour identifiers of the framework the program was first written with, which a skin file
// written by hand may use. Its system colours (clBtnFace, clWindow, ...) are left out: they stood
// for the colours of the user's Windows theme, which nothing here can know.
struct TColorIdentifier {
    const char* Name;
    uint32_t Color;
};
constexpr TColorIdentifier kColorIdentifiers[] = {
    {"clBlack", 0x000000}, {"clMaroon", 0x000080},     {"clGreen", 0x008000},
    {"clOlive", 0x008080}, {"clNavy", 0x800000},       {"clPurple", 0x800080},
    {"clTeal", 0x808000},  {"clGray", 0x808080},       {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},   {"clLime", 0x00FF00},       {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},  {"clFuchsia", 0xFF00FF},    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF}, {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF}, {"clMedGray", 0xA4A0A0},
};

}  // namespace

int32_t StrToInt(std::string_view text) {
    const auto value = ParseInt(text);
    if (!value) throw TException("'" + std::string(text) + "' is not a valid integer value");
    return *value;
}

bool ReadIntWithinLimits(TStatusScope& scope, std::string_view text, int32_t minimum,
                         int32_t maximum, int32_t defaultValue, int32_t& value) {
    value = defaultValue;
    bool withinLimits = false;
    scope.Run([&] {
        const int32_t read = text.empty() ? defaultValue : StrToInt(text);
        withinLimits = read >= minimum && read <= maximum;
        if (withinLimits) value = read;
    });
    return withinLimits;
}

bool CheckIntFromText(std::string_view text, int32_t minimum, int32_t maximum, int32_t defaultValue,
                      int32_t& value) {
    TStatusScope scope("CheckIntFromText");
    return ReadIntWithinLimits(scope, text, minimum, maximum, defaultValue, value);
}

int32_t GetIntFromText(std::string_view text, int32_t minimum, int32_t maximum,
                       int32_t defaultValue) {
    TStatusScope scope("GetIntFromText");
    int32_t value = defaultValue;
    ReadIntWithinLimits(scope, text, minimum, maximum, defaultValue, value);
    return value;
}

int32_t TextToInt(std::string_view text) {
    return GetIntFromText(text, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max(), 0);
}

std::string BoolToText(bool value) {
    return value ? "TRUE" : "FALSE";
}

bool TextToBool(std::string_view text) {
    return text == "TRUE";
}

uint32_t TextToColor(std::string_view text) {
    if (const auto stock = FindStockColor(text)) return *stock;
    if (text.empty()) return 0;
    for (const TColorIdentifier& identifier : kColorIdentifiers)
        if (SameText(text, identifier.Name)) return identifier.Color;
    const auto value = ParseInt(text);
    if (!value) throw TException("'" + std::string(text) + "' is not a valid color value");
    return static_cast<uint32_t>(*value);
}
