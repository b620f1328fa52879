#include "Clock.h"
#include "DesktopDetection.h"
#include "File.h"
#include "Screens.h"
#include "StatusScope.h"
#include "Utilities.h"
#include "WallpaperSetters.h"

#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// A handed-out name is the composed file's stem, "-", a counter of fixed width and its extension.
// The counter, not the clock, tells which name was made last: a clock set back (the end of summer
// time, another time zone, a network time step) must never make the newest name look oldest. It
// starts from the clock (UTC milliseconds) only when no name is left, so that after the folder was
// emptied no name a desktop may still remember comes again.
constexpr size_t kCounterDigits = 16;
constexpr size_t kNamesKept = 2;

struct THandedOutName {
    uint64_t Counter;
    std::string Path;
};

std::string NamePrefix(const std::string& path) {
    return GetFileNameWithoutExtension(path) + "-";
}

// The names handed out for path, oldest first.
std::vector<THandedOutName> HandedOutNames(const std::string& path) {
    const std::string prefix = NamePrefix(path);
    const std::string extension = GetFileExtension(path);
    std::vector<THandedOutName> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(GetFileDir(path), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + kCounterDigits + extension.size() ||
            !name.starts_with(prefix) || !name.ends_with(extension))
            continue;
        const std::string digits = name.substr(prefix.size(), kCounterDigits);
        if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            continue;
        names.push_back({std::stoull(digits), entry.path().string()});
    }
    std::sort(names.begin(), names.end(), [](const THandedOutName& a, const THandedOutName& b) {
        return a.Counter < b.Counter;
    });
    return names;
}

// Hard links cost nothing; a file system without them gets a copy.
std::string HandOutNewName(const std::string& path, int& error) {
    const std::vector<THandedOutName> names = HandedOutNames(path);
    uint64_t counter = names.empty()
                           ? static_cast<uint64_t>(Clock::Instance().Now().toMSecsSinceEpoch())
                           : names.back().Counter + 1;
    for (;; ++counter) {
        std::string digits = std::to_string(counter);
        digits.insert(0, kCounterDigits - std::min(kCounterDigits, digits.size()), '0');
        const std::string name =
            GetFileDir(path) + NamePrefix(path) + digits + GetFileExtension(path);
        if (link(path.c_str(), name.c_str()) == 0) return name;
        if (errno == EEXIST) continue;
        std::error_code copyError;
        if (fs::copy_file(path, name, copyError)) return name;
        error = copyError.value();
        return {};
    }
}

// Only once the desktop has the name just handed out may the older ones go; the one before it
// stays too, for a desktop that is still reading it.
void RemoveAllButNewestNames(const std::string& path, const std::string& handedOut) {
    const std::vector<THandedOutName> names = HandedOutNames(path);
    std::error_code error;
    for (size_t i = 0; i + kNamesKept < names.size(); ++i)
        if (names[i].Path != handedOut) fs::remove(names[i].Path, error);
}

}  // namespace

bool WallpaperPerMonitor() {
    return KeepsPicturePerOutput(DetectDesktop(QProcessEnvironment::systemEnvironment()));
}

bool WallpaperFromPixels() {
    return ShowsPixelsOnly(DetectDesktop(QProcessEnvironment::systemEnvironment()));
}

std::string MonitorWallpaperFileName(const QString& output) {
    if (output.isEmpty()) return kWallpaperFileName;
    // Monitor names are the session's; only plain characters go into a file name.
    std::string name = output.toStdString();
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_') c = '_';
    return GetFileNameWithoutExtension(kWallpaperFileName) + "-" + name +
           GetFileExtension(kWallpaperFileName);
}

bool IsWallpaperFile(const std::string& path, const std::string& directory) {
    if (GetFileDir(path) != directory) return false;
    const std::string name = path.substr(directory.size());
    const std::string stem = GetFileNameWithoutExtension(kWallpaperFileName);
    return name == kWallpaperFileName ||
           (name.starts_with(stem + "-") && name.ends_with(GetFileExtension(kWallpaperFileName)));
}

QRect GetDesktopArea(const TDesktopLayout& layout, int margin) {
    return layout.CalendarWorkArea.adjusted(margin, margin, -margin, -margin);
}

QRect GetDesktopArea(int margin, const QString& monitor) {
    return GetDesktopArea(LayOutDesktop(Monitors(), TMonitorsMode::Each, monitor), margin);
}

void SetFilesAsWallpaper(std::vector<TOutputPicture> pictures) {
    TStatusScope scope("SetFileAsWallpaper");
    std::vector<std::string> handedOut;
    scope.Run([&] {
        const DesktopKind desktop = DetectDesktop(QProcessEnvironment::systemEnvironment());
        // A desktop that shows the pixels it is given reads no file by any name.
        const bool byName =
            !ShowsPixelsOnly(desktop) ||
            std::any_of(pictures.begin(), pictures.end(),
                        [](const TOutputPicture& picture) { return picture.Pixels.isNull(); });
        std::vector<std::string> composed;
        for (TOutputPicture& picture : pictures) {
            if (GetFileDir(picture.Path).empty()) {
                const std::string directory = GetTempPath();
                scope.AdoptCalleeFailure();
                picture.Path = IncludeSeparator(directory) + picture.Path;
            }
            composed.push_back(picture.Path);
            if (!byName) continue;
            int error = 0;
            picture.Path = HandOutNewName(composed.back(), error);
            if (picture.Path.empty())
                scope.Raise("Failed to set wallpaper.", composed.back(), {}, error);
            handedOut.push_back(picture.Path);
        }
        const WallpaperResult result = SetDesktopWallpaper(desktop, pictures);
        if (result.error != 0)
            scope.Raise("Failed to set wallpaper.", composed.front(),
                        result.reason.empty() ? pictures.front().Path : result.reason,
                        result.error);
        for (size_t i = 0; i < handedOut.size(); ++i)
            RemoveAllButNewestNames(composed[i], handedOut[i]);
        handedOut.clear();
    });
    // Refused: the desktop still shows the names handed out before.
    std::error_code ignored;
    for (const std::string& name : handedOut) fs::remove(name, ignored);
}

void SetFileAsWallpaper(std::string_view fileName) {
    TOutputPicture picture{std::string(fileName), {}, {}};
    for (const TMonitor& monitor : Monitors()) {
        picture.Outputs << monitor.Name;
        picture.Geometries << monitor.LogicalGeometry;
    }
    SetFilesAsWallpaper({std::move(picture)});
}
