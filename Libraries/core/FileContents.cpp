#include "File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <filesystem>
#include <utility>

namespace {

// mkostemp puts six letters or digits in place of the X's. The word keeps the name from looking
// like one a person gives a copy ("Tapestrel.ini.backup", "Tapestrel.ini.240315"), which the
// removal of leftovers must never take for one.
constexpr std::string_view kTemporaryMark = ".partial-";
constexpr std::string_view kRandomLetters = "XXXXXX";

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() {
        if (m_fd >= 0) close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    // Hands the descriptor over to the caller.
    int Release() { return std::exchange(m_fd, -1); }
    // Closes now, so that a failing close is seen.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return close(fd) == 0;
    }

private:
    int m_fd;
};

}  // namespace

bool WriteAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t written = write(fd, content.data(), content.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        content.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

int OpenRegularFile(std::string_view path, int& error) {
    error = 0;
    FileDescriptor file(
        open(std::string(path).c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    struct stat status {};
    if (file.Get() < 0 || fstat(file.Get(), &status) != 0) {
        error = errno;
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        error = S_ISDIR(status.st_mode) ? EISDIR : 0;
        return -1;
    }
    // From here an ordinary descriptor: the readers it is handed to (Qt's, for pictures) may look
    // at its flags.
    fcntl(file.Get(), F_SETFL, fcntl(file.Get(), F_GETFL) & ~O_NONBLOCK);
    return file.Release();
}

bool ReadFileBytes(std::string_view path, std::string& content, int& error, size_t limit) {
    content.clear();
    FileDescriptor file(OpenRegularFile(path, error));
    if (file.Get() < 0) return false;
    char buffer[65536];
    while (content.size() < limit) {
        const ssize_t count =
            read(file.Get(), buffer, std::min(sizeof buffer, limit - content.size()));
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) {
            error = errno;
            content.clear();
            return false;
        }
        if (count == 0) return true;
        content.append(buffer, static_cast<size_t>(count));
    }
    return true;
}

std::string FinalLinkTarget(std::string_view path, int& error) {
    error = 0;
    std::string current(path);
    // As many links as the system follows before it calls them a loop.
    constexpr int kMostLinks = 40;
    for (int links = 0; links <= kMostLinks; ++links) {
        struct stat status {};
        if (lstat(current.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) return current;
        std::error_code failure;
        const std::filesystem::path target = std::filesystem::read_symlink(current, failure);
        if (failure) {
            error = failure.value();
            return {};
        }
        // A relative target is relative to the link's own directory.
        current = target.is_absolute() ? target.string() : GetFileDir(current) + target.string();
    }
    error = ELOOP;
    return {};
}

bool ReplaceFile(std::string_view path, unsigned mode, const std::function<bool(int fd)>& write,
                 int& error, std::string_view keepAs) {
    error = 0;
    const std::string target(path);
    std::string temporary = target + std::string(kTemporaryMark) + std::string(kRandomLetters);
    FileDescriptor file(mkostemp(temporary.data(), O_CLOEXEC));
    if (file.Get() < 0) {
        error = errno;
        return false;
    }
    // The old file goes aside only once the new one is whole on the disk, so that the name stands
    // empty only between two renames. An old file gone meanwhile leaves nothing to keep.
    bool kept = false;
    const auto keepOldFile = [&] {
        if (keepAs.empty()) return true;
        kept = rename(target.c_str(), std::string(keepAs).c_str()) == 0;
        return kept || errno == ENOENT;
    };
    const bool written = fchmod(file.Get(), mode) == 0 && write(file.Get()) && file.Close() &&
                         keepOldFile() && rename(temporary.c_str(), target.c_str()) == 0;
    if (!written) {
        error = errno;
        unlink(temporary.c_str());
        if (kept) rename(std::string(keepAs).c_str(), target.c_str());
    }
    return written;
}

bool ReplaceFileContents(std::string_view path, std::string_view content, unsigned mode, int& error,
                         std::string_view keepAs) {
    return ReplaceFile(
        path, mode, [content](int fd) { return WriteAll(fd, content) && fsync(fd) == 0; }, error,
        keepAs);
}

void RemoveLeftoverReplacements(std::string_view path) {
    const std::filesystem::path target(path);
    const std::string prefix = target.filename().string() + std::string(kTemporaryMark);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(target.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() != prefix.size() + kRandomLetters.size() || !name.starts_with(prefix) ||
            !std::all_of(name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
                         [](char c) { return std::isalnum(static_cast<unsigned char>(c)); }))
            continue;
        std::error_code ignored;
        if (std::filesystem::is_regular_file(entry.symlink_status(ignored)))
            std::filesystem::remove(entry.path(), ignored);
    }
}
