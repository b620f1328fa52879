#include "Program.h"
#include "TerminationSignals.h"
#include "TestSupport.h"

#include <csignal>

namespace {

TEST(ProgramTest, Parameters) {
    SetProgramCommandLine({"/opt/Tapestrel/Tapestrel", "ShowOnStart"});
    EXPECT_EQ(GetParameter(0), "/opt/Tapestrel/Tapestrel");
    EXPECT_EQ(GetParameter(1), "ShowOnStart");
    EXPECT_EQ(GetParameter(2), "");
    EXPECT_EQ(GetProgramDirectory() + "/" + GetProgramFileName(), GetProgramPath());
    EXPECT_TRUE(std::filesystem::path(GetProgramPath()).is_absolute());
}

TEST(ProgramTest, UninstallParameterSelectsTheInstallerInAnyLetterCase) {
    for (const char* parameter : {"/Uninstall", "/uninstall", "/UNINSTALL"}) {
        SetProgramCommandLine({"Tapestrel", parameter});
        EXPECT_TRUE(IsInstallerMode()) << parameter;
    }
    for (const char* parameter : {"ShowOnStart", "Uninstall", "/Uninstall2"}) {
        SetProgramCommandLine({"Tapestrel", parameter});
        EXPECT_FALSE(IsInstallerMode()) << parameter;
    }
    SetProgramCommandLine({"Tapestrel", "ShowOnStart", "/Uninstall"});
    EXPECT_FALSE(IsInstallerMode()) << "only the first parameter counts";
}

TEST(ProgramTest, TheNameStartedUnderSelectsTheInstallerInAnyLetterCase) {
    // A symbolic link named Install leads to a program file of another name.
    for (const char* started : {"Install", "/home/me/bin/install", "./INSTALL"}) {
        SetProgramCommandLine({started});
        EXPECT_TRUE(IsInstallerMode()) << started;
    }
    for (const char* started :
         {"Tapestrel", "/opt/Install/Tapestrel", "Installer", "Install/", ""}) {
        SetProgramCommandLine({started});
        EXPECT_FALSE(IsInstallerMode()) << started;
    }
}

TEST(ProgramTest, AnExceptionThatCannotBeHandledEndsTheProcessWithCode1) {
    EXPECT_EXIT(std::terminate(), ::testing::ExitedWithCode(1), "");
    EXPECT_EXIT(TerminateProgramFun(), ::testing::ExitedWithCode(1), "");
}

TEST(TerminationSignalsTest, SignalsArriveInTheEventLoop) {
    TerminationSignals termination;
    ASSERT_TRUE(termination.Install());
    std::vector<int> received;
    QObject::connect(&termination, &TerminationSignals::Requested,
                     [&](int signal) { received.push_back(signal); });
    EXPECT_FALSE(TerminationSignals::Arrived());
    raise(SIGTERM);
    EXPECT_TRUE(TerminationSignals::Arrived()) << "known before the event loop runs";
    raise(SIGHUP);
    raise(SIGINT);
    EXPECT_TRUE(WaitFor([&] { return received.size() == 3; }));
    EXPECT_EQ(received, (std::vector{SIGTERM, SIGHUP, SIGINT}));
}

}  // namespace
