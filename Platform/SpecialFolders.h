#pragma once

#include <string>
#include <string_view>

// The folders of the user's session that the program puts files into.
enum class SpecialFolder { Desktop, ProgramsMenu, ProgramFiles, Startup };

// Without a trailing slash. The folder is not created here.
std::string SpecialFolderPath(SpecialFolder folder);

// The program's per-user data directory, $XDG_DATA_HOME/<product>: it survives reboots, so the
// desktop still finds the wallpaper at the next log-in. Created private (0700) when missing. A
// symbolic link or another user's directory there is never used: the answer is then empty and
// error tells why (an errno code).
std::string ProgramDataDirectory(std::string_view product, int& error);
