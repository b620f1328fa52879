#include "Error.h"
#include "ErrorForm.h"
#include "MainDialog.h"
#include "Mytime.h"
#include "PowerStatus.h"
#include "Program.h"
#include "QtText.h"
#include "SessionBroadcast.h"
#include "StatusViewer.h"
#include "TestSupport.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QImage>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class SwitchedPower : public PowerStatus {
public:
    bool IsOnMainsPower() override { return onMains; }
    bool onMains = true;
};

// Each post with the value other programs would read at that moment.
class RecordingBroadcast : public SessionBroadcast {
public:
    uint32_t RegisterMessage(const std::string&) override { return 7; }
    void Post(uint32_t message, const std::string& path) override {
        posts.push_back(std::to_string(message) + "|" + path + "|" +
                        GetUserRegistryText(ProductName, "", TMainForm::BroadcastValueName));
    }
    std::vector<std::string> posts;
};

QDateTime At(int day, const char* time) {
    return QDateTime(QDate(2026, 12, day), QTime::fromString(time, "HH:mm:ss"));
}

// The main window's tick with the clock, the power and the broadcast in the test's hands, over a
// directory of three pictures.
class SchedulerTest : public ::testing::Test {
protected:
    SchedulerTest() {
        SetProgramCommandLine({"Tapestrel"});
        setenv("XDG_CURRENT_DESKTOP", "sway", 1);
        for (const char* name : {"a.png", "b.png", "c.png"}) {
            QImage picture(QSize(32, 24), QImage::Format_RGB32);
            picture.fill(Qt::darkCyan);
            picture.save(QString::fromStdString(Picture(name)));
        }
        form.SuppressComposition = false;
        form.AddDirectory((sandbox.Root() / "p").string(), true, false);
        form.LoadPictureFileNames();
        FunStatContext.Reset(fsPerfect);
    }

    std::string Picture(const std::string& name) {
        fs::create_directories(sandbox.Root() / "p");
        return (sandbox.Root() / "p" / name).string();
    }

    // Ticks at that moment; answers how many times the desktop was given a wallpaper.
    qsizetype TickAt(const QDateTime& moment) {
        clock->now = moment;
        const qsizetype before = tools->calls.size();
        form.TimerTimer();
        return tools->calls.size() - before;
    }

    SandBox sandbox;
    ScopedMessageBoxes boxes;
    ScopedTrayHost tray;
    ScopedDesktopTools tools;
    ScopedClock clock{At(7, "10:00:00")};
    ScopedService<PowerStatus, SwitchedPower> power;
    ScopedService<SessionBroadcast, RecordingBroadcast> broadcast;
    TMainForm form;
};

}  // namespace

TEST_F(SchedulerTest, OnBatteryNothingHappensAndOnMainsEverythingDueHappensOnce) {
    power->onMains = false;
    EXPECT_EQ(TickAt(At(8, "09:00:00")), 0);
    EXPECT_EQ(form.CurrentFileTitle, "");
    EXPECT_TRUE(broadcast->posts.empty());

    // No picture yet: the first tick on mains takes one, whatever the schedule says, and
    // publishes one for other programs.
    power->onMains = true;
    EXPECT_EQ(TickAt(At(8, "09:00:00")), 1);
    EXPECT_EQ(form.CurrentFileTitle, Picture("a.png"));
    ASSERT_EQ(broadcast->posts.size(), 1u);
    const std::string published =
        broadcast->posts[0].substr(2, broadcast->posts[0].find('|', 2) - 2);
    EXPECT_EQ(broadcast->posts[0], "7|" + published + "|" + published);
    EXPECT_EQ(form.CurrentFileTitle, Picture("a.png")) << "the broadcast keeps the wallpaper";

    EXPECT_EQ(TickAt(At(8, "09:59:59")), 0);
    EXPECT_EQ(TickAt(At(8, "10:00:00")), 1);
    EXPECT_EQ(form.CurrentFileTitle, Picture("b.png"));
    EXPECT_EQ(broadcast->posts.size(), 2u);

    // From 8 o'clock on whole two hours only, and never before it.
    form.ui->UseAutoChangeWallpaperStartTimeCheckBox->setChecked(true);
    form.ui->AutoChangeWallpaperStartTimeComboBox->setCurrentText("8");
    form.ui->AutoChangeWallpaperIntervalComboBox->setCurrentText("2 hours");
    EXPECT_EQ(TickAt(At(9, "07:30:00")), 1) << "only the calendar's new day";
    EXPECT_EQ(form.CurrentFileTitle, Picture("b.png"));
    EXPECT_EQ(TickAt(At(9, "08:00:01")), 1);
    EXPECT_EQ(form.CurrentFileTitle, Picture("c.png"));
    EXPECT_EQ(TickAt(At(9, "09:59:59")), 0);
}

