#include "File.h"

#include "QtText.h"
#include "StatusScope.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <memory>
#include <numeric>
#include <set>
#include <utility>

namespace {

struct TFileScan {
    TFileMasks Masks;
    std::vector<std::string>& Target;
    bool Recurse;
    const std::function<bool()>& KeepGoing;
    // Every directory read so far, by device and inode.
    std::set<std::pair<dev_t, ino_t>> Visited;
};

struct DirectoryCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};

void ScanDirectory(std::string_view directory, TFileScan& scan) {
    TStatusScope scope("LoadFilesList");
    scope.Run([&] {
        if (directory.empty() || GetFileDir(directory).empty()) return;
        const std::string path(directory);
        // O_NONBLOCK: a named pipe given as a directory fails at once instead of waiting.
        const int descriptor = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
        if (descriptor < 0) {
            if (errno == ENOENT) return;
            scope.Raise("Failed to load directory.", path, {}, errno);
        }
        std::unique_ptr<DIR, DirectoryCloser> entries(fdopendir(descriptor));
        if (!entries) {
            const int error = errno;
            close(descriptor);
            scope.Raise("Failed to load directory.", path, {}, error);
        }
        struct stat self {};
        if (fstat(descriptor, &self) != 0)
            scope.Raise("Failed to load directory.", path, {}, errno);
        if (!scan.Visited.emplace(self.st_dev, self.st_ino).second) return;

        const std::string prefix = IncludeSeparator(directory);
        // Subdirectories wait until this one is closed, so that a deep tree holds one open
        // directory at a time.
        std::vector<std::string> subdirectories;
        int readError = 0;
        for (;;) {
            if (scan.KeepGoing && !scan.KeepGoing())
                scope.Raise("Failed to load directory.", path, {}, ECANCELED);
            errno = 0;
            const dirent* entry = readdir(entries.get());
            if (entry == nullptr) {
                readError = errno;
                break;
            }
            const std::string_view name = entry->d_name;
            if (name.front() == '.') continue;
            unsigned char type = entry->d_type;
            if (type == DT_LNK || type == DT_UNKNOWN) {
                if (!scan.Recurse && !scan.Masks.Matches(name)) continue;
                struct stat target {};
                // A dangling link names nothing.
                if (fstatat(descriptor, entry->d_name, &target, 0) != 0) continue;
                type = S_ISDIR(target.st_mode) ? DT_DIR : S_ISREG(target.st_mode) ? DT_REG : 0;
            }
            if (type == DT_DIR) {
                if (scan.Recurse) subdirectories.push_back(prefix + entry->d_name);
            } else if (type == DT_REG && scan.Masks.Matches(name)) {
                scan.Target.push_back(prefix + entry->d_name);
            }
        }
        entries.reset();

        for (const std::string& subdirectory : subdirectories) {
            ScanDirectory(subdirectory, scan);
            if (FunStatContext.GivenUp()) scope.AdoptCalleeFailure();
            scope.KeepCalleeFailure();
        }
        if (readError != 0) scope.Raise("Failed to load directory.", path, {}, readError);
    });
}

}  // namespace

void LoadFilesList(std::string_view directory, std::string_view masks,
                   std::vector<std::string>& target, bool recurse,
                   const std::function<bool()>& keepGoing) {
    TFileScan scan{TFileMasks(masks), target, recurse, keepGoing, {}};
    ScanDirectory(directory, scan);
}

void SortFileList(std::vector<std::string>& paths) {
    // The C locale collates by code points alone and cannot ignore letter case; the common order
    // of Unicode, which English uses, stands in for it.
    const QLocale locale =
        QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
    QCollator collator{locale};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // One key per path: comparing keys is far cheaper than collating the texts at every step.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(paths.size());
    for (const std::string& path : paths) keys.push_back(collator.sortKey(ToQString(path)));
    std::vector<size_t> order(paths.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int byLocale = keys[a].compare(keys[b]);
        return byLocale != 0 ? byLocale < 0 : paths[a] < paths[b];
    });
    std::vector<std::string> sorted;
    sorted.reserve(paths.size());
    for (const size_t index : order)
        if (sorted.empty() || sorted.back() != paths[index])
            sorted.push_back(std::move(paths[index]));
    paths = std::move(sorted);
}
