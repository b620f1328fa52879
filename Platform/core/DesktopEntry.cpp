#include "DesktopEntry.h"

namespace {

constexpr std::string_view kGroup = "[Desktop Entry]";
constexpr std::string_view kReservedInExec = " \t\n\"'\\><~|&;$*?#()`";
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

std::string_view Trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string EscapeValue(std::string_view value) {
    std::string escaped;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        // Readers trim blanks around values, so blanks at either end must be written as \s.
        const bool edge = i == 0 || i + 1 == value.size();
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\n':
                escaped += "\\n";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case ' ':
                escaped += edge ? "\\s" : " ";
                break;
            default:
                escaped += c;
        }
    }
    return escaped;
}

std::string UnescapeValue(std::string_view value) {
    std::string plain;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            plain += value[i];
            continue;
        }
        switch (value[i + 1]) {
            case 's':
                plain += ' ';
                break;
            case 'n':
                plain += '\n';
                break;
            case 't':
                plain += '\t';
                break;
            case 'r':
                plain += '\r';
                break;
            case '\\':
                plain += '\\';
                break;
            // Not a string escape: it belongs to the next level (the quoting of Exec).
            default:
                plain += value.substr(i, 2);
        }
        ++i;
    }
    return plain;
}

std::string QuoteArgument(std::string_view argument) {
    std::string text;
    for (char c : argument) {
        if (kEscapedInQuotes.find(c) != std::string_view::npos) text += '\\';
        text += c;
        if (c == '%') text += '%';
    }
    const bool quote =
        argument.empty() || argument.find_first_of(kReservedInExec) != std::string_view::npos;
    return quote ? '"' + text + '"' : text;
}

}  // namespace

std::optional<std::map<std::string, std::string>> ParseDesktopEntry(std::string_view content) {
    std::map<std::string, std::string> keys;
    bool seenGroup = false;
    bool inGroup = false;
    while (!content.empty()) {
        const size_t end = std::min(content.find('\n'), content.size());
        const std::string_view line = Trim(content.substr(0, end));
        content.remove_prefix(std::min(end + 1, content.size()));
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inGroup = line == kGroup;
            seenGroup = seenGroup || inGroup;
            continue;
        }
        const size_t equals = line.find('=');
        if (!inGroup || equals == std::string_view::npos) continue;
        keys[std::string(Trim(line.substr(0, equals)))] =
            UnescapeValue(Trim(line.substr(equals + 1)));
    }
    if (!seenGroup) return std::nullopt;
    return keys;
}

std::string FormatDesktopEntry(const std::vector<std::pair<std::string, std::string>>& keys) {
    std::string text = std::string(kGroup) + "\n";
    for (const auto& [key, value] : keys) text += key + "=" + EscapeValue(value) + "\n";
    return text;
}

std::string JoinExec(const std::vector<std::string>& command) {
    std::string exec;
    for (const std::string& argument : command) {
        if (!exec.empty()) exec += ' ';
        exec += QuoteArgument(argument);
    }
    return exec;
}

std::optional<std::vector<std::string>> SplitExec(std::string_view exec) {
    std::vector<std::string> command;
    size_t i = 0;
    while (i < exec.size()) {
        if (exec[i] == ' ' || exec[i] == '\t') {
            ++i;
            continue;
        }
        std::string argument;
        bool fieldCodeOnly = true;
        const bool quoted = exec[i] == '"';
        if (quoted) ++i;
        while (i < exec.size()) {
            const char c = exec[i];
            if (quoted ? c == '"' : (c == ' ' || c == '\t')) break;
            if (quoted && c == '\\' && i + 1 < exec.size()) {
                argument += exec[i + 1];
                i += 2;
            } else if (c == '%' && i + 1 < exec.size()) {
                // %% is a percent sign; any other field code stands for files the desktop
                // would pass, and a link has none.
                const bool percentSign = exec[i + 1] == '%';
                if (percentSign) argument += '%';
                i += 2;
                if (!percentSign) continue;
            } else {
                argument += c;
                ++i;
            }
            fieldCodeOnly = false;
        }
        if (quoted) {
            if (i == exec.size()) return std::nullopt;
            ++i;
        }
        if (quoted || !fieldCodeOnly) command.push_back(std::move(argument));
    }
    return command;
}
