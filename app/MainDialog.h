#pragma once

#include "CalendarSkin.h"
#include "DesktopLayout.h"
#include "FavoritesDialog.h"
#include "File.h"
#include "PictureSelection.h"
#include "StatusScope.h"
#include "StoredTextList.h"
#include "Systemtray.h"
#include "TerminationSignals.h"
#include "WallpaperSetters.h"

#include <QImage>
#include <QMenu>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Ui {
class TMainForm;
}

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QMimeData;
class QPainter;
class TStoredTextList;

// The main window. It owns the program's run-time state; its controls are the live settings.
// One wallpaper file of a composition: a frame's bitmap (whole, or the part one group of
// monitors shows; the whole desktop put together from all frames), the monitors that show it, and
// whether it is written yet.
struct TPlannedWallpaperFile {
    std::string Name;
    size_t Frame = 0;
    QRect Part;
    TOutputPicture Monitors;
    bool Written = false;
};

class TMainForm : public QWidget {
    Q_OBJECT

public:
    TMainForm();
    ~TMainForm() override;

    // The second phase of construction, once all windows exist and before the event loop runs.
    void BeforeRun();

    void FormCloseQuery(QObject* sender, bool& canClose);
    void ApplicationEventsMinimize();
    void CloseProgramLabelClick();
    // The end of the session (SIGTERM, SIGHUP, SIGINT, the session manager): closes for real at
    // once, whatever window is open, with the options saved.
    void EndSession();
    void HelpLabelClick();
    void AboutLabelClick();
    void STP_CloseMenuClick();
    // The tray menu shows the states of the controls it stands for.
    void SystemTrayPopupMenuPopup();
    void STP_VisibleCalendarMenuClick();
    void STP_VisibleCalendarBackMenuClick();
    void STP_NormalizeBrightnessMenuClick(const QAction& item);

    // The wallpaper: composes the current picture with the calendar and hands it to the desktop.
    // reload false reuses the picture fitted last time, for changes of the calendar alone.
    void SetFileAsWallpaper(bool reload);
    void SetInfoOnPicture();
    void PaintCalendar(QPainter& canvas);
    void ReloadWallpaperOnParamChange();
    void RedrawWallpaperOnParamChange();
    void UserWallpaperLabelClick();

    // The directory list: each row a directory path with two flags.
    static constexpr int MaxPictureDirectories = 100;
    static constexpr int DirectoryActive = 1;
    static constexpr int DirectoryRecurs = 2;
    // Adds a row unless the path is empty or already listed, or the list is full.
    void AddDirectory(std::string path, bool active, bool recurs);
    std::string DirectoryPath(int row) const;
    int DirectoryFlags(int row) const;
    // caption: the question the directory chooser asks.
    void BrowseAndAddDirectory(bool reload, const char* caption = kDirectoryCaption);
    static constexpr const char* kDirectoryCaption = "Choose a directory with picture files";
    void AddDirectoryLabelClick();
    void DeleteDirectoryLabelClick();
    void ReloadFileNamesLabelClick();
    void Label29Click();
    void STP_AddPicturesDirectoryMenuClick();
    // focused: the list has the keyboard focus on this row.
    void DirectoriesListBoxDrawItem(QPainter& canvas, int index, const QRect& rect, bool selected,
                                    bool focused);
    void DirectoriesListBoxMouseDown(Qt::MouseButton button, const QPoint& position);
    void DirectoriesListBoxMouseMove(const QPoint& position);
    // Rebuilds the PictureList from the active rows.
    void LoadPictureFileNames();

    // The picture list walked: see PickPictureFile.
    std::string PickPictureFileName(TPickDirection direction, bool random, bool store);
    void AdvancePicture(TPickDirection direction, bool random);
    // index -1 chooses by title.
    void SetCurrentPicture(int index, const std::string& title);
    // Makes a picture file current and composes it; other files are ignored.
    void UsePictureFile(const std::string& path);
    void NextWallpaperLabelClick();
    void PreviousWallpaperLabelClick();
    void FirstWallpaperLabelClick();
    void LastWallpaperLabelClick();
    void IndexWallpaperLabelClick();
    void RandomWallpaperLabelClick();
    // "View picture" opens the current picture in the user's viewer; "Clip picture file title"
    // copies its path.
    void Label3Click();
    void Label18Click();
    void SetFavoriteWallpaperLabelClick();
    void AddPictureToFavoritesLabelClick();
    void DeleteFavoriteLabelClick();
    void UpdatePicturesCountLabel();
    void UpdateCurrentPictureLabel();

