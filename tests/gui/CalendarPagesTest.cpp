#include "CalendarPainting.h"
#include "CalendarSkin.h"
#include "Error.h"
#include "LinkLabel.h"
#include "MainDialog.h"
#include "MainWindowTest.h"
#include "Program.h"
#include "StoredTextList.h"
#include "TestSupport.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QImage>

namespace {

QStringList Items(const QComboBox& box) {
    QStringList items;
    for (int index = 0; index < box.count(); ++index) items << box.itemText(index);
    return items;
}

class CalendarPagesTest : public MainWindowTest {
protected:
    template <class Control>
    Control& Find(const char* name) {
        auto* control = form.findChild<Control*>(name);
        EXPECT_NE(control, nullptr) << name;
        return *control;
    }
};

}  // namespace

TEST_F(CalendarPagesTest, EveryParameterHasItsControlOnItsPageWithItsItems) {
    for (const TSkinParameter& parameter : CalendarSkinParameters) {
        QWidget* control =
            form.findChild<QWidget*>(QString::fromStdString(SkinControlName(parameter)));
        ASSERT_NE(control, nullptr) << parameter.Key;
        EXPECT_EQ(control->parentWidget()->objectName(), parameter.Page) << parameter.Key;
    }
    EXPECT_NE(form.findChild<QCheckBox*>("ShowCalendarBackCheckBox"), nullptr);
    EXPECT_EQ(Items(Find<QComboBox>("CalendarYearTextSizeComboBox")).size(), 31);
    EXPECT_EQ(Items(Find<QComboBox>("CalendarYearTextSizeComboBox")).back(), "60");
    EXPECT_EQ(Items(Find<QComboBox>("CalendarDaysTextSizeComboBox")).back(), "40");
    EXPECT_EQ(Items(Find<QComboBox>("CalendarYearHSSComboBox")).join(","),
              "-5,-4,-3,-2,-1,0,1,2,3,4,5");
    EXPECT_EQ(Items(Find<QComboBox>("CalendarFrameBackThick12ComboBox")).size(), 99);
    EXPECT_EQ(Items(Find<QComboBox>("CalendarTextEffectComboBox")).join(","),
              "None,Shadow,Outline");
    const QStringList fonts = Items(Find<QComboBox>("CalendarDaysTextFontComboBox"));
    EXPECT_EQ(fonts.front(), "Default");
    // The metric-compatible face that fontconfig maps Arial to is installed with the program.
    EXPECT_EQ(Find<QComboBox>("CalendarDaysTextFontComboBox").currentText(), "Arial");
}

TEST_F(CalendarPagesTest, TheDefaultSkinComesBackWholeWithOneComposition) {
    UsePicture();
    form.SuppressComposition = false;
    form.SetFileAsWallpaper(true);
    const qsizetype composed = tools->calls.size();

    form.SuppressComposition = true;
    Find<QComboBox>("CalendarTextEffectComboBox").setCurrentText("Shadow");
    Find<QCheckBox>("CalendarYearBoldTextCheckBox").setChecked(false);
    SetPanelColor(Find<QWidget>("CalendarYearTextColorPanel"), 0x123456);
    form.SuppressComposition = false;
    Find<TLinkLabel>("CalendarDefaultSkinLabel").clicked();

    EXPECT_EQ(tools->calls.size(), composed + 1);
    const TCalendarSkin skin = form.CurrentCalendarSkin();
    for (const TSkinParameter& parameter : CalendarSkinParameters)
        EXPECT_EQ(skin.Text(parameter.Key), TCalendarSkin::Default().Text(parameter.Key))
            << parameter.Key;
}

TEST_F(CalendarPagesTest, TheSkinSectionListsEveryKeyInOrderAndColoursAloneCanBeRead) {
    TStoredTextList list((sandbox.Root() / "skin.tps").string());
    list.Load();
    form.WriteCalendarSkin(list);
    const std::string text = list.Text();
    EXPECT_TRUE(
        text.starts_with("[CalendarSkin]\r\nTextEffect=Outline\r\nOutlineThickness=2\r\n"
                         "ShowBack=TRUE\r\nSimpleBack=TRUE\r\nCalendarOtherMonthsWeeks=1\r\n"))
        << text;
    EXPECT_TRUE(text.ends_with("OtherMonthsWeekendTextColor=4276610\r\n\r\n")) << text;
    EXPECT_EQ(list.Keys("CalendarSkin").size(), 91u);

    list.WriteValue("CalendarSkin", "TextEffect", "None");
    list.WriteValue("CalendarSkin", "YearTextColor", "Black");
    form.LoadFullSkin = false;
    form.ReadCalendarSkin(list);
    EXPECT_EQ(Find<QComboBox>("CalendarTextEffectComboBox").currentText(), "Outline");
    EXPECT_EQ(PanelColor(Find<QWidget>("CalendarYearTextColorPanel")), 0u);
    form.LoadFullSkin = true;
    form.ReadCalendarSkin(list);
    EXPECT_EQ(Find<QComboBox>("CalendarTextEffectComboBox").currentText(), "None");
}

TEST(CalendarMetricsTest, AHighDensityScreenScalesThePixelQuantitiesOnly) {
    const TCalendarSkin skin = TCalendarSkin::Default();
    const TCalendarMetrics normal = CalendarMetrics(skin, 1.0);
    const TCalendarMetrics dense = CalendarMetrics(skin, 2.0);
    EXPECT_EQ(normal.DaysTextSize, 12);
    EXPECT_EQ(normal.HorizontalMarginSpacing, 25);
    EXPECT_EQ(dense.DaysTextSize, 24);
    EXPECT_EQ(dense.YMBottomSpace, 20);
    EXPECT_EQ(dense.SeparatorThickness, 4);
    EXPECT_EQ(dense.OtherMonthsWeeks, 1);
    EXPECT_EQ(dense.OvalBackEccentricity, 100);
}
