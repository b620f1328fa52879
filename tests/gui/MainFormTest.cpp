#include "AboutDialog.h"
#include "Application.h"
#include "Error.h"
#include "ErrorForm.h"
#include "GlobalHotkeys.h"
#include "InstanceLock.h"
#include "MainDialog.h"
#include "ProgramInstance.h"
#include "StoredTextList.h"
#include "TestSupport.h"
#include "Utilities.h"
#include "ui_AboutForm.h"
#include "ui_ErrorForm.h"
#include "ui_MainDialog.h"

#include <gmock/gmock.h>
#include <sys/stat.h>
#include <QActionGroup>
#include <QHelpEvent>
#include <QTimer>
#include <QToolTip>
#include <csignal>
#include <fstream>

namespace {

QStringList TabTitles(const QTabWidget& pages) {
    QStringList titles;
    for (int i = 0; i < pages.count(); ++i)
        titles << pages.widget(i)->objectName() + "=" + pages.tabText(i);
    return titles;
}

QStringList Items(const QComboBox& box) {
    QStringList items;
    for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
    return items;
}

QStringList MenuItems(const QMenu& menu) {
    QStringList items;
    for (const QAction* item : menu.actions())
        items << (item->isSeparator() ? QString("-") : item->objectName() + "=" + item->text());
    return items;
}

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() {
        SetProgramCommandLine({"Tapestrel"});
        // A user who has a picture directory: the start asks for none.
        WriteOptions("[DirectoryList]\r\nCount=1\r\nTitle0=" + sandbox.Root().string() + "\r\n");
        form.OptionsFileName = OptionsFile();
    }

    std::string OptionsFile() const { return (sandbox.Root() / "Tapestrel.ini").string(); }
    void WriteOptions(const std::string& text) const {
        std::ofstream(OptionsFile(), std::ios::binary) << text;
    }
    ~MainFormTest() override { Application()->ShowMainForm = true; }

    // Runs the event loop as the program does, until the main window closes.
    static bool RunUntilClosed(TMainForm& window, const std::function<void()>& action) {
        bool timedOut = false;
        QTimer::singleShot(0, &window, action);
        QTimer::singleShot(5000, &window, [&] {
            timedOut = true;
            QCoreApplication::quit();
        });
        Application()->Run(window);
        return !timedOut;
    }

    // The report the error window shows during action, which the user then closes with Okay.
    std::string ReportShownBy(const std::function<void()>& action) {
        std::string report;
        WhenModalShows([&](QWidget&) {
            report = error.MemoText();
            error.ui->OkayButton->click();
        });
        action();
        return report;
    }

    SandBox sandbox;
    ScopedMessageBoxes boxes;
    ScopedTrayHost tray;
    TMainForm form;
    TAboutForm about;
    TErrorForm error;
};

TEST_F(MainFormTest, WindowWithItsPagesAndGeneralControls) {
    EXPECT_EQ(form.windowTitle(), "Tapestrel");
    // Wider than designed only where the calendar pages' captions need it.
    EXPECT_EQ(form.height(), 380);
    EXPECT_GE(form.width(), 465);
    EXPECT_EQ(form.ui->AboutLabel->text(), "About");
    EXPECT_EQ(form.ui->HelpLabel->text(), "Help");
    EXPECT_EQ(form.ui->CloseProgramLabel->text(), "Close");
    EXPECT_EQ(TabTitles(*form.ui->PageControl),
              QStringList({"WallpaperTabSheet=Wallpaper", "CalendarTabSheet=Calendar",
                           "GeneralTabSheet=General"}));
    EXPECT_EQ(TabTitles(*form.ui->PageControl2).join(","),
              "WallpaperGeneralTabSheet=General,ResizeTabSheet=Resize,EffectsTabSheet=Effects,"
              "DirectoriesTabSheet=Directories,BroadcastTabSheet=Broadcast");
    EXPECT_EQ(TabTitles(*form.ui->PageControl1).join(","),
              "CalendarGeneralTabSheet=General,CalendarBackTabSheet=Back,"
              "CalendarBackColorsTabSheet=Back colors,CalendarHeaderTabSheet=Header,"
              "CalendarYearTabSheet=Year,CalendarMonthTabSheet=Month,"
              "CalendarDayOfWeekTabSheet=Day of week,CalendarDaysTabSheet=Days");

    EXPECT_EQ(form.ui->AutorunCheckBox->text(),
              "Automatically start program when the system starts");
    EXPECT_EQ(form.ui->HideOnCloseCheckBox->text(), "Hide the program when it is closed");
    EXPECT_EQ(Items(*form.ui->HotkeyComboBox).join(""), "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(form.ui->Label17->text(),
              "(\"Ctrl+Shift\" = next picture; \"Ctrl+Alt\" = previous picture; \"Shift+Alt\" = "
              "random picture)");
    EXPECT_EQ(Items(*form.ui->DesktopMarginComboBox).join(","), "0,5,10,15,20,25,30,35,40,45,50");
    EXPECT_FALSE(form.ui->HotkeyComboBox->isEditable());
    EXPECT_FALSE(form.ui->DesktopMarginComboBox->isEditable());
    EXPECT_FALSE(form.Timer.isActive()) << "the timer runs only once start-up is done";
}

