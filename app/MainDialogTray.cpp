#include "MainDialog.h"

#include <QActionGroup>

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

    STP_CloseMenu->setEnabled(true);
    connect(STP_CloseMenu, &QAction::triggered, this, &TMainForm::STP_CloseMenuClick);
    STP_AddPicturesDirectoryMenu->setEnabled(true);
    connect(STP_AddPicturesDirectoryMenu, &QAction::triggered, this,
            &TMainForm::STP_AddPicturesDirectoryMenuClick);
}

void TMainForm::STP_CloseMenuClick() {
    CloseProgramLabelClick();
}
