#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// Desktop Entry files (freedesktop.org), the links of this platform: launchers on the desktop,
// in the applications menu and in the autostart folder.

// The keys of the [Desktop Entry] group, values unescaped. Nothing when the text has no such
// group.
std::optional<std::map<std::string, std::string>> ParseDesktopEntry(std::string_view content);

// A [Desktop Entry] group with the keys in the order given; values are escaped as strings.
std::string FormatDesktopEntry(const std::vector<std::pair<std::string, std::string>>& keys);

// The Exec value of a command (program first), every argument quoted as the specification asks,
// so that blanks, quotes, "$", "%" and backslashes come back unchanged.
std::string JoinExec(const std::vector<std::string>& command);
// The command of an Exec value; field codes such as %f are dropped. Nothing for a quote that is
// never closed.
std::optional<std::vector<std::string>> SplitExec(std::string_view exec);