TEST_F(MainFormTest, TrayMenuItems) {
    EXPECT_EQ(MenuItems(form.SystemTrayPopupMenu).join(","),
              "STP_NextWallpaperMenu=Next picture,STP_PreviousWallpaperMenu=Previous picture,"
              "STP_RandomWallpaperMenu=Random picture,-,"
              "STP_CloseMenu=Close,-,STP_AddPicturesDirectoryMenu=Add pictures directory,-,"
              "STP_VisibleCalendarMenu=Visible calendar,STP_VisibleCalendarBackMenu=Visible "
              "background,STP_SetCalendarPositionMenu=Set calendar position,"
              "STP_LoadCalendarSkinMenu=Load calendar skin,"
              "STP_LoadCalendarSkinColorsMenu=Load calendar colors,-,=Normalize brightness");
    EXPECT_EQ(MenuItems(*form.STP_NormalizeBrightnessMenu).join(","),
              "STP_NormalizeBrightness_NoneMenu=None,-,STP_NormalizeBrightness80Menu=80,"
              "STP_NormalizeBrightness70Menu=70,STP_NormalizeBrightness60Menu=60,"
              "STP_NormalizeBrightness50Menu=50,STP_NormalizeBrightness40Menu=40,"
              "STP_NormalizeBrightness30Menu=30,STP_NormalizeBrightness25Menu=25,"
              "STP_NormalizeBrightness20Menu=20,STP_NormalizeBrightness15Menu=15,"
              "STP_NormalizeBrightness10Menu=10");
    QStringList tags;
    for (const QAction* item : form.STP_NormalizeBrightnessGroup->actions()) {
        EXPECT_TRUE(item->isCheckable());
        tags << item->data().toString();
    }
    EXPECT_EQ(tags.join(","), "0,80,70,60,50,40,30,25,20,15,10");
    EXPECT_TRUE(form.STP_NormalizeBrightnessGroup->isExclusive());
}

TEST_F(MainFormTest, StartsInTheTrayUnlessAskedToShow) {
    form.BeforeRun();
    EXPECT_FALSE(Application()->ShowMainForm);
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(form.Timer.isActive());
    EXPECT_FALSE(form.SuppressComposition);
    EXPECT_EQ(about.ui->ProgramNameLabel->text(), "Tapestrel");
    EXPECT_EQ(about.ui->ProgramVersionLabel->text(), "Version 1.2.2, released on 18.09.2007");

    SetProgramCommandLine({"Tapestrel", "showonstart"});
    Application()->ShowMainForm = true;
    TMainForm shown;
    shown.OptionsFileName = OptionsFile();
    shown.BeforeRun();
    EXPECT_TRUE(Application()->ShowMainForm);
}

TEST_F(MainFormTest, AStartThatFailsOnADirectoryRowStillRunsTheTimerDropsAndCompositions) {
    const auto notADirectory = sandbox.Root() / "notes.txt";
    std::ofstream(notADirectory) << "not a directory";
    WriteOptions("[DirectoryList]\r\nCount=1\r\nTitle0=" + notADirectory.string() +
                 "\r\nActive0=TRUE\r\n");
    const std::string report = ReportShownBy([&] { form.BeforeRun(); });
    EXPECT_TRUE(report.starts_with("DESCRIPTION\r\nFailed to prepare main window.")) << report;
    EXPECT_TRUE(form.Timer.isActive());
    EXPECT_TRUE(form.acceptDrops());
    EXPECT_FALSE(form.SuppressComposition);
}

