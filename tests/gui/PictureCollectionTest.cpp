#include "Error.h"
#include "ErrorForm.h"
#include "FileDialogs.h"
#include "InputDialog.h"
#include "MainDialog.h"
#include "MainWindowTest.h"
#include "Program.h"
#include "RandomSource.h"
#include "TestSupport.h"
#include "ui_ErrorForm.h"
#include "ui_MainDialog.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class ScriptedInputDialog : public InputDialog {
public:
    std::optional<std::string> Ask(const std::string& caption, const std::string& prompt,
                                   const std::string& text) override {
        asked.push_back(caption + "|" + prompt + "|" + text);
        return answer;
    }
    std::vector<std::string> asked;
    std::optional<std::string> answer;
};

class FirstPictureDraws : public RandomSource {
public:
    bool Fill(void* bytes, size_t size) override {
        std::memset(bytes, 0, size);
        return true;
    }
};

// The main window with real picture files and the desktop's tools recorded.
class PictureCollectionTest : public MainWindowTest {
protected:
    std::string Directory(const std::string& name) {
        const fs::path path = sandbox.Root() / name;
        fs::create_directories(path);
        return path.string();
    }

    std::string Picture(const std::string& name) {
        const fs::path path = sandbox.Root() / name;
        fs::create_directories(path.parent_path());
        QImage picture(QSize(64, 48), QImage::Format_RGB32);
        picture.fill(qRgb(10, 200, 30));
        EXPECT_TRUE(picture.save(QString::fromStdString(path.string()), "PNG"));
        return path.string();
    }

    std::string Names() const {
        std::string names;
        for (const std::string& path : form.PictureList)
            names += (names.empty() ? "" : " ") + path.substr(sandbox.Root().string().size() + 1);
        return names;
    }

    QListWidget& List() { return *form.ui->DirectoriesListBox; }

    // The flag columns' right edges: as wide as their texts, at least two and two and a half
    // rows high.
    int Fitted(const char* on, const char* off, int least) {
        const QFontMetrics metrics(List().font());
        return std::max(
            {least, metrics.horizontalAdvance(on) + 7, metrics.horizontalAdvance(off) + 7});
    }
    int ActiveEnd(int height) { return Fitted("Active", "NA", 2 * height); }
    int RecursEnd(int height) { return ActiveEnd(height) + Fitted("Recurs", "NR", height * 5 / 2); }

    void Press(int x, int row, Qt::MouseButton button = Qt::LeftButton) {
        const QPoint at(x, List().visualItemRect(List().item(row)).center().y());
        QMouseEvent press(QEvent::MouseButtonPress, at, List().viewport()->mapToGlobal(at), button,
                          button, Qt::NoModifier);
        QCoreApplication::sendEvent(List().viewport(), &press);
    }

    ScopedFileDialogs folders;
};

}  // namespace

TEST_F(PictureCollectionTest, DirectoryRowsAreUniqueByExactPathAndLimitedToAHundred) {
    for (const char* path : {"/p/a", "/p/a/", "/p/A", "", "/p/a"})
        form.AddDirectory(path, true, false);
    ASSERT_EQ(List().count(), 2);
    EXPECT_EQ(form.DirectoryPath(0), "/p/a");
    EXPECT_EQ(form.DirectoryPath(1), "/p/A");
    EXPECT_EQ(form.DirectoryFlags(0), TMainForm::DirectoryActive);

    for (int i = 0; i < 120; ++i) form.AddDirectory("/q/" + std::to_string(i), false, true);
    EXPECT_EQ(List().count(), TMainForm::MaxPictureDirectories);
    form.ui->AddDirectoryLabel->clicked();
    EXPECT_TRUE(folders->asked.empty());
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].caption, "Warning");
    EXPECT_EQ(boxes->shown[0].text, "Too many directories. Can't add anymore.");
}

