#include "MainDialog.h"

#include "BitmapFile.h"
#include "BusyCursor.h"
#include "FileDialogs.h"
#include "FramePictures.h"
#include "LinkLabel.h"
#include "MyGDIPlus.h"
#include "Mytime.h"
#include "Screens.h"
#include "StatusScope.h"
#include "StoredTextList.h"
#include "TerminationSignals.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPainter>
#include <cerrno>

namespace {

constexpr std::chrono::milliseconds kBusyCursorDelay{500};
// How many pictures a monitor other than the primary tries before it shows the filling colour.
constexpr int kFollowingPictureAttempts = 3;
// The frame of a planned file that is the whole desktop put together from several frames.
constexpr size_t kWholeDesktop = static_cast<size_t>(-1);

// The files of one composition: the monitors' own where the desktop keeps a picture for each,
// else one for the whole desktop.
std::vector<TPlannedWallpaperFile> PlanWallpaperFiles(const TDesktopLayout& layout,
                                                      bool perMonitor) {
    std::vector<TPlannedWallpaperFile> files;
    if (perMonitor && layout.Groups.size() > 1) {
        for (size_t index = 0; index < layout.Groups.size(); ++index) {
            const TMonitorGroup& group = layout.Groups[index];
            const size_t frame = layout.Frames.size() == 1 ? 0 : index;
            const QRect area = layout.Frames[frame].Area;
            files.push_back(
                {MonitorWallpaperFileName(index == 0 ? QString() : group.Outputs.front()),
                 frame,
                 area == group.Area ? QRect() : group.Area.translated(-area.topLeft()),
                 {{}, group.Outputs, group.LogicalGeometries}});
        }
        return files;
    }
    TOutputPicture whole;
    for (const TMonitorGroup& group : layout.Groups) {
        whole.Outputs << group.Outputs;
        whole.Geometries << group.LogicalGeometries;
    }
    files.push_back(
        {kWallpaperFileName, layout.Frames.size() == 1 ? 0 : kWholeDesktop, QRect(), whole});
    return files;
}

}  // namespace

void TMainForm::ConnectWallpaperControls() {
    for (QComboBox* box : {ui->PictureMinStretchSizeComboBox, ui->PictureMaxStretchSkewComboBox,
                           ui->PictureNormalizeBrightnessLevelComboBox,
                           ui->PictureNormalizeBrightnessMethodComboBox, ui->GammaPictureComboBox})
        connect(box, &QComboBox::currentIndexChanged, this,
                &TMainForm::ReloadWallpaperOnParamChange);
    for (QCheckBox* box :
         {ui->StretchPictureCheckBox, ui->FitAndCropCheckBox, ui->FitBeforeTileCheckBox,
          ui->IsTileCheckBox, ui->UsePictureNormalizeBrightnessCheckBox})
        connect(box, &QCheckBox::toggled, this, &TMainForm::ReloadWallpaperOnParamChange);
    connect(ui->Label4, &TLinkLabel::clicked, this, &TMainForm::ReloadWallpaperOnParamChange);
    connect(ui->DesktopMarginComboBox, &QComboBox::currentIndexChanged, this,
            &TMainForm::RedrawWallpaperOnParamChange);
    connect(ui->UserWallpaperLabel, &TLinkLabel::clicked, this,
            &TMainForm::UserWallpaperLabelClick);

    // Black until the options say otherwise.
    SetFillingPictureColor(0);

    UpdateSkewLabel();
    UpdateNormFactorLabel();
}

uint32_t TMainForm::FillingPictureColor() const {
    return PanelColor(*ui->FillingPictureColorPanel);
}

void TMainForm::SetFillingPictureColor(uint32_t color) {
    // The options give this panel its hint too, not only its first colour command.
    SetPanelColorWithHint(*ui->FillingPictureColorPanel, color);
}

TDesktopLayout TMainForm::CurrentDesktopLayout() const {
    return LayOutDesktop(Monitors(),
                         MonitorsModeFromText(ui->MonitorsComboBox->currentText().toStdString()),
                         QString::fromStdString(CalendarMonitor));
}

