#include "MainDialog.h"

#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>

namespace {

QAction* AddMenuItem(QMenu& menu, const char* name, const char* caption) {
    QAction* item = menu.addAction(QString::fromUtf8(caption));
    item->setObjectName(QString::fromUtf8(name));
    // An item gets a handler when its command works; until then it is shown disabled rather
    // than doing nothing when chosen.
    item->setEnabled(false);
    return item;
}

}  // namespace

void TMainForm::BuildSystemTrayPopupMenu() {
    SystemTrayPopupMenu.setObjectName(QStringLiteral("SystemTrayPopupMenu"));
    QMenu& menu = SystemTrayPopupMenu;

    STP_NextWallpaperMenu = AddMenuItem(menu, "STP_NextWallpaperMenu", "Next picture");
    STP_PreviousWallpaperMenu = AddMenuItem(menu, "STP_PreviousWallpaperMenu", "Previous picture");
    STP_RandomWallpaperMenu = AddMenuItem(menu, "STP_RandomWallpaperMenu", "Random picture");
    menu.addSeparator();
    STP_CloseMenu = AddMenuItem(menu, "STP_CloseMenu", "Close");
    menu.addSeparator();
    STP_AddPicturesDirectoryMenu =
        AddMenuItem(menu, "STP_AddPicturesDirectoryMenu", "Add pictures directory");
    menu.addSeparator();
    STP_VisibleCalendarMenu = AddMenuItem(menu, "STP_VisibleCalendarMenu", "Visible calendar");
    STP_VisibleCalendarMenu->setCheckable(true);
    STP_VisibleCalendarBackMenu =
        AddMenuItem(menu, "STP_VisibleCalendarBackMenu", "Visible background");
    STP_VisibleCalendarBackMenu->setCheckable(true);
    STP_SetCalendarPositionMenu =
        AddMenuItem(menu, "STP_SetCalendarPositionMenu", "Set calendar position");
    STP_LoadCalendarSkinMenu = AddMenuItem(menu, "STP_LoadCalendarSkinMenu", "Load calendar skin");
    STP_LoadCalendarSkinColorsMenu =
        AddMenuItem(menu, "STP_LoadCalendarSkinColorsMenu", "Load calendar colors");
    menu.addSeparator();

    STP_NormalizeBrightnessMenu = menu.addMenu(QStringLiteral("Normalize brightness"));
    STP_NormalizeBrightnessMenu->setObjectName(QStringLiteral("STP_NormalizeBrightnessMenu"));
    STP_NormalizeBrightnessGroup = new QActionGroup(STP_NormalizeBrightnessMenu);
    auto addLevel = [this](const char* name, const char* caption, int tag) {
        QAction* item = AddMenuItem(*STP_NormalizeBrightnessMenu, name, caption);
        item->setCheckable(true);
        item->setData(tag);
        STP_NormalizeBrightnessGroup->addAction(item);
    };
    addLevel("STP_NormalizeBrightness_NoneMenu", "None", 0);
    STP_NormalizeBrightnessMenu->addSeparator();
    for (const char* level : {"80", "70", "60", "50", "40", "30", "25", "20", "15", "10"}) {
        const std::string name = std::string("STP_NormalizeBrightness") + level + "Menu";
        addLevel(name.c_str(), level, std::stoi(level));
    }

    auto handle = [this](QAction* item, void (TMainForm::*handler)()) {
        item->setEnabled(true);
        connect(item, &QAction::triggered, this, handler);
    };
    handle(STP_NextWallpaperMenu, &TMainForm::NextWallpaperLabelClick);
    handle(STP_PreviousWallpaperMenu, &TMainForm::PreviousWallpaperLabelClick);
    handle(STP_RandomWallpaperMenu, &TMainForm::RandomWallpaperLabelClick);
    handle(STP_CloseMenu, &TMainForm::STP_CloseMenuClick);
    handle(STP_AddPicturesDirectoryMenu, &TMainForm::STP_AddPicturesDirectoryMenuClick);
    handle(STP_VisibleCalendarMenu, &TMainForm::STP_VisibleCalendarMenuClick);
    handle(STP_VisibleCalendarBackMenu, &TMainForm::STP_VisibleCalendarBackMenuClick);
    handle(STP_LoadCalendarSkinMenu, &TMainForm::CalendarLoadSkinLabelClick);
    handle(STP_LoadCalendarSkinColorsMenu, &TMainForm::CalendarLoadSkinColorsLabelClick);
    handle(STP_SetCalendarPositionMenu, &TMainForm::CalendarSetDesktopPositionLabelClick);
    for (QAction* level : STP_NormalizeBrightnessGroup->actions()) {
        level->setEnabled(true);
        connect(level, &QAction::triggered, this,
                [this, level] { STP_NormalizeBrightnessMenuClick(*level); });
    }
    // Also as a StatusNotifierItem host opens the menu's copy on the bus: Qt passes the host's
    // AboutToShow on, and the changed checks back.
    connect(&SystemTrayPopupMenu, &QMenu::aboutToShow, this, &TMainForm::SystemTrayPopupMenuPopup);
}

void TMainForm::SystemTrayPopupMenuPopup() {
    STP_VisibleCalendarMenu->setChecked(ui->ShowCalendarCheckBox->isChecked());
    STP_VisibleCalendarBackMenu->setChecked(SkinCheckBox("ShowBack").isChecked());
    QAction* level = FindMenuItemByTag(*STP_NormalizeBrightnessMenu,
                                       ComboBoxToInt(*ui->PictureNormalizeBrightnessLevelComboBox));
    if (level == nullptr || !ui->UsePictureNormalizeBrightnessCheckBox->isChecked())
        level = FindMenuItemByTag(*STP_NormalizeBrightnessMenu, 0);
    level->setChecked(true);
}

void TMainForm::STP_VisibleCalendarMenuClick() {
    // The check box's own handler recomposes.
    ui->ShowCalendarCheckBox->toggle();
}

void TMainForm::STP_VisibleCalendarBackMenuClick() {
    SkinCheckBox("ShowBack").toggle();
}

void TMainForm::STP_NormalizeBrightnessMenuClick(const QAction& item) {
    const int level = item.data().toInt();
    if (level == 0) {
        // Recomposes through the check box's handler, and only when it changes.
        ui->UsePictureNormalizeBrightnessCheckBox->setChecked(false);
        return;
    }
    if (level < 1) return;
    // One composition for the two changes.
    SuppressComposition = true;
    ui->UsePictureNormalizeBrightnessCheckBox->setChecked(true);
    SelectComboBoxItem(*ui->PictureNormalizeBrightnessLevelComboBox, std::to_string(level), "");
    SuppressComposition = false;
    SetFileAsWallpaper(true);
}

void TMainForm::STP_CloseMenuClick() {
    CloseProgramLabelClick();
}
