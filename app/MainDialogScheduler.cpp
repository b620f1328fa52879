#include "MainDialog.h"

#include "Myrandom.h"
#include "Mytime.h"
#include "Pointer.h"
#include "PowerStatus.h"
#include "QtText.h"
#include "StatusScope.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <cmath>

namespace {

constexpr const char* kIntervalItems[] = {
    "1 minute", "5 minutes", "15 minutes", "30 minutes", "1 hour", "2 hours", "3 hours",
    "6 hours",  "12 hours",  "20 hours",   "1 day",      "2 days", "3 days",  "1 week"};
constexpr const char* kDefaultInterval = "1 hour";

}  // namespace

void TMainForm::ConnectSchedulerControls() {
    for (const char* item : kIntervalItems) {
        ui->AutoChangeWallpaperIntervalComboBox->addItem(item);
        // Other programs need not change every minute.
        if (item != kIntervalItems[0]) ui->BroadcastWallpaperChangeIntervalComboBox->addItem(item);
    }
    for (int hour = 0; hour < 24; ++hour)
        ui->AutoChangeWallpaperStartTimeComboBox->addItem(QString::number(hour));
    ui->AutoChangeWallpaperIntervalComboBox->setCurrentText(kDefaultInterval);
    ui->BroadcastWallpaperChangeIntervalComboBox->setCurrentText(kDefaultInterval);
    AutoChangeWallpaperIntervalComboBoxChange();
    BroadcastWallpaperChangeIntervalComboBoxChange();

    for (QComboBox* box :
         {ui->AutoChangeWallpaperIntervalComboBox, ui->AutoChangeWallpaperStartTimeComboBox})
        connect(box, &QComboBox::currentIndexChanged, this,
                &TMainForm::AutoChangeWallpaperIntervalComboBoxChange);
    connect(ui->BroadcastWallpaperChangeIntervalComboBox, &QComboBox::currentIndexChanged, this,
            &TMainForm::BroadcastWallpaperChangeIntervalComboBoxChange);
    connect(ui->ShowCalendarCheckBox, &QCheckBox::toggled, this,
            &TMainForm::RedrawWallpaperOnParamChange);
    connect(&Timer, &QTimer::timeout, this, &TMainForm::TimerTimer);
}

void TMainForm::AutoChangeWallpaperIntervalComboBoxChange() {
    AutoChangeIntervalSeconds =
        IntervalTextToSeconds(ToBytes(ui->AutoChangeWallpaperIntervalComboBox->currentText()));
}

void TMainForm::BroadcastWallpaperChangeIntervalComboBoxChange() {
    BroadcastIntervalSeconds =
        IntervalTextToSeconds(ToBytes(ui->BroadcastWallpaperChangeIntervalComboBox->currentText()));
}

bool TMainForm::IsScheduleDue(double intervalSeconds, double lastTime, double now) const {
    std::optional<int> startHour;
    if (ui->UseAutoChangeWallpaperStartTimeCheckBox->isChecked())
        startHour = TextToInt(ToBytes(ui->AutoChangeWallpaperStartTimeComboBox->currentText()));
    return ::IsScheduleDue(intervalSeconds, lastTime, now, startHour);
}

void TMainForm::TimerTimer() {
    TStatusScope scope("TMainForm::TimerTimer");
    scope.Run([&] {
        // On battery nothing is changed, recomposed or broadcast.
        if (!PowerStatus::Instance().IsOnMainsPower()) return;
        if (const auto position = CursorPosition()) Random.Stir(position->x(), position->y());
        const double now = DateTimeNow();
        bool advanced = false;
        bool compose = false;
        if (ui->IsAutoChangeWallpaperCheckBox->isChecked() && !PictureList.empty() &&
            (IsScheduleDue(AutoChangeIntervalSeconds, LastAutoChangeTime, now) ||
             CurrentFileTitle.empty())) {
            AdvancePicture(TPickDirection::Next, ui->RandomWallpaperCheckBox->isChecked());
            advanced = true;
            compose = true;
        }
        // The calendar on the wallpaper shows today.
        if (ui->ShowCalendarCheckBox->isChecked() && std::trunc(LastRedrawTime) != std::trunc(now))
            compose = true;
        if (ui->IsBroadcastWallpaperChangeCheckBox->isChecked() && !PictureList.empty() &&
            IsScheduleDue(BroadcastIntervalSeconds, LastBroadcastTime, now))
            BroadcastPicture();
        if (compose) ComposeUnattended(advanced);
    });
}

void TMainForm::ComposeUnattended(bool reload) {
    TStatusScope scope("TMainForm::ComposeUnattended");
    std::string failure;
    scope.Run([&] {
        SetFileAsWallpaper(reload);
        failure = FunStatContext.Function + "|" + FunStatContext.Description + "|" +
                  std::to_string(FunStatContext.SystemErrorCode);
        scope.AdoptCalleeFailure();
    });
    if (!scope.Failed()) {
        m_unattendedFailure.clear();
        return;
    }
    // A desktop that takes no wallpaper, or a disk that is full, must not go unnoticed; but the
    // same report at every change would only be in the way. A picture that could not be loaded
    // is passed over: the next tick takes another.
    if (CurrentFileTitle.empty() || failure == m_unattendedFailure) return;
    m_unattendedFailure = failure;
    scope.ShowFailure("Failed to change wallpaper.");
}
