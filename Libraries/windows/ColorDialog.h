#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;

// The stock colour window: a grid of the stock colours, the current one drawn smaller.
class TColorForm : public QDialog {
    Q_OBJECT

public:
    explicit TColorForm(QWidget* parent = nullptr);

    // Lays the cells out again, so that the marker follows the current colour.
    void BuildColorGrid();

    QGroupBox* StockColorsBox;
    QFrame* ColorsPanel;
    QLabel* RemarkLabel;
    QPushButton* CancelButton;
    std::array<QFrame*, 144> Cells{};

    // Colours are 0x00BBGGRR.
    uint32_t CurrentColor = 0;
    // Called for a colour picked with the right button, which leaves the window open.
    std::function<void(uint32_t)> LiveCallback;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CellClick(int index, Qt::MouseButton button);
};

// Shows the stock colour window starting from color; color becomes the window's last colour
// whatever the outcome. Answers whether the user picked a colour with the left button.
bool ColorFormDialog(uint32_t& color, const std::function<void(uint32_t)>& live);
