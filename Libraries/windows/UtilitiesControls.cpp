#include "Mydialogs.h"
#include "QtText.h"
#include "StatusScope.h"
#include "Text.h"
#include "Utilities.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionFocusRect>
#include <limits>

int32_t GetIntFromComboBox(QComboBox& comboBox, int32_t minimum, int32_t maximum,
                           int32_t defaultValue) {
    TStatusScope scope("GetIntFromComboBox");
    int32_t value = defaultValue;
    if (!ReadIntWithinLimits(scope, ToBytes(comboBox.currentText()), minimum, maximum, defaultValue,
                             value)) {
        ShowWarning("Integer value outside limits.\nIt will be set to default.\n    * Minimum = " +
                    std::to_string(minimum) + "\n    * Maximum = " + std::to_string(maximum) +
                    "\n    * Default = " + std::to_string(defaultValue));
        SetControlFocus(&comboBox);
        comboBox.setCurrentText(QString::number(defaultValue));
    }
    return value;
}

int32_t ComboBoxToInt(QComboBox& comboBox) {
    return GetIntFromComboBox(comboBox, std::numeric_limits<int32_t>::min(),
                              std::numeric_limits<int32_t>::max(), 0);
}

int GetFontHeight(const QFont& font, const QWidget* control) {
    TStatusScope scope("GetFontHeight");
    int height = 0;
    scope.Run([&] {
        if (control == nullptr) scope.Raise("Failed to get device context.");
        height = QFontMetrics(font, control).height();
    });
    return height;
}

void SetControlFocus(QWidget* control) {
    if (control != nullptr) control->setFocus(Qt::OtherFocusReason);
}

void SelectComboBoxItem(QComboBox& comboBox, std::string_view text, std::string_view fallback) {
    auto find = [&comboBox](std::string_view wanted) {
        if (wanted.empty()) return -1;
        for (int index = 0; index < comboBox.count(); ++index)
            if (SameText(ToBytes(comboBox.itemText(index)), wanted)) return index;
        return -1;
    };
    int index = find(text.empty() ? fallback : text);
    if (index < 0) index = find(fallback);
    comboBox.setCurrentIndex(index < 0 ? 0 : index);
}

void RefreshListBoxSelection(QListWidget& listBox) {
    const int row = listBox.currentRow();
    listBox.setCurrentRow(-1);
    listBox.setCurrentRow(row);
}

int SelectListBoxItemAt(QListWidget& listBox, int x, int y) {
    QListWidgetItem* item = listBox.itemAt(x, y);
    if (item == nullptr) {
        RefreshListBoxSelection(listBox);
        return -1;
    }
    const int row = listBox.row(item);
    listBox.setCurrentRow(row);
    return row;
}

QAction* FindMenuItemByTag(const QMenu& menu, int tag) {
    for (QAction* item : menu.actions()) {
        bool isNumber = false;
        if (!item->isSeparator() && item->data().toInt(&isNumber) == tag && isNumber) return item;
    }
    return nullptr;
}

void SetPanelColor(QWidget& panel, uint32_t color) {
    QPalette palette = panel.palette();
    palette.setColor(QPalette::Window,
                     QColor(static_cast<int>(color & 0xFF), static_cast<int>(color >> 8 & 0xFF),
                            static_cast<int>(color >> 16 & 0xFF)));
    panel.setPalette(palette);
    panel.setAutoFillBackground(true);
}

uint32_t PanelColor(const QWidget& panel) {
    const QColor color = panel.palette().color(QPalette::Window);
    return static_cast<uint32_t>(color.red()) | static_cast<uint32_t>(color.green()) << 8 |
           static_cast<uint32_t>(color.blue()) << 16;
}

void DrawListBoxFocus(const QWidget& listBox, QPainter& canvas, bool selected, bool focused,
                      const QRect& rect) {
    if (!selected || !focused) return;
    QStyleOptionFocusRect option;
    option.initFrom(&listBox);
    option.rect = rect;
    option.state |= QStyle::State_HasFocus | QStyle::State_Selected;
    listBox.style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &canvas, &listBox);
}

namespace {

int ToQtTextFlags(unsigned format) {
    int flags = (format & DT_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    flags |= (format & DT_VCENTER) ? Qt::AlignVCenter : Qt::AlignTop;
    if (format & DT_SINGLELINE) flags |= Qt::TextSingleLine;
    if (format & DT_WORDBREAK) flags |= Qt::TextWordWrap;
    return flags;
}

}  // namespace

void DrawTextInRect(std::string_view text, QPainter& canvas, bool transparent, const QRect& rect,
                    unsigned format, bool centreHorizontally, bool centreVertically, int* width,
                    int* height) {
    if (width != nullptr) *width = 0;
    if (height != nullptr) *height = 0;
    if (text.empty()) return;
    const bool measuring = width != nullptr || height != nullptr;

    if (format == 0) format = DT_WORDBREAK;
    if (centreHorizontally) format |= DT_CENTER;
    if (centreVertically) format |= DT_VCENTER;

    QString shown = ToQString(text);
    // A path keeps its start and its file name; the middle gives way.
    if (format & DT_PATH_ELLIPSIS)
        shown = canvas.fontMetrics().elidedText(shown, Qt::ElideMiddle, rect.width());

    QRect target = rect;
    if (centreHorizontally || centreVertically || measuring) {
        const QRect measured =
            canvas.boundingRect(rect, ToQtTextFlags(format & ~DT_VCENTER), shown);
        if (measuring) {
            if (width != nullptr) *width = measured.width();
            if (height != nullptr) *height = measured.height();
            return;
        }
        if (measured.width() > rect.width()) format &= ~DT_CENTER;
        if (measured.height() < rect.height()) {
            const int shift = (rect.height() - measured.height()) / 2;
            target.adjust(0, shift, 0, -shift);
        }
    }

    if (!transparent) canvas.fillRect(rect, canvas.brush());
    canvas.drawText(target, ToQtTextFlags(format), shown);
}
