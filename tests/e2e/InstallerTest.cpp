#include "EndToEndTest.h"

#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

const std::vector<std::string> kInstallButton = {"157", "427"};

class InstallerTest : public EndToEndTest {
protected:
    const fs::path home = Sandbox().Home();
    const fs::path installed = home / ".local/opt" / ProgramDirectory().filename();
    const fs::path menuFolder = home / ".local/share/applications" / ProgramDirectory().filename();
    const fs::path desktopLink = home / "Desktop/Tapestrel.desktop";

    ~InstallerTest() override {
        // The installed copy runs apart from the installer that started it.
        for (pid_t pid : RunningFrom(installed / "Tapestrel")) kill(pid, SIGKILL);
    }

    static std::vector<pid_t> RunningFrom(const fs::path& program) {
        std::vector<pid_t> found;
        std::error_code error;
        for (const auto& process : fs::directory_iterator("/proc", error)) {
            std::error_code unreadable;
            if (fs::read_symlink(process.path() / "exe", unreadable) == program)
                found.push_back(std::stoi(process.path().filename().string()));
        }
        return found;
    }

    // Presses the big button of the window of that title.
    testing::AssertionResult Press(std::string_view title) {
        std::vector<xcb_window_t> window;
        if (!PollUntil([&] { return !(window = Windows().ShownTopLevels(title)).empty(); }))
            return testing::AssertionFailure() << "no window " << title;
        if (!Xdotool({"mousemove", "--window", std::to_string(window.front()), kInstallButton[0],
                      kInstallButton[1], "click", "1"}))
            return testing::AssertionFailure() << "no click";
        return testing::AssertionSuccess();
    }

    // Answers the window of that title, a message box or the error window, with the key.
    testing::AssertionResult Answer(std::string_view title, const char* key) {
        std::vector<xcb_window_t> box;
        if (!PollUntil([&] { return !(box = Windows().ShownTopLevels(title)).empty(); }) ||
            !PollUntil([&] { return Windows().InputFocus() == box.front(); }) ||
            !Xdotool({"key", key}))
            return testing::AssertionFailure() << "no " << title << " answered";
        return testing::AssertionSuccess();
    }

    // Presses the window's big button and answers the question it asks.
    testing::AssertionResult PressAndAnswer(std::string_view title, const char* answer) {
        const testing::AssertionResult pressed = Press(title);
        return pressed ? Answer("Query", answer) : pressed;
    }

    // The installed files as the installer recorded them, in order.
    std::vector<std::string> Recorded() const {
        std::vector<std::string> entries;
        std::istringstream list(ReadWholeFile(installed / "InstalledFiles.manifest"));
        for (std::string entry; std::getline(list, entry, '\0');) entries.push_back(entry);
        return entries;
    }

    static bool Validates(const fs::path& link) {
        return std::system(("desktop-file-validate '" + link.string() + "' >&2").c_str()) == 0;
    }
};

TEST_F(InstallerTest, InstallingOverAnOldInstallationKeepsItsOptionsAndStartsTheNewCopy) {
    // The folder as downloaded: the program named install, its read-me, no options.
    fs::remove(ProgramDirectory() / "Tapestrel.ini");
    std::ofstream(ProgramDirectory() / "Readme.txt") << "new read-me";
    fs::create_directories(installed);
    std::ofstream(installed / "Tapestrel.ini") << "old options";
    std::ofstream(installed / "Readme.txt") << "old read-me";
    chmod((installed / "Readme.txt").c_str(), 0444);
    // A file of the old version that the new one lacks: it stays, and so it stays recorded.
    std::ofstream(installed / "Old.txt") << "old";
    std::ofstream(installed / "InstalledFiles.manifest") << "Readme.txt\0Old.txt\0"s;
    // A folder outside that a link in the old installation names: never written through.
    fs::create_directories(ProgramDirectory() / "CalendarSkins");
    std::ofstream(ProgramDirectory() / "CalendarSkins/Night.tps") << "skin";
    const fs::path outside = Sandbox().Root() / "outside";
    fs::create_directories(outside);
    fs::create_symlink(outside, installed / "CalendarSkins");

    ChildProcess& declined = StartProgram({}, "install");
    ASSERT_TRUE(PressAndAnswer("Install Tapestrel", "alt+n"));
    EXPECT_EQ(declined.WaitForExit(kPatience), 0);
    EXPECT_EQ(ReadWholeFile(installed / "Readme.txt"), "old read-me");
    EXPECT_FALSE(fs::exists(installed / "Tapestrel"));

    ChildProcess& installer = StartProgram({}, "install");
    ASSERT_TRUE(PressAndAnswer("Install Tapestrel", "alt+y"));
    EXPECT_EQ(installer.WaitForExit(kPatience), 0);
    EXPECT_EQ(ReadWholeFile(installed / "Readme.txt"), "new read-me");
    EXPECT_EQ(ReadWholeFile(installed / "Tapestrel.ini"), "old options");
    EXPECT_EQ(access((installed / "Tapestrel").c_str(), X_OK), 0);
    EXPECT_FALSE(fs::exists(installed / "install"));
    EXPECT_EQ(Recorded(), (std::vector<std::string>{"CalendarSkins/", "CalendarSkins/Night.tps",
                                                    "InstalledFiles.manifest", "Old.txt",
                                                    "Readme.txt", "Tapestrel"}));
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(ReadWholeFile(installed / "CalendarSkins/Night.tps"), "skin");
    for (const fs::path& link : {desktopLink, menuFolder / "Tapestrel.desktop",
                                 menuFolder / "Uninstall.desktop", menuFolder / "Readme.desktop"})
        EXPECT_TRUE(Validates(link)) << link;
    EXPECT_NE(ReadWholeFile(menuFolder / "Uninstall.desktop").find("/Uninstall"),
              std::string::npos);
    EXPECT_TRUE(PollUntil([&] { return !RunningFrom(installed / "Tapestrel").empty(); }));
}

