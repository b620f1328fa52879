#include "CalendarPainting.h"
#include "FileDialogs.h"
#include "MainWindowTest.h"
#include "StoredTextList.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QScreen>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class SkinFilesTest : public MainWindowTest {
protected:
    template <class Control>
    Control& Find(const char* name) {
        return *form.findChild<Control*>(name);
    }

    ScopedFileDialogs dialogs;
};

}  // namespace

// The desktop's own dialog, as the skin commands show it, with a name typed without ".tps".
TEST(SkinFileDialogTest, ShowsItsMasksOnceAndFindsATypedNameWithTheExtension) {
    const SandBox sandbox;
    std::ofstream(sandbox.Root() / "MySkin.tps") << "[CalendarSkin]\r\n";
    QStringList filters;
    WhenModalShows([&](QWidget& modal) {
        auto& dialog = dynamic_cast<QFileDialog&>(modal);
        filters = dialog.nameFilters();
        dialog.selectFile("MySkin");
        // A name the dialog would not find makes it warn in a window of its own.
        if (QFileInfo(dialog.selectedFiles().value(0)).exists())
            static_cast<QDialog&>(dialog).accept();
        else
            dialog.reject();
    });
    const auto chosen = FileDialogs::Instance().ChooseFileToOpen(
        (sandbox.Root() / "*.tps").string(), "Skins (*.tps)|*.tps", "Load calendar skin");
    EXPECT_EQ(filters, QStringList{"Skins (*.tps)"});
    EXPECT_EQ(chosen, (sandbox.Root() / "MySkin.tps").string());
}

TEST_F(SkinFilesTest, ASavedSkinComesBackWholeAndANameGetsItsExtension) {
    dialogs->answer = (sandbox.Root() / "mine").string();
    form.SaveCalendarSkin();
    EXPECT_EQ(form.LastCalendarSkinName, "mine");
    const std::string saved = ReadWholeFile(sandbox.Root() / "mine.tps");
    EXPECT_TRUE(
        saved.starts_with("[CalendarSkin]\r\nTextEffect=Outline\r\nOutlineThickness=2\r\n"));
    EXPECT_TRUE(saved.ends_with("OtherMonthsWeekendTextColor=4276610\r\n\r\n"));

    Find<QComboBox>("CalendarTextEffectComboBox").setCurrentText("None");
    Find<QComboBox>("CalendarFrameBackThick67ComboBox").setCurrentText("5");
    Find<QCheckBox>("CalendarYearBoldTextCheckBox").setChecked(false);
    SetPanelColor(Find<QWidget>("CalendarFrameCenterColorPanel"), 0x123456);
    form.LoadCalendarSkin(true);
    EXPECT_TRUE(
        dialogs->asked.back().ends_with("/CalendarSkins/mine.tps|Skins (*.tps)|*.tps|Load "
                                        "calendar skin"))
        << dialogs->asked.back();
    const TCalendarSkin skin = form.CurrentCalendarSkin();
    for (const TSkinParameter& parameter : CalendarSkinParameters)
        EXPECT_EQ(skin.Text(parameter.Key), TCalendarSkin::Default().Text(parameter.Key))
            << parameter.Key;
}

TEST_F(SkinFilesTest, ColoursAloneOrAMissingFileFallBackAsTheyShould) {
    UsePicture();
    std::ofstream(sandbox.Root() / "some.tps")
        << "[CalendarSkin]\r\nYearTextColor=255\r\nTextEffect=None\r\nShowBack=true\r\n";
    Find<QComboBox>("CalendarDaysTextSizeComboBox").setCurrentText("20");
    SetPanelColor(Find<QWidget>("CalendarMonthTextColorPanel"), 0x123456);

    const qsizetype composed = tools->calls.size();
    dialogs->answer = (sandbox.Root() / "some.tps").string();
    form.LoadCalendarSkin(false);
    EXPECT_EQ(tools->calls.size(), composed + 1) << "one composition";
    EXPECT_EQ(PanelColor(Find<QWidget>("CalendarYearTextColorPanel")), 255u);
    EXPECT_EQ(PanelColor(Find<QWidget>("CalendarMonthTextColorPanel")), 1666745u) << "factory";
    EXPECT_EQ(Find<QComboBox>("CalendarTextEffectComboBox").currentText(), "Outline");
    EXPECT_EQ(Find<QComboBox>("CalendarDaysTextSizeComboBox").currentText(), "20");

    // Whole, from a file that is not there: lists their defaults, flags as they were.
    Find<QCheckBox>("ShowCalendarBackCheckBox").setChecked(false);
    dialogs->answer = (sandbox.Root() / "gone").string();
    form.LoadCalendarSkin(true);
    EXPECT_EQ(form.LastCalendarSkinName, "gone");
    EXPECT_EQ(Find<QComboBox>("CalendarDaysTextSizeComboBox").currentText(), "12");
    EXPECT_FALSE(Find<QCheckBox>("ShowCalendarBackCheckBox").isChecked());
    EXPECT_EQ(PanelColor(Find<QWidget>("CalendarYearTextColorPanel")), 1666745u);
}

