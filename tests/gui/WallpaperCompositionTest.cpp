#include "Error.h"
#include "ErrorForm.h"
#include "File.h"
#include "FileDialogs.h"
#include "MainDialog.h"
#include "MainWindowTest.h"
#include "Program.h"
#include "TestSupport.h"
#include "ui_ErrorForm.h"
#include "ui_MainDialog.h"

#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QScreen>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// The real composition on the offscreen screen, with the desktop's tools recorded (a sway
// session, whose setter is one swaymsg call).
class WallpaperCompositionTest : public MainWindowTest {
protected:
    // Half the screen's size, so that it is stretched to fill it; left half red, right half
    // blue.
    std::string MakePicture(const std::string& name, QRgb left = qRgb(255, 0, 0)) {
        const QSize size = QGuiApplication::primaryScreen()->size() / 2;
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(qRgb(0, 0, 255));
        for (int y = 0; y < size.height(); ++y)
            for (int x = 0; x < size.width() / 2; ++x) picture.setPixel(x, y, left);
        const std::string path = (sandbox.Root() / name).string();
        EXPECT_TRUE(picture.save(QString::fromStdString(path)));
        return path;
    }

    std::string WallpaperFile() { return GetTempPath() + "Tapestrel_Wallpaper.bmp"; }
    QImage Wallpaper() { return QImage(QString::fromStdString(WallpaperFile())); }
};

TEST_F(WallpaperCompositionTest, APictureBecomesTheScreenSizedWallpaper) {
    form.CurrentFileTitle = MakePicture("sea.png");
    form.SetFileAsWallpaper(true);
    ASSERT_EQ(FunStatContext.Status, fsPerfect) << FunStatContext.GetReport();

    const QSize screen = QGuiApplication::primaryScreen()->size();
    const QImage wallpaper = Wallpaper();
    ASSERT_EQ(wallpaper.size(), screen);
    EXPECT_EQ(wallpaper.pixel(5, screen.height() / 2), qRgb(255, 0, 0));
    EXPECT_EQ(wallpaper.pixel(screen.width() - 5, screen.height() / 2), qRgb(0, 0, 255));
    ASSERT_EQ(tools->calls.size(), 1);
    EXPECT_TRUE(tools->calls[0].startsWith(
        QString::fromStdString("swaymsg|output * bg \"" + GetTempPath() + "Tapestrel_Wallpaper-")));
    EXPECT_EQ(form.DesktopWidth, screen.width());
    EXPECT_EQ(form.ui->CurrentSkewLabel->text(), "(Current full skew 100%)");
    EXPECT_EQ(form.ui->PictureAppliedNormFactorLabel->text(), "(Applied normalization factor 0)");
    EXPECT_EQ(form.ui->LastPictureLabel->text(),
              QString::fromStdString("Current picture (index not in list) \"sea.png\" in \"" +
                                     sandbox.Root().string() + "/\""));
}

TEST_F(WallpaperCompositionTest, OnlyThePictureIndexTakesTheUsersThousandsSeparator) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    form.FittedPicture = QImage(1, 1, QImage::Format_RGB32);
    form.CurrentSkew = 12.5;
    form.AppliedNormalizationFactor = 50;
    form.CurrentIndex = 1233;
    form.UpdateSkewLabel();
    form.UpdateNormFactorLabel();
    form.UpdateCurrentPictureLabel();
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(form.ui->CurrentSkewLabel->text(), "(Current full skew 1250%)");
    EXPECT_EQ(form.ui->PictureAppliedNormFactorLabel->text(),
              "(Applied normalization factor 5000)");
    EXPECT_TRUE(form.ui->LastPictureLabel->text().startsWith("Current picture (index 1,234) "));
}

