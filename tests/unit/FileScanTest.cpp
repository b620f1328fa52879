#include "File.h"
#include "StatusScope.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream{path};
}

// Names relative to root, sorted by their bytes.
std::vector<std::string> Relative(std::vector<std::string> paths, const fs::path& root) {
    const std::string prefix = root.string() + "/";
    for (std::string& path : paths) {
        EXPECT_EQ(path.rfind(prefix, 0), 0u) << path;
        path.erase(0, prefix.size());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace

TEST(FileScanTest, ListsVisibleMatchingRegularFilesAndEntersEachDirectoryOnce) {
    SandBox sandBox;
    const fs::path root = sandBox.Root() / "pictures";
    for (const char* name : {"a.jpg", "B.JPG", "notes.txt", ".hidden.jpg", ".cache/c.jpg",
                             "sub/d.png", "sub/.e.jpg", "sub/deeper/f.jpg", "not-utf8-\xff.jpg"})
        Touch(root / name);
    mkfifo((root / "pipe.jpg").c_str(), 0600);
    fs::create_symlink("a.jpg", root / "alias.jpg");
    fs::create_symlink("missing.jpg", root / "dangling.jpg");
    // A loop back to the top and a second way into sub: both end where they were already.
    fs::create_directory_symlink("..", root / "sub/up");
    fs::create_directory_symlink("sub", root / "sub-again");

    std::vector<std::string> flat;
    LoadFilesList(root.string(), "*.jpg;*.png", flat, false);
    EXPECT_FALSE(FunStatContext.Failed());
    EXPECT_EQ(Relative(flat, root),
              (std::vector<std::string>{"B.JPG", "a.jpg", "alias.jpg", "not-utf8-\xff.jpg"}));

    // A trailing "/" names the same directory.
    std::vector<std::string> deep;
    LoadFilesList(root.string() + "/", "*.jpg;*.png", deep, true);
    EXPECT_FALSE(FunStatContext.Failed());
    std::vector<std::string> names = Relative(deep, root);
    ASSERT_EQ(names.size(), 6u) << ::testing::PrintToString(names);
    // sub is reached through sub-again or sub, whichever the directory lists first.
    const std::string sub = names[4].substr(0, names[4].find('/'));
    EXPECT_EQ(names, (std::vector<std::string>{"B.JPG", "a.jpg", "alias.jpg", "not-utf8-\xff.jpg",
                                               sub + "/d.png", sub + "/deeper/f.jpg"}));
}

TEST(FileScanTest, AMissingDirectoryOrABareNameAddsNothingButANameEndingInAColonIsRead) {
    SandBox sandBox;
    std::vector<std::string> found;
    LoadFilesList((sandBox.Root() / "gone").string(), "", found, true);
    EXPECT_FALSE(FunStatContext.Failed());
    LoadFilesList("pictures", "", found, true);
    EXPECT_FALSE(FunStatContext.Failed());
    EXPECT_TRUE(found.empty());

    // A name that ends in a colon is no bare drive name.
    Touch(sandBox.Root() / "summer:/a.jpg");
    LoadFilesList((sandBox.Root() / "summer:").string(), "", found, false);
    EXPECT_EQ(found.size(), 1u);
}

// Permissions do not stop root, so the scan runs in a child that is not root.
TEST(FileScanTest, AnUnreadableSubdirectoryFailsButTheRestIsListed) {
    SandBox sandBox;
    const fs::path root = sandBox.Root() / "pictures";
    for (const char* name : {"a.jpg", "locked/b.jpg", "open/c.jpg"}) Touch(root / name);
    fs::permissions(sandBox.Root(), fs::perms::all);
    fs::permissions(root / "locked", fs::perms::none);

    const auto scanAsAUser = [&root] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(2);
        std::vector<std::string> found;
        LoadFilesList(root.string(), "*.jpg", found, true);
        const bool listed =
            Relative(found, root) == std::vector<std::string>{"a.jpg", "open/c.jpg"};
        const bool failed = FunStatContext.Failed() &&
                            FunStatContext.Description == "Failed to load directory." &&
                            FunStatContext.Parameter1 == (root / "locked").string() &&
                            FunStatContext.SystemErrorCode == EACCES;
        _exit(listed && failed ? 0 : 1);
    };
    EXPECT_EXIT(scanAsAUser(), ::testing::ExitedWithCode(0), "");
}

TEST(FileScanTest, GivingUpEndsTheScanWithCancel) {
    SandBox sandBox;
    Touch(sandBox.Root() / "pictures/sub/a.jpg");
    std::vector<std::string> found;
    LoadFilesList((sandBox.Root() / "pictures").string(), "", found, true, [] { return false; });
    EXPECT_TRUE(FunStatContext.Failed());
    EXPECT_EQ(FunStatContext.SystemErrorCode, ECANCELED);
    EXPECT_TRUE(found.empty());
}

TEST(FileScanTest, SortIgnoresLetterCaseButKeepsFilesThatDifferOnlyInCase) {
    std::vector<std::string> paths = {"/p/cherry.jpg", "/p/b.jpg", "/p/Banana.jpg", "/p/apple.jpg",
                                      "/p/B.jpg",      "/p/b.jpg", "/p/z\xff.jpg",  "/p/Apple.jpg"};
    SortFileList(paths);
    EXPECT_EQ(paths,
              (std::vector<std::string>{"/p/Apple.jpg", "/p/apple.jpg", "/p/B.jpg", "/p/b.jpg",
                                        "/p/Banana.jpg", "/p/cherry.jpg", "/p/z\xff.jpg"}));
}
