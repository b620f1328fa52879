#pragma once

#include "Systemtray.h"
#include "TerminationSignals.h"

#include <QMenu>
#include <QTimer>
#include <QWidget>
#include <memory>

namespace Ui {
class TMainForm;
}

class QAction;
class QActionGroup;

// The main window. It owns the program's run-time state; its controls are the live settings.
class TMainForm : public QWidget {
    Q_OBJECT

public:
    TMainForm();
    ~TMainForm() override;

    // The second phase of construction, once all windows exist and before the event loop runs.
    void BeforeRun();

    void FormCloseQuery(QObject* sender, bool& canClose);
    void ApplicationEventsMinimize();
    void CloseProgramLabelClick();
    void HelpLabelClick();
    void AboutLabelClick();
    void STP_CloseMenuClick();

    std::unique_ptr<Ui::TMainForm> ui;

    // Composition requests are ignored while set.
    bool SuppressComposition = true;
    // Skin reads load every parameter rather than the colours only.
    bool LoadFullSkin = true;
    // Makes the next close end the program instead of hiding the window.
    bool ClosingForReal = false;

    QTimer Timer;
    QMenu SystemTrayPopupMenu;
    QAction* STP_CloseMenu = nullptr;
    QAction* STP_AddPicturesDirectoryMenu = nullptr;
    QAction* STP_VisibleCalendarMenu = nullptr;
    QAction* STP_VisibleCalendarBackMenu = nullptr;
    QAction* STP_SetCalendarPositionMenu = nullptr;
    QAction* STP_LoadCalendarSkinMenu = nullptr;
    QAction* STP_LoadCalendarSkinColorsMenu = nullptr;
    QMenu* STP_NormalizeBrightnessMenu = nullptr;
    QActionGroup* STP_NormalizeBrightnessGroup = nullptr;

    std::unique_ptr<SystemTrayIcon> TrayIcon;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildSystemTrayPopupMenu();
    // A later start of the program asks for the window.
    void ShowRequestedByAnotherInstance();

    TerminationSignals m_terminationSignals;
};

extern TMainForm* MainForm;
