#include "ColorDialog.h"
#include "MainWindowTest.h"
#include "StockColors.h"
#include "Utilities.h"

#include <QApplication>
#include <QColorDialog>
#include <QDrag>
#include <QDropEvent>
#include <QFrame>
#include <QImage>
#include <QMouseEvent>
#include <algorithm>
#include <string_view>

namespace {

class ColorPanelsTest : public MainWindowTest {
protected:
    ColorPanelsTest() { UsePicture(); }

    QFrame& Panel() { return *form.findChild<QFrame*>("CalendarTodayBackColorPanel"); }

    void Click(QWidget& widget, Qt::MouseButton button,
               QEvent::Type type = QEvent::MouseButtonPress) {
        QMouseEvent event(type, QPointF(2, 2), QPointF(), button, button, Qt::NoModifier);
        QApplication::sendEvent(&widget, &event);
    }

    // The offscreen platform ends a drag at once, before the drag object is deleted, so what the
    // source panel offers is still there to be dropped by hand.
    QMimeData& DragFrom(QWidget& source) {
        Click(source, Qt::LeftButton);
        QMouseEvent move(QEvent::MouseMove, QPointF(40, 2), QPointF(), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&source, &move);
        return *source.findChild<QDrag*>()->mimeData();
    }

    static bool DropOn(QWidget& target, QMimeData& carried) {
        QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &carried, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&target, &enter);
        if (!enter.isAccepted()) return false;
        QDropEvent drop(QPointF(2, 2), Qt::CopyAction, &carried, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&target, &drop);
        return true;
    }
};

TEST(StockColorTextTest, TheHintGivesTheValueInEveryNotation) {
    const uint32_t ochre = *FindStockColor("Ochre");
    EXPECT_EQ(StockColorName(ochre) + ColorHintText(ochre),
              "Ochre (RGB 185-110-25; Decimal = 12152345; Hexadecimal = 0xB96E19)");
    for (const TStockColor& stock : StockColorTable)
        EXPECT_EQ(TextToColor(stock.Name), stock.Color) << stock.Name;
}

TEST_F(ColorPanelsTest, MiddleClickRestoresTheFactoryColor) {
    SetPanelColor(Panel(), 0x123456);
    Click(Panel(), Qt::MiddleButton);
    EXPECT_EQ(PanelColor(Panel()), 1666745u);
    EXPECT_TRUE(Panel().toolTip().endsWith("Middle click it to set the default color."));
    EXPECT_EQ(tools->calls.size(), 1);
}

TEST_F(ColorPanelsTest, DoubleClickPicksAStockColor) {
    // The panel's factory colour is Ochre; its neighbour in the table is another.
    const auto darkOchre =
        std::ranges::find(StockColorTable, std::string_view("Dark Ochre"), &TStockColor::Name);
    WhenModalShows([&](QWidget& window) {
        auto& colors = dynamic_cast<TColorForm&>(window);
        Click(*colors.Cells[darkOchre - StockColorTable.begin()], Qt::LeftButton);
    });
    Click(Panel(), Qt::LeftButton, QEvent::MouseButtonDblClick);
    EXPECT_EQ(PanelColor(Panel()), darkOchre->Color);
    EXPECT_TRUE(Panel().toolTip().startsWith("Dark Ochre (RGB 150-80-10;"));
    EXPECT_EQ(tools->calls.size(), 1);
}

TEST_F(ColorPanelsTest, RightClickTakesTheSystemDialogsColorUnlessCancelled) {
    for (const bool accept : {false, true}) {
        SetPanelColor(Panel(), 0x123456);
        WhenModalShows([&](QWidget& window) {
            auto& dialog = dynamic_cast<QColorDialog&>(window);
            dialog.setCurrentColor(QColor(0x10, 0x20, 0x30));
            accept ? dialog.accept() : dialog.reject();
        });
        Click(Panel(), Qt::RightButton);
        EXPECT_EQ(PanelColor(Panel()), accept ? 0x302010u : 0x123456u);
    }
    EXPECT_EQ(tools->calls.size(), 1);
}

TEST_F(ColorPanelsTest, AColorDraggedOntoAnotherPanelIsCopiedAndRecomposed) {
    auto& source = *form.findChild<QFrame*>("CalendarYearTextColorPanel");
    SetPanelColor(source, 0x0000FF);
    QMimeData& carried = DragFrom(source);
    EXPECT_FALSE(DropOn(source, carried));
    EXPECT_TRUE(DropOn(Panel(), carried));
    EXPECT_EQ(PanelColor(Panel()), 0x0000FFu);
    EXPECT_EQ(tools->calls.size(), 1);
    // The year's colour suits only its own text: nothing is dropped on it.
    EXPECT_FALSE(source.acceptDrops());
}

TEST_F(ColorPanelsTest, OnBlackTheFillerCellsAreMarkedToo) {
    TColorForm colors;
    colors.BuildColorGrid();
    for (int k = 0; k < 144; ++k) {
        const bool marked = k == 0 || k >= 133;
        EXPECT_EQ(colors.Cells[k]->size(), marked ? QSize(22, 19) : QSize(30, 26)) << k;
    }
}

}  // namespace
