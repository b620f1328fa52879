#include "MainDialog.h"

#include "GlobalHotkeys.h"
#include "Mydialogs.h"
#include "Screens.h"
#include "StatusScope.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QListWidget>
#include <QMimeData>
#include <QScreen>
#include <QTimer>
#include <memory>

namespace {

constexpr int HotkeyIdNext = 100;
constexpr int HotkeyIdPrevious = 101;
constexpr int HotkeyIdRandom = 102;

}  // namespace

void TMainForm::ConnectDesktopReactions() {
    auto followScreen = [this](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, &TMainForm::FWinIniChange);
        connect(screen, &QScreen::availableGeometryChanged, this, &TMainForm::FWinIniChange);
        // A new density may come as a new logical DPI without a new geometry; where both come,
        // the second call finds nothing new.
        connect(screen, &QScreen::logicalDotsPerInchChanged, this, &TMainForm::FWinIniChange);
    };
    for (QScreen* screen : QGuiApplication::screens()) followScreen(screen);
    // Queued: Qt tells of a new monitor before its own screens list has it, and of one leaving
    // while it still does.
    auto monitorsChanged = [this] {
        UpdateCalendarMonitorItems();
        FWinIniChange();
    };
    connect(qGuiApp, &QGuiApplication::screenAdded, this,
            [followScreen, monitorsChanged, this](QScreen* screen) {
                followScreen(screen);
                QTimer::singleShot(0, this, monitorsChanged);
            });
    connect(qGuiApp, &QGuiApplication::screenRemoved, this,
            [this, monitorsChanged] { QTimer::singleShot(0, this, monitorsChanged); });
    connect(qGuiApp, &QGuiApplication::primaryScreenChanged, this, &TMainForm::FWinIniChange);
    // Qt's screens miss a monitor that changes size or place under its name; the X server's own
    // notice of it comes after Qt has taken it in.
    connect(&MonitorWatch::Instance(), &MonitorWatch::MonitorsChanged, this, monitorsChanged);

    GlobalHotkeys& hotkeys = GlobalHotkeys::Instance();
    // Queued: the key's event is done with before a command may open a window.
    connect(
        &hotkeys, &GlobalHotkeys::Activated, this,
        [this](int id) {
            if (id == HotkeyIdNext) NextWallpaperLabelClick();
            if (id == HotkeyIdPrevious) PreviousWallpaperLabelClick();
            if (id == HotkeyIdRandom) RandomWallpaperLabelClick();
        },
        Qt::QueuedConnection);
    connect(ui->HotkeyComboBox, &QComboBox::currentIndexChanged, this,
            &TMainForm::HotkeyComboBoxChange);
    ui->HotkeyUnavailableLabel->setVisible(!hotkeys.IsAvailable());
}

void TMainForm::RegisterHotkeys(char letter) {
    // The keys of an earlier letter stay until the program ends.
    GlobalHotkeys& hotkeys = GlobalHotkeys::Instance();
    hotkeys.Register(HotkeyIdNext, GlobalHotkeys::MOD_CONTROL | GlobalHotkeys::MOD_SHIFT, letter);
    hotkeys.Register(HotkeyIdPrevious, GlobalHotkeys::MOD_CONTROL | GlobalHotkeys::MOD_ALT, letter);
    hotkeys.Register(HotkeyIdRandom, GlobalHotkeys::MOD_SHIFT | GlobalHotkeys::MOD_ALT, letter);
}

void TMainForm::HotkeyComboBoxChange() {
    const QString text = ui->HotkeyComboBox->currentText();
    if (!text.isEmpty()) RegisterHotkeys(text.front().toLatin1());
}

void TMainForm::FWinIniChange() {
    TStatusScope scope("TMainForm::FWinIniChange");
    scope.Run([&] {
        const TDesktopLayout layout = CurrentDesktopLayout();
        const QRect area = GetDesktopArea(layout, ComboBoxToInt(*ui->DesktopMarginComboBox));
        const QSize primary = layout.Frames.front().Area.size();
        // A composition stores what it was made for, so a signal that follows it finds nothing new.
        // A new pixel density alone keeps the fitted pictures, whose sizes in pixels are the same.
        const bool reload = primary.width() != DesktopWidth || primary.height() != DesktopHeight ||
                            layout.Frames != ComposedLayout.Frames;
        if (!reload && area == DesktopArea && layout.CalendarPixelRatio == DesktopPixelRatio &&
            layout == ComposedLayout)
            return;
        SetFileAsWallpaper(reload);
        scope.AdoptCalleeFailure();
    });
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    // The drag's source waits until the drop returns, and the drop's data lives no longer: the
    // folders are taken, and a message about them shown, after it.
    auto drop = std::make_shared<QMimeData>();
    drop->setUrls(event->mimeData()->urls());
    QTimer::singleShot(0, this, [this, drop] { ProcessDroppedFiles(*drop); });
}

void TMainForm::ProcessDroppedFiles(const QMimeData& drop) {
    TStatusScope scope("TMainForm::ProcessDroppedFiles");
    scope.Run([&] {
        std::vector<std::string> dropped;
        DroppedFilesToList(drop, dropped);
        scope.AdoptCalleeFailure();
        if (dropped.empty()) scope.Raise("No files are dropped.");
        ShowDirectoryPages();
        for (const std::string& path : dropped) {
            if (ui->DirectoriesListBox->count() >= MaxPictureDirectories) {
                ShowWarning("Too many directories. Can't add anymore.");
                break;
            }
            // A file stands for the directory it is in.
            AddDirectory(IsDirectory(path) ? path : GetFileDir(path), true, false);
        }
    });
    scope.ShowFailure("Failed to drop files.");
}