    // The one-second tick: the automatic change, the day's recomposition and the broadcast, all
    // only on mains power.
    void TimerTimer();
    // The schedule test with the start hour of the page, when it is on.
    bool IsScheduleDue(double intervalSeconds, double lastTime, double now) const;
    // A composition the tick started; its failure is shown, once until a composition succeeds.
    void ComposeUnattended(bool reload);
    void AutoChangeWallpaperIntervalComboBoxChange();
    void BroadcastWallpaperChangeIntervalComboBoxChange();

    // The per-user value other programs read the published picture from.
    static constexpr const char* BroadcastValueName = "BroadcastWallpaperChange";
    static constexpr const char* BroadcastMessageName = "Tapestrel - Broadcast Wallpaper Change";
    // Publishes a random picture for other programs and tells them.
    void BroadcastPicture();
    void Label6Click();
    void Label27Click();
    void IsBroadcastWallpaperChangeCheckBoxClick();
    void UpdateSkewLabel();
    void UpdateNormFactorLabel();
    // The colour of the desktop around the picture, as 0x00BBGGRR.
    uint32_t FillingPictureColor() const;
    void SetFillingPictureColor(uint32_t color);

    // The calendar's look: one control on the Calendar tab for each parameter of the skin.
    void CalendarDefaultSkinLabelClick();
    // Lets the user click the calendar's place on a miniature of the desktop.
    void CalendarSetDesktopPositionLabelClick();
    // Skin files (*.tps): loaded whole or for their colours only, or saved.
    void LoadCalendarSkin(bool full);
    void SaveCalendarSkin();
    void CalendarLoadSkinLabelClick();
    void CalendarLoadSkinColorsLabelClick();
    void CalendarSaveSkinLabelClick();
    static std::string GetCalendarSkinsPath();
    // Makes the user's skins directory; a new one receives the shipped skins.
    static void PrepareCalendarSkins(const std::string& skins, const std::string& shipped);
    TCalendarSkin CurrentCalendarSkin() const;
    // The colour panels: a double click opens the stock colours, a right click the system's
    // colour dialog, a middle click restores the factory colour. Answers whether it was set.
    bool EditPanelColor(QWidget& panel, Qt::MouseButton button);
    // The colour with a hint that names it and tells what the clicks do.
    void SetPanelColorWithHint(QWidget& panel, uint32_t color);
    void ReadCalendarSkin(TStoredTextList& list);
    void WriteCalendarSkin(TStoredTextList& list);

    // Keys from anywhere on the desktop: Ctrl+Shift, Ctrl+Alt and Shift+Alt with the letter.
    void RegisterHotkeys(char letter);
    void HotkeyComboBoxChange();
    // A new screen size recomposes with a reload, a new work area without.
    void FWinIniChange();
    // Dropped folders, and the folders of dropped files, become picture directories.
    void ProcessDroppedFiles(const QMimeData& drop);

    // The options file: read once by BeforeRun, written at the real close.
    void ReadOptions(TStoredTextList& options);
    void WriteOptions(TStoredTextList& options);
    // The Wallpaper tab with its Directories page in front.
    void ShowDirectoryPages();

    std::unique_ptr<Ui::TMainForm> ui;

    // Composition requests are ignored while set.
    bool SuppressComposition = true;
    // Skin reads load every parameter rather than the colours only.
    bool LoadFullSkin = true;
    // Makes the next close end the program instead of hiding the window.
    bool ClosingForReal = false;

    QTimer Timer;
    QMenu SystemTrayPopupMenu;
    QComboBox* CalendarMonitorComboBox = nullptr;
    QAction* STP_NextWallpaperMenu = nullptr;
    QAction* STP_PreviousWallpaperMenu = nullptr;
    QAction* STP_RandomWallpaperMenu = nullptr;
    QAction* STP_CloseMenu = nullptr;
    QAction* STP_AddPicturesDirectoryMenu = nullptr;
    QAction* STP_VisibleCalendarMenu = nullptr;
    QAction* STP_VisibleCalendarBackMenu = nullptr;
    QAction* STP_SetCalendarPositionMenu = nullptr;
    QAction* STP_LoadCalendarSkinMenu = nullptr;
    QAction* STP_LoadCalendarSkinColorsMenu = nullptr;
    QMenu* STP_NormalizeBrightnessMenu = nullptr;
    QActionGroup* STP_NormalizeBrightnessGroup = nullptr;

    std::unique_ptr<SystemTrayIcon> TrayIcon;

