#include "Error.h"
#include "MainDialog.h"
#include "MainWindowTest.h"
#include "Program.h"
#include "TestSupport.h"
#include "ui_MainDialog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class TrayAndDropTest : public MainWindowTest {
protected:
    TrayAndDropTest() { UsePicture(); }

    QAction* CheckedLevel() { return form.STP_NormalizeBrightnessGroup->checkedAction(); }
    QAction* Level(const char* caption) {
        for (QAction* item : form.STP_NormalizeBrightnessGroup->actions())
            if (item->text() == caption) return item;
        return nullptr;
    }
};

}  // namespace

TEST_F(TrayAndDropTest, TheTrayMenuShowsTheControlsAndSetsBrightnessWithOneComposition) {
    form.ui->PictureNormalizeBrightnessLevelComboBox->setCurrentText("35");
    form.ui->UsePictureNormalizeBrightnessCheckBox->setChecked(true);
    form.ui->ShowCalendarCheckBox->setChecked(false);
    const qsizetype before = tools->calls.size();
    form.SystemTrayPopupMenuPopup();
    EXPECT_EQ(CheckedLevel()->text(), "None") << "35 has no item";
    EXPECT_FALSE(form.STP_VisibleCalendarMenu->isChecked());
    EXPECT_TRUE(form.STP_VisibleCalendarBackMenu->isChecked());

    form.ui->UsePictureNormalizeBrightnessCheckBox->setChecked(false);
    const qsizetype off = tools->calls.size();
    Level("25")->trigger();
    EXPECT_TRUE(form.ui->UsePictureNormalizeBrightnessCheckBox->isChecked());
    EXPECT_EQ(form.ui->PictureNormalizeBrightnessLevelComboBox->currentText(), "25");
    EXPECT_EQ(tools->calls.size(), off + 1) << "one composition for the two changes";
    form.SystemTrayPopupMenuPopup();
    EXPECT_EQ(CheckedLevel()->text(), "25");

    form.ui->UsePictureNormalizeBrightnessCheckBox->setChecked(false);
    const qsizetype none = tools->calls.size();
    Level("None")->trigger();
    EXPECT_EQ(tools->calls.size(), none) << "already off: nothing changes";
    EXPECT_GT(none, before);

    form.STP_VisibleCalendarMenu->trigger();
    EXPECT_TRUE(form.ui->ShowCalendarCheckBox->isChecked());
}

TEST_F(TrayAndDropTest, DroppedFoldersAndTheFoldersOfFilesBecomeRowsOnce) {
    const fs::path pictures = sandbox.Root() / "pics";
    fs::create_directories(pictures);
    for (const char* name : {"a.jpg", "b.jpg"}) std::ofstream{pictures / name};
    QMimeData drop;
    drop.setUrls({QUrl::fromLocalFile(QString::fromStdString(pictures.string())),
                  QUrl::fromLocalFile(QString::fromStdString((pictures / "a.jpg").string())),
                  QUrl::fromLocalFile(QString::fromStdString((pictures / "b.jpg").string()))});
    form.ProcessDroppedFiles(drop);
    ASSERT_EQ(form.ui->DirectoriesListBox->count(), 1);
    EXPECT_EQ(form.DirectoryPath(0), pictures.string());
    EXPECT_EQ(form.DirectoryFlags(0), TMainForm::DirectoryActive);
    EXPECT_EQ(form.ui->PageControl2->currentWidget(), form.ui->DirectoriesTabSheet);

    for (int row = 1; row < 99; ++row) form.AddDirectory("/q/" + std::to_string(row), true, false);
    QMimeData two;
    two.setUrls(
        {QUrl::fromLocalFile("/r/1"), QUrl::fromLocalFile("/r/2"), QUrl::fromLocalFile("/r/3")});
    form.ProcessDroppedFiles(two);
    EXPECT_EQ(form.ui->DirectoriesListBox->count(), 100);
    ASSERT_EQ(boxes->shown.size(), 1u) << "warned once";
    EXPECT_EQ(boxes->shown[0].text, "Too many directories. Can't add anymore.");
}

TEST_F(TrayAndDropTest, AMovedPanelRedrawsAndANewScreenSizeReloads) {
    form.SetFileAsWallpaper(true);
    const qsizetype composed = tools->calls.size();
    form.FWinIniChange();
    EXPECT_EQ(tools->calls.size(), composed) << "nothing changed since the composition";

    // Without the file only a redraw can succeed.
    fs::remove(form.CurrentFileTitle);
    form.DesktopArea.adjust(0, 0, 0, -40);
    form.FWinIniChange();
    EXPECT_EQ(tools->calls.size(), composed + 1);
    EXPECT_FALSE(form.CurrentFileTitle.empty());

    form.DesktopWidth += 1;
    form.FWinIniChange();
    EXPECT_EQ(tools->calls.size(), composed + 1);
    EXPECT_TRUE(form.CurrentFileTitle.empty()) << "the reload found the picture gone";
}