TEST_F(PictureCollectionTest, APressInTheFlagColumnsTogglesThemAndTypingDoesNotSearch) {
    form.AddDirectory("/p/a", false, false);
    form.AddDirectory("/p/b", false, false);
    const int height = List().visualItemRect(List().item(0)).height();
    EXPECT_EQ(height, QFontMetrics(List().font()).height() + 4);
    const int activeEnd = ActiveEnd(height);
    const int recursEnd = RecursEnd(height);
    struct Case {
        int x;
        Qt::MouseButton button;
        int flags;
    };
    const Case cases[] = {
        {activeEnd - 1, Qt::LeftButton, TMainForm::DirectoryActive},
        {activeEnd, Qt::LeftButton, TMainForm::DirectoryRecurs},
        {recursEnd - 1, Qt::LeftButton, TMainForm::DirectoryRecurs},
        {recursEnd, Qt::LeftButton, 0},
        {1, Qt::RightButton, 0},
    };
    for (const Case& c : cases) {
        form.AddDirectory("/p/a", false, false);
        const int before = form.DirectoryFlags(1);
        Press(c.x, 1, c.button);
        EXPECT_EQ(form.DirectoryFlags(1) ^ before, c.flags) << c.x;
        EXPECT_EQ(List().currentRow(), 1);
    }

    List().setCurrentRow(0);
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_Slash, Qt::NoModifier, "/");
    QCoreApplication::sendEvent(&List(), &typed);
    EXPECT_EQ(List().currentRow(), 0);

    const QPoint over = List().visualItemRect(List().item(1)).center();
    QMouseEvent move(QEvent::MouseMove, over, List().viewport()->mapToGlobal(over), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(List().viewport(), &move);
    EXPECT_EQ(form.ui->HoverDirectoryLabel->text(), "/p/b");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(List().viewport(), &leave);
    EXPECT_EQ(form.ui->HoverDirectoryLabel->text(), "");
}

TEST_F(PictureCollectionTest, RowsShowTheirSelectionOnlyInThePathColumn) {
    form.AddDirectory("/p/a", true, false);
    const QPalette& palette = List().palette();
    struct Case {
        bool selected;
        bool focused;
        QPalette::ColorRole pathBack;
    };
    const Case cases[] = {{false, false, QPalette::Base},
                          {true, false, QPalette::Button},
                          {true, true, QPalette::Highlight}};
    const int height = 20;
    for (const Case& c : cases) {
        QImage row(300, height, QImage::Format_RGB32);
        QPainter canvas(&row);
        form.DirectoriesListBoxDrawItem(canvas, 0, row.rect(), c.selected, c.focused);
        canvas.end();
        EXPECT_EQ(row.pixel(295, 5), palette.color(c.pathBack).rgb()) << c.selected << c.focused;
        EXPECT_EQ(row.pixel(RecursEnd(height) - 4, 5), palette.color(QPalette::Base).rgb());
        EXPECT_EQ(row.pixel(ActiveEnd(height) - 1, 5), palette.color(QPalette::Text).rgb());
        EXPECT_EQ(row.pixel(RecursEnd(height) - 1, 5), palette.color(QPalette::Text).rgb());
        EXPECT_EQ(row.pixel(150, height - 1), palette.color(QPalette::Text).rgb());
    }
}

