#include "Error.h"
#include "FileDirectories.h"
#include "TestSupport.h"

#include <sys/stat.h>
#include <algorithm>
#include <fstream>
#include <optional>

namespace fs = std::filesystem;

namespace {

class DirectoryTreeTest : public ::testing::Test {
protected:
    void SetUp() override { FunStatContext.Reset(fsPerfect); }

    fs::path Write(const fs::path& path, const std::string& content) {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << content;
        return path;
    }

    SandBox sandbox;
    ScopedMessageBoxes boxes;
    const fs::path source = sandbox.Root() / "Tapestrel-1.2";
    const fs::path target = sandbox.Root() / "opt/Tapestrel-1.2";
    const fs::path outside = sandbox.Root() / "outside";
};

TEST_F(DirectoryTreeTest, ACopyOverAnInstallationReplacesItsFilesAndNeverWritesOutsideIt) {
    Write(source / "Install", "new program");
    Write(source / "CalendarSkins/Night.tps", "new skin");
    Write(source / ".hidden", "not ours");
    fs::create_symlink("Install", source / "install-link");
    fs::create_symlink(outside, source / "linked-folder");
    Write(outside / "Night.tps", "outside");
    // A link to a file outside the source: a key of the user's, say.
    fs::create_symlink(Write(outside / "id_rsa", "secret"), source / "key");

    const fs::path readOnly = Write(target / "Install", "old program");
    chmod(readOnly.c_str(), 0444);
    Write(target / "Tapestrel.ini", "options");
    // A link where the copy puts a directory: the copy replaces it instead of writing into it.
    fs::create_directories(target.parent_path());
    fs::create_symlink(outside, target / "CalendarSkins");

    std::vector<std::string> copied;
    CopyDeleteDirectory(source.string() + "/", target.string(), true, &copied);

    EXPECT_EQ(FunStatContext.Status, fsPerfect) << FunStatContext.GetReport();
    std::ranges::sort(copied);
    EXPECT_EQ(copied, (std::vector<std::string>{"CalendarSkins/", "CalendarSkins/Night.tps",
                                                "Install", "install-link"}));
    EXPECT_FALSE(fs::exists(fs::symlink_status(target / "key")));
    EXPECT_EQ(ReadWholeFile(target / "Install"), "new program");
    EXPECT_EQ(ReadWholeFile(target / "install-link"), "new program");
    EXPECT_FALSE(fs::is_symlink(target / "install-link"));
    EXPECT_EQ(ReadWholeFile(target / "Tapestrel.ini"), "options");
    EXPECT_FALSE(fs::is_symlink(target / "CalendarSkins"));
    EXPECT_EQ(ReadWholeFile(target / "CalendarSkins/Night.tps"), "new skin");
    EXPECT_EQ(ReadWholeFile(outside / "Night.tps"), "outside");
    EXPECT_FALSE(fs::exists(target / ".hidden"));
    EXPECT_FALSE(fs::exists(target / "linked-folder"));
    EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(DirectoryTreeTest, ATargetInsideTheSourceIsNotCopiedIntoItself) {
    Write(source / "Install", "program");
    CopyDeleteDirectory(source.string(), (source / "copy").string(), true);
    EXPECT_EQ(ReadWholeFile(source / "copy/Install"), "program");
    EXPECT_FALSE(fs::exists(source / "copy/copy"));
}

TEST_F(DirectoryTreeTest, AFileThatCannotBeCopiedFailsEveryLevelButTheRestIsCopied) {
    Write(source / "skins/Night.tps", "skin");
    Write(source / "skins/Day.tps", "day");
    // A directory where the file should go: the copy cannot replace it.
    fs::create_directories(target / "skins/Night.tps");

    CopyDeleteDirectory(source.string(), target.string(), true);

    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Description, "Failed to copy file.");
    EXPECT_EQ(ReadWholeFile(target / "skins/Day.tps"), "day");
    ASSERT_EQ(boxes->shown.size(), 2u) << "one box for each failing level";
    EXPECT_EQ(boxes->shown[0].text, "Failed to process directory.");
    EXPECT_EQ(boxes->shown[0].caption, "Error");
}

TEST_F(DirectoryTreeTest, WithoutCopyTheSourcesFilesGoAndItsDirectoriesAreMade) {
    Write(source / "a/file", "x");
    fs::create_directories(target.parent_path());
    CopyDeleteDirectory(source.string(), target.string(), false);
    EXPECT_EQ(FunStatContext.Status, fsPerfect) << FunStatContext.GetReport();
    EXPECT_FALSE(fs::exists(source));
    EXPECT_TRUE(fs::is_directory(target / "a"));
    EXPECT_FALSE(fs::exists(target / "a/file"));
    CopyDeleteDirectory(source.string(), "", true);
    EXPECT_EQ(FunStatContext.Description, "Empty destination name.");
}

TEST_F(DirectoryTreeTest, TheListOfInstalledFilesKeepsAnyNameButNoneThatLeadsOutOfTheFolder) {
    using namespace std::string_literals;
    struct Row {
        std::string content;
        std::optional<std::vector<std::string>> entries;
    };
    for (const Row& row : {
             Row{"Tapestrel\0CalendarSkins/\0CalendarSkins/Night.tps\0"s,
                 {{"Tapestrel", "CalendarSkins/", "CalendarSkins/Night.tps"}}},
             Row{"two\nlines \xff\0"s, {{"two\nlines \xff"}}},
             Row{"", {{}}},
             Row{"/etc/passwd\0"s, {}},
             Row{"../outside\0"s, {}},
             Row{"CalendarSkins/../../outside\0"s, {}},
             Row{"./Tapestrel\0"s, {}},
             Row{"CalendarSkins//Night.tps\0"s, {}},
             Row{"Tapestrel\0\0"s, {}},
             Row{"/\0"s, {}},
         }) {
        SCOPED_TRACE(row.content);
        Write(target / InstalledFilesName, row.content);
        EXPECT_EQ(ReadInstalledFiles(target.string()), row.entries);
        EXPECT_EQ(FunStatContext.Failed(), !row.entries);
    }
    fs::remove(target / InstalledFilesName);
    EXPECT_EQ(ReadInstalledFiles(target.string()), std::nullopt);
    EXPECT_FALSE(FunStatContext.Failed()) << "no list is no failure";
}

TEST_F(DirectoryTreeTest, DeletingInstalledFilesTakesWhatIsListedAndNothingElse) {
    Write(target / "Tapestrel", "program");
    Write(target / "CalendarSkins/Night.tps", "skin");
    Write(target / "two\nlines", "file");
    // Made by the user later: their own skin and options, and a link in place of a directory.
    Write(target / "CalendarSkins/Mine.tps", "own skin");
    Write(target / "Tapestrel.ini", "options");
    Write(outside / "Night.tps", "outside");
    fs::create_symlink(outside, target / "Linked");
    WriteInstalledFiles(target.string(), {"Tapestrel", "CalendarSkins/", "CalendarSkins/Night.tps",
                                          "two\nlines", "Linked/", "Linked/Night.tps", "gone"});
    const auto listed = ReadInstalledFiles(target.string());
    ASSERT_TRUE(listed);
    EXPECT_EQ(std::ranges::count(*listed, "gone"), 0) << "only what is there is recorded";

    EXPECT_FALSE(DeleteInstalledFiles(target.string(), *listed));

    EXPECT_EQ(FunStatContext.Status, fsPerfect) << FunStatContext.GetReport();
    for (const char* gone :
         {"Tapestrel", "CalendarSkins/Night.tps", "two\nlines", InstalledFilesName})
        EXPECT_FALSE(fs::exists(target / gone)) << gone;
    EXPECT_EQ(ReadWholeFile(target / "CalendarSkins/Mine.tps"), "own skin");
    EXPECT_EQ(ReadWholeFile(target / "Tapestrel.ini"), "options");
    EXPECT_TRUE(fs::is_symlink(target / "Linked"));
    EXPECT_EQ(ReadWholeFile(outside / "Night.tps"), "outside");

    // Nothing but what was installed: the folder goes too.
    fs::remove(target / "CalendarSkins/Mine.tps");
    fs::remove(target / "Tapestrel.ini");
    fs::remove(target / "Linked");
    EXPECT_TRUE(DeleteInstalledFiles(target.string(), {"CalendarSkins/"}));
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(DirectoryTreeTest, RenamingReplacesTheTargetOnlyWhenAsked) {
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace);
        FunStatContext.Reset(fsPerfect);
        const fs::path from = Write(target / "Install", "new");
        const fs::path to = Write(target / "Tapestrel", "old");
        chmod(to.c_str(), 0444);
        MyRenameFile(from.string(), to.string(), replace);
        EXPECT_EQ(ReadWholeFile(to), replace ? "new" : "old");
        EXPECT_EQ(FunStatContext.Description, replace ? "" : "Failed to rename.");
    }
}

}  // namespace
