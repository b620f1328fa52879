#include "MainDialog.h"

#include "CalendarPainting.h"
#include "Desktoppositiondialog.h"
#include "FileDialogs.h"
#include "FileDirectories.h"
#include "Fonts.h"
#include "LinkLabel.h"
#include "Mydialogs.h"
#include "Mytime.h"
#include "Program.h"
#include "QtText.h"
#include "Screens.h"
#include "StatusScope.h"
#include "StoredTextList.h"
#include "Text.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <sys/stat.h>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QSignalBlocker>
#include <QTabWidget>
#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>

namespace {

constexpr const char* kSkinSection = "CalendarSkin";
constexpr const char* kSkinFilter = "Skins (*.tps)|*.tps";

// A chosen name without an extension is a skin file all the same.
std::string WithSkinExtension(const std::string& file) {
    return GetFileExtension(GetFileNameOnly(file)).empty() ? file + ".tps" : file;
}

// Selects the font of that name; one the system lacks joins the list, so that the skin keeps the
// user's choice (drawn meanwhile in the system's substitute) until the font is installed.
void SelectFontItem(QComboBox& comboBox, std::string_view name) {
    SelectComboBoxItem(comboBox, name, {});
    if (SameText(ToBytes(comboBox.currentText()), name)) return;
    comboBox.addItem(ToQString(name));
    comboBox.setCurrentIndex(comboBox.count() - 1);
}

// Two columns of rows on each page, below what the page already shows. Captions and controls
// get at least these widths, more where a caption's text needs it.
constexpr int kColumnGap = 10;
constexpr int kLabelWidth = 118;
constexpr int kCaptionGap = 6;
constexpr int kControlWidth = 82;
constexpr int kPanelWidth = 40;
constexpr int kRowPitch = 22;
constexpr int kControlHeight = 20;
// The calendar's tab widget frames its pages by a few pixels on each side.
constexpr int kPageFrame = 8;

// A row of a calendar page: a check box alone, or a caption and its control.
struct TSkinRow {
    QWidget* Caption;
    QWidget* Control;
};

// Places a column's rows from x and answers its width.
int PlaceColumn(const std::vector<TSkinRow>& rows, int x, int top) {
    int labelWidth = kLabelWidth;
    for (const TSkinRow& row : rows)
        if (row.Control)
            labelWidth = std::max(labelWidth, row.Caption->sizeHint().width() + kCaptionGap);
    int width = labelWidth + kControlWidth;
    for (const TSkinRow& row : rows)
        if (!row.Control) width = std::max(width, row.Caption->sizeHint().width());
    int y = top;
    for (const TSkinRow& row : rows) {
        if (row.Control) {
            row.Caption->setGeometry(x, y, labelWidth, kControlHeight);
            const int controlWidth =
                qobject_cast<QComboBox*>(row.Control) ? kControlWidth : kPanelWidth;
            row.Control->setGeometry(x + labelWidth, y, controlWidth, kControlHeight);
        } else {
            row.Caption->setGeometry(x, y, width, kControlHeight);
        }
        y += kRowPitch;
    }
    return width;
}

}  // namespace

