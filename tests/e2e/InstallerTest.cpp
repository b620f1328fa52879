#include "EndToEndTest.h"

#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <fstream>

namespace fs = std::filesystem;

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

    // Presses the window's big button and answers the question it asks.
    testing::AssertionResult PressAndAnswer(std::string_view title, const char* answer) {
        std::vector<xcb_window_t> window;
        if (!PollUntil([&] { return !(window = Windows().ShownTopLevels(title)).empty(); }))
            return testing::AssertionFailure() << "no window " << title;
        if (!Xdotool({"mousemove", "--window", std::to_string(window.front()), kInstallButton[0],
                      kInstallButton[1], "click", "1"}))
            return testing::AssertionFailure() << "no click";
        std::vector<xcb_window_t> query;
        if (!PollUntil([&] { return !(query = Windows().ShownTopLevels("Query")).empty(); }) ||
            !PollUntil([&] { return Windows().InputFocus() == query.front(); }) ||
            !Xdotool({"key", answer}))
            return testing::AssertionFailure() << "the question was not answered";
        return testing::AssertionSuccess();
    }

    // The message box that ends the uninstallation, answered.
    testing::AssertionResult Acknowledge() {
        std::vector<xcb_window_t> message;
        if (!PollUntil([&] { return !(message = Windows().ShownTopLevels("Message")).empty(); }) ||
            !PollUntil([&] { return Windows().InputFocus() == message.front(); }) ||
            !Xdotool({"key", "Return"}))
            return testing::AssertionFailure() << "no message";
        return testing::AssertionSuccess();
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
    EXPECT_TRUE(fs::is_empty(outside));
    EXPECT_EQ(ReadWholeFile(installed / "CalendarSkins/Night.tps"), "skin");
    for (const fs::path& link : {desktopLink, menuFolder / "Tapestrel.desktop",
                                 menuFolder / "Uninstall.desktop", menuFolder / "Readme.desktop"})
        EXPECT_TRUE(Validates(link)) << link;
    EXPECT_NE(ReadWholeFile(menuFolder / "Uninstall.desktop").find("/Uninstall"),
              std::string::npos);
    EXPECT_TRUE(PollUntil([&] { return !RunningFrom(installed / "Tapestrel").empty(); }));
}

TEST_F(InstallerTest, UninstallingRemovesTheProgramsDirectoryAndItsLinksAndSaysSo) {
    const fs::path autostart = home / ".config/autostart/Tapestrel.desktop";
    for (const fs::path& link : {desktopLink, menuFolder / "Tapestrel.desktop", autostart}) {
        fs::create_directories(link.parent_path());
        std::ofstream(link) << "[Desktop Entry]\nType=Application\nName=Tapestrel\nExec=x\n";
    }
    fs::create_directories(ProgramDirectory() / "CalendarSkins");
    std::ofstream(ProgramDirectory() / "CalendarSkins/Night.tps") << "skin";

    ChildProcess& uninstaller = StartProgram({"/UNINSTALL"});
    ASSERT_TRUE(PressAndAnswer("Uninstall Tapestrel", "alt+y"));
    ASSERT_TRUE(Acknowledge());
    EXPECT_EQ(uninstaller.WaitForExit(kPatience), 0);
    for (const fs::path& gone : {ProgramDirectory(), desktopLink, menuFolder, autostart})
        EXPECT_FALSE(fs::exists(gone)) << gone;
    EXPECT_TRUE(fs::exists(home / "my pictures"));
}

}  // namespace
