#pragma once

#include <string>
#include <string_view>
#include <vector>

// The font families text can be drawn in, by the names a user picks them by: the installed
// families (without a foundry suffix such as " [urw]") and the well-known names of other systems
// ("Arial", "Times New Roman", …) that the system's font matching maps onto a face of its own
// choosing, such as a metric-compatible one. Sorted with ASCII letter case ignored, each name
// once; "Default" is not among them. Needs a QGuiApplication.
std::vector<std::string> InstalledFontFamilies();

// The family that text in the font of that name is drawn in: the name itself, so that the
// system's font matching picks its face, or for a family that is not installed the substitute it
// chooses (its generic sans at worst); but where that substitute is a symbol font, which would
// turn text into pictures, the generic fallback. Needs a QGuiApplication.
std::string FontFamilyToDraw(std::string_view name);
