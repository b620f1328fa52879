#include "AboutDialog.h"
#include "Application.h"
#include "Error.h"
#include "ErrorForm.h"
#include "File.h"
#include "Install.h"
#include "Program.h"
#include "TestSupport.h"
#include "ui_AboutForm.h"
#include "ui_InstallForm.h"

#include <QKeyEvent>

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

TEST_F(InstallAndAboutTest, UninstallingDeletesNothingButTheProgramsOwnDirectory) {
    SetProgramCommandLine({"Tapestrel", "/Uninstall"});
    TInstallForm form;
    form.Setup(ProductName, "", "");
    // Not the program's directory: the home, say, typed into the box by someone.
    const fs::path kept = sandbox.Home() / "kept";
    std::ofstream(kept) << "kept";
    form.ui->InstallToEdit->setText(QString::fromStdString(sandbox.Home().string()));
    boxes->answers = {1};
    const std::string report = ErrorReportShownBy([&] { form.Uninstall(); });
    EXPECT_NE(report.find("Failed to uninstall program."), std::string::npos) << report;
    EXPECT_NE(report.find("The directory does not hold this program."), std::string::npos);
    EXPECT_TRUE(fs::exists(kept));
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