void TMainForm::BuildCalendarPages() {
    const std::vector<std::string> fonts = InstalledFontFamilies();
    std::map<std::string, std::vector<const TSkinParameter*>> pages;
    for (const TSkinParameter& parameter : CalendarSkinParameters)
        pages[parameter.Page].push_back(&parameter);

    int widest = 0;
    for (const auto& [pageName, parameters] : pages) {
        auto* page = findChild<QWidget*>(QString::fromUtf8(pageName));
        // "Show on wallpaper" stands at the top of the first page.
        const int top = page == ui->CalendarGeneralTabSheet ? 35 : 10;
        const size_t perColumn = (parameters.size() + 1) / 2;
        std::array<std::vector<TSkinRow>, 2> columns;
        for (size_t index = 0; index < parameters.size(); ++index) {
            const TSkinParameter& parameter = *parameters[index];
            TSkinRow row{nullptr, nullptr};
            if (parameter.Kind == TSkinKind::Flag) {
                auto* box = new QCheckBox(QString::fromUtf8(parameter.Caption), page);
                connect(box, &QCheckBox::toggled, this, &TMainForm::RedrawWallpaperOnParamChange);
                row.Caption = box;
            } else {
                row.Caption = new QLabel(QString::fromUtf8(parameter.Caption), page);
                if (parameter.Kind == TSkinKind::List) {
                    auto* box = new QComboBox(page);
                    for (const std::string& item : SkinListItems(parameter.List, fonts))
                        box->addItem(ToQString(item));
                    connect(box, &QComboBox::currentIndexChanged, this,
                            &TMainForm::RedrawWallpaperOnParamChange);
                    row.Control = box;
                } else {
                    auto* panel = new QFrame(page);
                    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                    panel->setProperty("Tag", static_cast<int>(parameter.FactoryColor));
                    row.Control = panel;
                }
            }
            QWidget* control = row.Control ? row.Control : row.Caption;
            control->setObjectName(QString::fromStdString(SkinControlName(parameter)));
            m_skinControls[parameter.Key] = control;
            columns[index / perColumn].push_back(row);
        }
        const int second = 10 + PlaceColumn(columns[0], 10, top) + kColumnGap;
        widest = std::max(widest, second + PlaceColumn(columns[1], second, top) + 10);
    }
    // Captions longer than the designed window allows widen it, every page alike.
    const int grow = std::max(0, widest - (ui->PageControl1->width() - kPageFrame));
    if (grow > 0) {
        for (QTabWidget* tabs : {ui->PageControl, ui->PageControl1, ui->PageControl2})
            tabs->resize(tabs->width() + grow, tabs->height());
        setFixedSize(width() + grow, height());
    }

    auto* defaultSkin = new TLinkLabel(ui->CalendarGeneralTabSheet);
    defaultSkin->setObjectName(QStringLiteral("CalendarDefaultSkinLabel"));
    defaultSkin->setText(QStringLiteral("Default skin"));
    defaultSkin->setGeometry(10, 265, 90, 15);
    connect(defaultSkin, &TLinkLabel::clicked, this, &TMainForm::CalendarDefaultSkinLabelClick);
    auto* position = new TLinkLabel(ui->CalendarGeneralTabSheet);
    position->setObjectName(QStringLiteral("CalendarSetDesktopPositionLabel"));
    position->setText(QStringLiteral("Set position on wallpaper"));
    position->setGeometry(10, 245, position->sizeHint().width(), 15);
    connect(position, &TLinkLabel::clicked, this, &TMainForm::CalendarSetDesktopPositionLabelClick);
    auto* monitorLabel = new QLabel(QStringLiteral("on monitor"), ui->CalendarGeneralTabSheet);
    // Beside the position it chooses the monitor for, however wide the font makes that.
    monitorLabel->adjustSize();
    monitorLabel->move(position->geometry().right() + 8, 245);
    CalendarMonitorComboBox = new QComboBox(ui->CalendarGeneralTabSheet);
    CalendarMonitorComboBox->setObjectName(QStringLiteral("CalendarMonitorComboBox"));
    CalendarMonitorComboBox->setGeometry(monitorLabel->geometry().right() + 6, 242, 150, 21);
    CalendarMonitorComboBox->setToolTip(
        QStringLiteral("The monitor whose wallpaper shows the calendar"));
    monitorLabel->setBuddy(CalendarMonitorComboBox);
    connect(CalendarMonitorComboBox, &QComboBox::currentIndexChanged, this, [this] {
        CalendarMonitor = CalendarMonitorComboBox->currentText().toStdString();
        RedrawWallpaperOnParamChange();
    });
    UpdateCalendarMonitorItems();
    struct TSkinCommand {
        const char* Name;
        const char* Caption;
        int X;
        void (TMainForm::*Handler)();
    };
    for (const TSkinCommand& command :
         {TSkinCommand{"CalendarLoadSkinLabel", "Load skin", 110,
                       &TMainForm::CalendarLoadSkinLabelClick},
          TSkinCommand{"CalendarLoadSkinColorsLabel", "Load skin colors", 200,
                       &TMainForm::CalendarLoadSkinColorsLabelClick},
          TSkinCommand{"CalendarSaveSkinLabel", "Save skin", 320,
                       &TMainForm::CalendarSaveSkinLabelClick}}) {
        auto* label = new TLinkLabel(ui->CalendarGeneralTabSheet);
        label->setObjectName(QString::fromUtf8(command.Name));
        label->setText(QString::fromUtf8(command.Caption));
        label->setGeometry(command.X, 265, 100, 15);
        connect(label, &TLinkLabel::clicked, this, command.Handler);
    }
    SkinList.OnLoad = [this](TStoredTextList& list, bool) {
        ReadCalendarSkin(list);
    };
    SkinList.OnSave = [this](TStoredTextList& list, bool) {
        WriteCalendarSkin(list);
    };
    PrepareCalendarSkins(GetCalendarSkinsPath(), GetSharedFilePath("CalendarSkins"));
    ApplyDefaultSkin();
}

