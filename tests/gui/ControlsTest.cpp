#include "BusyCursor.h"
#include "Error.h"
#include "ErrorForm.h"
#include "TestSupport.h"
#include "Utilities.h"
#include "ui_ErrorForm.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCursor>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <thread>

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override { FunStatContext.Reset(fsPerfect); }
    ScopedMessageBoxes boxes;
};

TEST_F(ControlsTest, TheBusyCursorShowsOnlyOnceWorkHasTakenLongAndGoesWithIt) {
    {
        TBusyCursorAfter busy(std::chrono::milliseconds(50));
        busy.Poll();
        EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        busy.Poll();
        busy.Poll();
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr) << "set once, restored once";
}

TEST_F(ControlsTest, LongWorkServesTimersOnlyOnceTheBusyCursorShows) {
    bool served = false;
    QTimer::singleShot(0, [&served] { served = true; });
    TBusyCursorAfter notYet(std::chrono::hours(1));
    notYet.PollServingEvents();
    EXPECT_FALSE(served);
    TBusyCursorAfter due(std::chrono::milliseconds(0));
    due.PollServingEvents();
    EXPECT_TRUE(served);
}

TEST_F(ControlsTest, ComboBoxWarnsOnlyForUnusableTextAndRepairsIt) {
    QComboBox box;
    box.setEditable(true);
    box.setEditText("abc");
    EXPECT_EQ(ComboBoxToInt(box), 0);
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].caption, "Warning");
    EXPECT_EQ(boxes->shown[0].text,
              "Integer value outside limits.\nIt will be set to default.\n"
              "    * Minimum = -2147483648\n    * Maximum = 2147483647\n    * Default = 0");
    EXPECT_EQ(box.currentText(), "0");
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Function, "GetIntFromComboBox");

    FunStatContext.Reset(fsPerfect);
    box.setEditText("150");
    EXPECT_EQ(GetIntFromComboBox(box, 0, 100, 30), 30);
    EXPECT_EQ(box.currentText(), "30");
    EXPECT_EQ(boxes->shown.size(), 2u);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);

    box.setEditText("");
    EXPECT_EQ(GetIntFromComboBox(box, 0, 100, 30), 30);
    box.setEditText(" 0x20");
    EXPECT_EQ(GetIntFromComboBox(box, 0, 100, 30), 32);
    EXPECT_EQ(boxes->shown.size(), 2u);
}

