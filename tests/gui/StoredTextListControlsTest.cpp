#include "StatusScope.h"
#include "StoredTextList.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <fstream>

namespace {

class StoredTextListControlsTest : public ::testing::Test {
protected:
    void SetUp() override { FunStatContext.Reset(fsPerfect); }

    TStoredTextList Loaded(std::string_view bytes) {
        const std::string path = (box.Root() / "a.ini").string();
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes));
        TStoredTextList list(path);
        EXPECT_TRUE(list.Load());
        return list;
    }

    SandBox box;
    ScopedMessageBoxes boxes;
};

TEST_F(StoredTextListControlsTest, WindowOutsideTheWorkAreaComesBackToItsEdge) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    TStoredTextList list = Loaded("[W]\r\nX=5000\r\nY=" + std::to_string(area.top() + 10) + "\r\n");
    QWidget window;
    window.resize(100, 80);
    list.ReadWindowPosition("W", "X", "Y", window);
    EXPECT_EQ(window.pos(), QPoint(area.left(), area.top() + 10));
    EXPECT_EQ(window.size(), QSize(100, 80));
    list.WriteWindowPosition("W", "Left", "Top", window);
    EXPECT_EQ(list.ReadValue("W", "Left"), std::to_string(area.left()));
}

TEST_F(StoredTextListControlsTest, ComboBoxesTakeAListedItemOrTheirText) {
    TStoredTextList list = Loaded("[C]\r\nOther=none of them\r\nCase=SECOND\r\nEmpty=\r\n");
    QComboBox fixed;
    fixed.addItems({"first", "second", "third"});
    for (auto [key, index] : {std::pair{"Other", 0}, {"Case", 1}, {"Empty", 2}}) {
        fixed.setCurrentIndex(-1);
        list.ReadComboBox("C", key, fixed, "Third");
        EXPECT_EQ(fixed.currentIndex(), index) << key;
    }
    QComboBox editable;
    editable.setEditable(true);
    list.ReadComboBox("C", "Other", editable, "x");
    EXPECT_EQ(editable.currentText(), "none of them");
}

TEST_F(StoredTextListControlsTest, CheckBoxesAndColourPanelsRoundTrip) {
    TStoredTextList list = Loaded("[P]\r\nTicked=TRUE\r\nColor=Bright Blue\r\n");
    QCheckBox check;
    list.ReadCheckBox("P", "Ticked", check);
    EXPECT_TRUE(check.isChecked());
    list.WriteCheckBox("P", "Copy", check);
    EXPECT_EQ(list.ReadValue("P", "Copy"), "TRUE");

    QWidget panel;
    panel.setProperty("Tag", 0x0000FF);
    list.ReadControlColor("P", "Color", panel);
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(0, 0, 255));
    list.ReadControlColor("P", "Missing", panel);
    EXPECT_EQ(panel.palette().color(QPalette::Window), QColor(255, 0, 0)) << "the factory colour";
    list.WriteControlColor("P", "Color", panel);
    EXPECT_EQ(list.ReadValue("P", "Color"), "255");
}

TEST_F(StoredTextListControlsTest, FailedLoadIsShownAndKeptWhatWasTaken) {
    TStoredTextList list = Loaded("[C]\r\nN=5\r\nColor=blue-ish\r\nM=6\r\n");
    int32_t n = 0, m = 0;
    uint32_t color = 0;
    bool loadingSeen = false;
    list.OnLoad = [&](TStoredTextList& sender, bool) {
        loadingSeen = sender.Loading();
        sender.ReadInteger("C", "N", 0, 10, n);
        sender.ReadColor("C", "Color", color);
        sender.ReadInteger("C", "M", 0, 10, m);
    };
    bool loaded = true;
    const std::string report = ErrorReportShownBy([&] { loaded = list.Load(); });
    EXPECT_FALSE(loaded);
    EXPECT_TRUE(loadingSeen);
    EXPECT_FALSE(list.Loading());
    EXPECT_EQ(n, 5);
    EXPECT_EQ(color, 0u);
    EXPECT_EQ(m, 6) << "the values after a bad one are taken too";
    EXPECT_TRUE(report.starts_with("DESCRIPTION\nFailed to load file.\n")) << report;
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Description,
              "A value could not be read; its setting stays as it was:\r\n[C] Color=blue-ish");
}

TEST_F(StoredTextListControlsTest, FailedSaveIsShownAndThenForgotten) {
    TStoredTextList list((box.Root() / "missing" / "a.ini").string());
    bool saved = true;
    const std::string report = ErrorReportShownBy([&] { saved = list.Save(false); });
    EXPECT_FALSE(saved);
    EXPECT_TRUE(report.starts_with("DESCRIPTION\nFailed to save file.\n")) << report;
    EXPECT_NE(report.find("Unhandled exception: Cannot create file"), std::string::npos);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

}  // namespace