TEST_F(MainFormTest, AFirstStartAsksForAPictureDirectoryOnItsPage) {
    std::filesystem::remove(OptionsFile());
    ScopedFileDialogs dialogs;
    form.BeforeRun();
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.ui->PageControl->currentWidget(), form.ui->WallpaperTabSheet);
    EXPECT_EQ(form.ui->PageControl2->currentWidget(), form.ui->DirectoriesTabSheet);
    EXPECT_EQ(dialogs->asked,
              std::vector<std::string>{"|Choose a directory with picture files: Tapestrel takes "
                                       "its wallpapers from the pictures directly in it, not "
                                       "from its subdirectories."});
    EXPECT_EQ(form.pos(), QPoint(354, 122));
}

TEST_F(MainFormTest, AnUnreadableColourIsReportedButCostsNothingElse) {
    WriteOptions(
        "[Wallpaper]\r\nFillingPictureColor=blue-ish\r\nIsTilePicture=FALSE\r\n\r\n"
        "[CalendarSkin]\r\nTextShadowColor=clMaroon\r\nTodayBackColor=notacolor\r\n"
        "FrameBack1Color=99999999999999\r\nYearTextColor=255\r\n\r\n"
        "[BroadcastWallpaperChange]\r\nIsAutoChange=FALSE\r\n\r\n"
        "[DirectoryList]\r\nCount=1\r\nTitle0=/p\r\n\r\n"
        "[FavoritePictures]\r\nCount=1\r\nTitle0=/p/a.jpg\r\n");
    ScopedFileDialogs dialogs;  // asked only when the directory list was lost
    const std::string report = ReportShownBy([&] { form.BeforeRun(); });
    EXPECT_TRUE(report.starts_with("DESCRIPTION\r\nFailed to load file.")) << report;
    EXPECT_NE(report.find("3 values could not be read; their settings stay as they were:\r\n"
                          "[Wallpaper] FillingPictureColor=blue-ish\r\n"
                          "[CalendarSkin] TodayBackColor=notacolor\r\n"
                          "[CalendarSkin] FrameBack1Color=99999999999999"),
              std::string::npos)
        << report;
    EXPECT_FALSE(form.ui->IsTileCheckBox->isChecked());
    EXPECT_EQ(form.FillingPictureColor(), 0u);
    const auto skinColor = [&](const char* key) {
        return PanelColor(*form.findChild<QWidget*>(QString("Calendar%1Panel").arg(key)));
    };
    EXPECT_EQ(skinColor("TextShadowColor"), 0x000080u);
    EXPECT_EQ(skinColor("TodayBackColor"), 1666745u) << "as it was";
    EXPECT_EQ(skinColor("YearTextColor"), 255u);
    EXPECT_FALSE(form.ui->IsBroadcastWallpaperChangeCheckBox->isChecked());
    ASSERT_EQ(form.ui->DirectoriesListBox->count(), 1);
    EXPECT_EQ(form.DirectoryPath(0), "/p");
    EXPECT_EQ(form.Favorites.Titles(), std::vector<std::string>{"/p/a.jpg"});
}

class RecordingHotkeys : public GlobalHotkeys {
public:
    void Register(int id, unsigned, char letter) override {
        registered.push_back(std::to_string(id) + letter);
    }
    void UnregisterAll() override {}
    bool IsAvailable() const override { return true; }
    std::vector<std::string> registered;
};

TEST_F(MainFormTest, OptionsThatCannotBeReadAtAllStillLeaveTheHotKeysRegistered) {
    ScopedService<GlobalHotkeys, RecordingHotkeys> hotkeys;
    std::filesystem::remove(OptionsFile());
    ASSERT_EQ(mkfifo(OptionsFile().c_str(), 0600), 0);
    ScopedFileDialogs dialogs;
    const std::string report = ReportShownBy([&] { form.BeforeRun(); });
    EXPECT_NE(report.find("Not a regular file."), std::string::npos) << report;
    EXPECT_THAT(hotkeys->registered, ::testing::IsSupersetOf({"100W", "101W", "102W"}));
}

TEST_F(MainFormTest, ClosingHidesWhileHideOnCloseIsChecked) {
    ShowMainWindow(form);
    EXPECT_FALSE(form.close());
    EXPECT_FALSE(form.isVisible());

    ShowMainWindow(form);
    form.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(WaitFor([&] { return !form.isVisible(); })) << "minimizing hides too";
    ShowMainWindow(form);
    EXPECT_FALSE(form.isMinimized());

    form.ui->HideOnCloseCheckBox->setChecked(false);
    EXPECT_TRUE(RunUntilClosed(form, [&] { form.close(); }));
}

