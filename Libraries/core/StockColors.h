#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// A named colour of the calendar's stock colour window. Colours are 0x00BBGGRR.
struct TStockColor {
    const char* Name;
    uint32_t Color;
};

// In the order the stock colour window shows them; no two share a name or a value.
extern const std::array<TStockColor, 133> StockColorTable;

// The colour of that name, letter case ignored (ASCII), as skin files may spell it either way.
std::optional<uint32_t> FindStockColor(std::string_view name);

// " (RGB r-g-b; Decimal = …; Hexadecimal = 0x…)", the value read as 0xRRGGBB, as users of other
// programs write colours.
std::string ColorHintText(uint32_t color);
// The stock name of the colour, or empty when it is not in the table.
std::string StockColorName(uint32_t color);
