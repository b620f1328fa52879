#include "AboutDialog.h"
#include "Application.h"
#include "Error.h"
#include "ErrorForm.h"
#include "File.h"
#include "FileDirectories.h"
#include "Install.h"
#include "Program.h"
#include "TestSupport.h"
#include "ui_AboutForm.h"
#include "ui_InstallForm.h"

#include <QKeyEvent>

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>
#include <algorithm>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class InstallAndAboutTest : public ::testing::Test {
protected:
    void SetUp() override { FunStatContext.Reset(fsPerfect); }
    void TearDown() override { SetProgramCommandLine({"Tapestrel"}); }

    SandBox sandbox;
    ScopedMessageBoxes boxes;
    ScopedUrlOpener opener;
    TErrorForm error;
};

TEST_F(InstallAndAboutTest, TheInstallerWindowIsSetUpForItsMode) {
    struct Mode {
        std::vector<std::string> commandLine;
        const char* caption;
        const char* greeting;
        const char* button;
        bool browse;
    };
    for (const Mode& mode :
         {Mode{{"/tmp/x/install"}, "Install Tapestrel", "Welcome to Tapestrel", "&Install", true},
          Mode{{"/tmp/x/Install", "/uninstall"},
               "Uninstall Tapestrel",
               "Bye from Tapestrel",
               "Un&install",
               false}}) {
        SCOPED_TRACE(mode.caption);
        SetProgramCommandLine(mode.commandLine);
        TInstallForm form;
        form.Setup(ProductName, "Manage your desktop wallpapers", "Version 1");
        EXPECT_EQ(form.windowTitle(), mode.caption);
        EXPECT_EQ(form.ui->MainPanel->text(), mode.greeting);
        EXPECT_EQ(form.ui->InstallButton->text(), mode.button);
        EXPECT_EQ(form.ui->BrowseButton->isEnabled(), mode.browse);
        EXPECT_EQ(form.ui->InstallToEdit->text().toStdString(),
                  mode.browse ? (sandbox.Home() / ".local/opt/").string()
                              : IncludeSeparator(GetProgramDirectory()));
        EXPECT_EQ(form.size(), QSize(400, 450));
    }
}

TEST_F(InstallAndAboutTest, WithoutAListOfInstalledFilesUninstallingRefusesAndDeletesNothing) {
    SetProgramCommandLine({"Tapestrel", "/Uninstall"});
    TInstallForm form;
    form.Setup(ProductName, "", "");
    // A copy run among the user's own files, and the one a package put in /usr/bin.
    const fs::path downloads = sandbox.Home() / "Downloads";
    fs::create_directories(downloads);
    std::ofstream(downloads / "holiday.jpg") << "kept";
    for (const auto& [directory, reason] :
         {std::pair{downloads.string() + "/", "was not installed by its installer"},
          {"/usr/bin/", "sudo apt remove tapestrel"}}) {
        SCOPED_TRACE(directory);
        form.ui->InstallToEdit->setText(QString::fromStdString(directory));
        const std::string report = ErrorReportShownBy([&] { form.Uninstall(); });
        EXPECT_NE(report.find("Failed to uninstall program."), std::string::npos) << report;
        EXPECT_NE(report.find(reason), std::string::npos) << report;
    }
    EXPECT_TRUE(boxes->shown.empty()) << "no question that could not be kept";
    EXPECT_TRUE(fs::exists(downloads / "holiday.jpg"));
}

