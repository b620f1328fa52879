#include "MainDialog.h"

#include "File.h"
#include "Program.h"
#include "StoredTextList.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QCheckBox>
#include <QComboBox>

namespace {

constexpr int32_t kMaxDirectoryRows = TMainForm::MaxPictureDirectories;
// Monitor names are short (HDMI-A-1, DP-3, a RandR monitor's name).
constexpr size_t kMaxMonitorNameLength = 255;

}  // namespace

void TMainForm::ReadOptions(TStoredTextList& options) {
    m_optionsRead = true;
    options.ReadWindowPosition("Main", "XPos", "YPos", *this);
    options.ReadCheckBox("Main", "Autorun", *ui->AutorunCheckBox);
    options.ReadCheckBox("Main", "HideOnClose", *ui->HideOnCloseCheckBox);
    options.ReadComboBox("Main", "Hotkey", *ui->HotkeyComboBox, "W");
    HotkeyComboBoxChange();
    options.ReadComboBox("Main", "DesktopMargin", *ui->DesktopMarginComboBox, "20");

    options.ReadCheckBox("Wallpaper", "IsAutoChange", *ui->IsAutoChangeWallpaperCheckBox);
    options.ReadComboBox("Wallpaper", "AutoChangeInterval",
                         *ui->AutoChangeWallpaperIntervalComboBox, "1 hour");
    AutoChangeWallpaperIntervalComboBoxChange();
    options.ReadCheckBox("Wallpaper", "UseAutoChangeStartTime",
                         *ui->UseAutoChangeWallpaperStartTimeCheckBox);
    options.ReadComboBox("Wallpaper", "AutoChangeStartTime",
                         *ui->AutoChangeWallpaperStartTimeComboBox, "0");
    options.ReadCheckBox("Wallpaper", "IsRandomWallpaper", *ui->RandomWallpaperCheckBox);
    options.ReadReal("Wallpaper", "LastAutoChangeTime", LastAutoChangeTime);
    options.ReadText("Wallpaper", "LastFileTitle", kMaxPathLength, CurrentFileTitle, false);
    uint32_t filling = FillingPictureColor();
    options.ReadColor("Wallpaper", "FillingPictureColor", filling);
    SetFillingPictureColor(filling);
    options.ReadComboBox("Wallpaper", "PictureMinStretchSize", *ui->PictureMinStretchSizeComboBox,
                         "300");
    options.ReadComboBox("Wallpaper", "PictureMaxStretchSkew", *ui->PictureMaxStretchSkewComboBox,
                         "120");
    options.ReadCheckBox("Wallpaper", "FitAndCropPicture", *ui->FitAndCropCheckBox);
    options.ReadCheckBox("Wallpaper", "StretchPicture", *ui->StretchPictureCheckBox);
    options.ReadCheckBox("Wallpaper", "IsFitBeforeTilePicture", *ui->FitBeforeTileCheckBox);
    options.ReadCheckBox("Wallpaper", "IsTilePicture", *ui->IsTileCheckBox);
    options.ReadCheckBox("Wallpaper", "UsePictureNormalizeBrightness",
                         *ui->UsePictureNormalizeBrightnessCheckBox);
    options.ReadComboBox("Wallpaper", "PictureNormalizeBrightnessLevel",
                         *ui->PictureNormalizeBrightnessLevelComboBox, "50");
    options.ReadComboBox("Wallpaper", "PictureNormalizeBrightnessMethod",
                         *ui->PictureNormalizeBrightnessMethodComboBox, "Balanced scaling");
    options.ReadComboBox("Wallpaper", "GammaPicture", *ui->GammaPictureComboBox, "100");
    options.ReadComboBox("Wallpaper", "Monitors", *ui->MonitorsComboBox, "Each");

    options.ReadCheckBox("Calendar", "Show", *ui->ShowCalendarCheckBox);
    options.ReadRelativeRect("Calendar", "RectLeft", "RectTop", "RectWidth", "RectHeight",
                             CalendarRectLeft, CalendarRectTop, CalendarRectWidth,
                             CalendarRectHeight);
    options.ReadReal("Calendar", "LastRedrawTime", LastRedrawTime);
    options.ReadText("Calendar", "LastCalendarSkinName", kMaxPathLength, LastCalendarSkinName,
                     false);
    options.ReadText("Calendar", "Monitor", kMaxMonitorNameLength, CalendarMonitor, false);
    UpdateCalendarMonitorItems();

    ReadCalendarSkin(options);

    options.ReadCheckBox("BroadcastWallpaperChange", "IsAutoChange",
                         *ui->IsBroadcastWallpaperChangeCheckBox);
    options.ReadComboBox("BroadcastWallpaperChange", "AutoChangeInterval",
                         *ui->BroadcastWallpaperChangeIntervalComboBox, "1 hour");
    BroadcastWallpaperChangeIntervalComboBoxChange();
    options.ReadReal("BroadcastWallpaperChange", "LastAutoChangeTime", LastBroadcastTime);

    int32_t count = 0;
    options.ReadInteger("DirectoryList", "Count", 0, kMaxDirectoryRows, count);
    for (int32_t row = 0; row < count; ++row) {
        const std::string number = std::to_string(row);
        std::string path;
        bool active = false;
        bool recurs = false;
        options.ReadText("DirectoryList", "Title" + number, kMaxPathLength, path, false);
        options.ReadBool("DirectoryList", "Active" + number, active);
        options.ReadBool("DirectoryList", "Recurs" + number, recurs);
        AddDirectory(path, active, recurs);
    }
    if (ui->DirectoriesListBox->count() > 0) ui->DirectoriesListBox->setCurrentRow(0);

    Favorites.Load(options);
}

