#include "EndToEndTest.h"

#include <gmock/gmock.h>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

// Nothing tells when a window will not be shown; a wrongly shown one would be there by then.
constexpr auto kSettleTime = 1500ms;

const std::vector<std::string> kTrayer = {"--edge",        "bottom",  "--align",       "right",
                                          "--widthtype",   "request", "--height",      "32",
                                          "--SetDockType", "true",    "--transparent", "false"};

using StartupTest = EndToEndTest;

TEST_F(StartupTest, SecondStartEndsAndAsksTheFirstToShowItsWindowWhenThereIsNoTray) {
    ChildProcess& first = StartProgram();
    ASSERT_TRUE(BecomesReady(first));

    ChildProcess& second = StartProgram();
    EXPECT_EQ(second.WaitForExit(kPatience), 0);

    EXPECT_TRUE(PollUntil([&] { return !OwnersOfShownWindows("Tapestrel").empty(); }));
    EXPECT_THAT(OwnersOfShownWindows("Tapestrel"), ElementsAre(first.Pid()));
    EXPECT_TRUE(first.IsRunning());
}

TEST_F(StartupTest, OfTenCopiesStartedAtOnceOneRunsAndShowsTheWindowTheOthersAskedFor) {
    std::vector<ChildProcess*> copies;
    for (int copy = 0; copy < 10; ++copy) copies.push_back(&StartProgram());

    const auto running = [&] {
        return std::count_if(copies.begin(), copies.end(),
                             [](auto* copy) { return copy->IsRunning(); });
    };
    EXPECT_TRUE(PollUntil([&] { return running() <= 1; }));
    ASSERT_EQ(running(), 1);
    ChildProcess* survivor = nullptr;
    for (ChildProcess* copy : copies) {
        if (copy->IsRunning())
            survivor = copy;
        else
            EXPECT_EQ(copy->WaitForExit({}), 0);
    }

    // The requests of the copies that ended are all the survivor has to show its window.
    EXPECT_TRUE(PollUntil([&] { return !OwnersOfShownWindows("Tapestrel").empty(); }));
    EXPECT_THAT(OwnersOfShownWindows("Tapestrel"), ElementsAre(survivor->Pid()));
}

TEST_F(StartupTest, WithoutShowOnStartTheWindowStaysHiddenUntilTermEndsTheProgram) {
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));
    std::this_thread::sleep_for(kSettleTime);
    EXPECT_THAT(OwnersOfShownWindows("Tapestrel"), IsEmpty());

    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(kPatience), 0);
}

TEST_F(StartupTest, ShowOnStartInAnyLetterCaseShowsTheWindowThatTheCloseBoxOnlyHides) {
    ChildProcess& program = StartProgram({"showonstart"});
    ASSERT_TRUE(PollUntil([&] { return !OwnersOfShownWindows("Tapestrel").empty(); }));
    ASSERT_THAT(OwnersOfShownWindows("Tapestrel"), ElementsAre(program.Pid()));

    const xcb_window_t window = Windows().ShownTopLevels("Tapestrel").front();
    Windows().RequestClose(window);
    EXPECT_TRUE(PollUntil([&] { return !Windows().IsViewable(window); }));
    std::this_thread::sleep_for(kSettleTime);
    EXPECT_TRUE(program.IsRunning());
}

class TerminationSignalTest : public EndToEndTest, public ::testing::WithParamInterface<int> {};

TEST_P(TerminationSignalTest, EndsTheProgramWithExitCodeZero) {
    ChildProcess& program = StartProgram({"ShowOnStart"});
    ASSERT_TRUE(BecomesReady(program));
    ASSERT_TRUE(PollUntil([&] { return !OwnersOfShownWindows("Tapestrel").empty(); }));

    program.Signal(GetParam());
    EXPECT_EQ(program.WaitForExit(kPatience), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, TerminationSignalTest, ::testing::Values(SIGTERM, SIGHUP, SIGINT),
                         [](const auto& test) { return std::string(sigabbrev_np(test.param)); });

// The user needs the program gone within a second or two; a loaded machine running the
// sanitizers gets room beyond that, a program that waits for an answer never ends.
constexpr auto kEndPatience = 5s;

// A window the start opens before anyone could have answered it, and the options that make it.
struct StartUpWindow {
    const char* name;
    const char* title;
    const char* options;
};

void PrintTo(const StartUpWindow& window, std::ostream* out) {
    *out << window.name;
}

class TermWithAStartUpWindowTest : public EndToEndTest,
                                   public ::testing::WithParamInterface<StartUpWindow> {};

TEST_P(TermWithAStartUpWindowTest, EndsTheProgramAtOnceWithTheOptionsWritten) {
    WriteOptions(GetParam().options);
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(PollUntil([&] { return !OwnersOfShownWindows(GetParam().title).empty(); }));

    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(kEndPatience), 0);
    const std::string written = "[Main]\r\nXPos=";
    std::string start(written.size(), '\0');
    std::ifstream(ProgramDirectory() / "Tapestrel.ini", std::ios::binary)
        .read(start.data(), static_cast<std::streamsize>(start.size()));
    EXPECT_EQ(start, written);
}

