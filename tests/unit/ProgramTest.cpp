#include "Program.h"
#include "TerminationSignals.h"
#include "TestSupport.h"

#include <sys/stat.h>
#include <unistd.h>
#include <csignal>
#include <cstdlib>
#include <filesystem>

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

// Where a package or the administrator put the program, options are kept per user even when the
// user, root, may write beside it.
TEST(ProgramDataTest, SystemProgramDirectoriesAreTheInstalledSystemsTrees) {
    // package: a folder shared with other programs, which the installer must not copy.
    struct Row {
        const char* directory;
        bool system;
        bool package;
    };
    for (const auto& [directory, system, package] :
         {Row{"/usr/bin", true, true},
          {"/usr/local/bin", true, true},
          {"/usr/games", true, true},
          {"/usr", true, true},
          {"/bin", true, true},
          {"/sbin", true, true},
          {"/opt/Tapestrel", true, false},
          {"/home/ann/.local/opt/Tapestrel", false, false},
          {"/home/ann/usr/bin", false, false},
          {"/usrlocal/bin", false, false},
          {"/binaries", false, false},
          {"/optional/Tapestrel", false, false},
          {"/srv/Tapestrel", false, false},
          {"/", false, false}}) {
        EXPECT_EQ(IsSystemProgramDirectory(directory), system) << directory;
        EXPECT_EQ(IsPackageProgramDirectory(directory), package) << directory;
    }
}

TEST(ProgramDataTest, SharedFilesAreReadBesideTheProgramElseWhereThePackagePutsThem) {
    EXPECT_EQ(GetSharedFilePath(GetProgramFileName()), GetProgramPath());
    EXPECT_EQ(GetSharedFilePath("NotShipped.tps"), "/usr/share/tapestrel/NotShipped.tps");
    EXPECT_EQ(GetDocumentFilePath(GetProgramFileName()), GetProgramPath());
    EXPECT_EQ(GetDocumentFilePath("NotShipped.html"), "/usr/share/doc/tapestrel/NotShipped.html");
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

// Permissions do not stop root, so the user who may not write beside the program is a child that
// is not root.
TEST(ProgramDataTest, OptionsGoToTheUsersConfigurationWhereTheProgramsDirectoryIsReadOnly) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become a user without write access";
    SandBox sandBox;
    EXPECT_EQ(GetProgramDataDirectory(), GetProgramDirectory());
    const std::filesystem::path config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::create_directories(config);
    for (const auto& directory : {sandBox.Root(), sandBox.Home(), config})
        std::filesystem::permissions(directory, std::filesystem::perms::all);
    const auto asAUser = [&config] {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        const std::string directory = GetProgramDataDirectory();
        struct stat info {};
        const bool private_ = stat(directory.c_str(), &info) == 0 && (info.st_mode & 0777) == 0700;
        _exit(directory == (config / "Tapestrel").string() && private_ ? 0 : 1);
    };
    EXPECT_EXIT(asAUser(), ::testing::ExitedWithCode(0), "");
}
