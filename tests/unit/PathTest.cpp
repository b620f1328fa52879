#include "Error.h"
#include "File.h"
#include "FileDialogs.h"
#include "FileDirectories.h"
#include "TestSupport.h"
#include "Utilities.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <fstream>
#include <limits>

namespace fs = std::filesystem;

namespace {

TEST(PathTest, TextHelpersFollowTheSlashRules) {
    struct Case {
        const char* path;
        const char* dir;
        const char* name;
        const char* extension;
    };
    const Case cases[] = {
        {"/pictures/sea.jpg", "/pictures/", "sea.jpg", ".jpg"},
        {"/pictures/", "/pictures/", "", ""},
        {"sea.tar.gz", "", "sea.tar.gz", ".gz"},
        {"/a.b/noext", "/a.b/", "noext", ""},
        // Colons are ordinary characters in Linux file names.
        {"/photos/12:30.jpg", "/photos/", "12:30.jpg", ".jpg"},
        {"/photos/Summer:", "/photos/", "Summer:", ""},
        {"/a:", "/", "a:", ""},
        {"C:", "", "C:", ""},
        {"", "", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(GetFileDir(c.path), c.dir);
        EXPECT_EQ(GetFileNameOnly(c.path), c.name);
        EXPECT_EQ(GetFileExtension(c.path), c.extension);
    }
    EXPECT_EQ(IncludeSeparator("/a"), "/a/");
    EXPECT_EQ(IncludeSeparator("/a/"), "/a/");
    EXPECT_EQ(IncludeSeparator(""), "");
    EXPECT_TRUE(IsDriveName("C:"));
    EXPECT_FALSE(IsDriveName(":"));
    EXPECT_FALSE(IsDriveName("1:"));
    EXPECT_EQ(GetFullPath("/a/./b/../c/"), "/a/c/");
    EXPECT_EQ(GetFullPath("C:"), "C:");
    EXPECT_TRUE(IsLinkFileName("/x/Tapestrel.DESKTOP"));
    EXPECT_FALSE(IsLinkFileName("/x/Tapestrel.lnk"));
    EXPECT_EQ(GetLinkExtension("/usr/bin/Tapestrel"), ".desktop");
}

TEST(PathTest, ExtensionListsAndMasksIgnoreLetterCase) {
    const TExtensionList pictures{".JPG", ".PNG", ".jpg"};
    EXPECT_EQ(pictures.size(), 2u);
    EXPECT_TRUE(HasListedExtension("/p/Sea.jpg", &pictures));
    EXPECT_TRUE(HasListedExtension("/p/sea.Png", &pictures));
    EXPECT_FALSE(HasListedExtension("/p/sea.jpeg", &pictures));
    EXPECT_FALSE(HasListedExtension("/p.jpg/sea", &pictures));
    EXPECT_FALSE(HasListedExtension("/p/sea.jpg", nullptr));

    struct Case {
        const char* file;
        const char* masks;
        bool matches;
    };
    const Case cases[] = {
        {"/p/sea.JPG", "*.jpg", true},
        {"/p/sea.jpg", "*.png;*.jpg", true},
        {"/p/sea.jpg", "*.png; *.jpg", true},
        {"/p/sea.jpeg", "*.jpg", false},
        {"/p/a1.jpg", "a?.jpg", true},
        {"/p/a12.jpg", "a?.jpg", false},
        {"/p/README", "*.*", true},
        {"/p/sea.jpg", "", true},
        {"/p/sea.jpg", ";", false},
        {"/p.jpg/sea", "*.jpg", false},
        {"/p/a.b.c", "*.c", true},
        {"/p/abc", "a*b*c*", true},
        {"/p/jpg", "*.jpg", false},
        {"/p/.JPG", "*.jpg", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.masks);
        EXPECT_EQ(MatchesFileMask(c.file, c.masks), c.matches);
    }
}

TEST(PathTest, TheFolderBrowserOpensAtTheRootWhenOneIsGiven) {
    ScopedFileDialogs dialogs;
    std::string directory = "/home/me/pictures";
    EXPECT_FALSE(ChooseDirectory(directory, "/home/me", "Choose"));
    dialogs->answer = "/home/me/chosen";
    EXPECT_TRUE(ChooseDirectory(directory, "", "Choose"));
    EXPECT_EQ(dialogs->asked,
              (std::vector<std::string>{"/home/me|Choose", "/home/me/pictures|Choose"}));
    EXPECT_EQ(directory, "/home/me/chosen");
}

class FilesTest : public ::testing::Test {
protected:
    SandBox sandbox;
    fs::path Make(const std::string& name, const std::string& content = "x") {
        const fs::path path = sandbox.Root() / name;
        std::ofstream(path) << content;
        return path;
    }
};

TEST_F(FilesTest, SameFileMeansTheSameInodeOrTheSamePath) {
    const fs::path file = Make("a.jpg");
    fs::create_hard_link(file, sandbox.Root() / "b.jpg");
    fs::create_directory(sandbox.Root() / "d");
    const std::string viaDots = (sandbox.Root() / "d/../a.jpg").string();
    EXPECT_TRUE(IsSameFile(file.string(), viaDots));
    EXPECT_TRUE(IsSameFile(file.string(), (sandbox.Root() / "b.jpg").string()));
    EXPECT_FALSE(IsSameFile(file.string(), (sandbox.Root() / "A.jpg").string()));
    EXPECT_TRUE(IsSameFile("/no/such/x.jpg", "/no/such/./x.jpg"));
    EXPECT_FALSE(IsSameFile("/no/such/x?.jpg", "/no/such/x?.jpg"));
    EXPECT_TRUE(FileOrDirExists(file.string()));
    EXPECT_FALSE(FileOrDirExists(""));
    EXPECT_TRUE(IsDirectory(sandbox.Root().string()));
    EXPECT_FALSE(IsDirectory(file.string()));
}

TEST_F(FilesTest, ClearReadOnlyGivesTheOwnerWritePermissionButNeverThroughALink) {
    const fs::path file = Make("locked.jpg");
    const fs::path linked = Make("linked.jpg");
    chmod(file.c_str(), 0444);
    chmod(linked.c_str(), 0444);
    fs::create_symlink(linked, sandbox.Root() / "link.jpg");
    ClearReadOnly(file.string());
    ClearReadOnly((sandbox.Root() / "link.jpg").string());
    struct stat info {};
    ASSERT_EQ(stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
    ASSERT_EQ(stat(linked.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u);
}

TEST_F(FilesTest, ReplacingAFileLeavesNoTemporaryAndKeepsTheOldOneOnFailure) {
    const fs::path file = Make("options.ini", "old");
    int error = 0;
    ASSERT_TRUE(ReplaceFileContents(file.string(), "new", 0600, error));
    EXPECT_EQ(ReadWholeFile(file), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(sandbox.Root()), fs::directory_iterator()),
              std::ptrdiff_t{4});  // the sandbox's home, runtime and temporary folders, and ours

    // A directory in the way: the rename fails, and neither it nor a temporary is left behind.
    const fs::path blocked = sandbox.Root() / "blocked";
    fs::create_directory(blocked);
    EXPECT_FALSE(ReplaceFileContents(blocked.string(), "lost", 0600, error));
    EXPECT_EQ(error, EISDIR);
    EXPECT_TRUE(fs::is_directory(blocked));
    EXPECT_FALSE(ReplaceFileContents((sandbox.Root() / "no/such").string(), "x", 0600, error));
    EXPECT_EQ(error, ENOENT);
    EXPECT_EQ(std::distance(fs::directory_iterator(sandbox.Root()), fs::directory_iterator()),
              std::ptrdiff_t{5});

    std::string content;
    EXPECT_FALSE(ReadFileBytes((sandbox.Root() / "missing").string(), content, error));
    EXPECT_EQ(error, ENOENT);
}

TEST_F(FilesTest, WholeFileReadsRefuseAtOnceWhatIsNoRegularFile) {
    const fs::path pipe = sandbox.Root() / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    fs::create_symlink(Make("file", "bytes"), sandbox.Root() / "link");
    struct Row {
        fs::path path;
        bool read;
        int error;
    };
    for (const Row& row :
         {Row{"/dev/null", false, 0}, Row{pipe, false, 0}, Row{sandbox.Root(), false, EISDIR},
          Row{sandbox.Root() / "link", true, 0}}) {
        std::string content = "old";
        int error = -1;
        EXPECT_EQ(ReadFileBytes(row.path.string(), content, error), row.read) << row.path;
        EXPECT_EQ(error, row.error) << row.path;
        EXPECT_EQ(content, row.read ? "bytes" : "") << row.path;
    }
}

TEST_F(FilesTest, LeftoversOfAKilledReplacementAreRemovedAndNothingElse) {
    const fs::path file = Make("W.bmp", "pixels");
    for (const char* name : {"W.bmp.partial-a1B2c3", "W.bmp.partial-ZZZZZZ"}) Make(name);
    // A person's copies look much like them.
    const std::vector<std::string> kept = {"W.bmp.partial-a1B2c",  "W.bmp.partial-a1B2c34",
                                           "W.bmp.partial-a1-2c3", "X.bmp.partial-a1B2c3",
                                           "W.bmp.backup",         "W.bmp.240315",
                                           "W.bmp.partial-folder", "W.bmp"};
    for (size_t i = 0; i + 2 < kept.size(); ++i) Make(kept[i]);
    fs::create_directory(sandbox.Root() / "W.bmp.partial-folder");

    RemoveLeftoverReplacements(file.string());
    for (const char* name : {"W.bmp.partial-a1B2c3", "W.bmp.partial-ZZZZZZ"})
        EXPECT_FALSE(fs::exists(sandbox.Root() / name)) << name;
    for (const std::string& name : kept) EXPECT_TRUE(fs::exists(sandbox.Root() / name)) << name;
}

TEST_F(FilesTest, TheDataFolderIsPrivateAndNeverALink) {
    const fs::path data = sandbox.Home() / ".local/share";
    const fs::path ours = data / "Tapestrel";
    EXPECT_EQ(GetTempPath(), ours.string() + "/");
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    struct stat info {};
    ASSERT_EQ(stat(ours.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    // Ours, but open to others: made private again.
    chmod(ours.c_str(), 0777);
    EXPECT_EQ(GetTempPath(), ours.string() + "/");
    ASSERT_EQ(stat(ours.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    auto expectRefused = [&](int error) {
        EXPECT_EQ(GetTempPath(), "");
        EXPECT_EQ(FunStatContext.Status, fsError);
        EXPECT_EQ(FunStatContext.Function, "GetTempPathA");
        EXPECT_EQ(FunStatContext.Description, "Failed to get path.");
        EXPECT_EQ(FunStatContext.Parameter1, ours.string()) << "the folder is named";
        EXPECT_EQ(FunStatContext.SystemErrorCode, error);
    };
    if (geteuid() == 0) {
        ASSERT_EQ(chown(ours.c_str(), 65534, 65534), 0);
        expectRefused(EPERM);
    }
    fs::remove(ours);
    fs::create_directory(sandbox.Root() / "elsewhere");
    fs::create_directory_symlink(sandbox.Root() / "elsewhere", ours);
    expectRefused(ENOTDIR);
}

TEST_F(FilesTest, SpecialFoldersAreTheSessionsFoldersAndAreCreated) {
    const std::string home = sandbox.Home().string();
    EXPECT_EQ(GetStartupPath(), home + "/.config/autostart/");
    EXPECT_EQ(GetProgramsMenuPath(), home + "/.local/share/applications/");
    EXPECT_EQ(GetProgramFilesPath(), home + "/.local/opt/");
    EXPECT_TRUE(GetDesktopPath().ends_with("/"));
    EXPECT_TRUE(IsDirectory(GetStartupPath()));
    EXPECT_EQ(GetSystemDirectoryPath(12345), "");
}

TEST_F(FilesTest, FileSizeAndTimes) {
    const fs::path file = Make("sized", std::string(1000, 'x'));
    const int fd = open(file.c_str(), O_RDONLY);
    EXPECT_EQ(GetFileSize(fd), 1000u);
    close(fd);
    EXPECT_EQ(GetFileSize(-1), 0u);
    EXPECT_EQ(FunStatContext.Status, fsWarning);
    EXPECT_EQ(FunStatContext.Description, "Failed to get file size.");
    EXPECT_EQ(FunStatContext.SystemErrorCode, EBADF);

    // 2 January 1970 12:00 UTC, and the tests run in UTC.
    EXPECT_DOUBLE_EQ(ConvertFileTime({36 * 3600, 0}), 25570.5);
    EXPECT_EQ(ConvertFileTime({std::numeric_limits<time_t>::max(), 0}), 0.0);
    EXPECT_EQ(FunStatContext.Description, "Failed to convert time.");
}

TEST_F(FilesTest, RegistryValuesLandInTheProgramsSettingsFile) {
    EXPECT_EQ(GetUserRegistryText("Tapestrel", "", "BroadcastWallpaperChange"), "");
    SetUserRegistryText("Tapestrel", "", "BroadcastWallpaperChange", "/pictures/a, b=c.jpg");
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    const fs::path file = sandbox.Home() / ".config/Tapestrel/Tapestrel.conf";
    EXPECT_TRUE(ReadWholeFile(file).starts_with("[General]\nBroadcastWallpaperChange="));
    EXPECT_EQ(GetUserRegistryText("Tapestrel", "", "BroadcastWallpaperChange"),
              "/pictures/a, b=c.jpg");
    EXPECT_EQ(GetRegistryText(RegistryRoot::CurrentUser, "Software\\Tapestrel\\",
                              "BroadcastWallpaperChange"),
              "/pictures/a, b=c.jpg");

    SetUserRegistryText("Tapestrel", "Colours", "Sea", "blue");
    EXPECT_EQ(GetUserRegistryText("Tapestrel", "Colours", "Sea"), "blue");
    EXPECT_EQ(GetUserRegistryText("Tapestrel", "", "Sea"), "");

    fs::remove(file);
    fs::create_directory(file);
    SetUserRegistryText("Tapestrel", "", "BroadcastWallpaperChange", "x");
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Function, "SetRegistryText");
}

}  // namespace