void TMainForm::UpdateCalendarMonitorItems() {
    const QSignalBlocker quiet(CalendarMonitorComboBox);
    CalendarMonitorComboBox->clear();
    CalendarMonitorComboBox->addItem(QStringLiteral("Primary"));
    for (const TMonitor& monitor : Monitors()) CalendarMonitorComboBox->addItem(monitor.Name);
    // A monitor that is away now keeps the calendar's place for when it comes back.
    const QString chosen = QString::fromStdString(CalendarMonitor);
    if (CalendarMonitorComboBox->findText(chosen) < 0) CalendarMonitorComboBox->addItem(chosen);
    CalendarMonitorComboBox->setCurrentText(chosen);
}

QWidget& TMainForm::SkinControl(const char* key) const {
    return *m_skinControls.at(key);
}

QCheckBox& TMainForm::SkinCheckBox(const char* key) const {
    return static_cast<QCheckBox&>(SkinControl(key));
}

void TMainForm::ApplyDefaultSkin() {
    for (const TSkinParameter& parameter : CalendarSkinParameters) {
        QWidget& control = SkinControl(parameter.Key);
        switch (parameter.Kind) {
            case TSkinKind::List:
                if (parameter.List == TSkinList::Fonts)
                    SelectFontItem(static_cast<QComboBox&>(control), parameter.Default);
                else
                    SelectComboBoxItem(static_cast<QComboBox&>(control), parameter.Default, "");
                break;
            case TSkinKind::Flag:
                static_cast<QCheckBox&>(control).setChecked(TextToBool(parameter.Default));
                break;
            case TSkinKind::Color:
                SetPanelColor(control, parameter.FactoryColor);
                break;
        }
    }
}

void TMainForm::CalendarDefaultSkinLabelClick() {
    // One composition for all the changes.
    SuppressComposition = true;
    ApplyDefaultSkin();
    SuppressComposition = false;
    SetFileAsWallpaper(false);
}

void TMainForm::CalendarSetDesktopPositionLabelClick() {
    if (!ui->ShowCalendarCheckBox->isChecked()) {
        ShowWarning("The calendar is not displayed on the wallpaper.");
        return;
    }
    if (DesktopPositionForm->SelectDesktopPosition(
            CalendarRectLeft, CalendarRectTop, ComboBoxToInt(*ui->DesktopMarginComboBox),
            CurrentCalendarSkin().Int("OvalBackEccentricity") / 100.0,
            SkinCheckBox("OvalBack").isChecked(), CalendarRectHeight, CalendarRectWidth,
            QString::fromStdString(CalendarMonitor)))
        SetFileAsWallpaper(false);
}

TCalendarSkin TMainForm::CurrentCalendarSkin() const {
    TCalendarSkin skin;
    for (const TSkinParameter& parameter : CalendarSkinParameters) {
        const QWidget& control = SkinControl(parameter.Key);
        switch (parameter.Kind) {
            case TSkinKind::List:
                skin.Set(parameter.Key,
                         ToBytes(static_cast<const QComboBox&>(control).currentText()));
                break;
            case TSkinKind::Flag:
                skin.Set(parameter.Key,
                         BoolToText(static_cast<const QCheckBox&>(control).isChecked()));
                break;
            case TSkinKind::Color:
                skin.Set(parameter.Key, std::to_string(static_cast<int32_t>(PanelColor(control))));
                break;
        }
    }
    return skin;
}

void TMainForm::ReadCalendarSkin(TStoredTextList& list) {
    for (const TSkinParameter& parameter : CalendarSkinParameters) {
        QWidget& control = SkinControl(parameter.Key);
        switch (parameter.Kind) {
            case TSkinKind::List:
                if (!LoadFullSkin) break;
                if (parameter.List == TSkinList::Fonts) {
                    const std::string name =
                        list.ReadValue(kSkinSection, parameter.Key).value_or(std::string());
                    SelectFontItem(static_cast<QComboBox&>(control),
                                   name.empty() ? std::string(parameter.Default) : name);
                } else {
                    list.ReadComboBox(kSkinSection, parameter.Key, static_cast<QComboBox&>(control),
                                      parameter.Default);
                }
                break;
            case TSkinKind::Flag:
                if (LoadFullSkin)
                    list.ReadCheckBox(kSkinSection, parameter.Key,
                                      static_cast<QCheckBox&>(control));
                break;
            case TSkinKind::Color:
                list.ReadControlColor(kSkinSection, parameter.Key, control);
                break;
        }
    }
}

