#pragma once

#include <QDialog>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QWidget>
#include <memory>

namespace Ui {
class TDesktopPositionForm;
}

class TDesktopPositionForm;

// The miniature of the desktop; it hands its painting and the mouse to the window.
class TPaintBox : public QWidget {
public:
    TPaintBox(TDesktopPositionForm& form, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    TDesktopPositionForm& m_form;
};

// The window in which the user places the calendar on a miniature of the desktop.
class TDesktopPositionForm : public QDialog {
    Q_OBJECT

public:
    TDesktopPositionForm();
    ~TDesktopPositionForm() override;

    // Lets the user click a new place for the calendar's top-left corner, given and answered as
    // fractions of the desktop area (of the named monitor); true when the user clicked.
    bool SelectDesktopPosition(double& left, double& top, int margin, double eccentricity,
                               bool oval, double heightFraction, double widthFraction,
                               const QString& monitor = {});

    void PaintBoxPaint();
    void PaintBoxMouseMove(int x, int y);
    void PaintBoxMouseDown(int x, int y);

    std::unique_ptr<Ui::TDesktopPositionForm> ui;
    TPaintBox* PaintBox = nullptr;

private:
    void DrawCurrentPlace();
    void FrameBox();

    QSize m_box;
    QRect m_current;
    QSize m_mark;
    bool m_oval = false;
    double m_eccentricity = 1;
    // Kept from one use to the next, so that a click without a move lands where the last did.
    QRect m_mousePlace;
    QImage m_bitmap;
};

extern TDesktopPositionForm* DesktopPositionForm;

// The side of the square the miniature must fit in.
constexpr int kPositionPanelSize = 200;

// The desktop area shrunk into the panel, keeping its aspect and never enlarged.
QSize PositionBox(int areaWidth, int areaHeight);

// Where the miniature sits in the panel: centred.
QPoint PositionBoxOrigin(QSize box);

// The top-left corner of a mark of that size at place, moved so that the mark stays in the box.
QPoint LimitedPlace(QPoint place, QSize mark, QSize box);

// The oval around rect: as high as its diagonal and eccentricity times as wide, each coordinate
// scaled.
QRect GetOvalRect(QRect rect, double xScale, double yScale, double eccentricity);
