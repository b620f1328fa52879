#include "File.h"

#include "Mytime.h"
#include "Program.h"
#include "SpecialFolders.h"
#include "StatusScope.h"

#include <QDateTime>

#include <sys/stat.h>
#include <cerrno>
#include <filesystem>
#include <optional>

namespace {

std::optional<SpecialFolder> FolderOfId(int folderId) {
    switch (folderId) {
        case CSIDL_PROGRAMS:
            return SpecialFolder::ProgramsMenu;
        case CSIDL_STARTUP:
            return SpecialFolder::Startup;
        case CSIDL_DESKTOPDIRECTORY:
            return SpecialFolder::Desktop;
        case CSIDL_PROGRAM_FILES:
            return SpecialFolder::ProgramFiles;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string GetTempPath() {
    TStatusScope scope("GetTempPathA");
    std::string path;
    scope.Run([&] {
        int error = 0;
        const std::string directory = PrivateDataDirectory(ProductName, error);
        if (directory.empty())
            scope.Raise("Failed to get path.", PrivateDataDirectoryPath(ProductName), {}, error);
        path = IncludeSeparator(ToLongPath(directory));
    });
    return path;
}

std::string GetSystemDirectoryPath(int folderId) {
    TStatusScope scope("GetSystemDirectoryPath");
    std::string path;
    scope.Run([&] {
        const auto folder = FolderOfId(folderId);
        if (!folder) return;
        const std::string directory = SpecialFolderPath(*folder);
        if (directory.empty()) return;
        std::error_code error;
        std::filesystem::create_directories(directory, error);
        if (error) scope.Raise("Failed to get path.", directory, {}, error.value());
        path = IncludeSeparator(directory);
    });
    return path;
}

std::string GetDesktopPath() {
    return GetSystemDirectoryPath(CSIDL_DESKTOPDIRECTORY);
}

std::string GetProgramsMenuPath() {
    return GetSystemDirectoryPath(CSIDL_PROGRAMS);
}

std::string GetProgramFilesPath() {
    return GetSystemDirectoryPath(CSIDL_PROGRAM_FILES);
}

std::string GetStartupPath() {
    return GetSystemDirectoryPath(CSIDL_STARTUP);
}

uint64_t GetFileSize(int fileDescriptor) {
    TStatusScope scope("GetFileSize");
    uint64_t size = 0;
    scope.Run([&] {
        struct stat info {};
        if (fstat(fileDescriptor, &info) != 0)
            scope.Warn("Failed to get file size.", {}, {}, errno);
        else
            size = static_cast<uint64_t>(info.st_size);
    });
    return size;
}

double ConvertFileTime(const timespec& fileTime) {
    TStatusScope scope("ConvertFileTime");
    double dateTime = 0;
    scope.Run([&] {
        tm local{};
        errno = 0;
        if (localtime_r(&fileTime.tv_sec, &local) == nullptr)
            scope.Raise("Failed to convert time.", {}, {}, errno);
        const qint64 milliseconds =
            static_cast<qint64>(fileTime.tv_sec) * 1000 + fileTime.tv_nsec / 1000000;
        dateTime = ToDateTime(QDateTime::fromMSecsSinceEpoch(milliseconds));
    });
    return dateTime;
}
