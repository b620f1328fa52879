#include "MainDialog.h"

#include "BitmapFile.h"
#include "BusyCursor.h"
#include "FileDialogs.h"
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

constexpr const char* kWallpaperFileName = "Tapestrel_Wallpaper.bmp";
constexpr std::chrono::milliseconds kBusyCursorDelay{500};

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

void TMainForm::SetFileAsWallpaper(bool reload) {
    // The program changing its own controls, or a file that is no picture: nothing to compose,
    // and nothing touched.
    if (SuppressComposition || (Options && Options->Loading()) || CurrentFileTitle.empty() ||
        !HasListedExtension(CurrentFileTitle, &PictureExtensions)) {
        FunStatContext.Reset(fsPerfect);
        return;
    }
    const std::string directory = GetTempPath();
    const std::string wallpaperFile = directory + kWallpaperFileName;
    // Our own wallpaper file as the picture would be a wallpaper of a wallpaper.
    if (CurrentFileTitle == wallpaperFile) {
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
        DesktopArea = GetDesktopArea(ComboBoxToInt(*ui->DesktopMarginComboBox));
        DesktopPixelRatio = PrimaryScreenPixelRatio();
        if (reload || DesktopWidth <= 0 || DesktopHeight <= 0 || FittedPicture.isNull()) {
            const QRect screen = PrimaryScreenGeometry();
            DesktopWidth = screen.width();
            DesktopHeight = screen.height();
            FittedPicture = QImage();

            TPictureEffects effects;
            effects.NormalizeBrightness = ui->UsePictureNormalizeBrightnessCheckBox->isChecked();
            effects.NormalizeMethod =
                ui->PictureNormalizeBrightnessMethodComboBox->currentText().toStdString();
            effects.NormalizeLevel =
                ComboBoxToInt(*ui->PictureNormalizeBrightnessLevelComboBox) / 100.0;
            effects.Gamma = ComboBoxToInt(*ui->GammaPictureComboBox);
            TResizeRules rules;
            rules.Tile = ui->IsTileCheckBox->isChecked();
            rules.FitBeforeTile = ui->FitBeforeTileCheckBox->isChecked();
            rules.Stretch = ui->StretchPictureCheckBox->isChecked();
            rules.FitAndCrop = ui->FitAndCropCheckBox->isChecked();
            rules.MaxStretchSkew = ComboBoxToInt(*ui->PictureMaxStretchSkewComboBox) / 100.0;
            rules.MinStretchSize = ComboBoxToInt(*ui->PictureMinStretchSizeComboBox);
            rules.DesktopWidth = DesktopWidth;
            rules.DesktopHeight = DesktopHeight;

            // A long decode shows that the program is busy, and gives way when the program is
            // asked to end.
            TBusyCursorAfter busy(kBusyCursorDelay);
            TDecodeLimits limits;
            limits.Progress = [&busy] {
                busy.Poll();
                return !TerminationSignals::Arrived();
            };
            LoadTilePictureToBitmap(CurrentFileTitle, FittedPicture, FillingPictureColor(),
                                    &CurrentSkew, &AppliedNormalizationFactor, effects, rules,
                                    limits);
            // The desktop keeps its wallpaper; the scheduler moves on from an empty title. A
            // picture that was only given up on stays the current one.
            if (FunStatContext.Failed() && !FunStatContext.GivenUp()) CurrentFileTitle.clear();
            scope.AdoptCalleeFailure();
        }
        UpdateSkewLabel();
        UpdateNormFactorLabel();

        // The calendar goes on a copy, so that the fitted picture stays clean for redraws.
        WallpaperBitmap = FittedPicture.copy();
        SetInfoOnPicture();
        scope.AdoptCalleeFailure();
        // A write cut short by a kill leaves a temporary file the size of the wallpaper.
        RemoveLeftoverReplacements(wallpaperFile);
        WriteBitmapFile(WallpaperBitmap, wallpaperFile);
        scope.AdoptCalleeFailure();
        ::SetFileAsWallpaper(kWallpaperFileName);
        scope.AdoptCalleeFailure();
    });
    WallpaperBitmap = QImage();
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
