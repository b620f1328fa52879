#include "MainDialog.h"

#include "CalendarPainting.h"
#include "Fonts.h"
#include "LinkLabel.h"
#include "Mytime.h"
#include "QtText.h"
#include "Screens.h"
#include "StatusScope.h"
#include "StoredTextList.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>

namespace {

constexpr const char* kSkinSection = "CalendarSkin";

// Two columns of rows on each page, below what the page already shows.
constexpr int kColumnWidth = 210;
constexpr int kLabelWidth = 118;
constexpr int kControlWidth = 82;
constexpr int kRowPitch = 22;
constexpr int kControlHeight = 20;

}  // namespace

void TMainForm::BuildCalendarPages() {
    const std::vector<std::string> fonts = InstalledFontFamilies();
    std::map<std::string, std::vector<const TSkinParameter*>> pages;
    for (const TSkinParameter& parameter : CalendarSkinParameters)
        pages[parameter.Page].push_back(&parameter);

    for (const auto& [pageName, parameters] : pages) {
        auto* page = findChild<QWidget*>(QString::fromUtf8(pageName));
        // "Show on wallpaper" stands at the top of the first page.
        const int top = page == ui->CalendarGeneralTabSheet ? 35 : 10;
        const size_t perColumn = (parameters.size() + 1) / 2;
        for (size_t index = 0; index < parameters.size(); ++index) {
            const TSkinParameter& parameter = *parameters[index];
            const int x = 10 + static_cast<int>(index / perColumn) * kColumnWidth;
            const int y = top + static_cast<int>(index % perColumn) * kRowPitch;
            QWidget* control = nullptr;
            if (parameter.Kind == TSkinKind::Flag) {
                auto* box = new QCheckBox(QString::fromUtf8(parameter.Caption), page);
                box->setGeometry(x, y, kColumnWidth - 5, kControlHeight);
                connect(box, &QCheckBox::toggled, this, &TMainForm::RedrawWallpaperOnParamChange);
                control = box;
            } else {
                auto* label = new QLabel(QString::fromUtf8(parameter.Caption), page);
                label->setGeometry(x, y, kLabelWidth, kControlHeight);
                if (parameter.Kind == TSkinKind::List) {
                    auto* box = new QComboBox(page);
                    for (const std::string& item : SkinListItems(parameter.List, fonts))
                        box->addItem(ToQString(item));
                    box->setGeometry(x + kLabelWidth, y, kControlWidth, kControlHeight);
                    connect(box, &QComboBox::currentIndexChanged, this,
                            &TMainForm::RedrawWallpaperOnParamChange);
                    control = box;
                } else {
                    auto* panel = new QFrame(page);
                    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
                    panel->setGeometry(x + kLabelWidth, y, 40, kControlHeight);
                    panel->setProperty("Tag", static_cast<int>(parameter.FactoryColor));
                    control = panel;
                }
            }
            control->setObjectName(QString::fromStdString(SkinControlName(parameter)));
            m_skinControls[parameter.Key] = control;
        }
    }

    auto* defaultSkin = new TLinkLabel(ui->CalendarGeneralTabSheet);
    defaultSkin->setObjectName(QStringLiteral("CalendarDefaultSkinLabel"));
    defaultSkin->setText(QStringLiteral("Default skin"));
    defaultSkin->setGeometry(10, 265, 150, 15);
    connect(defaultSkin, &TLinkLabel::clicked, this, &TMainForm::CalendarDefaultSkinLabelClick);
    ApplyDefaultSkin();
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
                if (LoadFullSkin)
                    list.ReadComboBox(kSkinSection, parameter.Key, static_cast<QComboBox&>(control),
                                      parameter.Default);
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
                           PrimaryScreenPixelRatio());
        CalendarRectLeft = place.Left;
        CalendarRectTop = place.Top;
        CalendarRectWidth = place.Width;
        CalendarRectHeight = place.Height;
    });
    // Also after a failure: the scheduler would otherwise try again at every tick.
    LastRedrawTime = DateTimeNow();
}