TEST_F(MainFormTest, CloseCommandsEndTheProgram) {
    EXPECT_TRUE(RunUntilClosed(form, [&] { emit form.ui->CloseProgramLabel->clicked(); }));
    EXPECT_TRUE(form.ClosingForReal);

    TMainForm other;
    EXPECT_TRUE(RunUntilClosed(other, [&] { other.STP_CloseMenu->trigger(); }));
}

TEST_F(MainFormTest, TheEndOfTheSessionClosesForRealEvenWhenHidingOnCloseAndSavesOnce) {
    ASSERT_TRUE(form.ui->HideOnCloseCheckBox->isChecked());
    form.BeforeRun();
    int saves = 0;
    const auto save = form.Options->OnSave;
    form.Options->OnSave = [&](TStoredTextList& options, bool flag) {
        ++saves;
        save(options, flag);
    };
    // As a session often ends: two signals at once.
    EXPECT_TRUE(RunUntilClosed(form, [] {
        raise(SIGHUP);
        raise(SIGTERM);
    }));
    EXPECT_TRUE(form.ClosingForReal);
    EXPECT_EQ(saves, 1);
}

TEST_F(MainFormTest, ALaterStartShowsTheWindowOnlyWhenThereIsNoTrayIcon) {
    ASSERT_FALSE(IsAnotherInstanceRunning("TapestrelTest"));
    form.BeforeRun();
    ASSERT_FALSE(form.isVisible());
    const std::string socket = HeldInstanceLock()->SocketPath();

    tray->present = true;
    form.TrayIcon->Add();
    ASSERT_TRUE(RequestShowFromRunningInstance(socket));
    WaitFor([] { return false; }, 300);
    EXPECT_FALSE(form.isVisible()) << "the icon in the tray reaches the window";

    tray->present = false;  // the panel went away, and the icon with it
    ASSERT_TRUE(RequestShowFromRunningInstance(socket));
    EXPECT_TRUE(WaitFor([&] { return form.isVisible(); }));
    ReleaseInstanceMutex();
}

TEST_F(MainFormTest, HelpOpensTheHelpPageAtItsTopic) {
    ScopedUrlOpener opener;
    const auto helpFile = sandbox.Root() / "Help.html";
    std::ofstream(helpFile) << "<html></html>";
    Application()->HelpFile = helpFile;

    emit form.ui->HelpLabel->clicked();
    ASSERT_EQ(opener->opened.size(), 1u);
    EXPECT_EQ(opener->opened[0], QUrl("file://" + QString::fromStdString(helpFile) + "#100"));

    std::filesystem::remove(helpFile);
    WhenModalShows([&](QWidget&) {
        EXPECT_TRUE(error.MemoText().starts_with("DESCRIPTION\r\nFailed to show help.\r\n"));
        EXPECT_NE(error.MemoText().find("* Description: \"The help file does not exist.\""),
                  std::string::npos);
        error.ui->OkayButton->click();
    });
    emit form.ui->HelpLabel->clicked();
    EXPECT_EQ(opener->opened.size(), 1u);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

TEST_F(MainFormTest, AboutShowsTheAboutWindow) {
    form.BeforeRun();
    WhenModalShows([&](QWidget& window) {
        EXPECT_EQ(&window, &about);
        EXPECT_EQ(window.windowTitle(), "About");
        about.ui->OkayButton->click();
    });
    emit form.ui->AboutLabel->clicked();
    EXPECT_FALSE(about.isVisible());
}

TEST_F(MainFormTest, HintsFollowEachOtherAfterTheShortPauseAndStayForTheHidePause) {
    const QStyle* style = QApplication::style();
    EXPECT_EQ(style->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 400);
    // Qt's own 20 ms for a hint that follows another never applies.
    EXPECT_EQ(style->styleHint(QStyle::SH_ToolTip_FallAsleepDelay), 0);

    QWidget& panel = *form.ui->FillingPictureColorPanel;
    QHelpEvent hint(QEvent::ToolTip, QPoint(1, 1), panel.mapToGlobal(QPoint(1, 1)));
    QCoreApplication::sendEvent(&panel, &hint);
    ASSERT_TRUE(QToolTip::isVisible());
    EXPECT_EQ(style->styleHint(QStyle::SH_ToolTip_WakeUpDelay), 200);
    EXPECT_EQ(panel.toolTipDuration(), 10000);
    QToolTip::hideText();
}

}  // namespace