TEST_F(WallpaperCompositionTest, ARedrawReusesTheFittedPictureAndAFailedLoadKeepsTheOldFile) {
    const std::string picture = MakePicture("sea.png");
    form.CurrentFileTitle = picture;
    form.SetFileAsWallpaper(true);
    fs::remove(picture);

    // A calendar setting changed: the deleted picture is not needed.
    form.ui->DesktopMarginComboBox->setCurrentIndex(0);
    EXPECT_EQ(FunStatContext.Status, fsPerfect) << FunStatContext.GetReport();
    EXPECT_EQ(tools->calls.size(), 2);
    const std::string written = ReadWholeFile(WallpaperFile());

    // A resize setting changed: the picture is loaded again, and is gone.
    form.ui->IsTileCheckBox->toggle();
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Description, "Failed to load picture.");
    EXPECT_EQ(form.CurrentFileTitle, "");
    EXPECT_EQ(tools->calls.size(), 2);
    EXPECT_EQ(ReadWholeFile(WallpaperFile()), written);
    EXPECT_EQ(form.ui->CurrentSkewLabel->text(), "(Current full skew 100%)");
}

TEST_F(WallpaperCompositionTest, OnlyPicturesThatAreNotOurOwnFileAreComposed) {
    std::ofstream(sandbox.Root() / "notes.txt") << "text";
    const std::string own = MakePicture("own.bmp");
    fs::rename(own, WallpaperFile());
    for (const std::string& title :
         {std::string(), (sandbox.Root() / "notes.txt").string(), WallpaperFile()}) {
        form.CurrentFileTitle = title;
        FunStatContext.Reset(fsError);
        form.SetFileAsWallpaper(true);
        EXPECT_EQ(FunStatContext.Status, fsPerfect);
    }
    form.CurrentFileTitle = MakePicture("sea.png");
    form.SuppressComposition = true;
    form.SetFileAsWallpaper(true);
    EXPECT_TRUE(tools->calls.empty());
    EXPECT_TRUE(form.FittedPicture.isNull());
}

TEST_F(WallpaperCompositionTest, NothingIsWrittenWhenThePrivateFolderIsUnsafe) {
    const fs::path data = sandbox.Home() / ".local/share/Tapestrel";
    fs::create_directory(sandbox.Root() / "planted");
    fs::create_directory_symlink(sandbox.Root() / "planted", data);
    form.CurrentFileTitle = MakePicture("sea.png");
    form.SetFileAsWallpaper(true);
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Description, "Failed to get path.");
    EXPECT_TRUE(fs::is_empty(sandbox.Root() / "planted"));
    EXPECT_FALSE(fs::exists("Tapestrel_Wallpaper.bmp"));
    EXPECT_TRUE(tools->calls.empty());
}

TEST_F(WallpaperCompositionTest, TheUserCanMakeAnyPictureTheWallpaper) {
    ScopedFileDialogs dialogs;
    form.PictureList = {"/elsewhere/a.png", MakePicture("b.png", qRgb(0, 255, 0))};
    dialogs->answer = form.PictureList[1];
    form.ui->UserWallpaperLabel->clicked();
    ASSERT_EQ(dialogs->asked.size(), 1u);
    EXPECT_TRUE(dialogs->asked[0].starts_with("|Picture files|*.")) << dialogs->asked[0];
    EXPECT_EQ(form.CurrentIndex, 1);
    EXPECT_EQ(Wallpaper().pixel(5, 5), qRgb(0, 255, 0));

    // An undecodable file: the failure is shown, and nothing stays current.
    std::ofstream(sandbox.Root() / "broken.png") << "no picture";
    dialogs->answer = (sandbox.Root() / "broken.png").string();
    const std::string shown = ErrorReportShownBy([&] { form.ui->UserWallpaperLabel->clicked(); });
    EXPECT_TRUE(shown.starts_with("DESCRIPTION\nFailed to load picture file.")) << shown;
    EXPECT_EQ(form.CurrentFileTitle, "");
    EXPECT_EQ(form.CurrentIndex, -1);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);

    dialogs->answer.reset();
    form.ui->UserWallpaperLabel->clicked();
    EXPECT_EQ(tools->calls.size(), 1);
}

}  // namespace
