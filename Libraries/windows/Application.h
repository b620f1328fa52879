#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <exception>
#include <functional>
#include <string>

// The application object. Exceptions that escape an event handler end up in OnException instead
// of ending the program.
class TApplication : public QApplication {
    Q_OBJECT

public:
    TApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Runs the event loop until the main window closes: first prepare, then the main window is
    // shown unless HideMainWindow said otherwise. Start-up runs inside the loop, so that a
    // question it asks or a failure it shows is a loop that the end of the session ends too.
    int Run(QWidget& mainWindow, const std::function<void()>& prepare = {});

    // How long the pointer rests on a control before its hint shows, how long instead while
    // another hint is still showing (moving from control to control), and how long a hint stays.
    void SetHintTiming(int pauseMs, int shortPauseMs, int hidePauseMs);

    // Opens the help file; a context other than 0 names the topic. Follows the status protocol.
    void HelpContext(int context);

    QWidget* MainWindow() const { return m_mainWindow; }

    std::function<void(QObject* sender, std::exception_ptr exception)> OnException;
    bool ShowMainForm = true;
    std::string HelpFile;

private:
    QPointer<QWidget> m_mainWindow;
    // 0 leaves Qt's own display time.
    int m_hintHidePauseMs = 0;
};

// The TApplication of the process, or null when there is none (unit tests).
TApplication* Application();

void ShowMainWindow(QWidget& window);
// Puts a window about to open in the middle of the main window, or of the screen while the main
// window is hidden.
void CenterOnMainWindow(QWidget& window);
// The window disappears to the tray: the application will not show it on its own any more.
void HideMainWindow(QWidget& window);