TEST_F(SchedulerTest, ANewDayRedrawsTheFittedPictureOnlyOnMains) {
    form.ui->IsAutoChangeWallpaperCheckBox->setChecked(false);
    form.ui->IsBroadcastWallpaperChangeCheckBox->setChecked(false);
    clock->now = At(7, "23:00:00");
    form.ui->FirstWallpaperLabel->clicked();
    ASSERT_EQ(tools->calls.size(), 1);
    EXPECT_EQ(TickAt(At(7, "23:59:59")), 0);

    // Without the file a reload would fail: the new day's wallpaper is the fitted picture again.
    fs::remove(Picture("a.png"));
    power->onMains = false;
    EXPECT_EQ(TickAt(At(8, "00:00:01")), 0);
    power->onMains = true;
    EXPECT_EQ(TickAt(At(8, "00:00:02")), 1);
    EXPECT_EQ(form.CurrentFileTitle, Picture("a.png"));
    EXPECT_EQ(TickAt(At(8, "00:00:03")), 0);
    EXPECT_TRUE(broadcast->posts.empty());
}

// The reports shown, each as its description and report.
class RecordingViewer final : public TStatusViewer {
public:
    RecordingViewer() { SetStatusViewer(this); }
    ~RecordingViewer() override { SetStatusViewer(&ErrorWindowViewer()); }
    bool ShowReport(std::string_view, std::string_view description, std::string_view report,
                    bool*) override {
        shown.push_back(std::string(description) + "\n" + std::string(report));
        return true;
    }
    int RecursionCounter() const override { return 0; }

    std::vector<std::string> shown;
};

TEST_F(SchedulerTest, ADesktopThatRefusesTheChangeIsToldOnceUntilAChangeSucceeds) {
    RecordingViewer viewer;
    form.ui->IsBroadcastWallpaperChangeCheckBox->setChecked(false);
    tools->answers["swaymsg"] = {EIO, {}, "swaymsg: Unable to connect"};
    TickAt(At(8, "09:00:00"));
    ASSERT_EQ(viewer.shown.size(), 1u);
    EXPECT_TRUE(viewer.shown[0].starts_with("Failed to change wallpaper.")) << viewer.shown[0];
    EXPECT_NE(viewer.shown[0].find("swaymsg: Unable to connect"), std::string::npos);
    EXPECT_EQ(TickAt(At(8, "10:00:00")), 1);
    EXPECT_EQ(viewer.shown.size(), 1u) << "the same failure again";

    // A picture that cannot be loaded is passed over without a word.
    tools->answers.clear();
    std::ofstream(Picture("c.png"), std::ios::trunc) << "no picture";
    TickAt(At(8, "11:00:00"));
    EXPECT_EQ(form.CurrentFileTitle, "");
    EXPECT_EQ(TickAt(At(8, "11:00:01")), 1);
    EXPECT_EQ(form.CurrentFileTitle, Picture("a.png"));
    EXPECT_EQ(viewer.shown.size(), 1u);

    tools->answers["swaymsg"] = {EIO, {}, "swaymsg: Unable to connect"};
    TickAt(At(8, "12:30:00"));
    EXPECT_EQ(viewer.shown.size(), 2u) << "told again after a change succeeded";
}

TEST_F(SchedulerTest, TheBroadcastIsOfferedOnlyWhileTheCheckBoxIsOn) {
    form.ui->IsBroadcastWallpaperChangeCheckBox->setChecked(false);
    form.ui->Label6->clicked();
    ASSERT_EQ(broadcast->posts.size(), 1u) << "the label broadcasts whatever the check box says";
    EXPECT_NE(GetUserRegistryText(ProductName, "", TMainForm::BroadcastValueName), "");
    EXPECT_EQ(form.LastBroadcastTime, ToDateTime(At(7, "10:00:00")));

    form.ui->IsBroadcastWallpaperChangeCheckBox->setChecked(true);
    form.ui->IsBroadcastWallpaperChangeCheckBox->setChecked(false);
    EXPECT_EQ(GetUserRegistryText(ProductName, "", TMainForm::BroadcastValueName), "");
}

TEST_F(SchedulerTest, APathThatIsNotUtf8IsPublishedAsAFileAddressThatViewPictureOpens) {
    const std::string picture = Picture("sea \xff.png");
    fs::copy_file(Picture("a.png"), picture);
    form.PictureList = {picture};
    form.ui->Label6->clicked();
    const std::string published = EncodedFileUrl(picture).toStdString();
    ASSERT_EQ(broadcast->posts.size(), 1u);
    EXPECT_EQ(broadcast->posts[0], "7|" + published + "|" + published);

    ScopedUrlOpener opener;
    form.ui->Label27->clicked();
    ASSERT_EQ(opener->opened.size(), 1u);
    EXPECT_EQ(opener->opened[0].toEncoded().toStdString(), published);
}
