#include "Application.h"

#include "StatusScope.h"
#include "TerminationSignals.h"
#include "UrlOpener.h"

#include <QFile>
#include <QProxyStyle>
#include <QScreen>
#include <QTimer>
#include <QToolTip>
#include <QUrl>
#include <QWidget>
#include <filesystem>

namespace {

// Qt waits the wake-up delay before a hint, but only 20 ms while its fall-asleep period after the
// last hint runs. The program's short pause replaces that: the wake-up delay itself is shorter
// while a hint shows, and the fall-asleep period is none.
class HintTimingStyle : public QProxyStyle {
public:
    HintTimingStyle(int pauseMs, int shortPauseMs)
        : m_pauseMs(pauseMs), m_shortPauseMs(shortPauseMs) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        switch (hint) {
            case SH_ToolTip_WakeUpDelay:
                return QToolTip::isVisible() ? m_shortPauseMs : m_pauseMs;
            case SH_ToolTip_FallAsleepDelay:
                return 0;
            default:
                return QProxyStyle::styleHint(hint, option, widget, returnData);
        }
    }

private:
    int m_pauseMs;
    int m_shortPauseMs;
};

}  // namespace

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // The program lives on in the tray with no window shown; it ends only when the main window
    // really closes.
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event) {
    try {
        if (event->type() == QEvent::ToolTip && m_hintHidePauseMs > 0) {
            // Qt keeps a hint up for its widget's own duration, or else for a time that grows with
            // its text; the hide pause becomes the duration of every widget that has none. Qt
            // offers the event to the parents until one shows a hint, so they get it too.
            for (auto* widget = qobject_cast<QWidget*>(receiver); widget != nullptr;
                 widget = widget->isWindow() ? nullptr : widget->parentWidget())
                if (widget->toolTipDuration() < 0) widget->setToolTipDuration(m_hintHidePauseMs);
        }
        return QApplication::notify(receiver, event);
    } catch (...) {
        if (!OnException) std::terminate();
        OnException(receiver, std::current_exception());
        return false;
    }
}

void TApplication::SetHintTiming(int pauseMs, int shortPauseMs, int hidePauseMs) {
    // The application takes ownership of the style.
    setStyle(new HintTimingStyle(pauseMs, shortPauseMs));
    m_hintHidePauseMs = hidePauseMs;
}

int TApplication::Run(QWidget& mainWindow, const std::function<void()>& prepare) {
    m_mainWindow = &mainWindow;
    QTimer::singleShot(0, this, [this, prepare] {
        // The session may have ended before the loop got here.
        if (TerminationSignals::Arrived()) return;
        if (prepare) prepare();
        if (ShowMainForm && m_mainWindow && !TerminationSignals::Arrived()) m_mainWindow->show();
    });
    return exec();
}

void TApplication::HelpContext(int context) {
    TStatusScope scope("TApplication::HelpContext");
    scope.Run([&] {
        std::error_code error;
        if (HelpFile.empty() || !std::filesystem::is_regular_file(HelpFile, error))
            scope.Raise("The help file does not exist.", HelpFile);
        QUrl url = QUrl::fromLocalFile(QFile::decodeName(QByteArray::fromStdString(HelpFile)));
        if (context != 0) url.setFragment(QString::number(context));
        if (!UrlOpener::Instance().Open(url))
            scope.Raise("No program could open the help file.", HelpFile);
    });
}

TApplication* Application() {
    return qobject_cast<TApplication*>(QCoreApplication::instance());
}

void ShowMainWindow(QWidget& window) {
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

void HideMainWindow(QWidget& window) {
    if (TApplication* application = Application()) application->ShowMainForm = false;
    window.hide();
}

void CenterOnMainWindow(QWidget& window) {
    const TApplication* application = Application();
    const QWidget* mainWindow = application != nullptr ? application->MainWindow() : nullptr;
    QRect area;
    if (mainWindow != nullptr && mainWindow != &window && mainWindow->isVisible())
        area = mainWindow->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    else
        return;
    window.move(area.center() - window.rect().center());
}
