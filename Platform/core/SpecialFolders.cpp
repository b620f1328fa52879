#include "SpecialFolders.h"

#include "QtText.h"

#include <QDir>
#include <QStandardPaths>

#include <fcntl.h>
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

std::string UserConfigDirectory(std::string_view product) {
    const std::string base = Location(QStandardPaths::GenericConfigLocation);
    if (base.empty()) return {};
    const std::string path = base + "/" + std::string(product);
    std::error_code created;
    std::filesystem::create_directories(base, created);
    mkdir(path.c_str(), 0700);
    return path;
}

std::string PrivateDataDirectoryPath(std::string_view product) {
    const std::string base = Location(QStandardPaths::GenericDataLocation);
    return base.empty() ? std::string() : base + "/" + std::string(product);
}

std::string PrivateDataDirectory(std::string_view product, int& error) {
    error = 0;
    const std::string path = PrivateDataDirectoryPath(product);
    if (path.empty()) {
        error = ENOENT;
        return {};
    }
    std::error_code created;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), created);
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
        error = errno;
        return {};
    }
    // Opened, not looked up by name, so that the directory checked is the one made private.
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        error = errno;  // ENOTDIR for a link or anything else but a directory
        return {};
    }
    struct stat info {};
    if (fstat(fd, &info) != 0)
        error = errno;
    else if (info.st_uid != getuid())
        error = EPERM;
    // Others who could put names here could take the wallpaper away or plant another.
    else if ((info.st_mode & 07777) != 0700 && fchmod(fd, 0700) != 0)
        error = errno;
    close(fd);
    return error == 0 ? path : std::string();
}
