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

// Whether InstalledFontFamilies() holds name (letter case ignored), or name is an installed
// family with its foundry ("Nimbus Sans [urw]"); without building the list. Needs a
// QGuiApplication.
bool FontFamilyInstalled(std::string_view name);
