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

#include <memory>
#include <string>

namespace {

constexpr const char* kDescription = "Manage your desktop wallpapers";

}  // namespace

int main(int argc, char** argv) {
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
