#include "File.h"

#include "Text.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cctype>
#include <filesystem>

namespace {

bool Stat(std::string_view path, struct stat& info) {
    return !path.empty() && stat(std::string(path).c_str(), &info) == 0;
}

// Wildcard matching of one mask against a whole name; "*" also matches nothing.
bool MatchesMask(std::string_view name, std::string_view mask) {
    size_t n = 0;
    size_t m = 0;
    size_t starMask = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && (mask[m] == '?' || AsciiLower(mask[m]) == AsciiLower(name[n]))) {
            ++n;
            ++m;
        } else if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*') ++m;
    return m == mask.size();
}

}  // namespace

std::string IncludeSeparator(std::string_view path) {
    if (path.empty() || path.back() == '/') return std::string(path);
    return std::string(path) + '/';
}

bool IsDriveName(std::string_view path) {
    // A letter and a colon alone: "/home/me/Pictures:" is a directory like any other.
    return path.size() == 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string GetFileDir(std::string_view path) {
    if (IsDriveName(path)) return {};
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string GetFileNameOnly(std::string_view path) {
    if (IsDriveName(path)) return std::string(path);
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string GetFileExtension(std::string_view path) {
    const std::string name = GetFileNameOnly(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string GetFileNameWithoutExtension(std::string_view path) {
    const std::string name = GetFileNameOnly(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool ExtensionLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return AsciiLower(x) < AsciiLower(y);
    });
}

bool HasListedExtension(std::string_view file, const TExtensionList* list) {
    if (list == nullptr) return false;
    const std::string extension = GetFileExtension(file);
    return !extension.empty() && list->contains(extension);
}

std::string ToLongPath(std::string_view path) {
    return std::string(path);
}

std::string GetFullPath(std::string_view path) {
    if (path.empty() || IsDriveName(path)) return std::string(path);
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(std::filesystem::path(path), error);
    if (error) return std::string(path);
    return ToLongPath(full.lexically_normal().string());
}

bool IsSameFile(std::string_view a, std::string_view b) {
    constexpr std::string_view kForbidden = "<>|\"*?";
    if (a.find_first_of(kForbidden) != std::string_view::npos ||
        b.find_first_of(kForbidden) != std::string_view::npos)
        return false;
    struct stat first {};
    struct stat second {};
    if (Stat(a, first) && Stat(b, second))
        return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
    auto normal = [](std::string_view path) {
        std::string full = GetFullPath(path);
        if (full.size() > 1 && full.back() == '/') full.pop_back();
        return full;
    };
    return normal(a) == normal(b);
}

bool MatchesFileMask(std::string_view file, std::string_view masks) {
    return TFileMasks(masks).Matches(GetFileNameOnly(file));
}

TFileMasks::TFileMasks(std::string_view masks) : m_matchesAll(masks.empty()) {
    while (!masks.empty()) {
        const size_t end = std::min(masks.find(';'), masks.size());
        std::string_view mask = masks.substr(0, end);
        masks.remove_prefix(std::min(end + 1, masks.size()));
        mask.remove_prefix(std::min(mask.find_first_not_of(' '), mask.size()));
        if (mask.empty()) continue;
        // "*.*" has always meant every file, also those without a dot.
        if (mask == "*.*" || mask == "*") {
            m_matchesAll = true;
        } else if (mask.front() == '*' && mask.find_first_of("*?", 1) == std::string_view::npos) {
            m_endings.emplace_back(mask.substr(1));
        } else {
            m_patterns.emplace_back(mask);
        }
    }
}

bool TFileMasks::Matches(std::string_view name) const {
    if (m_matchesAll) return true;
    for (const std::string& ending : m_endings)
        if (name.size() >= ending.size() &&
            SameText(name.substr(name.size() - ending.size()), ending))
            return true;
    return std::any_of(m_patterns.begin(), m_patterns.end(),
                       [name](const std::string& mask) { return MatchesMask(name, mask); });
}

bool FileOrDirExists(std::string_view path) {
    struct stat info {};
    return Stat(path, info);
}

bool IsDirectory(std::string_view path) {
    struct stat info {};
    return IsDriveName(path) || (Stat(path, info) && S_ISDIR(info.st_mode));
}

bool IsLinkFileName(std::string_view path) {
    return SameText(GetFileExtension(path), GetLinkExtension(path));
}

void ClearReadOnly(std::string_view path) {
    // chmod would follow a link and change the mode of a file that may be anybody's.
    const std::string file(path);
    struct stat info {};
    if (lstat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode) && (info.st_mode & S_IWUSR) == 0)
        chmod(file.c_str(), (info.st_mode & 07777) | S_IWUSR);
}

std::string GetLinkExtension(std::string_view) {
    return ".desktop";
}
