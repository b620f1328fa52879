#include "File.h"

#include "ArgumentText.h"
#include "DesktopEntry.h"
#include "Mytime.h"
#include "QtText.h"
#include "StatusScope.h"

#include <QDateTime>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QUrl>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>

namespace {

constexpr const char* kShowCommandKey = "X-Tapestrel-ShowCommand";
constexpr const char* kHotKeyKey = "X-Tapestrel-HotKey";
// Several desktops launch links from the desktop folder only when they are executable.
constexpr unsigned kLinkFileMode = 0755;

std::string WithoutTrailingSeparator(std::string path) {
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

// A program named without a folder is looked up the way the desktop starts it.
std::string ProgramPath(const std::string& program) {
    if (program.find('/') != std::string::npos) return GetFullPath(program);
    const QString found = QStandardPaths::findExecutable(QString::fromStdString(program));
    return found.isEmpty() ? program : found.toStdString();
}

// Icons are named by a theme's icon name or by a file.
std::string IconLocation(const std::string& icon) {
    return icon.find('/') == std::string::npos ? icon : GetFullPath(icon);
}

std::optional<int32_t> ReadNumber(const std::map<std::string, std::string>& keys,
                                  const std::string& key) {
    const auto found = keys.find(key);
    if (found == keys.end()) return 0;
    int32_t value = 0;
    const std::string& text = found->second;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

// A file that is no program, such as a read-me, or a folder: its link opens it in the program the
// user chose for it, as a link of the Link type does.
bool IsDocument(const std::string& path) {
    return FileOrDirExists(path) && (IsDirectory(path) || access(path.c_str(), X_OK) != 0);
}

std::string DocumentPath(const std::string& url) {
    return QUrl::fromEncoded(QByteArray::fromStdString(url)).toLocalFile().toStdString();
}

bool IsUtf8(std::string_view text) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    (void)decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return !decoder.hasError();
}

}  // namespace

void TLinkFile::Clear() {
    const double zeroFileTime = ToDateTime(QDateTime::fromMSecsSinceEpoch(0));
    *this = TLinkFile();
    CreationTime = LastAccessTime = LastWriteTime = zeroFileTime;
}

bool TLinkFile::Load(std::string_view linkFileName, bool resolve) {
    TStatusScope scope("TLinkFile::Load");
    const std::string link(linkFileName);
    scope.Run([&] {
        Clear();
        if (!IsLinkFileName(link)) scope.Raise("File is not a link.", link);
        std::string content;
        int error = 0;
        if (!ReadFileBytes(link, content, error))
            scope.Raise("Failed to load link file.", link, {}, error);
        const auto keys = ParseDesktopEntry(content);
        if (!keys) scope.Raise("Failed to load link file.", link);

        auto text = [&keys](const char* key) {
            const auto found = keys->find(key);
            return found == keys->end() ? std::string() : found->second;
        };
        const auto exec = keys->find("Exec");
        const auto command = text("Type") == "Link"
                                 ? std::optional(std::vector{DocumentPath(text("URL"))})
                             : exec == keys->end() ? std::nullopt
                                                   : SplitExec(exec->second);
        if (!command) scope.Raise("Failed to get reference path.", link);
        const std::string target = command->empty() ? std::string() : command->front();

        struct statx info {};
        const bool exists = !target.empty() && statx(AT_FDCWD, ProgramPath(target).c_str(), 0,
                                                     STATX_BASIC_STATS | STATX_BTIME, &info) == 0;
        if (resolve && !exists)
            scope.Raise("Failed to resolve link file.", link, {}, target.empty() ? 0 : errno);
        if (exists) {
            Valid = true;
            Attributes = info.stx_mode;
            Size = info.stx_size;
            // Not every file system records when a file was made.
            const statx_timestamp made =
                (info.stx_mask & STATX_BTIME) ? info.stx_btime : info.stx_ctime;
            for (auto [time, stamp] : {std::pair{&CreationTime, made},
                                       {&LastAccessTime, info.stx_atime},
                                       {&LastWriteTime, info.stx_mtime}}) {
                *time = ConvertFileTime(timespec{stamp.tv_sec, stamp.tv_nsec});
                scope.AdoptCalleeFailure();
            }
        }

        ReferencePath = WithoutTrailingSeparator(ProgramPath(target));
        if (ReferencePath.empty()) scope.Raise("Empty reference path.", link);
        Arguments = JoinArguments({command->begin() + 1, command->end()});
        WorkingPath = WithoutTrailingSeparator(GetFullPath(text("Path")));
        Description = text("Comment");
        IconPath = WithoutTrailingSeparator(IconLocation(text("Icon")));

        const auto hotKey = ReadNumber(*keys, kHotKeyKey);
        if (!hotKey) scope.Raise("Failed to get hot key.", link);
        HotKey = *hotKey;
        const auto showCommand = ReadNumber(*keys, kShowCommandKey);
        if (!showCommand) scope.Raise("Failed to get show command.", link);
        ShowCommand = *showCommand;

        if (GetFullPath(target) == GetFullPath(link))
            scope.Raise("This file is most probably a virus because it links to itself.", link);
    });
    scope.OnFailure([&] { Clear(); });
    return !scope.Failed();
}

bool TLinkFile::Save(std::string_view linkFileName, bool overwrite) {
    TStatusScope scope("TLinkFile::Save");
    const std::string link(linkFileName);
    scope.Run([&] {
        ReferencePath = GetFullPath(ReferencePath);
        if (IsLinkFileName(ReferencePath))
            scope.Raise("This operating system does not support chained links.", link);
        if (ReferencePath == GetFullPath(link))
            scope.Raise("This file is most probably a virus because it links to itself.", link);
        struct stat existing {};
        if (lstat(link.c_str(), &existing) == 0 && !overwrite) return;

        std::vector<std::pair<std::string, std::string>> keys;
        if (IsDocument(ReferencePath)) {
            keys = {{"Type", "Link"},
                    {"Name", GetFileNameWithoutExtension(link)},
                    {"URL", EncodedFileUrl(ReferencePath).toStdString()}};
        } else {
            std::vector<std::string> command{ReferencePath};
            for (std::string& argument : SplitArguments(Arguments))
                command.push_back(std::move(argument));
            // A session or menu skips the entry once the program is gone (a package removed,
            // a folder deleted) rather than failing to start it at every login.
            keys = {{"Type", "Application"},
                    {"Name", GetFileNameWithoutExtension(link)},
                    {"Exec", JoinExec(command)},
                    {"TryExec", ReferencePath}};
        }
        auto optional = [&keys](const char* key, const std::string& value) {
            if (!value.empty()) keys.emplace_back(key, value);
        };
        // A working directory is only for programs.
        if (keys.front().second == "Application") optional("Path", WorkingPath);
        optional("Comment", Description);
        optional("Icon", IconPath);
        optional(kHotKeyKey, HotKey & 0xFFFF ? std::to_string(HotKey & 0xFFFF) : std::string());
        optional(kShowCommandKey, ShowCommand != 0 ? std::to_string(ShowCommand) : std::string());

        const std::string content = FormatDesktopEntry(keys);
        // Desktop entries are UTF-8 text; a name in another encoding can't be linked to.
        if (!IsUtf8(content)) scope.Raise("Failed to save link file.", link, {}, EILSEQ);
        int error = 0;
        if (!ReplaceFileContents(link, content, kLinkFileMode, error))
            scope.Raise("Failed to save link file.", link, {}, error);
    });
    scope.OnFailure([&] { Clear(); });
    return !scope.Failed();
}

bool CopyFileAsLink(std::string_view target, std::string_view linkFileName, bool overwrite,
                    std::string_view arguments, bool setWorkingDirectory, bool minimized) {
    TLinkFile link;
    link.Clear();
    link.ReferencePath = target;
    if (setWorkingDirectory) link.WorkingPath = GetFileDir(target);
    link.Arguments = arguments;
    if (minimized) link.ShowCommand = SW_SHOWMINNOACTIVE;
    return link.Save(linkFileName, overwrite);
}

bool CopyFileAsLinkWithParam(std::string_view target, std::string_view linkFileName,
                             std::string_view arguments, bool overwrite) {
    TLinkFile link;
    link.Clear();
    link.ReferencePath = target;
    link.Arguments = arguments;
    link.WorkingPath = GetFileDir(target);
    return link.Save(linkFileName, overwrite);
}

void MakeLinkByStatus(std::string_view linkDirectory, std::string_view target,
                      std::string_view arguments, std::string_view description, bool minimized,
                      bool status, std::string_view linkName) {
    TStatusScope scope("MakeLinkByStatus");
    scope.Run([&] {
        const std::string name =
            linkName.empty() ? GetFileNameWithoutExtension(target) : std::string(linkName);
        const std::string linkFileName =
            IncludeSeparator(linkDirectory) + name + GetLinkExtension(target);
        if (!status) {
            unlink(linkFileName.c_str());
            return;
        }
        TLinkFile link;
        link.Clear();
        if (FileOrDirExists(linkFileName)) {
            link.Load(linkFileName, false);
            scope.AdoptCalleeFailure();
        }
        const bool upToDate = link.ReferencePath == target && link.Arguments == arguments &&
                              link.Description == description &&
                              (link.ShowCommand == SW_SHOWMINNOACTIVE) == minimized;
        if (upToDate) return;
        link.ReferencePath = target;
        link.Arguments = arguments;
        link.Description = description;
        link.ShowCommand = minimized ? SW_SHOWMINNOACTIVE : SW_SHOWNORMAL;
        link.Save(linkFileName, true);
        scope.AdoptCalleeFailure();
    });
    scope.ShowFailure("Failed to create link.");
}
