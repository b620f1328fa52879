#include "EndToEndTest.h"

#include <gmock/gmock.h>
#include <algorithm>
#include <csignal>
#include <cstring>
#include <thread>

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