INSTANTIATE_TEST_SUITE_P(
    StartUp, TermWithAStartUpWindowTest,
    ::testing::Values(StartUpWindow{"TheFolderQuestionOfAFirstStart",
                                    "Choose a directory with picture files: Tapestrel takes its "
                                    "wallpapers from the pictures directly in it, not from its "
                                    "subdirectories.",
                                    ""},
                      StartUpWindow{"TheReportOfOptionsThatCouldNotBeRead", "Error",
                                    "[Wallpaper]\r\nFillingPictureColor=blue-ish\r\n\r\n"
                                    "[DirectoryList]\r\nCount=1\r\nTitle0=/\r\n"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_F(StartupTest, TermEndsTheProgramWhileTheCloseShowsThatTheOptionsCouldNotBeSaved) {
    ChildProcess& program = StartProgram({"ShowOnStart"});
    ASSERT_TRUE(BecomesReady(program));
    ASSERT_TRUE(PollUntil([&] { return !OwnersOfShownWindows("Tapestrel").empty(); }));
    // Gone from under the running program, so that the close cannot save into it.
    fs::remove_all(ProgramDirectory());

    const std::string window = std::to_string(Windows().ShownTopLevels("Tapestrel").front());
    ASSERT_TRUE(Xdotool({"mousemove", "--window", window, "150", "12", "click", "1"}));
    ASSERT_TRUE(PollUntil([&] { return !OwnersOfShownWindows("Error").empty(); }));
    ASSERT_TRUE(program.IsRunning());

    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(kEndPatience), 0);
}

TEST_F(StartupTest,
       TrayThatAppearsLaterTakesTheIconSoASecondStartLeavesTheWindowHiddenUntilItGoes) {
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));

    ChildProcess& tray = Start("trayer", kTrayer);
    EXPECT_TRUE(PollUntil([&] { return Windows().IsEmbedded(program.Pid(), tray.Pid()); }));

    ChildProcess& second = StartProgram();
    EXPECT_EQ(second.WaitForExit(kPatience), 0);
    std::this_thread::sleep_for(kSettleTime);
    EXPECT_THAT(OwnersOfShownWindows("Tapestrel"), IsEmpty());
    EXPECT_TRUE(program.IsRunning());

    // Without its tray the icon cannot reach the window any more; a later start can.
    tray.Signal(SIGTERM);
    ASSERT_TRUE(tray.WaitForExit(kPatience).has_value());
    ChildProcess& third = StartProgram();
    EXPECT_EQ(third.WaitForExit(kPatience), 0);
    EXPECT_TRUE(PollUntil([&] { return !OwnersOfShownWindows("Tapestrel").empty(); }));
}

TEST_F(StartupTest, ACopyOrALinkNamedInstallRunsTheInstallerBesideARunningInstance) {
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));
    std::filesystem::create_symlink("Tapestrel", ProgramDirectory() / "INSTALL");

    for (const char* name : {"install", "INSTALL"}) {
        ChildProcess& installer = StartProgram({}, name);
        EXPECT_TRUE(PollUntil([&] {
            const std::vector<pid_t> owners = OwnersOfShownWindows("Install Tapestrel");
            return std::find(owners.begin(), owners.end(), installer.Pid()) != owners.end();
        })) << name;
        EXPECT_TRUE(installer.IsRunning()) << name;
    }
    EXPECT_TRUE(program.IsRunning());
}

}  // namespace
