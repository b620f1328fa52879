#include "Desktoppositiondialog.h"

#include "FormStyle.h"
#include "Utilities.h"
#include "ui_DesktopPositionForm.h"

#include <QApplication>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <algorithm>
#include <cmath>

TDesktopPositionForm* DesktopPositionForm = nullptr;

namespace {

int RoundHalfUp(double value) {
    return static_cast<int>(std::floor(value + 0.5));
}

// A rectangle from its four edges, right and bottom exclusive.
QRect Edges(int left, int top, int right, int bottom) {
    return {left, top, right - left, bottom - top};
}

// The place filled with fill and outlined with the window-text colour: an oval around it, or the
// rectangle itself.
void DrawPlace(QPainter& painter, QRect place, const QColor& fill, bool oval, double eccentricity) {
    painter.setPen(QApplication::palette().color(QPalette::Text));
    painter.setBrush(fill);
    // A stroked shape is a pixel larger than its rectangle; the outline stays inside.
    if (oval)
        painter.drawEllipse(GetOvalRect(place, 1, 1, eccentricity).adjusted(0, 0, -1, -1));
    else
        painter.drawRect(place.adjusted(0, 0, -1, -1));
}

}  // namespace

QSize PositionBox(int areaWidth, int areaHeight) {
    int width = std::min(kPositionPanelSize, areaWidth);
    int height = areaHeight * width / areaWidth;
    if (height > kPositionPanelSize) {
        height = std::min(kPositionPanelSize, areaHeight);
        width = areaWidth * height / areaHeight;
    }
    return {width, height};
}

QPoint PositionBoxOrigin(QSize box) {
    return {(kPositionPanelSize - box.width()) / 2, (kPositionPanelSize - box.height()) / 2};
}

QPoint LimitedPlace(QPoint place, QSize mark, QSize box) {
    // The upper limit wins when the mark is larger than the box.
    const auto limit = [](int value, int upper) {
        return std::min(std::max(value, 0), upper);
    };
    return {limit(place.x(), box.width() - mark.width()),
            limit(place.y(), box.height() - mark.height())};
}

QRect GetOvalRect(QRect rect, double xScale, double yScale, double eccentricity) {
    const int w = rect.width();
    const int h = rect.height();
    const int diagonal = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(w) * w + h * h)));
    const int ovalWidth = static_cast<int>(std::ceil(diagonal * eccentricity));
    const int left = rect.left() + (w - ovalWidth) / 2;
    const int top = rect.top() + (h - diagonal) / 2;
    return Edges(RoundHalfUp(left * xScale), RoundHalfUp(top * yScale),
                 RoundHalfUp((left + ovalWidth) * xScale), RoundHalfUp((top + diagonal) * yScale));
}

TPaintBox::TPaintBox(TDesktopPositionForm& form, QWidget* parent) : QWidget(parent), m_form(form) {
    setObjectName(QStringLiteral("PaintBox"));
    // The mark follows the mouse without a button held.
    setMouseTracking(true);
}

void TPaintBox::paintEvent(QPaintEvent*) {
    m_form.PaintBoxPaint();
}

void TPaintBox::mouseMoveEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    m_form.PaintBoxMouseMove(at.x(), at.y());
}

void TPaintBox::mousePressEvent(QMouseEvent* event) {
    const QPoint at = event->position().toPoint();
    m_form.PaintBoxMouseDown(at.x(), at.y());
}

TDesktopPositionForm::TDesktopPositionForm() : ui(std::make_unique<Ui::TDesktopPositionForm>()) {
    ui->setupUi(this);
    PaintBox = new TPaintBox(*this, ui->PaintBoxPanel);
    MakeFixedWindow(*this);
    connect(ui->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    DesktopPositionForm = this;
}

TDesktopPositionForm::~TDesktopPositionForm() {
    if (DesktopPositionForm == this) DesktopPositionForm = nullptr;
}

bool TDesktopPositionForm::SelectDesktopPosition(double& left, double& top, int margin,
                                                 double eccentricity, bool oval,
                                                 double heightFraction, double widthFraction,
                                                 const QString& monitor) {
    const QRect area = GetDesktopArea(margin, monitor);
    const int areaWidth = area.width();
    const int areaHeight = area.height();
    const int x0 = RoundHalfUp(areaWidth * left);
    const int y0 = RoundHalfUp(areaHeight * top);
    const int w = RoundHalfUp(areaWidth * widthFraction);
    const int h = RoundHalfUp(areaHeight * heightFraction);

    m_box = PositionBox(areaWidth, areaHeight);
    const double sx = static_cast<double>(m_box.width()) / areaWidth;
    const double sy = static_cast<double>(m_box.height()) / areaHeight;
    PaintBox->setGeometry(QRect(PositionBoxOrigin(m_box), m_box));

    m_current = Edges(RoundHalfUp(x0 * sx), RoundHalfUp(y0 * sy), RoundHalfUp((x0 + w) * sx),
                      RoundHalfUp((y0 + h) * sy));
    m_mark = QSize(RoundHalfUp(w * sx), RoundHalfUp(h * sy));
    m_oval = oval;
    m_eccentricity = eccentricity;

    m_bitmap = QImage(m_box, QImage::Format_RGB32);
    DrawCurrentPlace();
    FrameBox();

    if (QWidget* owner = QApplication::activeWindow(); owner && owner != this)
        move(owner->frameGeometry().center() - rect().center());
    const bool clicked = exec() == QDialog::Accepted;
    if (clicked) {
        const QPoint place = LimitedPlace(m_mousePlace.topLeft(), m_mark, m_box);
        left = static_cast<double>(place.x()) / m_box.width();
        top = static_cast<double>(place.y()) / m_box.height();
    }
    return clicked;
}

void TDesktopPositionForm::DrawCurrentPlace() {
    m_bitmap.fill(QApplication::palette().color(QPalette::Base));
    QPainter painter(&m_bitmap);
    DrawPlace(painter, m_current, QApplication::palette().color(QPalette::Highlight), m_oval,
              m_eccentricity);
}

void TDesktopPositionForm::FrameBox() {
    QPainter painter(&m_bitmap);
    painter.setPen(QApplication::palette().color(QPalette::Text));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRect(QPoint(0, 0), m_box).adjusted(0, 0, -1, -1));
}

void TDesktopPositionForm::PaintBoxPaint() {
    QPainter painter(PaintBox);
    painter.drawImage(0, 0, m_bitmap);
}

void TDesktopPositionForm::PaintBoxMouseMove(int x, int y) {
    DrawCurrentPlace();
    const int placeLeft = x - m_mark.width() / 2;
    const int placeTop = y - m_mark.height() / 2;
    m_mousePlace = QRect(QPoint(placeLeft, placeTop), m_mark);
    {
        QPainter painter(&m_bitmap);
        DrawPlace(painter, m_mousePlace, QApplication::palette().color(QPalette::Button), m_oval,
                  m_eccentricity);
    }
    FrameBox();
    PaintBox->update();
}

void TDesktopPositionForm::PaintBoxMouseDown(int x, int y) {
    // The place follows the click too, for a click that comes without a move before it.
    PaintBoxMouseMove(x, y);
    accept();
}
