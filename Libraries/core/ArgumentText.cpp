#include "ArgumentText.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

}  // namespace

std::vector<std::string> SplitArguments(std::string_view text) {
    std::vector<std::string> arguments;
    size_t i = 0;
    while (i < text.size()) {
        if (IsBlank(text[i])) {
            ++i;
            continue;
        }
        std::string argument;
        bool quoted = false;
        for (; i < text.size() && (quoted || !IsBlank(text[i])); ++i) {
            if (text[i] == '"') {
                quoted = !quoted;
            } else if (quoted && text[i] == '\\' && i + 1 < text.size()) {
                argument += text[++i];
            } else {
                argument += text[i];
            }
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

std::string JoinArguments(const std::vector<std::string>& arguments) {
    std::string text;
    for (const std::string& argument : arguments) {
        if (!text.empty()) text += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\"\\") == std::string::npos) {
            text += argument;
            continue;
        }
        text += '"';
        for (char c : argument) {
            if (c == '"' || c == '\\') text += '\\';
            text += c;
        }
        text += '"';
    }
    return text;
}
