#include "SpecialFolders.h"

#include "QtText.h"

#include <QDir>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <filesystem>
#include <system_error>

namespace {

std::string Location(QStandardPaths::StandardLocation location) {
    return QFile::encodeName(QStandardPaths::writableLocation(location)).toStdString();
}

}  // namespace

std::string SpecialFolderPath(SpecialFolder folder) {
    switch (folder) {
        case SpecialFolder::Desktop:
            return Location(QStandardPaths::DesktopLocation);
        case SpecialFolder::ProgramsMenu:
            return Location(QStandardPaths::GenericDataLocation) + "/applications";
        case SpecialFolder::ProgramFiles:
            return Location(QStandardPaths::HomeLocation) + "/.local/opt";
        case SpecialFolder::Startup:
            return Location(QStandardPaths::GenericConfigLocation) + "/autostart";
    }
    return {};
}

std::string ProgramDataDirectory(std::string_view product, int& error) {
    error = 0;
    const std::string base = Location(QStandardPaths::GenericDataLocation);
    if (base.empty()) {
        error = ENOENT;
        return {};
    }
    std::error_code created;
    std::filesystem::create_directories(base, created);
    const std::string path = base + "/" + std::string(product);
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        error = errno;
        return {};
    }
    struct stat info {};
    if (lstat(path.c_str(), &info) != 0) {
        error = errno;
        return {};
    }
    if (S_ISLNK(info.st_mode) || !S_ISDIR(info.st_mode)) {
        error = ENOTDIR;
        return {};
    }
    if (info.st_uid != getuid()) {
        error = EPERM;
        return {};
    }
    return path;
}
