#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

// ---- Path text ------------------------------------------------------------------------------
// Paths are bytes as the file system names them, "/" between the parts. Empty text gives empty
// text. A drive name, a letter and a colon such as "C:", keeps its old rules; no real path here
// is one, and a name ending in a colon is an ordinary name.

std::string IncludeSeparator(std::string_view path);
bool IsDriveName(std::string_view path);
// The directory part with its trailing "/"; empty for a drive name or a bare name.
std::string GetFileDir(std::string_view path);
// The part after the last "/"; a drive name stays whole.
std::string GetFileNameOnly(std::string_view path);
// The extension with its dot, or empty.
std::string GetFileExtension(std::string_view path);
// The name part without its extension; a name that starts with its only dot stays whole.
std::string GetFileNameWithoutExtension(std::string_view path);

// Paths are limited as the system limits them (PATH_MAX).
inline constexpr size_t kMaxPathLength = 4096;

// Extensions compared without regard to letter case.
struct ExtensionLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};
using TExtensionList = std::set<std::string, ExtensionLess>;
bool HasListedExtension(std::string_view file, const TExtensionList* list);

// File names here have no short forms.
std::string ToLongPath(std::string_view path);
// Absolute, with "." and ".." resolved by the text alone (symbolic links are kept).
std::string GetFullPath(std::string_view path);
// The same file (device and inode) when both exist; otherwise the same absolute path. Never for
// names with one of the characters <>|"*?.
bool IsSameFile(std::string_view a, std::string_view b);
// Masks are separated by ";" and use "*" and "?"; letter case is ignored; an empty mask list
// accepts everything.
bool MatchesFileMask(std::string_view file, std::string_view masks);

// A mask list read once, for matching many names.
class TFileMasks {
public:
    explicit TFileMasks(std::string_view masks);
    // name: the file name without its directory.
    bool Matches(std::string_view name) const;

private:
    bool m_matchesAll = false;
    // "*" followed by text without wildcards, as in "*.jpg": the name's end alone decides.
    std::vector<std::string> m_endings;
    std::vector<std::string> m_patterns;
};
bool FileOrDirExists(std::string_view path);
bool IsDirectory(std::string_view path);
bool IsLinkFileName(std::string_view path);
// A regular file without the owner's write permission gets it. A symbolic link is left alone, and
// so is the mode of whatever it points to.
void ClearReadOnly(std::string_view path);
// No program here runs in an MS-DOS box.
constexpr bool IsDosProgram(std::string_view) {
    return false;
}
std::string GetLinkExtension(std::string_view path);

// ---- Directory scans ------------------------------------------------------------------------

// Adds to target the regular files of directory (a full path) whose names match masks, and with
// recurse those of its subdirectories. Hidden entries (names starting with ".") are neither listed
// nor entered; symbolic links are followed, but no directory is read twice, so a link loop ends.
// A directory that does not exist adds nothing and is no failure. One that cannot be read fails
// with "Failed to load directory." and its path; what was found stays, and the scan goes on with
// the rest. keepGoing, when given, is asked often; false gives up with ECANCELED.
void LoadFilesList(std::string_view directory, std::string_view masks,
                   std::vector<std::string>& target, bool recurse,
                   const std::function<bool()>& keepGoing = {});
// Sorts paths as a reader expects: letter case ignored, in the order of the user's locale. Paths
// that differ only in letter case are different files and stay, ordered by their bytes; exact
// duplicates go.
void SortFileList(std::vector<std::string>& paths);

// ---- Whole files ----------------------------------------------------------------------------

// Writes everything, also when the system takes it in pieces; false with errno set.
bool WriteAll(int fd, std::string_view content);
// How OpenRegularFile and ReadFileBytes explain a refusal the system has no error code for.
inline constexpr const char* kNotRegularFile = "Not a regular file.";
// Opens path (its symbolic links followed) for reading when it is a regular file. Nothing here
// ever waits: a named pipe, which would wait for a writer, or a device is refused at once, before
// anything is read from it. -1 when it fails, with error the system's code (EISDIR for a
// directory), or 0 for any other kind of file (kNotRegularFile).
int OpenRegularFile(std::string_view path, int& error);
// false when the file can't be read, with error as OpenRegularFile gives it. At most limit bytes
// are read.
bool ReadFileBytes(std::string_view path, std::string& content, int& error,
                   size_t limit = std::string::npos);