TEST_F(ControlsTest, SelectComboBoxItemFallsBackInOrder) {
    QComboBox box;
    box.addItems({"Balanced scaling", "Mirrored scaling", "Anisotropic dampening"});
    struct Case {
        const char* text;
        const char* fallback;
        int selected;
    };
    const Case cases[] = {{"MIRRORED SCALING", "Balanced scaling", 1},
                          {"nothing", "anisotropic dampening", 2},
                          {"", "Mirrored scaling", 1},
                          {"nothing", "none either", 0},
                          {"", "", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        box.setCurrentIndex(-1);
        SelectComboBoxItem(box, c.text, c.fallback);
        EXPECT_EQ(box.currentIndex(), c.selected);
    }
}

TEST_F(ControlsTest, MenuItemsAndListItemsAreFound) {
    QMenu menu;
    menu.addSeparator()->setData(50);
    QAction* none = menu.addAction("None");
    none->setData(0);
    QAction* fifty = menu.addAction("50");
    fifty->setData(50);
    menu.addMenu("Sub")->addAction("70")->setData(70);
    EXPECT_EQ(FindMenuItemByTag(menu, 50), fifty);
    EXPECT_EQ(FindMenuItemByTag(menu, 0), none);
    EXPECT_EQ(FindMenuItemByTag(menu, 70), nullptr);

    QListWidget list;
    list.addItems({"/a", "/b", "/c"});
    list.resize(200, 200);
    list.show();
    const QRect second = list.visualItemRect(list.item(1));
    EXPECT_EQ(SelectListBoxItemAt(list, second.center().x(), second.center().y()), 1);
    EXPECT_EQ(list.currentRow(), 1);
    EXPECT_EQ(SelectListBoxItemAt(list, 10, 190), -1);
    EXPECT_EQ(list.currentRow(), 1);

    EXPECT_GT(GetFontHeight(list.font(), &list), 5);
    EXPECT_EQ(GetFontHeight(list.font(), nullptr), 0);
    EXPECT_EQ(FunStatContext.Description, "Failed to get device context.");
}

TEST_F(ControlsTest, TextInARectangleIsMeasuredCentredAndElided) {
    QImage image(200, 60, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter canvas(&image);
    canvas.setFont(QFont("Liberation Sans", 12));
    canvas.setPen(Qt::black);
    canvas.setBrush(Qt::blue);
    const QRect rect(0, 0, 200, 60);

    int width = -1;
    int height = -1;
    DrawTextInRect("Sea", canvas, true, rect, DT_SINGLELINE, false, false, &width, &height);
    EXPECT_NEAR(width, canvas.fontMetrics().horizontalAdvance("Sea"), 1);
    EXPECT_NEAR(height, canvas.fontMetrics().height(), 1);
    DrawTextInRect("", canvas, true, rect, 0, false, false, &width, &height);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(image.pixel(100, 30), qRgb(255, 255, 255));  // measuring draws nothing

    DrawTextInRect("Sea", canvas, false, rect, DT_SINGLELINE, true, true);
    canvas.end();
    EXPECT_EQ(image.pixel(2, 2), qRgb(0, 0, 255));  // the brush fills an opaque rectangle
    int left = 200, right = 0, top = 60, bottom = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 200; ++x)
            if (qRed(image.pixel(x, y)) < 100 && qBlue(image.pixel(x, y)) < 100) {
                left = std::min(left, x), right = std::max(right, x);
                top = std::min(top, y), bottom = std::max(bottom, y);
            }
    EXPECT_NEAR((left + right) / 2, 100, 3);
    EXPECT_NEAR((top + bottom) / 2, 30, 4);

    // A long path keeps its start and its file name.
    QImage narrow(120, 20, QImage::Format_ARGB32);
    QPainter small(&narrow);
    const std::string path = "/home/user/pictures/holidays/2007/summer/beach.jpg";
    DrawTextInRect(path, small, true, narrow.rect(), DT_PATH_ELLIPSIS | DT_SINGLELINE, false, true,
                   &width, nullptr);
    EXPECT_GT(width, 60);
    EXPECT_LE(width, 120);
}

TEST_F(ControlsTest, ClipboardTakesTextAndRefusesNothing) {
    QApplication::clipboard()->setText("first ");
    EXPECT_TRUE(CopyTextToClipboard("second", "", true, true));
    EXPECT_EQ(QApplication::clipboard()->text(), "first second");
    EXPECT_EQ(boxes->beeps, std::vector<BeepSound>{BeepSound::Default});
    EXPECT_TRUE(CopyTextToClipboard("/p/ü.jpg", "", false, false));
    EXPECT_EQ(QApplication::clipboard()->text(), "/p/ü.jpg");

    EXPECT_FALSE(CopyTextToClipboard("", "", false, false));
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].text, "There is no text to copy to clipboard.");
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

TEST_F(ControlsTest, DroppedFilesKeepTheirOrderAndBytes) {
    QMimeData drop;
    drop.setUrls({QUrl::fromEncoded("file:///p/b%20c.jpg"), QUrl("https://example.org/x.jpg"),
                  QUrl::fromEncoded("file:///p/not-utf8-%FF.jpg"), QUrl("file:///p/a.png")});
    std::vector<std::string> list{"stale"};
    DroppedFilesToList(drop, list);
    EXPECT_EQ(list, (std::vector<std::string>{"/p/b c.jpg", "/p/not-utf8-\xff.jpg", "/p/a.png"}));
}

TEST_F(ControlsTest, OpenSiteShowsItsFailureAndResets) {
    ScopedUrlOpener opener;
    opener->succeed = false;
    const std::string memo =
        ErrorReportShownBy([] { OpenSite("https://example.org", "Failed to open site."); });
    EXPECT_TRUE(memo.starts_with("DESCRIPTION\nFailed to open site.")) << memo;
    EXPECT_NE(memo.find("Failed to run file."), std::string::npos);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

}  // namespace