void TMainForm::SetFileAsWallpaper(bool reload) {
    // The program changing its own controls, or a file that is no picture: nothing to compose,
    // and nothing touched.
    if (SuppressComposition || (Options && Options->Loading()) || CurrentFileTitle.empty() ||
        !HasListedExtension(CurrentFileTitle, &PictureExtensions)) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    const std::string directory = GetTempPath();
    // Our own wallpaper files as the picture would be a wallpaper of a wallpaper.
    if (IsWallpaperFile(CurrentFileTitle, directory)) {
        FunStatContext.Reset(fsPerfect);
        return;
    }

    TStatusScope scope("TMainForm::SetFileAsWallpaper");
    scope.Run([&] {
        // Without our private folder there is nowhere safe to write; its failure tells why.
        if (directory.empty()) {
            GetTempPath();
            scope.AdoptCalleeFailure();
        }
        UpdateCurrentPictureLabel();
        const TDesktopLayout layout = CurrentDesktopLayout();
        DesktopArea = GetDesktopArea(layout, ComboBoxToInt(*ui->DesktopMarginComboBox));
        DesktopPixelRatio = layout.CalendarPixelRatio;
        std::vector<TPlannedWallpaperFile> files =
            PlanWallpaperFiles(layout, WallpaperPerMonitor());
        // A write cut short by a kill leaves a temporary file the size of the wallpaper.
        for (const TPlannedWallpaperFile& file : files)
            RemoveLeftoverReplacements(directory + file.Name);
        // Monitors that came, went or changed size want pictures of their own.
        if (reload || DesktopWidth <= 0 || DesktopHeight <= 0 || FittedPicture.isNull() ||
            layout.Frames != ComposedLayout.Frames) {
            LoadFittedPictures(layout, directory, files);
            // The desktop keeps its wallpaper; the scheduler moves on from an empty title. A
            // picture that was only given up on stays the current one.
            if (FunStatContext.Failed() && !FunStatContext.GivenUp()) CurrentFileTitle.clear();
            scope.AdoptCalleeFailure();
        }
        ComposedLayout = layout;
        UpdateSkewLabel();
        UpdateNormFactorLabel();

        // The calendar goes on a copy, so that the fitted picture stays clean for redraws.
        WallpaperBitmap = FittedPictureOf(static_cast<size_t>(layout.CalendarFrame)).copy();
        SetInfoOnPicture();
        scope.AdoptCalleeFailure();
        InstallWallpaperFiles(directory, files);
        scope.AdoptCalleeFailure();
    });
    WallpaperBitmap = QImage();
}

const QImage& TMainForm::FittedPictureOf(size_t frame) const {
    return frame == 0 ? FittedPicture : OtherFittedPictures.at(frame - 1);
}

void TMainForm::LoadFittedPictures(const TDesktopLayout& layout, const std::string& directory,
                                   std::vector<TPlannedWallpaperFile>& files) {
    TPictureEffects effects;
    effects.NormalizeBrightness = ui->UsePictureNormalizeBrightnessCheckBox->isChecked();
    effects.NormalizeMethod =
        ui->PictureNormalizeBrightnessMethodComboBox->currentText().toStdString();
    effects.NormalizeLevel = ComboBoxToInt(*ui->PictureNormalizeBrightnessLevelComboBox) / 100.0;
    effects.Gamma = ComboBoxToInt(*ui->GammaPictureComboBox);
    TResizeRules rules;
    rules.Tile = ui->IsTileCheckBox->isChecked();
    rules.FitBeforeTile = ui->FitBeforeTileCheckBox->isChecked();
    rules.Stretch = ui->StretchPictureCheckBox->isChecked();
    rules.FitAndCrop = ui->FitAndCropCheckBox->isChecked();
    rules.MaxStretchSkew = ComboBoxToInt(*ui->PictureMaxStretchSkewComboBox) / 100.0;
    rules.MinStretchSize = ComboBoxToInt(*ui->PictureMinStretchSizeComboBox);

    // The other monitors show the pictures after the current one; one that cannot be loaded gives
    // way to the picture that monitor would show next.
    std::vector<TFramePictureJob> jobs;
    for (const TWallpaperFrame& frame : layout.Frames) {
        TFramePictureJob& job = jobs.emplace_back();
        job.Rules = rules;
        job.Rules.DesktopWidth = frame.Area.width();
        job.Rules.DesktopHeight = frame.Area.height();
        if (frame.PictureStep == 0 || PictureList.empty()) {
            job.Candidates.push_back(CurrentFileTitle);
            continue;
        }
        for (int attempt = 0; attempt < kFollowingPictureAttempts; ++attempt)
            job.Candidates.push_back(FollowingPicture(
                PictureList, CurrentIndex, frame.PictureStep + attempt * layout.Pictures()));
    }
    // A monitor's own file with no calendar on it is written as soon as its picture is ready,
    // while the others still load. The primary's waits: its outcome is the composition's.
    for (TPlannedWallpaperFile& file : files) {
        if (file.Frame == 0 || file.Frame >= jobs.size() || !file.Part.isNull() ||
            file.Frame == static_cast<size_t>(layout.CalendarFrame))
            continue;
        jobs[file.Frame].Loaded = [path = directory + file.Name](TFramePicture& picture) {
            WriteBitmapFile(picture.Bitmap, path);
        };
    }
    const QRect primary = layout.Frames.front().Area;
    DesktopWidth = primary.width();
    DesktopHeight = primary.height();
    FittedPicture = QImage();
    OtherFittedPictures.clear();

    // A long decode shows that the program is busy, and gives way when the program is asked to
    // end.
    TBusyCursorAfter busy(kBusyCursorDelay);
    TDecodeLimits limits;
    limits.Progress = [&busy] {
        busy.Poll();
        return !TerminationSignals::Arrived();
    };
    std::vector<TFramePicture> pictures =
        LoadFramePictures(jobs, FillingPictureColor(), effects, limits,
                          [] { return !TerminationSignals::Arrived(); });
    CurrentSkew = pictures.front().Skew;
    AppliedNormalizationFactor = pictures.front().Factor;
    FunStatContext = pictures.front().Outcome;
    if (FunStatContext.Failed()) return;
    for (TPlannedWallpaperFile& file : files)
        if (jobs.size() > file.Frame && jobs[file.Frame].Loaded)
            file.Written = !pictures[file.Frame].Outcome.Failed();
    FittedPicture = std::move(pictures.front().Bitmap);
    for (size_t i = 1; i < pictures.size(); ++i) {
        QImage& fitted = OtherFittedPictures.emplace_back(std::move(pictures[i].Bitmap));
        // Not one picture of the list would do: the monitor shows the filling colour.
        if (fitted.isNull()) {
            fitted = QImage(layout.Frames[i].Area.size(), QImage::Format_ARGB32);
            fitted.fill(FillingRgb(FillingPictureColor()));
        }
    }
}