TEST_F(PictureCollectionTest, AReloadGroupsTheActiveRowsAndFindsTheCurrentPictureAgain) {
    for (const char* name :
         {"one/b.png", "one/A.png", "one/sub/c.png", "two/z.png", "two/y.png", "off/q.png"})
        Picture(name);
    std::ofstream{sandbox.Root() / "one/notes.txt"};
    // A row that is no directory fails, and the rows after it are still read.
    form.AddDirectory((sandbox.Root() / "one/notes.txt").string(), true, false);
    form.AddDirectory(Directory("one"), true, true);
    form.AddDirectory(Directory("two"), true, false);
    form.AddDirectory(Directory("one/sub"), true, false);
    form.AddDirectory(Directory("off"), false, false);
    form.CurrentFileTitle = (sandbox.Root() / "two/z.png").string();

    boxes->answers = {IDOK};
    const std::string shown = ErrorReportShownBy([&] { form.ui->ReloadFileNamesLabel->clicked(); });
    EXPECT_TRUE(shown.starts_with("DESCRIPTION\nFailed to reload file names.")) << shown;
    EXPECT_NE(shown.find("Failed to load directory."), std::string::npos) << shown;
    EXPECT_EQ(Names(), "one/A.png one/b.png one/sub/c.png two/y.png two/z.png one/sub/c.png");
    EXPECT_EQ(form.CurrentIndex, 4);
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].caption, "Message");
    EXPECT_EQ(boxes->shown[0].text, "There are 6 pictures ready to be used as wallpapers.");
    EXPECT_TRUE(form.ui->LastPictureLabel->text().startsWith("Current picture (index 5) "));

    form.ui->Label29->clicked();
    EXPECT_EQ(QGuiApplication::clipboard()->text().count(u'\n'), 5);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().endsWith("one/sub/c.png"));

    fs::remove(sandbox.Root() / "two/z.png");
    form.LoadPictureFileNames();
    EXPECT_EQ(form.CurrentIndex, -1);
    EXPECT_EQ(form.ui->LoadedPicturesCountLabel->text(),
              "There are 5 pictures ready to be used as wallpapers");
}

TEST_F(PictureCollectionTest, TheTrayAddsADirectoryAndReloadsAndDeletingAsksFirst) {
    Picture("new/a.png");
    folders->answer = (sandbox.Root() / "new").string();
    boxes->answers = {IDOK};
    form.STP_AddPicturesDirectoryMenu->trigger();
    EXPECT_EQ(folders->asked, std::vector<std::string>{"|Choose a directory with picture files"});
    EXPECT_EQ(List().currentRow(), 0);
    EXPECT_EQ(Names(), "new/a.png");

    form.AddDirectory("/p/b", true, false);
    form.AddDirectory("/p/c", true, false);
    List().setCurrentRow(2);
    boxes->answers = {IDNO, IDYES};
    form.ui->DeleteDirectoryLabel->clicked();
    EXPECT_EQ(List().count(), 3);
    form.ui->DeleteDirectoryLabel->clicked();
    ASSERT_EQ(List().count(), 2);
    EXPECT_EQ(List().currentRow(), 1);
    EXPECT_EQ(boxes->shown.back().text, "Do you want to delete the focused directory?");
    // The pictures stay until the next rebuild.
    EXPECT_EQ(Names(), "new/a.png");
}