    TExtensionList PictureExtensions;
    std::string PictureFilter;
    std::vector<std::string> PictureList;
    std::string CurrentFileTitle;
    int CurrentIndex = -1;
    double LastAutoChangeTime = 0;
    double AutoChangeIntervalSeconds = 3600;
    double BroadcastIntervalSeconds = 3600;
    double LastBroadcastTime = 0;
    // When the calendar was last painted onto the wallpaper.
    double LastRedrawTime = 0;
    // The id of the broadcast's message name on the display.
    uint32_t BroadcastMessage = 0;

    std::string OptionsFileName;
    std::unique_ptr<TStoredTextList> Options;
    // Where the calendar goes, as fractions of the desktop area.
    double CalendarRectLeft = 0.7;
    double CalendarRectTop = 0.15;
    double CalendarRectWidth = 0.1;
    double CalendarRectHeight = 0.1;
    std::string LastCalendarSkinName;
    // The monitor the calendar goes on: "Primary", or a monitor's name.
    std::string CalendarMonitor = "Primary";
    // The skin file last loaded or saved; it keeps what else that file held.
    TStoredTextList SkinList;
    TFavoritesDialog Favorites;

    // The primary monitor's size the fitted picture was made for; 0 before the first composition.
    int DesktopWidth = 0;
    int DesktopHeight = 0;
    // The monitors and their frames the fitted pictures were made for.
    TDesktopLayout ComposedLayout;
    // The current picture fitted to the primary monitor's frame, without the calendar; null when
    // there is none.
    QImage FittedPicture;
    // The pictures of the other frames, in the layout's order, likewise.
    std::vector<QImage> OtherFittedPictures;
    // A copy of the calendar's frame with the calendar, alive only during a composition.
    QImage WallpaperBitmap;
    double CurrentSkew = 1.0;
    double AppliedNormalizationFactor = 0.0;
    // The work area less the desktop margin, where the calendar may go.
    QRect DesktopArea;
    // The physical pixels per logical one that the calendar was painted for: a screen scaled
    // anew keeps its size in pixels but wants the calendar drawn at its new density.
    double DesktopPixelRatio = 0;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildSystemTrayPopupMenu();
    void ConnectWallpaperControls();
    void ConnectDirectoryControls();
    void ConnectPictureCommands();
    void ConnectSchedulerControls();
    void BuildCalendarPages();
    void ConnectDesktopReactions();
    // The fitted picture of the composed layout's frame.
    const QImage& FittedPictureOf(size_t frame) const;
    // The layout of the monitors as they are now, by the controls' choices.
    TDesktopLayout CurrentDesktopLayout() const;
    // Fits the pictures of the layout's frames, writing the files that need nothing more (and
    // marking them written); the outcome of the current picture's through FunStatContext.
    void LoadFittedPictures(const TDesktopLayout& layout, const std::string& directory,
                            std::vector<TPlannedWallpaperFile>& files);
    // Writes the wallpaper files of the composed layout not yet written and hands them all to the
    // desktop.
    void InstallWallpaperFiles(const std::string& directory,
                               const std::vector<TPlannedWallpaperFile>& files);
    // The calendar monitor's list: "Primary", the monitors connected now and the one chosen.
    void UpdateCalendarMonitorItems();
    void ApplyDefaultSkin();
    QWidget& SkinControl(const char* key) const;
    QCheckBox& SkinCheckBox(const char* key) const;
    // Where the skin dialogs open: the skins directory and the last skin's name, "*" at first.
    std::string SkinFileSuggestion();
    void ConnectBroadcastControls();
    void ConnectColorPanels();
    // The mouse and drops on a colour panel; answers whether the event was used.
    bool ColorPanelEvent(QWidget& panel, QEvent& event);
    // Composes the picture a command made current; a failure is shown.
    void ComposeChosenPicture(TFunctionName command);
    // A later start of the program asks for the window.
    void ShowRequestedByAnotherInstance();

    TerminationSignals m_terminationSignals;
    bool m_sessionEnded = false;
    // What the last unattended composition that failed said; empty after a success.
    std::string m_unattendedFailure;
    // ReadOptions has run.
    bool m_optionsRead = false;
    std::map<std::string, QWidget*, std::less<>> m_skinControls;
    std::vector<QWidget*> m_colorPanels;
    // The panel being edited, and whether a new colour of it needs the picture loaded again.
    QWidget* m_editedPanel = nullptr;
    bool m_editedReload = false;
    // Where the left button went down on a panel that may be dragged.
    QPoint m_dragStart;
    bool m_loadingPictureFileNames = false;
    // A rebuild was asked for while one ran; the running one starts over.
    bool m_pictureFileNamesOutdated = false;
};

extern TMainForm* MainForm;