// The file path finally names: its symbolic links followed, however many, to the last target,
// which need not exist. path itself when it is no link; empty with the system's code in error
// when a link can't be read or the links go round in a loop.
std::string FinalLinkTarget(std::string_view path, int& error);
// Replaces the file through a temporary file beside it (made with mode) and a rename, so that
// nobody ever reads it half written; write puts the new contents into the open descriptor and
// answers false, errno set, when it can't. With keepAs, the old file is renamed to that name (in
// the same directory; an earlier file of that name goes) just before the new one takes its place.
// false with an errno code in error when anything fails: the old file then stays, under its own
// name.
bool ReplaceFile(std::string_view path, unsigned mode, const std::function<bool(int fd)>& write,
                 int& error, std::string_view keepAs = {});
// As ReplaceFile with the whole contents at hand, which are on the disk before the rename.
bool ReplaceFileContents(std::string_view path, std::string_view content, unsigned mode, int& error,
                         std::string_view keepAs = {});
// Removes what ReplaceFile left beside path when the process was killed while writing: such a
// temporary file is never renamed into place and would otherwise stay for good. Only for files
// that nobody else replaces meanwhile.
void RemoveLeftoverReplacements(std::string_view path);

// ---- Special folders and files --------------------------------------------------------------

// The folder ids the program has always used.
constexpr int CSIDL_PROGRAMS = 2;
constexpr int CSIDL_STARTUP = 7;
constexpr int CSIDL_DESKTOPDIRECTORY = 16;
constexpr int CSIDL_PROGRAM_FILES = 38;

// The program's private per-user folder for the files it hands to the desktop, with a trailing
// "/"; empty and "Failed to get path." when it cannot be had safely.
std::string GetTempPath();
// The special folder with a trailing "/", created when missing; empty for an unknown id.
std::string GetSystemDirectoryPath(int folderId);
std::string GetDesktopPath();
std::string GetProgramsMenuPath();
std::string GetProgramFilesPath();
std::string GetStartupPath();
// The size of an open file; 0 and a warning when the system can't tell.
uint64_t GetFileSize(int fileDescriptor);
// The local date-time of a file time; 0 and "Failed to convert time." when it has none.
double ConvertFileTime(const timespec& fileTime);

// ---- Links ----------------------------------------------------------------------------------

// A link to a file, as this platform keeps it: a Desktop Entry file.
class TLinkFile {
public:
    bool Valid = false;  // the fields of the target below describe an existing file
    uint32_t Attributes = 0;
    double CreationTime = 0;
    double LastAccessTime = 0;
    double LastWriteTime = 0;
    uint64_t Size = 0;
    std::string ReferencePath;
    std::string WorkingPath;
    std::string Arguments;
    std::string Description;
    std::string IconPath;
    int32_t IconIndex = 0;
    int32_t HotKey = 0;
    int32_t ShowCommand = 0;  // 1 a normal window, 7 minimized

    void Clear();
    // resolve: the target must exist.
    bool Load(std::string_view linkFileName, bool resolve);
    // An existing link is only replaced with overwrite; leaving it is no failure.
    bool Save(std::string_view linkFileName, bool overwrite);
};

constexpr int32_t SW_SHOWNORMAL = 1;
constexpr int32_t SW_SHOWMINNOACTIVE = 7;

bool CopyFileAsLink(std::string_view target, std::string_view linkFileName, bool overwrite,
                    std::string_view arguments, bool setWorkingDirectory, bool minimized);
bool CopyFileAsLinkWithParam(std::string_view target, std::string_view linkFileName,
                             std::string_view arguments, bool overwrite);
// Keeps the link to target in linkDirectory (named linkName, else after the target) present when
// status is true and absent when false; a failure is shown.
void MakeLinkByStatus(std::string_view linkDirectory, std::string_view target,
                      std::string_view arguments, std::string_view description, bool minimized,
                      bool status, std::string_view linkName = {});