TEST_F(PictureCollectionTest, CommandsMakeAnotherPictureTheWallpaper) {
    for (const char* name : {"p/a.png", "p/b.png", "p/c.png"}) Picture(name);
    form.AddDirectory(Directory("p"), true, false);
    form.LoadPictureFileNames();
    ScopedService<InputDialog, ScriptedInputDialog> input;

    struct Step {
        TLinkLabel* label;
        std::optional<std::string> typed;
        const char* current;
        bool composed;
    };
    const Step steps[] = {
        {form.ui->NextWallpaperLabel, {}, "p/a.png", true},
        {form.ui->PreviousWallpaperLabel, {}, "p/c.png", true},
        {form.ui->FirstWallpaperLabel, {}, "p/a.png", true},
        {form.ui->LastWallpaperLabel, {}, "p/c.png", true},
        {form.ui->IndexWallpaperLabel, "2", "p/b.png", true},
        {form.ui->IndexWallpaperLabel, "2", "p/b.png", false},
        {form.ui->IndexWallpaperLabel, "4", "p/b.png", false},
        {form.ui->IndexWallpaperLabel, std::nullopt, "p/b.png", false},
        {form.ui->RandomWallpaperLabel, {}, nullptr, true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.label->objectName().toStdString());
        input->answer = step.typed;
        const qsizetype calls = tools->calls.size();
        step.label->clicked();
        if (step.current != nullptr)
            EXPECT_EQ(form.CurrentFileTitle, (sandbox.Root() / step.current).string());
        else
            EXPECT_NE(IndexOfPicture(form.PictureList, form.CurrentFileTitle), -1);
        EXPECT_EQ(tools->calls.size() > calls, step.composed);
    }
    EXPECT_EQ(input->asked[0], "Input picture index|Input picture index|3");

    // A picture that cannot be loaded: the user learns why the wallpaper stayed.
    std::ofstream(sandbox.Root() / "p/d.png") << "no picture";
    form.LoadPictureFileNames();
    const std::string shown = ErrorReportShownBy([&] { form.ui->LastWallpaperLabel->clicked(); });
    EXPECT_TRUE(shown.starts_with("DESCRIPTION\nFailed to change wallpaper.")) << shown;

    // Without pictures only the commands that walk the list recompose the current picture.
    form.PictureList.clear();
    form.CurrentFileTitle = (sandbox.Root() / "p/a.png").string();
    const qsizetype calls = tools->calls.size();
    form.ui->FirstWallpaperLabel->clicked();
    form.ui->LastWallpaperLabel->clicked();
    form.ui->IndexWallpaperLabel->clicked();
    EXPECT_EQ(tools->calls.size(), calls);
    form.ui->NextWallpaperLabel->clicked();
    EXPECT_EQ(tools->calls.size(), calls + 1);
}

TEST_F(PictureCollectionTest, TheTrayMenuWalksThePicturesAsTheGeneralPageDoes) {
    for (const char* name : {"p/a.png", "p/b.png", "p/c.png"}) Picture(name);
    form.AddDirectory(Directory("p"), true, false);
    form.LoadPictureFileNames();
    // Every draw lands on the first picture: a random pick from a stays there, where the next
    // would be b and the previous c.
    ScopedService<RandomSource, FirstPictureDraws> draws;

    const std::pair<QAction*, const char*> steps[] = {
        {form.STP_NextWallpaperMenu, "p/a.png"},
        {form.STP_NextWallpaperMenu, "p/b.png"},
        {form.STP_PreviousWallpaperMenu, "p/a.png"},
        {form.STP_RandomWallpaperMenu, "p/a.png"},
    };
    for (const auto& [item, current] : steps) {
        SCOPED_TRACE(item->objectName().toStdString());
        const qsizetype calls = tools->calls.size();
        item->trigger();
        EXPECT_EQ(form.CurrentFileTitle, (sandbox.Root() / current).string());
        EXPECT_GT(tools->calls.size(), calls);
    }
}

TEST_F(PictureCollectionTest, FavouritesAreAddedUpToTwentyAndChosenToCompose) {
    form.ui->AddPictureToFavoritesLabel->clicked();
    EXPECT_EQ(form.Favorites.Count(), 0) << "no current picture, nothing added";
    const std::string picture = Picture("fav.png");
    form.CurrentFileTitle = picture;
    form.ui->AddPictureToFavoritesLabel->clicked();
    ASSERT_EQ(form.Favorites.Titles(), std::vector<std::string>{picture});

    form.CurrentFileTitle.clear();
    const qsizetype calls = tools->calls.size();
    form.Favorites.OnSelect(picture);
    EXPECT_EQ(form.CurrentFileTitle, picture);
    EXPECT_EQ(tools->calls.size(), calls + 1);

    for (int i = 1; i < 20; ++i) form.Favorites.Add("/p/" + std::to_string(i) + ".png");
    form.ui->AddPictureToFavoritesLabel->clicked();
    ASSERT_EQ(boxes->shown.size(), 1u) << "warned even for a picture that is a favourite";
    EXPECT_EQ(boxes->shown[0].text, "Can't add any more favorites.");
}
