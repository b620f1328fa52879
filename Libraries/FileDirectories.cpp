#include "FileDirectories.h"

#include "Error.h"
#include "File.h"
#include "FileDialogs.h"
#include "Mydialogs.h"
#include "StatusScope.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <memory>
#include <optional>

namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};
using DirectoryHandle = std::unique_ptr<DIR, DirectoryCloser>;

// The directory itself, never a symbolic link in its place. Null with errno set.
DirectoryHandle OpenDirectoryNoFollow(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return nullptr;
    DIR* directory = fdopendir(fd);
    if (directory == nullptr) close(fd);
    return DirectoryHandle(directory);
}

// The next entry but "." and ".."; null at the end, with errno set when reading failed.
dirent* NextEntry(DIR* directory) {
    for (;;) {
        errno = 0;
        dirent* entry = readdir(directory);
        if (entry == nullptr) return nullptr;
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") return entry;
    }
}

// The directory may be emptied even when its owner made it read-only.
void AllowRemovingEntries(DIR* directory) {
    struct stat info {};
    if (fstat(dirfd(directory), &info) == 0 && !(info.st_mode & S_IWUSR))
        fchmod(dirfd(directory), (info.st_mode & 07777) | S_IWUSR);
}

// A directory of its own at path: whatever else is there, a symbolic link above all, is replaced
// rather than written through. False with errno set.
bool MakeOwnDirectory(const std::string& path, mode_t mode) {
    struct stat existing {};
    if (lstat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) return true;
        if (unlink(path.c_str()) != 0) return false;
    }
    errno = 0;
    return mkdir(path.c_str(), mode) == 0 || !IsSystemErrorAfterCreate();
}

// The copy replaces the destination through a rename, so a program that is running from it goes
// on undisturbed, and a symbolic link in its place is replaced, never followed.
void CopyOneFile(int sourceFd, const struct stat& source, const std::string& sourcePath,
                 const std::string& destinationPath) {
    TStatusScope scope("CopyOneFile");
    scope.Run([&] {
        int error = 0;
        const bool copied = ReplaceFile(
            destinationPath, source.st_mode & 0777,
            [sourceFd](int fd) {
                std::array<char, 1 << 16> buffer;
                for (;;) {
                    const ssize_t got = read(sourceFd, buffer.data(), buffer.size());
                    if (got == 0) return true;
                    if (got < 0 && errno == EINTR) continue;
                    if (got < 0 || !WriteAll(fd, {buffer.data(), static_cast<size_t>(got)}))
                        return false;
                }
            },
            error);
        if (!copied) scope.Raise("Failed to copy file.", sourcePath, destinationPath, error);
    });
}

// The directory at the top of a copy: a destination inside the source is not copied into itself
// again and again.
struct TopDirectory {
    dev_t device = 0;
    ino_t inode = 0;
};

// One level of CopyDeleteDirectory; the top level finds its own top.
void ProcessDirectory(const std::string& source, const std::string& destination, bool copy,
                      std::optional<TopDirectory> top) {
    TStatusScope scope("CopyDeleteDirectory");
    scope.Run([&] {
        if (destination.empty()) scope.Raise("Empty destination name.", source);
        struct stat sourceInfo {};
        const mode_t mode =
            stat(source.c_str(), &sourceInfo) == 0 ? (sourceInfo.st_mode & 0777) | S_IRWXU : 0755;
        if (!MakeOwnDirectory(destination, mode))
            scope.Raise("Failed to create directory.", source, destination, errno);
        if (struct stat made{}; !top && stat(destination.c_str(), &made) == 0)
            top = TopDirectory{made.st_dev, made.st_ino};

        const DirectoryHandle directory = OpenDirectoryNoFollow(source);
        if (directory == nullptr && !IsFindSuccess(errno))
            scope.Raise("Failed to find first file.", source, destination, errno);
        if (directory == nullptr) return;
        if (!copy) AllowRemovingEntries(directory.get());
        const int directoryFd = dirfd(directory.get());
        while (const dirent* entry = NextEntry(directory.get())) {
            // Hidden entries are not the program's.
            if (entry->d_name[0] == '.') continue;
            const std::string name = entry->d_name;
            const std::string from = IncludeSeparator(source) + name;
            const std::string to = IncludeSeparator(destination) + name;
            struct stat info {};
            if (fstatat(directoryFd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
            if (S_ISDIR(info.st_mode)) {
                if (top && info.st_dev == top->device && info.st_ino == top->inode) continue;
                ProcessDirectory(from, to, copy, top);
                scope.KeepCalleeFailure();
            } else if (!copy) {
                unlinkat(directoryFd, name.c_str(), 0);
            } else if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) {
                // A link to a file is copied as the file (an "Install" link to the program
                // becomes a program file); a link to a directory is never followed.
                const int file =
                    openat(directoryFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
                if (file < 0) continue;
                struct stat opened {};
                if (fstat(file, &opened) == 0 && S_ISREG(opened.st_mode)) {
                    CopyOneFile(file, opened, from, to);
                    scope.KeepCalleeFailure();
                }
                close(file);
            }
        }
    });
    if (scope.Failed())
        ShowMessageBox("Error", "Failed to process directory.", MB_OKCANCEL | MB_ICONHAND);
    if (!copy) rmdir(source.c_str());
}

}  // namespace

bool ChooseDirectory(std::string& directory, std::string_view root, std::string_view caption) {
    const auto chosen = FileDialogs::Instance().ChooseDirectory(
        root.empty() ? directory : std::string(root), std::string(caption));
    if (!chosen) return false;
    directory = *chosen;
    return true;
}

void CopyDeleteDirectory(std::string_view source, std::string_view destination, bool copy) {
    ProcessDirectory(std::string(source), std::string(destination), copy, std::nullopt);
}

void DeleteDirectoryNoErrors(std::string_view directory) {
    TStatusScope scope("DeleteDirectoryNoErrors");
    const std::string path(directory);
    scope.Run([&] {
        const DirectoryHandle handle = OpenDirectoryNoFollow(path);
        if (handle == nullptr) scope.Raise("Can not find directory.", path, {}, errno);
        AllowRemovingEntries(handle.get());
        const int directoryFd = dirfd(handle.get());
        for (;;) {
            const dirent* entry = NextEntry(handle.get());
            if (entry == nullptr) {
                if (errno != 0) scope.Raise("Failed to delete directory content.", path, {}, errno);
                break;
            }
            struct stat info {};
            if (fstatat(directoryFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(info.st_mode))
                DeleteDirectoryNoErrors(IncludeSeparator(path) + entry->d_name);
            else
                unlinkat(directoryFd, entry->d_name, 0);
        }
    });
    rmdir(path.c_str());
}

void MyRenameFile(std::string_view from, std::string_view to, bool replace) {
    TStatusScope scope("MyRenameFile");
    scope.Run([&] {
        const std::string source(from);
        const std::string target(to);
        // rename replaces the target in one step; without replace an existing one stays.
        const int moved = replace ? rename(source.c_str(), target.c_str())
                                  : renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(),
                                              RENAME_NOREPLACE);
        if (moved != 0) scope.Raise("Failed to rename.", source, target, errno);
    });
}
