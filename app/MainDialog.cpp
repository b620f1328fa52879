#include "MainDialog.h"

#include "AboutDialog.h"
#include "Application.h"
#include "ErrorForm.h"
#include "FormStyle.h"
#include "GlobalHotkeys.h"
#include "InstanceLock.h"
#include "MyGDIPlus.h"
#include "Program.h"
#include "ProgramInstance.h"
#include "StatusScope.h"
#include "StoredTextList.h"
#include "Text.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <sys/stat.h>
#include <QCloseEvent>

TMainForm* MainForm = nullptr;

namespace {

constexpr int kHelpContext = 100;
constexpr int kHintPauseMs = 400;
constexpr int kHintShortPauseMs = 200;
constexpr int kHintHidePauseMs = 10000;
constexpr int kTimerIntervalMs = 1000;
// Where the window opens before options place it; uic keeps only the form's size.
constexpr QPoint kFirstPosition(354, 122);

}  // namespace

TMainForm::TMainForm() : ui(std::make_unique<Ui::TMainForm>()) {
    ui->setupUi(this);
    move(kFirstPosition);
    MakeFixedWindow(*this);
    MainForm = this;

    RouteApplicationExceptions();
    if (TApplication* application = Application()) {
        application->SetHintTiming(kHintPauseMs, kHintShortPauseMs, kHintHidePauseMs);
        application->HelpFile = GetDocumentFilePath("Help.html");
    }

    for (char letter = 'A'; letter <= 'Z'; ++letter)
        ui->HotkeyComboBox->addItem(QString(QChar(letter)));

    OptionsFileName = GetProgramDataDirectory() + "/Tapestrel.ini";
    GetPictureExtensions(PictureExtensions);
    PictureFilter = GetPictureExtensionsAsFilter();

    Timer.setInterval(kTimerIntervalMs);
    BuildSystemTrayPopupMenu();
    ConnectWallpaperControls();
    ConnectDirectoryControls();
    ConnectPictureCommands();
    ConnectSchedulerControls();
    BuildCalendarPages();
    ConnectDesktopReactions();
    ConnectBroadcastControls();
    ConnectColorPanels();

    connect(ui->AboutLabel, &TLinkLabel::clicked, this, &TMainForm::AboutLabelClick);
    connect(ui->HelpLabel, &TLinkLabel::clicked, this, &TMainForm::HelpLabelClick);
    connect(ui->CloseProgramLabel, &TLinkLabel::clicked, this, &TMainForm::CloseProgramLabelClick);

    connect(&m_terminationSignals, &TerminationSignals::Requested, this, &TMainForm::EndSession);
    m_terminationSignals.Install();
    connect(qApp, &QGuiApplication::commitDataRequest, &m_terminationSignals,
            &TerminationSignals::Request);
}

TMainForm::~TMainForm() {
    GlobalHotkeys::Instance().UnregisterAll();
    // A picture published for other programs is offered only while the program runs.
    SetUserRegistryText(ProductName, "", BroadcastValueName, "");
    TrayIcon.reset();
    if (MainForm == this) MainForm = nullptr;
}

