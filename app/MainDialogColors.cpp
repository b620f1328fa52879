#include "MainDialog.h"

#include "ColorDialog.h"
#include "StockColors.h"
#include "Utilities.h"
#include "ui_MainDialog.h"

#include <QApplication>
#include <QColorDialog>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <algorithm>

namespace {

// A drag carries the object name of the panel it started from.
const QString kPanelMimeType = QStringLiteral("application/x-tapestrel-color-panel");

// These colours only suit their own text, so other panels' colours are not dropped on them.
constexpr const char* kDragOnlyPanels[] = {
    "CalendarTextShadowColorPanel", "CalendarYearTextColorPanel", "CalendarMonthTextColorPanel"};

}  // namespace

void TMainForm::ConnectColorPanels() {
    for (const auto& [key, control] : m_skinControls) {
        if (control->property("Tag").isNull()) continue;
        const std::string name = control->objectName().toStdString();
        control->setAcceptDrops(std::ranges::none_of(
            kDragOnlyPanels, [&](const char* dragOnly) { return name == dragOnly; }));
        m_colorPanels.push_back(control);
    }
    m_colorPanels.push_back(ui->FillingPictureColorPanel);
    for (QWidget* panel : m_colorPanels) panel->installEventFilter(this);
}

bool TMainForm::ColorPanelEvent(QWidget& panel, QEvent& event) {
    switch (event.type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            const auto& mouse = static_cast<const QMouseEvent&>(event);
            m_editedPanel = &panel;
            m_editedReload = &panel == ui->FillingPictureColorPanel;
            if (mouse.button() == Qt::LeftButton && event.type() == QEvent::MouseButtonPress) {
                m_dragStart = mouse.position().toPoint();
                return true;
            }
            if (EditPanelColor(panel, mouse.button())) SetFileAsWallpaper(m_editedReload);
            return true;
        }
        case QEvent::MouseMove: {
            const auto& mouse = static_cast<const QMouseEvent&>(event);
            if (!(mouse.buttons() & Qt::LeftButton) ||
                (mouse.position().toPoint() - m_dragStart).manhattanLength() <
                    QApplication::startDragDistance())
                return false;
            auto* carried = new QMimeData;
            carried->setData(kPanelMimeType, panel.objectName().toUtf8());
            auto* drag = new QDrag(&panel);
            drag->setMimeData(carried);
            drag->exec(Qt::CopyAction);
            return true;
        }
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto& drag = static_cast<QDragMoveEvent&>(event);
            const QMimeData* carried = drag.mimeData();
            if (carried->hasFormat(kPanelMimeType) &&
                QString::fromUtf8(carried->data(kPanelMimeType)) != panel.objectName())
                drag.acceptProposedAction();
            else
                drag.ignore();
            return true;
        }
        case QEvent::Drop: {
            auto& drop = static_cast<QDropEvent&>(event);
            const auto* source =
                findChild<QWidget*>(QString::fromUtf8(drop.mimeData()->data(kPanelMimeType)));
            if (source == nullptr || source == &panel) return false;
            SetPanelColor(panel, PanelColor(*source));
            drop.acceptProposedAction();
            SetFileAsWallpaper(false);
            return true;
        }
        default:
            return false;
    }
}

bool TMainForm::EditPanelColor(QWidget& panel, Qt::MouseButton button) {
    uint32_t color = PanelColor(panel);
    switch (button) {
        case Qt::LeftButton:
            if (!ColorFormDialog(color, [this](uint32_t live) {
                    SetPanelColorWithHint(*m_editedPanel, live);
                    SetFileAsWallpaper(m_editedReload);
                }))
                return false;
            break;
        case Qt::RightButton: {
            const QColor chosen =
                QColorDialog::getColor(panel.palette().color(QPalette::Window), this);
            if (!chosen.isValid()) return false;
            color = static_cast<uint32_t>(chosen.red()) |
                    static_cast<uint32_t>(chosen.green()) << 8 |
                    static_cast<uint32_t>(chosen.blue()) << 16;
            break;
        }
        case Qt::MiddleButton:
            color = static_cast<uint32_t>(panel.property("Tag").toInt());
            break;
        default:
            return false;
    }
    SetPanelColorWithHint(panel, color);
    return true;
}

void TMainForm::SetPanelColorWithHint(QWidget& panel, uint32_t color) {
    SetPanelColor(panel, color);
    panel.setToolTip(QString::fromStdString(
        StockColorName(color) + ColorHintText(color) +
        ". (Double) Left click a color to open the stock-color dialog. Right click it to open the "
        "color dialog. Middle click it to set the default color."));
}
