#pragma once

#include <string>
#include <string_view>
#include <vector>

// Arguments written as one line of text, as links and the user's programs take them: blanks
// separate them; an argument in double quotes may hold blanks, and within quotes a backslash
// takes the next character literally. Joining quotes only what needs it, so that splitting
// gives back the same arguments.
std::vector<std::string> SplitArguments(std::string_view text);
std::string JoinArguments(const std::vector<std::string>& arguments);
