#include "ArgumentText.h"
#include "DesktopEntry.h"
#include "Error.h"
#include "File.h"
#include "TestSupport.h"

#include <sys/stat.h>
#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class LinkFileTest : public ::testing::Test {
protected:
    void SetUp() override { FunStatContext.Reset(fsPerfect); }

    fs::path MakeFile(const std::string& name) {
        const fs::path path = sandbox.Root() / name;
        std::ofstream(path) << "#!/bin/sh\n";
        chmod(path.c_str(), 0755);
        return path;
    }
    std::string LinkPath(const std::string& name) { return (sandbox.Root() / name).string(); }

    static bool Validates(const std::string& link) {
        const std::string command = "desktop-file-validate '" + link + "' >&2";
        return std::system(command.c_str()) == 0;
    }

    SandBox sandbox;
};

TEST_F(LinkFileTest, HostilePathsAndArgumentsSurviveARoundTripAndValidate) {
    const char* names[] = {"plain",       "with blanks", "quote\"d",   "dollar$HOME", "percent%f",
                           "back\\slash", "tick`s",      "semi;colon", "star*?",      "ünïcode"};
    for (const char* name : names) {
        SCOPED_TRACE(name);
        const fs::path target = MakeFile(name);
        TLinkFile link;
        link.Clear();
        link.ReferencePath = target.string();
        link.WorkingPath = sandbox.Root().string() + "/ dir with blanks ";
        link.Arguments = JoinArguments({"/Uninstall", "two words", name, ""});
        link.Description = std::string(" Starts ") + name + " ";
        link.IconPath = target.string() + ".png";
        link.HotKey = 0x0654;
        link.ShowCommand = SW_SHOWMINNOACTIVE;
        const std::string file = LinkPath(std::string(name) + ".desktop");
        ASSERT_TRUE(link.Save(file, false));
        EXPECT_TRUE(Validates(file)) << ReadWholeFile(file);
        const auto keys = ParseDesktopEntry(ReadWholeFile(file));
        ASSERT_TRUE(keys.has_value());
        EXPECT_EQ(keys->at("TryExec"), target.string()) << "skipped once the program is gone";

        TLinkFile read;
        ASSERT_TRUE(read.Load(file, true)) << FunStatContext.GetReport();
        EXPECT_TRUE(read.Valid);
        EXPECT_EQ(read.Size, 10u);
        EXPECT_TRUE(S_ISREG(read.Attributes));
        EXPECT_GT(read.LastWriteTime, 40000.0);
        EXPECT_EQ(read.ReferencePath, link.ReferencePath);
        EXPECT_EQ(read.WorkingPath, link.WorkingPath);
        EXPECT_EQ(read.Arguments, link.Arguments);
        EXPECT_EQ(read.Description, link.Description);
        EXPECT_EQ(read.IconPath, link.IconPath);
        EXPECT_EQ(read.HotKey, 0x0654);
        EXPECT_EQ(read.ShowCommand, SW_SHOWMINNOACTIVE);
    }
}

TEST_F(LinkFileTest, ADocumentOrAFolderIsLinkedToBeOpenedNotRun) {
    const fs::path readme = sandbox.Root() / "Read me ü%.txt";
    std::ofstream(readme) << "text";
    const fs::path folder = sandbox.Root() / "a folder";
    fs::create_directory(folder);
    for (const fs::path& target : {readme, folder}) {
        SCOPED_TRACE(target);
        const std::string file = LinkPath("Readme.desktop");
        ASSERT_TRUE(CopyFileAsLink(target.string(), file, true, "", true, false));
        EXPECT_TRUE(Validates(file)) << ReadWholeFile(file);
        EXPECT_NE(ReadWholeFile(file).find("Type=Link\n"), std::string::npos);
        TLinkFile read;
        ASSERT_TRUE(read.Load(file, true)) << FunStatContext.GetReport();
        EXPECT_EQ(read.ReferencePath, target.string());
    }
}

TEST_F(LinkFileTest, ExecFieldCodesAndForeignEntriesAreRead) {
    EXPECT_EQ(SplitExec("viewer --title \"a \\\"b\\\"\" %U 100%%"),
              (std::vector<std::string>{"viewer", "--title", "a \"b\"", "100%"}));
    EXPECT_EQ(SplitExec("\"unclosed"), std::nullopt);
    EXPECT_EQ(ParseDesktopEntry("[Other]\nExec=x\n"), std::nullopt);

    const std::string file = LinkPath("foreign.desktop");
    std::ofstream(file) << "# made by hand\n[Desktop Entry]\nName=Shell\nExec = sh -c true\n"
                           "Icon=utilities-terminal\n[Desktop Action x]\nExec=other\n";
    TLinkFile link;
    ASSERT_TRUE(link.Load(file, true));
    EXPECT_EQ(link.ReferencePath, "/usr/bin/sh");
    EXPECT_EQ(link.Arguments, "-c true");
    EXPECT_EQ(link.IconPath, "utilities-terminal");
    EXPECT_EQ(link.ShowCommand, 0);
}