void TMainForm::WriteOptions(TStoredTextList& options) {
    // The file holds exactly what follows: keys added by hand do not survive.
    options.Clear();

    options.WriteWindowPosition("Main", "XPos", "YPos", *this);
    options.WriteCheckBox("Main", "Autorun", *ui->AutorunCheckBox);
    // One entry under the product's name, whichever name started the program (the package's
    // command is "tapestrel", an older entry's "Tapestrel"): switching Autorun off must remove
    // the entry that starts it.
    MakeLinkByStatus(GetStartupPath(), GetProgramPath(), "", "", true,
                     ui->AutorunCheckBox->isChecked(), ProductName);
    options.WriteCheckBox("Main", "HideOnClose", *ui->HideOnCloseCheckBox);
    options.WriteComboBox("Main", "Hotkey", *ui->HotkeyComboBox);
    options.WriteComboBox("Main", "DesktopMargin", *ui->DesktopMarginComboBox);

    options.WriteCheckBox("Wallpaper", "IsAutoChange", *ui->IsAutoChangeWallpaperCheckBox);
    options.WriteComboBox("Wallpaper", "AutoChangeInterval",
                          *ui->AutoChangeWallpaperIntervalComboBox);
    options.WriteCheckBox("Wallpaper", "UseAutoChangeStartTime",
                          *ui->UseAutoChangeWallpaperStartTimeCheckBox);
    options.WriteComboBox("Wallpaper", "AutoChangeStartTime",
                          *ui->AutoChangeWallpaperStartTimeComboBox);
    options.WriteCheckBox("Wallpaper", "IsRandomWallpaper", *ui->RandomWallpaperCheckBox);
    options.WriteReal("Wallpaper", "LastAutoChangeTime", LastAutoChangeTime);
    options.WriteText("Wallpaper", "LastFileTitle", CurrentFileTitle);
    options.WriteColor("Wallpaper", "FillingPictureColor", FillingPictureColor());
    options.WriteComboBox("Wallpaper", "PictureMinStretchSize", *ui->PictureMinStretchSizeComboBox);
    options.WriteComboBox("Wallpaper", "PictureMaxStretchSkew", *ui->PictureMaxStretchSkewComboBox);
    options.WriteCheckBox("Wallpaper", "FitAndCropPicture", *ui->FitAndCropCheckBox);
    options.WriteCheckBox("Wallpaper", "StretchPicture", *ui->StretchPictureCheckBox);
    options.WriteCheckBox("Wallpaper", "IsFitBeforeTilePicture", *ui->FitBeforeTileCheckBox);
    options.WriteCheckBox("Wallpaper", "IsTilePicture", *ui->IsTileCheckBox);
    options.WriteCheckBox("Wallpaper", "UsePictureNormalizeBrightness",
                          *ui->UsePictureNormalizeBrightnessCheckBox);
    options.WriteComboBox("Wallpaper", "PictureNormalizeBrightnessLevel",
                          *ui->PictureNormalizeBrightnessLevelComboBox);
    options.WriteComboBox("Wallpaper", "PictureNormalizeBrightnessMethod",
                          *ui->PictureNormalizeBrightnessMethodComboBox);
    options.WriteComboBox("Wallpaper", "GammaPicture", *ui->GammaPictureComboBox);
    options.WriteComboBox("Wallpaper", "Monitors", *ui->MonitorsComboBox);

    options.WriteCheckBox("Calendar", "Show", *ui->ShowCalendarCheckBox);
    options.WriteRelativeRect("Calendar", "RectLeft", "RectTop", "RectWidth", "RectHeight",
                              CalendarRectLeft, CalendarRectTop, CalendarRectWidth,
                              CalendarRectHeight);
    options.WriteReal("Calendar", "LastRedrawTime", LastRedrawTime);
    options.WriteText("Calendar", "LastCalendarSkinName", LastCalendarSkinName);
    options.WriteText("Calendar", "Monitor", CalendarMonitor);

    WriteCalendarSkin(options);

    options.WriteCheckBox("BroadcastWallpaperChange", "IsAutoChange",
                          *ui->IsBroadcastWallpaperChangeCheckBox);
    options.WriteComboBox("BroadcastWallpaperChange", "AutoChangeInterval",
                          *ui->BroadcastWallpaperChangeIntervalComboBox);
    options.WriteReal("BroadcastWallpaperChange", "LastAutoChangeTime", LastBroadcastTime);

    const int rows = ui->DirectoriesListBox->count();
    options.WriteInteger("DirectoryList", "Count", rows);
    for (int row = 0; row < rows; ++row) {
        const std::string number = std::to_string(row);
        options.WriteText("DirectoryList", "Title" + number, DirectoryPath(row));
        options.WriteBool("DirectoryList", "Active" + number,
                          (DirectoryFlags(row) & DirectoryActive) != 0);
        options.WriteBool("DirectoryList", "Recurs" + number,
                          (DirectoryFlags(row) & DirectoryRecurs) != 0);
    }

    Favorites.Save(options);
}

void TMainForm::ShowDirectoryPages() {
    ui->PageControl2->setCurrentWidget(ui->DirectoriesTabSheet);
    ui->PageControl->setCurrentWidget(ui->WallpaperTabSheet);
}
