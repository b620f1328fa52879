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
#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ranges>

namespace {

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};
using DirectoryHandle = std::unique_ptr<DIR, DirectoryCloser>;

// The directory itself, never a symbolic link in its place; a relative path starts at the
// directory at. Null with errno set.
DirectoryHandle OpenDirectoryNoFollow(const std::string& path, int at = AT_FDCWD) {
    const int fd = openat(at, path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
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
bool CopyOneFile(int sourceFd, const struct stat& source, const std::string& sourcePath,
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
    return !scope.Failed();
}

// The top of one CopyDeleteDirectory, which all its levels share.
struct TopDirectory {
    // The destination's: a destination inside the source is not copied into itself again and
    // again.
    dev_t device = 0;
    ino_t inode = 0;
    // The source's real path.
    std::string source;
};

struct DirectoryRun {
    bool copy = false;
    std::vector<std::string>* copied = nullptr;
    std::optional<TopDirectory> top;
};

// Whether the link at path leads to a file within the directory whose real path is directory.
bool LeadsWithin(const std::string& path, const std::string& directory) {
    std::error_code error;
    const std::string target = std::filesystem::canonical(path, error).string();
    return !error && !directory.empty() && target.starts_with(IncludeSeparator(directory));
}

// One level of CopyDeleteDirectory; relative is the level's place below the top, "" or ending
// with "/".
void ProcessDirectory(const std::string& source, const std::string& destination,
                      const std::string& relative, DirectoryRun& run) {
    TStatusScope scope("CopyDeleteDirectory");
    scope.Run([&] {
        if (destination.empty()) scope.Raise("Empty destination name.", source);
        struct stat sourceInfo {};
        const mode_t mode =
            stat(source.c_str(), &sourceInfo) == 0 ? (sourceInfo.st_mode & 0777) | S_IRWXU : 0755;
        if (!MakeOwnDirectory(destination, mode))
            scope.Raise("Failed to create directory.", source, destination, errno);
        if (struct stat made{}; !run.top && stat(destination.c_str(), &made) == 0) {
            std::error_code unresolved;
            run.top = TopDirectory{made.st_dev, made.st_ino,
                                   std::filesystem::canonical(source, unresolved).string()};
        }
        if (run.copied != nullptr && !relative.empty()) run.copied->push_back(relative);

        const DirectoryHandle directory = OpenDirectoryNoFollow(source);
        if (directory == nullptr && !IsFindSuccess(errno))
            scope.Raise("Failed to find first file.", source, destination, errno);
        if (directory == nullptr) return;
        if (!run.copy) AllowRemovingEntries(directory.get());
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
                if (run.top && info.st_dev == run.top->device && info.st_ino == run.top->inode)
                    continue;
                ProcessDirectory(from, to, relative + name + "/", run);
                scope.KeepCalleeFailure();
            } else if (!run.copy) {
                unlinkat(directoryFd, name.c_str(), 0);
            } else if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) {
                // A link to a file is copied as the file (an "Install" link to the program
                // becomes a program file), but only a file within the source: one outside, a key
                // of the user's say, has no business in the copy. A link to a directory is never
                // followed.
                if (S_ISLNK(info.st_mode) && !(run.top && LeadsWithin(from, run.top->source)))
                    continue;
                const int file =
                    openat(directoryFd, name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
                if (file < 0) continue;
                struct stat opened {};
                if (fstat(file, &opened) == 0 && S_ISREG(opened.st_mode)) {
                    if (CopyOneFile(file, opened, from, to) && run.copied != nullptr)
                        run.copied->push_back(relative + name);
                    scope.KeepCalleeFailure();
                }
                close(file);
            }
        }
    });
    if (scope.Failed())
        ShowMessageBox("Error", "Failed to process directory.", MB_OKCANCEL | MB_ICONHAND);
    if (!run.copy) rmdir(source.c_str());
}

// An entry of the list of installed files that stays within the folder: relative, with no empty,
// "." or ".." component.
bool StaysWithin(std::string_view entry) {
    if (entry.ends_with('/')) entry.remove_suffix(1);
    if (entry.empty()) return false;
    for (const auto part : std::views::split(entry, '/')) {
        const std::string_view name(part.begin(), part.end());
        if (name.empty() || name == "." || name == "..") return false;
    }
    return true;
}

constexpr const char* kOutsideEntry =
    "The list of installed files names a place outside its directory.";