void TMainForm::WriteCalendarSkin(TStoredTextList& list) {
    for (const TSkinParameter& parameter : CalendarSkinParameters) {
        const QWidget& control = SkinControl(parameter.Key);
        switch (parameter.Kind) {
            case TSkinKind::List:
                list.WriteComboBox(kSkinSection, parameter.Key,
                                   static_cast<const QComboBox&>(control));
                break;
            case TSkinKind::Flag:
                list.WriteCheckBox(kSkinSection, parameter.Key,
                                   static_cast<const QCheckBox&>(control));
                break;
            case TSkinKind::Color:
                list.WriteControlColor(kSkinSection, parameter.Key, control);
                break;
        }
    }
}

void TMainForm::PaintCalendar(QPainter& canvas) {
    if (!ui->ShowCalendarCheckBox->isChecked()) return;
    TStatusScope scope("TMainForm::PaintCalendar");
    scope.Run([&] {
        TGraphics graphics{canvas};
        TRelativeRect place{CalendarRectLeft, CalendarRectTop, CalendarRectWidth,
                            CalendarRectHeight};
        PaintMonthCalendar(graphics, CurrentCalendarSkin(), DateTimeNow(), DesktopArea, place,
                           DesktopPixelRatio);
        CalendarRectLeft = place.Left;
        CalendarRectTop = place.Top;
        CalendarRectWidth = place.Width;
        CalendarRectHeight = place.Height;
    });
    // Also after a failure: the scheduler would otherwise try again at every tick.
    LastRedrawTime = DateTimeNow();
}

std::string TMainForm::GetCalendarSkinsPath() {
    return GetProgramDataDirectory() + "/CalendarSkins";
}

void TMainForm::PrepareCalendarSkins(const std::string& skins, const std::string& shipped) {
    if (skins == shipped) return;
    // An existing directory is the user's and stays as it is, but for the empty one that earlier
    // versions left, whose copy copied nothing. Without a directory only skin files cannot be
    // saved.
    std::error_code unknown;
    if (mkdir(skins.c_str(), 0755) != 0 &&
        !(errno == EEXIST &&
          std::filesystem::is_directory(std::filesystem::symlink_status(skins, unknown)) &&
          std::filesystem::is_empty(skins, unknown) && !unknown))
        return;
    // A new directory of the user's own starts with the skins that come with the program, the
    // folders among them. Being new or empty, it holds nothing of the user's that the copy could
    // replace; a file that fails is reported, and the rest are copied all the same.
    CopyDeleteDirectory(shipped, skins, true);
    // Shown already; the window's construction goes on regardless.
    FunStatContext.Reset(fsPerfect);
}

void TMainForm::LoadCalendarSkin(bool full) {
    TStatusScope scope("TMainForm::LoadCalendarSkin");
    scope.Run([&] {
        LoadFullSkin = full;
        const auto chosen = FileDialogs::Instance().ChooseFileToOpen(
            SkinFileSuggestion(), kSkinFilter,
            full ? "Load calendar skin" : "Load calendar colors");
        if (!chosen) return;
        const std::string file = WithSkinExtension(*chosen);
        LastCalendarSkinName = GetFileNameWithoutExtension(GetFileNameOnly(file));
        SuppressComposition = true;
        SkinList.LoadFrom(file);
        SuppressComposition = false;
        SetFileAsWallpaper(false);
    });
    SuppressComposition = false;
}

void TMainForm::SaveCalendarSkin() {
    TStatusScope scope("TMainForm::SaveCalendarSkin");
    scope.Run([&] {
        const auto chosen =
            FileDialogs::Instance().ChooseFileToSave(SkinFileSuggestion(), kSkinFilter);
        if (!chosen) return;
        const std::string file = WithSkinExtension(*chosen);
        LastCalendarSkinName = GetFileNameWithoutExtension(GetFileNameOnly(file));
        SkinList.SaveAs(file, false);
    });
}

std::string TMainForm::SkinFileSuggestion() {
    if (LastCalendarSkinName.empty()) LastCalendarSkinName = "*";
    return GetCalendarSkinsPath() + "/" + LastCalendarSkinName + ".tps";
}

void TMainForm::CalendarLoadSkinLabelClick() {
    LoadCalendarSkin(true);
}

void TMainForm::CalendarLoadSkinColorsLabelClick() {
    LoadCalendarSkin(false);
}

void TMainForm::CalendarSaveSkinLabelClick() {
    SaveCalendarSkin();
}
