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
#include <algorithm>
#include <cerrno>

TInstallForm* InstallForm = nullptr;

namespace {

constexpr const char* kUninstallParameter = "/Uninstall";

// The read-me beside the program, or where a package puts documentation; nothing when it can't
// be read.
QString ReadmeText() {
    std::string content;
    int error = 0;
    if (!ReadFileBytes(GetDocumentFilePath("Readme.txt"), content, error)) return {};
    return ToQString(content);
}

// Copies the program's folder over target and names the copy of the program productName. What it
// put there is recorded, also when it fails half-way, so that uninstalling deletes that and
// nothing else.
void CopyProgramFolder(const std::string& source, const std::string& target,
                       const std::string& productName) {
    TStatusScope scope("CopyProgramFolder");
    scope.Run([&] {
        // Read before the copy, which would bring along the list of an installation it came from.
        std::vector<std::string> installed =
            ReadInstalledFiles(target).value_or(std::vector<std::string>());
        scope.AdoptCalleeFailure();
        std::vector<std::string> copied;
        CopyDeleteDirectory(source, target, true, &copied);
        scope.KeepCalleeFailure();
        if (!scope.Failed()) {
            // The copy of the file started as the installer; a link named Install outside the
            // folder was not copied, so then the copy of the program file it leads to.
            const std::string started =
                std::ranges::find(copied, GetStartedAsFileName()) != copied.end()
                    ? GetStartedAsFileName()
                    : GetProgramFileName();
            MyRenameFile(target + "/" + started, target + "/" + productName, true);
            scope.KeepCalleeFailure();
            if (!scope.Failed()) copied.push_back(productName);
        }
        installed.insert(installed.end(), copied.begin(), copied.end());
        WriteInstalledFiles(target, std::move(installed));
        scope.KeepCalleeFailure();
    });
}

// Why a directory without a list of installed files is not uninstalled.
std::string NotInstalledReason(const std::string& directory) {
    if (IsSystemProgramDirectory(directory))
        return "The program lies among the system's programs and was not installed by its own "
               "installer: remove it with the system's package manager, for example with \"sudo "
               "apt remove tapestrel\".";
    return "This copy of the program was not installed by its installer, so there is nothing to "
           "uninstall.";
}

// The machine's uninstall entry names the installation that wrote it last, which may be another.
bool IsOwnUninstallEntry(const std::string& productName, const std::string& programFile) {
    const std::string command = GetRegistryText(
        RegistryRoot::LocalMachine, "Software\\" + productName + "\\Uninstall", "UninstallString");
    const std::string parameter = std::string(" ") + kUninstallParameter;
    return command.ends_with(parameter) &&
           IsSameFile(command.substr(0, command.size() - parameter.size()), programFile);
}

// Deletes the link when it still leads to target: a link the user made under the same name stays.
void DeleteOwnLink(const std::string& link, const std::string& target) {
    TStatusScope scope("DeleteOwnLink");
    scope.Run([&] {
        TLinkFile file;
        if (!file.Load(link, false) || !IsSameFile(file.ReferencePath, target)) return;
        if (unlink(link.c_str()) != 0) scope.Raise("Failed to delete link.", link, {}, errno);
    });
}

// The installer's links and the start-up link, where they still lead to this installation, and
// the menu folder when nothing else is left in it. Only while the installation's files are there:
// a link is known by the file it leads to.
void DeleteInstallationLinks(const std::string& programFile, const std::string& readme) {
    TStatusScope scope("DeleteInstallationLinks");
    scope.Run([&] {
        const std::string extension = GetLinkExtension(programFile);
        const std::string name = GetFileNameWithoutExtension(programFile);
        const std::string menuFolder =
            GetProgramsMenuPath() + GetFileNameOnly(GetProgramDirectory());
        for (const auto& [link, target] :
             {std::pair{GetDesktopPath() + name + extension, programFile},
              {menuFolder + "/" + name + extension, programFile},
              {menuFolder + "/Uninstall" + extension, programFile},
              {menuFolder + "/Readme" + GetLinkExtension(readme), readme},
              {GetStartupPath() + name + extension, programFile}}) {
            DeleteOwnLink(link, target);
            scope.KeepCalleeFailure();
        }
        if (rmdir(menuFolder.c_str()) != 0 && errno != ENOENT && errno != ENOTEMPTY &&
            errno != EEXIST)
            scope.Raise("Failed to delete directory.", menuFolder, {}, errno);
    });
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
        ui->InstallToLabel->setText("The program's files will be deleted from directory:");
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
        // A package's program shares its folder with the system's other programs, which a copy
        // of that folder would take along; it is installed already.
        if (IsPackageProgramDirectory(GetProgramDirectory()))
            scope.Raise(
                "The program was installed by the system's package manager, in a folder it shares "
                "with other programs: start it from the menu or as \"Tapestrel\".",
                GetProgramDirectory());
        const std::string source = IncludeSeparator(GetProgramDirectory());
        const std::string folderName = GetFileNameOnly(GetProgramDirectory());
        const std::string target = IncludeSeparator(directory) + folderName;
        if (!AskQuestion("Install the program in directory \"" + target + "\"?")) return;

        const std::string programFile = target + "/" + m_productName;
        const std::string uninstallCommand = programFile + " " + kUninstallParameter;
        const std::string readme = target + "/Readme.txt";
        CopyProgramFolder(source, target, m_productName);
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
        const std::optional<std::vector<std::string>> installed = ReadInstalledFiles(directory);
        scope.AdoptCalleeFailure();
        if (!installed) scope.Raise(NotInstalledReason(directory), directory);
        if (!AskQuestion("Delete the program's files from directory \"" + directory +
                         "\"? Files that its installer did not put there stay."))
            return;

        const std::string programFile = IncludeSeparator(directory) + m_productName;
        const bool ownUninstallEntry = IsOwnUninstallEntry(m_productName, programFile);
        DeleteInstallationLinks(programFile, IncludeSeparator(directory) + "Readme.txt");
        scope.KeepCalleeFailure();
        const bool directoryGone = DeleteInstalledFiles(directory, *installed);
        scope.KeepCalleeFailure();
        if (ownUninstallEntry) {
            DeleteUninstallerRegistry(m_productName);
            scope.KeepCalleeFailure();
        }
        if (scope.Failed()) return;
        ShowInfo("Uninstallation successful. Some files that were in use were not deleted." +
                 (directoryGone ? std::string()
                                : " The directory \"" + directory +
                                      "\" stays: it holds files that the installer did not put "
                                      "there."));
    });
    scope.ShowFailure("Failed to uninstall program.");
}

void TInstallForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) QCoreApplication::quit();
}
