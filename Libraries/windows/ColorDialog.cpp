#include "ColorDialog.h"

#include "FormStyle.h"
#include "StatusScope.h"
#include "StockColors.h"
#include "Utilities.h"

#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <cmath>

namespace {

constexpr int kColumns = 12;

}  // namespace

TColorForm::TColorForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Stock colors"));
    resize(420, 490);
    MakeFixedWindow(*this);
    StockColorsBox = new QGroupBox(QStringLiteral("Stock colors"), this);
    StockColorsBox->setObjectName(QStringLiteral("StockColorsBox"));
    StockColorsBox->setGeometry(5, 5, 410, 440);
    ColorsPanel = new QFrame(StockColorsBox);
    ColorsPanel->setObjectName(QStringLiteral("ColorsPanel"));
    ColorsPanel->setGeometry(5, 20, 400, 350);
    RemarkLabel = new QLabel(
        QStringLiteral("Click a color to select it and close the dialog. [RMB] to select the "
                       "color and keep the dialog open. [MMB] to clip the hint of the color."),
        StockColorsBox);
    RemarkLabel->setObjectName(QStringLiteral("RemarkLabel"));
    RemarkLabel->setGeometry(10, 380, 390, 45);
    RemarkLabel->setWordWrap(true);
    CancelButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(175, 455, 75, 25);
    // Escape rejects a QDialog by itself.
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
}

void TColorForm::BuildColorGrid() {
    const QRect client = ColorsPanel->contentsRect();
    const int cellW = (client.width() - 10) / kColumns;
    const int cellH = (client.height() - 10) / kColumns;
    for (int k = 0; k < static_cast<int>(Cells.size()); ++k) {
        // The old cell may be the one whose click asked for this build.
        if (Cells[k]) {
            Cells[k]->hide();
            Cells[k]->deleteLater();
        }
        const bool stock = k < static_cast<int>(StockColorTable.size());
        const TStockColor& entry = StockColorTable[stock ? k : 0];
        auto* cell = new QFrame(ColorsPanel);
        cell->setFrameStyle(QFrame::Box | QFrame::Plain);
        cell->setLineWidth(1);
        SetPanelColor(*cell, entry.Color);
        cell->setToolTip(QString::fromUtf8(entry.Name + ColorHintText(entry.Color)));
        const int left = k % kColumns * cellW + 5;
        const int top = k / kColumns * cellH + 5;
        if (entry.Color == CurrentColor)
            cell->setGeometry(left, top, static_cast<int>(std::trunc(cellW * 0.75 - 2)),
                              static_cast<int>(std::trunc(cellH * 0.75 - 2)));
        else
            cell->setGeometry(left, top, cellW - 2, cellH - 2);
        cell->installEventFilter(this);
        cell->show();
        Cells[k] = cell;
    }
}

bool TColorForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        for (int k = 0; k < static_cast<int>(Cells.size()); ++k)
            if (Cells[k] == watched) {
                CellClick(k, static_cast<const QMouseEvent&>(*event).button());
                return true;
            }
    }
    return QDialog::eventFilter(watched, event);
}

void TColorForm::CellClick(int index, Qt::MouseButton button) {
    const uint32_t color = PanelColor(*Cells[index]);
    if (button == Qt::LeftButton) {
        CurrentColor = color;
        accept();
    } else if (button == Qt::RightButton && LiveCallback) {
        CurrentColor = color;
        ColorsPanel->hide();
        BuildColorGrid();
        ColorsPanel->show();
        LiveCallback(color);
    } else if (button == Qt::MiddleButton) {
        CopyTextToClipboard(Cells[index]->toolTip().toStdString(),
                            "Failed to copy hint to clipboard.", false, false);
    }
}

bool ColorFormDialog(uint32_t& color, const std::function<void(uint32_t)>& live) {
    TStatusScope scope("ColorFormDialog");
    bool picked = false;
    scope.Run([&] {
        TColorForm form(QApplication::activeWindow());
        form.LiveCallback = live;
        form.CurrentColor = color;
        form.BuildColorGrid();
        picked = form.exec() == QDialog::Accepted;
        color = form.CurrentColor;
    });
    scope.ShowFailure("Failed to show color dialog.");
    return picked;
}
