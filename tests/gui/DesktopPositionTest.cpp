#include "Desktoppositiondialog.h"
#include "LinkLabel.h"
#include "MainDialog.h"
#include "MainWindowTest.h"
#include "TestSupport.h"
#include "Utilities.h"
#include "ui_DesktopPositionForm.h"
#include "ui_MainDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QMouseEvent>

namespace {

// The main window with a picture on the desktop and the calendar shown, with no margin.
class DesktopPositionTest : public MainWindowTest {
protected:
    DesktopPositionTest() {
        UsePicture();
        form.ui->DesktopMarginComboBox->setCurrentText("0");
        form.ui->ShowCalendarCheckBox->setChecked(true);
        form.SetFileAsWallpaper(true);
        composed = tools->calls.size();
        left = form.CalendarRectLeft;
        top = form.CalendarRectTop;
    }

    void ClickSetPosition() {
        form.findChild<TLinkLabel*>("CalendarSetDesktopPositionLabel")->clicked();
    }

    TDesktopPositionForm dialog;
    qsizetype composed = 0;
    // As the composition left them.
    double left = 0;
    double top = 0;
};

}  // namespace

TEST_F(DesktopPositionTest, HiddenCalendarOnlyWarns) {
    form.ui->ShowCalendarCheckBox->setChecked(false);
    composed = tools->calls.size();
    ClickSetPosition();
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].caption, "Warning");
    EXPECT_EQ(boxes->shown[0].text, "The calendar is not displayed on the wallpaper.");
    EXPECT_EQ(tools->calls.size(), composed);
    EXPECT_EQ(form.CalendarRectLeft, left);
}

TEST_F(DesktopPositionTest, AClickInTheBoxMovesTheCalendarAndComposesOnce) {
    const QRect area = GetDesktopArea(0);
    const QSize box = PositionBox(area.width(), area.height());
    const int markWidth =
        qRound(qRound(area.width() * form.CalendarRectWidth) * box.width() / double(area.width()));
    const int markHeight = qRound(qRound(area.height() * form.CalendarRectHeight) * box.height() /
                                  double(area.height()));
    WhenModalShows([&](QWidget& window) {
        EXPECT_EQ(&window, &dialog);
        EXPECT_EQ(dialog.PaintBox->geometry(), QRect(PositionBoxOrigin(box), box));
        // The mark centred on the click: its corner 10 pixels into the box.
        QMouseEvent press(QEvent::MouseButtonPress,
                          QPointF(10 + markWidth / 2, 10 + markHeight / 2), QPointF(),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dialog.PaintBox, &press);
    });
    form.STP_SetCalendarPositionMenu->trigger();

    EXPECT_DOUBLE_EQ(form.CalendarRectLeft, 10.0 / box.width());
    EXPECT_DOUBLE_EQ(form.CalendarRectTop, 10.0 / box.height());
    EXPECT_EQ(tools->calls.size(), composed + 1);
    EXPECT_TRUE(boxes->shown.empty());
}

TEST_F(DesktopPositionTest, CancelChangesNothing) {
    WhenModalShows([&](QWidget&) { dialog.ui->CancelButton->click(); });
    ClickSetPosition();
    EXPECT_EQ(form.CalendarRectLeft, left);
    EXPECT_EQ(form.CalendarRectTop, top);
    EXPECT_EQ(tools->calls.size(), composed);
}
