#pragma once

#include <QDialog>
#include <memory>

namespace Ui {
class TDesktopPositionForm;
}

// The window in which the user places the calendar on a miniature of the desktop.
class TDesktopPositionForm : public QDialog {
    Q_OBJECT

public:
    TDesktopPositionForm();
    ~TDesktopPositionForm() override;

    std::unique_ptr<Ui::TDesktopPositionForm> ui;
};

extern TDesktopPositionForm* DesktopPositionForm;
