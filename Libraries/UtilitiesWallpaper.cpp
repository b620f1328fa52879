#include "Clock.h"
#include "DesktopDetection.h"
#include "File.h"
#include "Screens.h"
#include "StatusScope.h"
#include "Utilities.h"
#include "WallpaperSetters.h"

#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kStampFormat = "yyyyMMdd-HHmmss-zzz";
constexpr size_t kNamesKept = 2;

// The names handed out for path: its stem, "-", a time stamp of fixed width, its extension.
bool IsHandedOutName(const std::string& name, const std::string& path) {
    const std::string stem = GetFileNameWithoutExtension(path) + "-";
    const std::string extension = GetFileExtension(path);
    return name.size() == stem.size() + kStampFormat.size() + extension.size() &&
           name.starts_with(stem) && name.ends_with(extension);
}

// Hard links cost nothing; a file system without them gets a copy.
std::string HandOutNewName(const std::string& path, int& error) {
    QDateTime stamp = Clock::Instance().Now();
    for (;;) {
        const std::string name = GetFileDir(path) + GetFileNameWithoutExtension(path) + "-" +
                                 stamp.toString(QString::fromLatin1(kStampFormat)).toStdString() +
                                 GetFileExtension(path);
        if (link(path.c_str(), name.c_str()) == 0) return name;
        if (errno == EEXIST) {
            stamp = stamp.addMSecs(1);
            continue;
        }
        std::error_code copyError;
        if (fs::copy_file(path, name, copyError)) return name;
        error = copyError.value();
        return {};
    }
}

void RemoveAllButNewestNames(const std::string& path) {
    std::vector<std::string> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(GetFileDir(path), error)) {
        const std::string name = entry.path().filename().string();
        if (IsHandedOutName(name, path)) names.push_back(entry.path().string());
    }
    // The fixed-width stamps sort by time.
    std::sort(names.begin(), names.end());
    for (size_t i = 0; i + kNamesKept < names.size(); ++i) fs::remove(names[i], error);
}

}  // namespace

QRect GetDesktopArea(int margin) {
    return PrimaryWorkArea().adjusted(margin, margin, -margin, -margin);
}

void SetFileAsWallpaper(std::string_view fileName) {
    TStatusScope scope("SetFileAsWallpaper");
    scope.Run([&] {
        std::string path(fileName);
        if (GetFileDir(path).empty()) {
            const std::string directory = GetTempPath();
            scope.AdoptCalleeFailure();
            path = IncludeSeparator(directory) + path;
        }
        int error = 0;
        const std::string handedOut = HandOutNewName(path, error);
        if (handedOut.empty()) scope.Raise("Failed to set wallpaper.", path, {}, error);
        RemoveAllButNewestNames(path);
        error =
            SetDesktopWallpaper(DetectDesktop(QProcessEnvironment::systemEnvironment()), handedOut);
        if (error != 0) scope.Raise("Failed to set wallpaper.", path, handedOut, error);
    });
}