TEST_F(LinkFileTest, LoadRefusesWhatIsNoLinkOrPointsNowhere) {
    struct Case {
        const char* name;
        const char* content;
        bool resolve;
        const char* failure;
    };
    const std::string self = LinkPath("self.desktop");
    const std::string selfContent = "[Desktop Entry]\nType=Application\nExec=" + self + "\n";
    const Case cases[] = {
        {"picture.jpg", "", false, "File is not a link."},
        {"missing.desktop", nullptr, false, "Failed to load link file."},
        {"nogroup.desktop", "Exec=/bin/sh\n", false, "Failed to load link file."},
        {"noexec.desktop", "[Desktop Entry]\nName=x\n", false, "Failed to get reference path."},
        {"empty.desktop", "[Desktop Entry]\nExec=%f\n", false, "Empty reference path."},
        {"gone.desktop", "[Desktop Entry]\nExec=/no/such/program\n", true,
         "Failed to resolve link file."},
        {"badkey.desktop", "[Desktop Entry]\nExec=/bin/sh\nX-Tapestrel-HotKey=F1\n", false,
         "Failed to get hot key."},
        {"self.desktop", selfContent.c_str(), false,
         "This file is most probably a virus because it links to itself."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = LinkPath(c.name);
        if (c.content != nullptr) std::ofstream(file) << c.content;
        TLinkFile link;
        link.ReferencePath = "stale";
        EXPECT_FALSE(link.Load(file, c.resolve));
        EXPECT_EQ(FunStatContext.Status, fsError);
        EXPECT_EQ(FunStatContext.Function, "TLinkFile::Load");
        EXPECT_EQ(FunStatContext.Description, c.failure);
        EXPECT_EQ(FunStatContext.Parameter1, file);
        EXPECT_EQ(link.ReferencePath, "");
    }
    // Without resolving, a missing target is read but not valid.
    TLinkFile link;
    EXPECT_TRUE(link.Load(LinkPath("gone.desktop"), false));
    EXPECT_FALSE(link.Valid);
    EXPECT_EQ(link.ReferencePath, "/no/such/program");
}

TEST_F(LinkFileTest, SaveRefusesChainedAndSelfLinksAndKeepsExistingFiles) {
    const std::string chained = LinkPath("chained.desktop");
    EXPECT_FALSE(CopyFileAsLink(LinkPath("other.desktop"), chained, true, "", false, false));
    EXPECT_EQ(FunStatContext.Description, "This operating system does not support chained links.");
    EXPECT_FALSE(fs::exists(chained));

    const std::string self = LinkPath("program");
    EXPECT_FALSE(CopyFileAsLink(self, self, true, "", false, false));
    EXPECT_EQ(FunStatContext.Description,
              "This file is most probably a virus because it links to itself.");

    const fs::path target = MakeFile("program");
    const std::string link = LinkPath("Program.desktop");
    ASSERT_TRUE(CopyFileAsLinkWithParam(target.string(), link, "/Uninstall", false));
    ASSERT_TRUE(CopyFileAsLink("/bin/sh", link, false, "", true, false));
    EXPECT_NE(ReadWholeFile(link).find("/Uninstall"), std::string::npos);
    EXPECT_NE(ReadWholeFile(link).find("Path=" + sandbox.Root().string() + "/\n"),
              std::string::npos);
    ASSERT_TRUE(CopyFileAsLink("/bin/sh", link, true, "", false, true));
    EXPECT_EQ(ReadWholeFile(link),
              "[Desktop Entry]\nType=Application\nName=Program\n"
              "Exec=/bin/sh\nTryExec=/bin/sh\nX-Tapestrel-ShowCommand=7\n");
    struct stat info {};
    ASSERT_EQ(stat(link.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0755u);
}

TEST_F(LinkFileTest, MakeLinkByStatusWritesOnlyWhatChanged) {
    ScopedMessageBoxes boxes;
    const fs::path target = MakeFile("Tapestrel");
    const std::string folder = (sandbox.Root() / "autostart").string();
    fs::create_directory(folder);
    const fs::path link = fs::path(folder) / "Tapestrel.desktop";

    MakeLinkByStatus(folder, target.string(), "", "", true, false);
    EXPECT_FALSE(fs::exists(link));
    EXPECT_EQ(FunStatContext.Status, fsPerfect);

    MakeLinkByStatus(folder, target.string(), "", "", true, true);
    ASSERT_TRUE(fs::exists(link));
    EXPECT_TRUE(Validates(link.string()));
    const auto written = fs::last_write_time(link);
    const auto inode = fs::status(link).permissions();
    fs::last_write_time(link, written - std::chrono::hours(1));
    MakeLinkByStatus(folder, target.string(), "", "", true, true);
    EXPECT_EQ(fs::last_write_time(link), written - std::chrono::hours(1));

    MakeLinkByStatus(folder, target.string(), "", "Changed", true, true);
    EXPECT_NE(fs::last_write_time(link), written - std::chrono::hours(1));
    EXPECT_NE(ReadWholeFile(link).find("Comment=Changed"), std::string::npos);
    EXPECT_EQ(fs::status(link).permissions(), inode);

    MakeLinkByStatus(folder, target.string(), "", "", true, false);
    EXPECT_FALSE(fs::exists(link));

    // Named by the caller: the package's lower-case command keeps the one entry.
    const fs::path lower = MakeFile("tapestrel");
    MakeLinkByStatus(folder, lower.string(), "", "", true, true, "Tapestrel");
    EXPECT_EQ(ParseDesktopEntry(ReadWholeFile(link))->at("Exec"), lower.string());
    MakeLinkByStatus(folder, lower.string(), "", "", true, false, "Tapestrel");
    EXPECT_FALSE(fs::exists(link));
    EXPECT_TRUE(boxes->shown.empty());
}

}  // namespace
