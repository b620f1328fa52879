#include "StockColors.h"

#include "Text.h"

#include <cstdio>

namespace {

constexpr uint32_t Rgb(uint32_t red, uint32_t green, uint32_t blue) {
    return red | green << 8 | blue << 16;
}

}  // namespace

const std::array<TStockColor, 133> StockColorTable{{
    {"Black", Rgb(0, 0, 0)},
    {"Fade Black", Rgb(50, 50, 50)},
    {"Light Black", Rgb(75, 75, 75)},
    {"Bright Black", Rgb(90, 90, 90)},
    {"Blue Black", Rgb(0, 75, 75)},
    {"Light Blue Black", Rgb(80, 110, 110)},
    {"Blue Gray", Rgb(75, 120, 120)},
    {"Teal", Rgb(0, 130, 130)},
    {"Light Teal", Rgb(10, 140, 140)},
    {"Dark Gray", Rgb(110, 110, 110)},
    {"Fade Gray", Rgb(120, 120, 120)},
    {"Gray", Rgb(130, 130, 130)},
    {"Light Gray", Rgb(160, 160, 160)},
    {"Silver", Rgb(190, 190, 190)},
    {"Gray White", Rgb(230, 230, 230)},
    {"Light Gray White", Rgb(245, 245, 245)},
    {"White", Rgb(255, 255, 255)},
    {"Soft White", Rgb(245, 245, 225)},
    {"Soft Fade White", Rgb(255, 245, 220)},
    {"Fade White", Rgb(240, 240, 210)},
    {"Soft Gray White", Rgb(230, 230, 215)},
    {"Cream White", Rgb(225, 215, 200)},
    {"Pink White", Rgb(230, 215, 200)},
    {"Fade Pink White", Rgb(250, 245, 235)},
    {"Dark Pink White", Rgb(225, 215, 210)},
    {"Bright Cream Gray", Rgb(205, 195, 170)},
    {"Light Cream Gray", Rgb(190, 180, 150)},
    {"Cream Gray", Rgb(185, 170, 135)},
    {"Fade Cream Gray", Rgb(160, 145, 105)},
    {"Dark Cream Gray", Rgb(150, 130, 95)},
    {"Gloom Cream Gray", Rgb(145, 120, 85)},
    {"Dark Olive", Rgb(110, 90, 65)},
    {"Gloom Olive", Rgb(95, 85, 65)},
    {"Gloom Blue", Rgb(30, 30, 50)},
    {"Dark Blue", Rgb(0, 0, 65)},
    {"Dark Navy", Rgb(50, 60, 85)},
    {"Fade Navy", Rgb(75, 90, 120)},
    {"Navy", Rgb(0, 0, 130)},
    {"Blue", Rgb(0, 0, 160)},
    {"Light Blue", Rgb(0, 0, 200)},
    {"Bright Blue", Rgb(0, 0, 255)},
    {"Dark Pastel Blue", Rgb(0, 50, 150)},
    {"Fade Pastel Blue", Rgb(0, 80, 150)},
    {"Pastel Blue", Rgb(0, 100, 200)},
    {"Dark Turquoise", Rgb(20, 110, 240)},
    {"Fade Turquoise", Rgb(60, 155, 220)},
    {"Turquoise", Rgb(80, 150, 255)},
    {"Aqua", Rgb(0, 255, 255)},
    {"Light Aqua", Rgb(200, 255, 255)},
    {"Bright Aqua", Rgb(225, 255, 255)},
    {"Soft Aqua", Rgb(185, 215, 220)},
    {"Fade Aqua", Rgb(155, 200, 205)},
    {"Dark Aqua", Rgb(140, 185, 195)},
    {"Gloom Aqua", Rgb(120, 180, 190)},
    {"Blue Fuchsia", Rgb(150, 150, 205)},
    {"Fade Blue Fuchsia", Rgb(125, 125, 195)},
    {"Dark Blue Fuchsia", Rgb(105, 100, 180)},
    {"Bright Vernil", Rgb(100, 200, 200)},
    {"Light Vernil", Rgb(20, 180, 150)},
    {"Vernil", Rgb(85, 170, 135)},
    {"Fade Vernil", Rgb(15, 145, 115)},
    {"Dark Vernil", Rgb(0, 130, 95)},
    {"Gloom Vernil", Rgb(0, 90, 65)},
    {"Bleak Vernil", Rgb(0, 65, 45)},
    {"Purple", Rgb(130, 0, 130)},
    {"Dark Lavender", Rgb(130, 40, 115)},
    {"Lavender", Rgb(150, 50, 135)},
    {"Fuchsia", Rgb(255, 0, 255)},
    {"Light Fuchsia", Rgb(255, 170, 255)},
    {"Light Cherry", Rgb(200, 0, 100)},
    {"Cherry", Rgb(180, 0, 90)},
    {"Dark Cherry", Rgb(130, 0, 65)},
    {"Fade Cherry", Rgb(130, 65, 65)},
    {"Gloom Red", Rgb(130, 0, 0)},
    {"Dark Red", Rgb(170, 0, 0)},
    {"Red", Rgb(210, 0, 0)},
    {"Pastel Red", Rgb(255, 50, 0)},
    {"Light Red", Rgb(255, 0, 0)},
    {"Dark Pink", Rgb(255, 90, 90)},
    {"Pastel Pink", Rgb(255, 120, 75)},
    {"Pink", Rgb(255, 130, 130)},
    {"Light Orange", Rgb(255, 140, 40)},
    {"Orange", Rgb(255, 120, 0)},
    {"Near Dark Orange", Rgb(255, 105, 10)},
    {"Dark Orange", Rgb(255, 90, 0)},
    {"Maroon", Rgb(140, 70, 40)},
    {"Dark Ochre", Rgb(150, 80, 10)},
    {"Ochre", Rgb(185, 110, 25)},
    {"Pastel Ochre", Rgb(205, 150, 0)},
    {"Light Maroon", Rgb(185, 130, 95)},
    {"Brick", Rgb(240, 150, 90)},
    {"Fade Brick", Rgb(255, 200, 140)},
    {"Light Brick", Rgb(255, 205, 155)},
    {"Bright Brick", Rgb(255, 220, 180)},
    {"Bright Cream", Rgb(230, 220, 190)},
    {"Soft Cream", Rgb(225, 225, 175)},
    {"Fade Cream", Rgb(230, 205, 150)},
    {"Cream", Rgb(225, 200, 135)},
    {"Bright Hemp", Rgb(200, 200, 140)},
    {"Light Hemp", Rgb(190, 190, 110)},
    {"Fade Hemp", Rgb(185, 170, 95)},
    {"Medium Hemp", Rgb(170, 150, 75)},
    {"Hemp", Rgb(160, 140, 70)},
    {"Dark Hemp", Rgb(130, 130, 65)},
    {"Cream Yellow", Rgb(255, 200, 90)},
    {"Pastel Cream Yellow", Rgb(255, 205, 100)},
    {"Light Cream Yellow", Rgb(255, 220, 140)},
    {"Fade Yellow", Rgb(240, 200, 45)},
    {"Pastel Yellow", Rgb(255, 200, 0)},
    {"Mustard", Rgb(230, 230, 0)},
    {"Yellow", Rgb(255, 255, 0)},
    {"Light Yellow", Rgb(255, 255, 155)},
    {"Soft Yellow", Rgb(240, 240, 175)},
    {"Tender Yellow", Rgb(240, 225, 175)},
    {"Bright Yellow", Rgb(255, 255, 200)},
    {"Brilliant Yellow", Rgb(255, 255, 215)},
    {"Brilliant Yellow Green", Rgb(225, 240, 175)},
    {"Light Olive", Rgb(185, 205, 150)},
    {"Soft Olive", Rgb(200, 215, 170)},
    {"Tender Olive", Rgb(215, 220, 190)},
    {"Bright Olive", Rgb(230, 235, 215)},
    {"Fade Olive", Rgb(140, 160, 105)},
    {"Yellow Green", Rgb(180, 180, 0)},
    {"Olive", Rgb(130, 130, 0)},
    {"Dark Green", Rgb(0, 85, 0)},
    {"Near Dark Green", Rgb(0, 105, 0)},
    {"Green", Rgb(0, 130, 0)},
    {"Fade Green", Rgb(0, 150, 0)},
    {"Light Green", Rgb(20, 180, 15)},
    {"Pastel Green", Rgb(100, 200, 50)},
    {"Lime", Rgb(0, 255, 0)},
    {"Bright Green", Rgb(0, 255, 130)},
    {"Light Pastel Green", Rgb(200, 255, 200)},
}};

std::optional<uint32_t> FindStockColor(std::string_view name) {
    for (const TStockColor& stock : StockColorTable)
        if (SameText(stock.Name, name)) return stock.Color;
    return std::nullopt;
}

std::string ColorHintText(uint32_t color) {
    const uint32_t red = color & 0xFF;
    const uint32_t green = color >> 8 & 0xFF;
    const uint32_t blue = color >> 16 & 0xFF;
    const uint32_t value = red * 65536 + green * 256 + blue;
    char hexadecimal[16];
    std::snprintf(hexadecimal, sizeof hexadecimal, "0x%06X", value);
    return " (RGB " + std::to_string(red) + "-" + std::to_string(green) + "-" +
           std::to_string(blue) + "; Decimal = " + std::to_string(value) +
           "; Hexadecimal = " + hexadecimal + ")";
}

std::string StockColorName(uint32_t color) {
    for (const TStockColor& stock : StockColorTable)
        if (stock.Color == color) return stock.Name;
    return {};
}
