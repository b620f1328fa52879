#include "AboutDialog.h"
#include "Application.h"
#include "Desktoppositiondialog.h"
#include "ErrorForm.h"
#include "Install.h"
#include "MainDialog.h"
#include "Program.h"
#include "ProgramIcon.h"
#include "ProgramInstance.h"
#include "StatusScope.h"
#include "StatusViewer.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace {

constexpr const char* kDescription = "Manage your desktop wallpapers";

constexpr const char* kUsage =
    "Usage: Tapestrel [COMMAND | OPTION]\n"
    "Changes the desktop wallpaper. Without a command it starts, or shows the copy that runs.\n"
    "\n"
    "Commands for the copy that runs (letter case ignored):\n"
    "  Next          show the next picture\n"
    "  Previous      show the previous picture\n"
    "  Random        show a random picture\n"
    "Commands for a start:\n"
    "  ShowOnStart   start with the main window shown instead of only the tray icon\n"
    "  /Uninstall    uninstall this installation of Tapestrel\n"
    "\n"
    "Options:\n"
    "  --help        print this help and exit\n"
    "  --version     print the version and exit\n";

// Asked from a terminal, answered there: no window, no lock, nothing for a copy that runs.
bool AnswersInformationRequest(int argc, char** argv) {
    if (argc < 2) return false;
    const std::string_view argument = argv[1];
    if (argument == "--help") {
        std::fputs(kUsage, stdout);
        return true;
    }
    if (argument == "--version") {
        std::printf("%s %s\n", ProductName, TAPESTREL_VERSION);
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswersInformationRequest(argc, argv)) return std::fflush(stdout) == 0 ? 0 : 1;
    Program.SetCommandLine(argc, argv);
    // A command from a desktop's shortcut is for the running copy; this start never becomes one.
    if (const std::string command = CommandForRunningInstance(); !command.empty())
        return PassCommandToRunningInstance(command) ? 0 : 1;
    {
        TStatusScope scope("WinMain");
        const bool installerMode = IsInstallerMode();
        if (!installerMode && IsAnotherInstanceRunning(ProductName)) {
            AskRunningInstanceToShow();
        } else {
            std::unique_ptr<TApplication> application;
            std::unique_ptr<TMainForm> mainForm;
            std::unique_ptr<TInstallForm> installForm;
            std::unique_ptr<TAboutForm> aboutForm;
            std::unique_ptr<TErrorForm> errorForm;
            std::unique_ptr<TDesktopPositionForm> desktopPositionForm;

            scope.Run([&] {
                application = std::make_unique<TApplication>(argc, argv);
                application->setApplicationName(QString::fromUtf8(ProductName));
                application->setWindowIcon(ProgramIcon());
                SetStatusViewer(&ErrorWindowViewer());
                WarnIfInstanceLockFailed();

                QWidget* mainWindow = nullptr;
                if (installerMode) {
                    installForm = std::make_unique<TInstallForm>();
                    mainWindow = installForm.get();
                } else {
                    mainForm = std::make_unique<TMainForm>();
                    mainWindow = mainForm.get();
                }
                aboutForm = std::make_unique<TAboutForm>();
                errorForm = std::make_unique<TErrorForm>();
                desktopPositionForm = std::make_unique<TDesktopPositionForm>();

                application->Run(*mainWindow, [&] {
                    if (installerMode)
                        installForm->Setup(ProductName, kDescription, VersionText);
                    else
                        mainForm->BeforeRun();
                });
            });

            // The main window goes first, so that its clean-up can still report; then what went
            // wrong on the way is shown while the error window exists.
            mainForm.reset();
            installForm.reset();
            scope.ShowFailure("");
        }
    }
    ReleaseInstanceMutex();
    return 0;
}