// One listed entry of the folder open as folder, path its full name. The way down is opened
// directory by directory, never through a symbolic link: what has gone, or stands there but is not
// of the kind the installer put there, was not the installer's and stays. A directory goes only
// when empty: anything still in it is not the installer's either.
void DeleteInstalledEntry(DIR* folder, std::string_view entry, const std::string& path) {
    TStatusScope scope("DeleteInstalledFiles");
    scope.Run([&] {
        if (!StaysWithin(entry)) scope.Raise(kOutsideEntry, path);
        const bool isDirectory = entry.ends_with('/');
        if (isDirectory) entry.remove_suffix(1);
        DirectoryHandle below;
        DIR* parent = folder;
        for (size_t separator; (separator = entry.find('/')) != std::string_view::npos;) {
            below = OpenDirectoryNoFollow(std::string(entry.substr(0, separator)), dirfd(parent));
            if (below == nullptr && (errno == ENOENT || errno == ENOTDIR || errno == ELOOP)) return;
            if (below == nullptr) scope.Raise("Failed to delete file.", path, {}, errno);
            parent = below.get();
            entry.remove_prefix(separator + 1);
        }
        if (unlinkat(dirfd(parent), std::string(entry).c_str(), isDirectory ? AT_REMOVEDIR : 0) ==
                0 ||
            errno == ENOENT)
            return;
        if (isDirectory && errno != ENOTEMPTY && errno != EEXIST && errno != ENOTDIR)
            scope.Raise("Failed to delete directory.", path, {}, errno);
        if (!isDirectory && errno != EISDIR) scope.Raise("Failed to delete file.", path, {}, errno);
    });
}

}  // namespace

bool ChooseDirectory(std::string& directory, std::string_view root, std::string_view caption) {
    const auto chosen = FileDialogs::Instance().ChooseDirectory(
        root.empty() ? directory : std::string(root), std::string(caption));
    if (!chosen) return false;
    directory = *chosen;
    return true;
}

void CopyDeleteDirectory(std::string_view source, std::string_view destination, bool copy,
                         std::vector<std::string>* copied) {
    DirectoryRun run{.copy = copy, .copied = copy ? copied : nullptr, .top = std::nullopt};
    ProcessDirectory(std::string(source), std::string(destination), "", run);
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

std::optional<std::vector<std::string>> ReadInstalledFiles(std::string_view folder) {
    TStatusScope scope("ReadInstalledFiles");
    std::optional<std::vector<std::string>> entries;
    scope.Run([&] {
        const std::string path = IncludeSeparator(folder) + InstalledFilesName;
        std::string content;
        int error = 0;
        if (!ReadFileBytes(path, content, error)) {
            if (error == ENOENT) return;
            scope.Raise("Failed to read the list of installed files.", path, {}, error);
        }
        entries.emplace();
        for (size_t start = 0; start < content.size();) {
            const size_t end = std::min(content.find('\0', start), content.size());
            const std::string_view entry = std::string_view(content).substr(start, end - start);
            if (!StaysWithin(entry)) scope.Raise(kOutsideEntry, path, entry);
            entries->emplace_back(entry);
            start = end + 1;
        }
    });
    scope.OnFailure([&] { entries.reset(); });
    return entries;
}

void WriteInstalledFiles(std::string_view folder, std::vector<std::string> entries) {
    TStatusScope scope("WriteInstalledFiles");
    scope.Run([&] {
        const std::string directory = IncludeSeparator(folder);
        entries.emplace_back(InstalledFilesName);
        std::ranges::sort(entries);
        const auto [duplicates, end] = std::ranges::unique(entries);
        entries.erase(duplicates, end);
        std::string content;
        for (const std::string& entry : entries) {
            struct stat info {};
            if (entry != InstalledFilesName && lstat((directory + entry).c_str(), &info) != 0)
                continue;
            content += entry;
            content += '\0';
        }
        int error = 0;
        if (!ReplaceFileContents(directory + InstalledFilesName, content, 0644, error))
            scope.Raise("Failed to write the list of installed files.",
                        directory + InstalledFilesName, {}, error);
    });
}

bool DeleteInstalledFiles(std::string_view folder, std::vector<std::string> entries) {
    TStatusScope scope("DeleteInstalledFiles");
    const std::string path(folder);
    bool gone = false;
    scope.Run([&] {
        const DirectoryHandle directory = OpenDirectoryNoFollow(path);
        if (directory == nullptr) scope.Raise("Can not find directory.", path, {}, errno);
        // What a directory holds comes before it; the list last, kept for another attempt
        // when anything could not be deleted.
        std::ranges::sort(entries, std::greater{});
        for (const std::string& entry : entries) {
            if (entry == InstalledFilesName) continue;
            DeleteInstalledEntry(directory.get(), entry, IncludeSeparator(path) + entry);
            scope.KeepCalleeFailure();
        }
        if (scope.Failed()) return;
        DeleteInstalledEntry(directory.get(), InstalledFilesName,
                             IncludeSeparator(path) + InstalledFilesName);
        scope.AdoptCalleeFailure();
        gone = rmdir(path.c_str()) == 0;
        if (!gone && errno != ENOTEMPTY && errno != EEXIST)
            scope.Raise("Failed to delete directory.", path, {}, errno);
    });
    return gone;
}