TEST_F(SkinFilesTest, AShippedSkinChangesTheWallpaperAndTheOptionsCarryIt) {
    UsePicture(QGuiApplication::primaryScreen()->size());
    form.SetFileAsWallpaper(true);
    const QString wallpaper = QString::fromStdString(GetTempPath() + "Tapestrel_Wallpaper.bmp");
    const QImage before(wallpaper);

    dialogs->answer = TMainForm::GetCalendarSkinsPath() + "/Night.tps";
    form.LoadCalendarSkin(true);
    const QImage after(wallpaper);
    ASSERT_EQ(after.size(), before.size());
    int changed = 0;
    for (int y = 0; y < after.height(); y += 2)
        for (int x = 0; x < after.width(); x += 2)
            changed += after.pixel(x, y) != before.pixel(x, y);
    EXPECT_GT(changed, 1000) << "the calendar looks different";

    TStoredTextList options((sandbox.Root() / "Tapestrel.ini").string());
    options.Load();
    form.WriteOptions(options);
    EXPECT_EQ(options.ReadValue("CalendarSkin", "TextEffect"), "Shadow");
    EXPECT_EQ(options.ReadValue("Calendar", "LastCalendarSkinName"), "Night");
}

TEST_F(SkinFilesTest, ABadColourCostsItselfAloneAndTheFileIsKeptWhenSavedOver) {
    const fs::path file = sandbox.Root() / "hand.tps";
    const std::string original =
        "[CalendarSkin]\r\nTextShadowColor=notacolor\r\nYearTextColor=clYellow\r\n\r\n"
        "[Mine]\r\nNote=by hand\r\n";
    std::ofstream(file, std::ios::binary) << original;
    SetPanelColor(Find<QWidget>("CalendarTextShadowColorPanel"), 0x123456);
    dialogs->answer = file.string();
    const std::string report = ErrorReportShownBy([&] { form.LoadCalendarSkin(false); });
    EXPECT_NE(report.find("[CalendarSkin] TextShadowColor=notacolor"), std::string::npos) << report;
    EXPECT_EQ(PanelColor(Find<QWidget>("CalendarTextShadowColorPanel")), 0x123456u);
    EXPECT_EQ(PanelColor(Find<QWidget>("CalendarYearTextColorPanel")), 0x00FFFFu);

    form.SaveCalendarSkin();
    EXPECT_EQ(ReadWholeFile(sandbox.Root() / "hand.tps.bak"), original);
    const std::string saved = ReadWholeFile(file);
    EXPECT_NE(saved.find("TextShadowColor=1193046\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[Mine]\r\nNote=by hand\r\n"), std::string::npos) << saved;
}

TEST_F(SkinFilesTest, ANewSkinsDirectoryReceivesTheShippedSkinsWholeAndAnOldOneIsLeftAlone) {
    const fs::path shipped = sandbox.Root() / "shipped";
    const fs::path skins = sandbox.Root() / "CalendarSkins";
    fs::create_directories(shipped / "Pictures");
    std::ofstream(shipped / "Night.tps") << "night";
    std::ofstream(shipped / "Pictures/moon.png") << "moon";

    TMainForm::PrepareCalendarSkins(skins.string(), shipped.string());
    EXPECT_EQ(ReadWholeFile(skins / "Night.tps"), "night");
    EXPECT_EQ(ReadWholeFile(skins / "Pictures/moon.png"), "moon");

    // What the user changed in a directory of their own stays as they left it.
    std::ofstream(skins / "Night.tps") << "mine";
    fs::remove(skins / "Pictures/moon.png");
    TMainForm::PrepareCalendarSkins(skins.string(), shipped.string());
    EXPECT_EQ(ReadWholeFile(skins / "Night.tps"), "mine");
    EXPECT_FALSE(fs::exists(skins / "Pictures/moon.png"));

    const fs::path leftEmpty = sandbox.Root() / "LeftEmpty";
    fs::create_directory(leftEmpty);
    TMainForm::PrepareCalendarSkins(leftEmpty.string(), shipped.string());
    EXPECT_EQ(ReadWholeFile(leftEmpty / "Night.tps"), "night");
    EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(SkinFilesTest, AFontThatIsNotInstalledStillDrawsTextAndKeepsItsName) {
    const char* const fontKeys[] = {"YearTextFont", "MonthTextFont", "DayOfWeekTextFont",
                                    "DaysTextFont"};
    const fs::path file = sandbox.Root() / "missing-font.tps";
    std::string text = "[CalendarSkin]\r\n";
    for (const char* key : fontKeys) text += std::string(key) + "=No Such Font 123\r\n";
    std::ofstream(file, std::ios::binary) << text;
    dialogs->answer = file.string();
    form.LoadCalendarSkin(true);

    const auto painted = [](const TCalendarSkin& skin) {
        QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::white);
        QPainter canvas(&image);
        TGraphics graphics{canvas};
        TRelativeRect place{0, 0, 1, 1};
        PaintMonthCalendar(graphics, skin, 46000.0, QRect(0, 0, 400, 300), place, 1.0);
        return image;
    };
    TCalendarSkin skin = form.CurrentCalendarSkin();
    const QImage withText = painted(skin);
    for (const char* key :
         {"YearTextTranslucency", "MonthTextTranslucency", "DayOfWeekWeekdayTextTranslucency",
          "DayOfWeekWeekendTextTranslucency", "CurrentMonthWeekdayTextTranslucency",
          "CurrentMonthWeekendTextTranslucency", "OtherMonthsWeekdayTextTranslucency",
          "OtherMonthsWeekendTextTranslucency", "TextShadowTranslucency"})
        skin.Set(key, "100");
    EXPECT_TRUE(withText != painted(skin)) << "the text shows";

    form.SaveCalendarSkin();
    const std::string saved = ReadWholeFile(file);
    for (const char* key : fontKeys)
        EXPECT_NE(saved.find(std::string(key) + "=No Such Font 123\r\n"), std::string::npos)
            << saved;
}