TEST_F(InstallerTest, InstallingThroughALinkNamedInstallElsewhereNamesTheCopyAfterTheProduct) {
    fs::remove(ProgramDirectory() / "Tapestrel.ini");
    const fs::path link = home / "bin/Install";
    fs::create_directories(link.parent_path());
    fs::create_symlink(ProgramFile("Tapestrel"), link);

    ChildProcess& installer = Start(link, {});
    ASSERT_TRUE(PressAndAnswer("Install Tapestrel", "alt+y"));
    EXPECT_EQ(installer.WaitForExit(kPatience), 0);
    EXPECT_EQ(access((installed / "Tapestrel").c_str(), X_OK), 0);
    EXPECT_EQ(Recorded(), (std::vector<std::string>{"InstalledFiles.manifest", "Tapestrel"}));
    EXPECT_TRUE(PollUntil([&] { return !RunningFrom(installed / "Tapestrel").empty(); }));
}

TEST_F(InstallerTest, UninstallingRemovesWhatTheInstallerPutThereAndKeepsTheUsersFiles) {
    // Installed into a folder that already holds a file of the user's.
    fs::remove(ProgramDirectory() / "Tapestrel.ini");
    fs::create_directories(ProgramDirectory() / "CalendarSkins");
    std::ofstream(ProgramDirectory() / "CalendarSkins/Night.tps") << "skin";
    std::ofstream(ProgramDirectory() / "Readme.txt") << "read-me";
    fs::create_directories(installed);
    std::ofstream(installed / "notes.txt") << "the user's";
    ChildProcess& installer = StartProgram({}, "install");
    ASSERT_TRUE(PressAndAnswer("Install Tapestrel", "alt+y"));
    ASSERT_EQ(installer.WaitForExit(kPatience), 0);
    ASSERT_TRUE(PollUntil([&] { return !RunningFrom(installed / "Tapestrel").empty(); }));
    for (pid_t pid : RunningFrom(installed / "Tapestrel")) kill(pid, SIGKILL);
    const fs::path machineEntry = Sandbox().Root() / "etc/xdg/Tapestrel/Tapestrel.conf";
    ASSERT_NE(ReadWholeFile(machineEntry).find("UninstallString"), std::string::npos);

    // What the program and the user made since, and an autostart entry of the user's own.
    for (const char* file : {"Tapestrel.ini", "Errors.log", "CalendarSkins/Mine.tps"})
        std::ofstream(installed / file) << "the user's";
    const fs::path autostart = home / ".config/autostart/Tapestrel.desktop";
    fs::create_directories(autostart.parent_path());
    std::ofstream(autostart) << "[Desktop Entry]\nType=Application\nName=Tapestrel\nExec=x\n";

    ChildProcess& uninstaller = Start(installed / "Tapestrel", {"/Uninstall"});
    ASSERT_TRUE(PressAndAnswer("Uninstall Tapestrel", "alt+y"));
    ASSERT_TRUE(Answer("Message", "Return"));
    EXPECT_EQ(uninstaller.WaitForExit(kPatience), 0);
    for (const char* gone :
         {"Tapestrel", "Readme.txt", "CalendarSkins/Night.tps", "InstalledFiles.manifest"})
        EXPECT_FALSE(fs::exists(installed / gone)) << gone;
    for (const char* kept : {"notes.txt", "Tapestrel.ini", "Errors.log", "CalendarSkins/Mine.tps"})
        EXPECT_TRUE(fs::exists(installed / kept)) << kept;
    EXPECT_FALSE(fs::exists(desktopLink));
    EXPECT_FALSE(fs::exists(menuFolder));
    EXPECT_TRUE(fs::exists(autostart));
    EXPECT_EQ(ReadWholeFile(machineEntry).find("UninstallString"), std::string::npos);
}

TEST_F(InstallerTest, AProgramItsInstallerDidNotPutThereIsNotUninstalled) {
    // A copy run from the downloads, among the user's own files.
    std::ofstream(ProgramDirectory() / "holiday.jpg") << "the user's";
    ChildProcess& uninstaller = StartProgram({"/Uninstall"});
    ASSERT_TRUE(Press("Uninstall Tapestrel"));
    ASSERT_TRUE(Answer("Error", "Return"));
    EXPECT_EQ(uninstaller.WaitForExit(kPatience), 0);
    for (const char* kept : {"Tapestrel", "Tapestrel.ini", "holiday.jpg"})
        EXPECT_TRUE(fs::exists(ProgramDirectory() / kept)) << kept;
}

}  // namespace
