#pragma once

#include <string>
#include <string_view>

// The folders of the user's session that the program puts files into.
enum class SpecialFolder { Desktop, ProgramsMenu, ProgramFiles, Startup };

// Without a trailing slash. The folder is not created here.
std::string SpecialFolderPath(SpecialFolder folder);

// The program's private per-user directory, $XDG_DATA_HOME/<product>: it survives reboots, so the
// desktop still finds the wallpaper at the next log-in. Created private (0700) when missing, and
// made private again when it is ours but others may get in. A symbolic link, something other
// than a directory, or another user's directory there is never used: the answer is then empty
// and error tells why (an errno code).
std::string PrivateDataDirectory(std::string_view product, int& error);
// Where that directory is, whether or not it can be used: for telling the user about it.
std::string PrivateDataDirectoryPath(std::string_view product);

// The user's configuration directory for the product, $XDG_CONFIG_HOME/<product>, created
// private (0700) when missing; empty when there is no home to put it in.
std::string UserConfigDirectory(std::string_view product);
