#include "Install.h"

#include "Application.h"
#include "File.h"
#include "FileDirectories.h"
#include "FormStyle.h"
#include "Mydialogs.h"
#include "Program.h"
#include "QtText.h"
#include "StatusScope.h"
#include "Text.h"
#include "Utilities.h"
#include "ui_InstallForm.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QShortcut>

#include <sys/stat.h>
#include <unistd.h>

TInstallForm* InstallForm = nullptr;

namespace {

constexpr const char* kUninstallParameter = "/Uninstall";

// The lines of the read-me beside the program; nothing when it can't be read.
QString ReadmeText() {
    std::string content;
    int error = 0;
    if (!ReadFileBytes(GetProgramDirectory() + "/Readme.txt", content, error)) return {};
    return ToQString(content);
}

// Uninstalling deletes a whole tree: only the program's own directory, never a folder that
// merely holds it, such as the home or the folder of installed programs.
bool IsProgramsOwnDirectory(const std::string& directory) {
    const std::string path = GetFullPath(directory);
    if (path == "/" || IsSameFile(path, GetFullPath(qgetenv("HOME").toStdString())) ||
        IsSameFile(path, GetProgramFilesPath()))
        return false;
    return IsSameFile(IncludeSeparator(path) + GetProgramFileName(), GetProgramPath());
}

}  // namespace

TInstallForm::TInstallForm() : ui(std::make_unique<Ui::TInstallForm>()) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    QFont greetingFont(QStringLiteral("Comic Sans MS"));
    greetingFont.setPixelSize(30);
    greetingFont.setBold(true);
    greetingFont.setItalic(true);
    ui->MainPanel->setFont(greetingFont);
    for (QWidget* box :
         {static_cast<QWidget*>(ui->ReadmeMemo), static_cast<QWidget*>(ui->InstallToEdit)}) {
        QPalette palette = box->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Button));
        box->setPalette(palette);
    }
    ui->InstallToEdit->setText(ToQString(GetProgramFilesPath()));
    ui->InstructionsLabel->setText(
        "The program can be reinstalled without the need to uninstall its previous version. The "
        "existing options file will be preserved. If you want to repair the installed package, "
        "simply reinstall the program. Before continuing, close any running instances of the "
        "program.");
    ui->ReadmeMemo->setPlainText(ReadmeText());

    connect(ui->BrowseButton, &QPushButton::clicked, this, [this] { BrowseButtonClick(); });
    connect(ui->InstallButton, &QPushButton::clicked, this, [this] { InstallButtonClick(); });
    connect(ui->CancelButton, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
    // Cancel is the cancel button: Escape presses it.
    connect(new QShortcut(Qt::Key_Escape, this), &QShortcut::activated, this,
            [this] { CancelButtonClick(); });
    CenterOnMainWindow(*this);
    InstallForm = this;
}

TInstallForm::~TInstallForm() {
    if (InstallForm == this) InstallForm = nullptr;
}

bool TInstallForm::IsUninstalling() const {
    return SameText(GetParameter(1), kUninstallParameter);
}

void TInstallForm::Setup(std::string_view productName, std::string_view description,
                         std::string_view versionText) {
    m_productName = productName;
    ui->DescriptionLabel->setText(ToQString(description));
    ui->VersionLabel->setText(ToQString(versionText));
    if (IsStartedAsInstaller()) {
        setWindowTitle(ToQString("Install " + m_productName));
        ui->MainPanel->setText(ToQString("Welcome to " + m_productName));
        ui->InstallToLabel->setText(
            "The program's installation directory will be put in directory:");
        ui->InstallButton->setText("&Install");
    }
    if (IsUninstalling()) {
        setWindowTitle(ToQString("Uninstall " + m_productName));
        ui->MainPanel->setText(ToQString("Bye from " + m_productName));
        ui->InstallToLabel->setText("The following directory will be deleted:");
        ui->InstallButton->setText("Un&install");
        ui->InstallToEdit->setText(ToQString(IncludeSeparator(GetProgramDirectory())));
        ui->BrowseButton->setEnabled(false);
    }
}