void TMainForm::BeforeRun() {
    TStatusScope scope("TMainForm::BeforeRun");
    // Every step runs whatever failed before it: a program that started half-way would change,
    // redraw and broadcast nothing for the whole session. The first failure is shown in the end.
    scope.Run([&] {
        if (AboutForm != nullptr) AboutForm->SetProductTexts(ProductName, VersionText);
        TrayIcon = std::make_unique<SystemTrayIcon>(*this, QApplication::windowIcon(),
                                                    &SystemTrayPopupMenu, ProductName);
        TrayIcon->Add();
    });
    if (InstanceLock* lock = HeldInstanceLock()) {
        connect(lock, &InstanceLock::ShowRequested, this,
                &TMainForm::ShowRequestedByAnotherInstance);
        connect(lock, &InstanceLock::CommandRequested, this, [this](const QString& command) {
            if (command == "next") NextWallpaperLabelClick();
            if (command == "previous") PreviousWallpaperLabelClick();
            if (command == "random") RandomWallpaperLabelClick();
        });
        lock->Listen();
    }

    if (!SameText(GetParameter(1), "ShowOnStart")) HideMainWindow(*this);

    scope.Run([&] {
        Options = std::make_unique<TStoredTextList>(OptionsFileName);
        Options->OnLoad = [this](TStoredTextList& options, bool) {
            ReadOptions(options);
        };
        Options->OnSave = [this](TStoredTextList& options, bool) {
            WriteOptions(options);
        };
        // A failed load has shown its report already; what could be read stays. A file that
        // could not be read at all is read as one without values, so that what the reader sets
        // up beside the controls (the hot keys above all) is there all the same.
        if (!Options->Load() && !m_optionsRead) ReadOptions(*Options);
        FunStatContext.Reset(fsPerfect);
        if (ui->DirectoriesListBox->count() == 0) {
            ShowDirectoryPages();
            ShowMainWindow(*this);
            // At a first start nothing of the program has been seen yet, so the question says
            // what the directory is for; it is added without its subdirectories.
            BrowseAndAddDirectory(false,
                                  "Choose a directory with picture files: Tapestrel takes its "
                                  "wallpapers from the pictures directly in it, not from its "
                                  "subdirectories.");
        }
    });
    scope.Run([&] {
        LoadPictureFileNames();
        scope.KeepCalleeFailure();
    });
    setAcceptDrops(true);
    Timer.start();
    SuppressComposition = false;
    scope.ShowFailure("Failed to prepare main window.");
}

void TMainForm::FormCloseQuery(QObject*, bool& canClose) {
    if (!ClosingForReal && ui->HideOnCloseCheckBox->isChecked()) {
        HideMainWindow(*this);
        canClose = false;
        return;
    }
    // The only place the options are written: a save that fails has shown why.
    if (Options) Options->Save(false);
    canClose = true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    bool canClose = true;
    FormCloseQuery(this, canClose);
    if (!canClose) {
        event->ignore();
        return;
    }
    event->accept();
    QCoreApplication::quit();
}

void TMainForm::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Hiding from inside the state change would confuse the window manager; do it right after.
    if (event->type() == QEvent::WindowStateChange && isMinimized())
        QTimer::singleShot(0, this, &TMainForm::ApplicationEventsMinimize);
}

void TMainForm::ApplicationEventsMinimize() {
    HideMainWindow(*this);
}

void TMainForm::CloseProgramLabelClick() {
    ClosingForReal = true;
    close();
}

void TMainForm::EndSession() {
    // exit rather than quit, which a window may refuse. It ends the loop of every modal window
    // that is open (a start-up question, a report, the failure of the save itself), and a loop
    // opened later returns at once: nothing from here on waits for an answer.
    QCoreApplication::exit(0);
    // A session often ends with SIGHUP and SIGTERM together: the options are saved once.
    if (m_sessionEnded) return;
    m_sessionEnded = true;
    ClosingForReal = true;
    close();
}

void TMainForm::HelpLabelClick() {
    TStatusScope scope("TMainForm::HelpLabelClick");
    scope.Run([&] {
        if (TApplication* application = Application()) {
            application->HelpContext(kHelpContext);
            scope.AdoptCalleeFailure();
        }
    });
    scope.ShowFailure("Failed to show help.");
}

void TMainForm::AboutLabelClick() {
    if (AboutForm != nullptr) AboutForm->Dialog();
}

void TMainForm::ShowRequestedByAnotherInstance() {
    // With an icon in the tray the user can reach the window there; the start only asks because
    // without a tray there would be no way at all.
    if (!TrayIcon || !TrayIcon->IsReachable()) ShowMainWindow(*this);
}
