#pragma once

#include <QLabel>

// A label that works as a link: underlined, with the pointing hand, clickable and reachable
// from the keyboard (Tab, then Space or Enter).
class TLinkLabel : public QLabel {
    Q_OBJECT

public:
    explicit TLinkLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};