// Permissions do not stop root, so the user who may not delete a file is a child that is not root.
TEST_F(InstallAndAboutTest, ADeletionThatFailsIsReportedWhileTheRestIsDeleted) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become a user who may not delete";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path installed = sandbox.Root() / "opt/Tapestrel";
    for (const char* file : {"Tapestrel", "Locked/Night.tps"}) {
        fs::create_directories((installed / file).parent_path());
        std::ofstream(installed / file) << file;
    }
    WriteInstalledFiles(installed.string(), {"Tapestrel", "Locked/", "Locked/Night.tps"});
    // The folders the links are looked for in, made now, while they can be made for the user.
    for (const std::string& folder : {GetDesktopPath(), GetProgramsMenuPath(), GetStartupPath()})
        ASSERT_FALSE(folder.empty());
    fs::permissions(sandbox.Root(), fs::perms::all);
    for (const auto& entry : fs::recursive_directory_iterator(sandbox.Root()))
        fs::permissions(entry.path(), fs::perms::all);
    fs::permissions(installed / "Locked", fs::perms::owner_read | fs::perms::owner_exec);

    const auto uninstallAsAUser = [&] {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        SetProgramCommandLine({"Tapestrel", "/Uninstall"});
        TInstallForm form;
        form.Setup(ProductName, "", "");
        form.ui->InstallToEdit->setText(QString::fromStdString(installed.string()));
        boxes->answers = {1};
        const std::string report = ErrorReportShownBy([&] { form.Uninstall(); });
        const bool reported = report.find("Failed to uninstall program.") != std::string::npos &&
                              report.find("Failed to delete file.") != std::string::npos &&
                              report.find("Locked/Night.tps") != std::string::npos;
        const bool successClaimed = std::ranges::any_of(boxes->shown, [](const auto& box) {
            return box.text.find("successful") != std::string::npos;
        });
        _exit(reported && !successClaimed && !fs::exists(installed / "Tapestrel") ? 0 : 1);
    };
    EXPECT_EXIT(uninstallAsAUser(), ::testing::ExitedWithCode(0), "");
}

// Only root may put a read-me where a package does: a child in a mount namespace of its own finds
// one there, and none beside the program.
TEST_F(InstallAndAboutTest, TheInstallerShowsTheReadMeWhereAPackagePutsIt) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root for a mount namespace";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path shared = sandbox.Root() / "share";
    fs::create_directories(shared / "doc/tapestrel");
    std::ofstream(shared / "doc/tapestrel/Readme.txt") << "packaged read-me";

    const auto showAsPackaged = [&] {
        const std::string layers = "lowerdir=" + shared.string() + ":/usr/share";
        // Each step only once the one before succeeded: no mount may reach the machine's own.
        if (unshare(CLONE_NEWNS) != 0 ||
            mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            mount("overlay", "/usr/share", "overlay", MS_RDONLY, layers.c_str()) != 0 ||
            mount("tmpfs", GetProgramDirectory().c_str(), "tmpfs", 0, nullptr) != 0)
            _exit(2);
        TInstallForm form;
        _exit(form.ui->ReadmeMemo->toPlainText() == "packaged read-me" ? 0 : 1);
    };
    EXPECT_EXIT(showAsPackaged(), ::testing::ExitedWithCode(0), "");
}

TEST_F(InstallAndAboutTest, AboutOpensTheHelpPageAtItsPlacesAndEscapeClosesLikeOkay) {
    const std::string helpFile = (sandbox.Root() / "Help.html").string();
    Application()->HelpFile = helpFile;
    TAboutForm about;
    WhenModalShows([&](QWidget&) {
        about.ui->LicenseTermsButton->click();
        opener->succeed = false;
        const std::string report = ErrorReportShownBy([&] { about.ui->ContactMeButton->click(); });
        EXPECT_NE(report.find("Failed to open site."), std::string::npos) << report;
        EXPECT_TRUE(about.isVisible());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&about, &escape);
    });
    about.Dialog();
    EXPECT_EQ(about.result(), 1);
    ASSERT_EQ(opener->opened.size(), 2u);
    EXPECT_EQ(opener->opened[0].toLocalFile().toStdString(), helpFile);
    EXPECT_EQ(opener->opened[0].fragment(), "license");
    EXPECT_EQ(opener->opened[1].fragment(), "problems");
}

}  // namespace