void TMainForm::InstallWallpaperFiles(const std::string& directory,
                                      const std::vector<TPlannedWallpaperFile>& files) {
    TStatusScope scope("TMainForm::InstallWallpaperFiles");
    scope.Run([&] {
        const TDesktopLayout& layout = ComposedLayout;
        auto frameBitmap = [&](size_t frame) -> const QImage& {
            return frame == static_cast<size_t>(layout.CalendarFrame) ? WallpaperBitmap
                                                                      : FittedPictureOf(frame);
        };
        // The bitmaps made here only for a file live as long as the writes.
        std::vector<TBitmapFileJob> writes;
        std::vector<QImage> made;
        made.reserve(files.size());
        std::vector<TOutputPicture> pictures;
        for (const TPlannedWallpaperFile& file : files) {
            TOutputPicture picture = file.Monitors;
            picture.Path = file.Name;
            pictures.push_back(std::move(picture));
            if (file.Written) continue;
            const QImage* bitmap = nullptr;
            if (file.Frame == kWholeDesktop) {
                // What no monitor shows is the filling colour.
                QImage& desktop = made.emplace_back(layout.Desktop, QImage::Format_ARGB32);
                desktop.fill(FillingRgb(FillingPictureColor()));
                QPainter painter(&desktop);
                painter.setCompositionMode(QPainter::CompositionMode_Source);
                for (size_t frame = 0; frame < layout.Frames.size(); ++frame)
                    painter.drawImage(layout.Frames[frame].Area.topLeft(), frameBitmap(frame));
                bitmap = &desktop;
            } else if (!file.Part.isNull()) {
                bitmap = &made.emplace_back(frameBitmap(file.Frame).copy(file.Part));
            } else {
                bitmap = &frameBitmap(file.Frame);
            }
            writes.push_back({bitmap, directory + file.Name});
            // The root window takes the pixels at hand rather than reading the file back.
            pictures.back().Pixels = *bitmap;
        }
        // A desktop that shows the pixels has them before the files are written, which is all
        // the screen waits for; the files still come in the same change.
        const bool pixelsFirst = writes.size() == files.size() && WallpaperFromPixels();
        if (pixelsFirst) {
            SetFilesAsWallpaper(pictures);
            scope.KeepCalleeFailure();
        }
        WriteBitmapFiles(writes);
        scope.AdoptCalleeFailure();
        if (pixelsFirst) return;
        // What the desktop takes from here on are the files, or the pixels the pictures share.
        made.clear();
        WallpaperBitmap = QImage();
        SetFilesAsWallpaper(std::move(pictures));
        scope.AdoptCalleeFailure();
    });
}

void TMainForm::SetInfoOnPicture() {
    TStatusScope scope("TMainForm::SetInfoOnPicture");
    scope.Run([&] {
        QPainter canvas(&WallpaperBitmap);
        canvas.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                              QPainter::SmoothPixmapTransform);
        PaintCalendar(canvas);
    });
}

void TMainForm::ReloadWallpaperOnParamChange() {
    SetFileAsWallpaper(true);
}

void TMainForm::RedrawWallpaperOnParamChange() {
    SetFileAsWallpaper(false);
}

void TMainForm::UserWallpaperLabelClick() {
    TStatusScope scope("TMainForm::UserWallpaperLabelClick");
    scope.Run([&] {
        const auto chosen = FileDialogs::Instance().ChooseFileToOpen(
            CurrentFileTitle, "Picture files|" + PictureFilter, {});
        if (!chosen) return;
        SetCurrentPicture(-1, *chosen);
        SetFileAsWallpaper(true);
        scope.AdoptCalleeFailure();
    });
    scope.ShowFailure("Failed to load picture file.");
}

void TMainForm::UpdateSkewLabel() {
    ui->CurrentSkewLabel->setText(FittedPicture.isNull()
                                      ? QStringLiteral("(No current skew available)")
                                      : QStringLiteral("(Current full skew %1%)")
                                            .arg(static_cast<qlonglong>(CurrentSkew * 100)));
}

void TMainForm::UpdateNormFactorLabel() {
    ui->PictureAppliedNormFactorLabel->setText(
        FittedPicture.isNull()
            ? QStringLiteral("(No applied normalization factor)")
            : QStringLiteral("(Applied normalization factor %1)")
                  .arg(static_cast<qlonglong>(AppliedNormalizationFactor * 100)));
}