void TInstallForm::BrowseButtonClick() {
    std::string directory = ToBytes(ui->InstallToEdit->text());
    if (ChooseDirectory(directory, "", ""))
        ui->InstallToEdit->setText(ToQString(IncludeSeparator(directory)));
}

void TInstallForm::InstallButtonClick() {
    ui->InstallButton->setEnabled(false);
    if (!ui->InstallToEdit->text().isEmpty()) {
        if (IsUninstalling())
            Uninstall();
        else
            Install();
    }
    close();
}

void TInstallForm::CancelButtonClick() {
    close();
}

void TInstallForm::Install() {
    TStatusScope scope("TInstallForm::Install");
    scope.Run([&] {
        const std::string directory = ToBytes(ui->InstallToEdit->text());
        if (directory.empty()) scope.Raise("Installation directory is empty.");
        const std::string source = IncludeSeparator(GetProgramDirectory());
        const std::string folderName = GetFileNameOnly(GetProgramDirectory());
        const std::string target = IncludeSeparator(directory) + folderName;
        if (!AskQuestion("Install the program in directory \"" + target + "\"?")) return;

        CopyDeleteDirectory(source, target, true);
        scope.AdoptCalleeFailure();
        const std::string programFile = target + "/" + m_productName;
        const std::string uninstallCommand = programFile + " " + kUninstallParameter;
        const std::string readme = target + "/Readme.txt";
        // The copy of the installer's own file, named as it was started.
        MyRenameFile(target + "/" + GetStartedAsFileName(), programFile, true);
        scope.AdoptCalleeFailure();

        // The links are a convenience: the installation stands without them.
        CopyFileAsLink(programFile,
                       GetDesktopPath() + m_productName + GetLinkExtension(programFile), true, "",
                       true, false);
        const std::string menuFolder = GetProgramsMenuPath() + folderName;
        mkdir(menuFolder.c_str(), 0755);
        CopyFileAsLink(programFile,
                       menuFolder + "/" + m_productName + GetLinkExtension(programFile), true, "",
                       true, false);
        CopyFileAsLinkWithParam(programFile,
                                menuFolder + "/Uninstall" + GetLinkExtension(programFile),
                                kUninstallParameter, true);
        CopyFileAsLink(readme, menuFolder + "/Readme" + GetLinkExtension(readme), true, "", true,
                       false);
        SetUninstallRegistry(m_productName, m_productName, uninstallCommand);

        RunFile(programFile, "", target, false, false);
        scope.AdoptCalleeFailure();
    });
    scope.ShowFailure(
        "Failed to install program. Check to see if you have rights to write in the installation "
        "directory.");
}

void TInstallForm::Uninstall() {
    TStatusScope scope("TInstallForm::Uninstall");
    scope.Run([&] {
        const std::string directory = ToBytes(ui->InstallToEdit->text());
        if (directory.empty()) scope.Raise("Uninstallation directory is empty.");
        if (!AskQuestion("Delete directory \"" + directory + "\" (and all contained files)?"))
            return;
        if (!IsProgramsOwnDirectory(directory))
            scope.Raise("The directory does not hold this program.", directory);

        // Named before the program file goes: the system then calls it deleted.
        const std::string programFile = GetProgramPath();
        const std::string linkExtension = GetLinkExtension(programFile);
        const std::string menuFolder =
            GetProgramsMenuPath() + GetFileNameOnly(GetProgramDirectory());
        DeleteDirectoryNoErrors(directory);
        scope.AdoptCalleeFailure();
        unlink((GetDesktopPath() + m_productName + linkExtension).c_str());
        DeleteDirectoryNoErrors(menuFolder);
        unlink(
            (GetStartupPath() + GetFileNameWithoutExtension(programFile) + linkExtension).c_str());
        DeleteUninstallerRegistry(m_productName);
        ShowInfo("Uninstallation successful. Some files that were in use were not deleted.");
    });
    scope.ShowFailure("Failed to uninstall program.");
}

void TInstallForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) QCoreApplication::quit();
}
