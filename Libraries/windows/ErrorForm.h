#pragma once

#include <QDialog>
#include <memory>
#include <string>
#include <string_view>

namespace Ui {
class TErrorForm;
}

// Appends one entry to the error log at path, framed by lines of asterisks. A log above 10000
// bytes is emptied first, so it never grows much beyond that. False with an errno code in error
// when it cannot be written; a symbolic link at path is never followed (ELOOP).
bool AppendToErrorLog(const std::string& path, std::string_view entry, int& error);

// From now on, exceptions that escape an event handler are reported in the error window.
void RouteApplicationExceptions();

class TStatusViewer;
// Shows reports in the error window, or tells in a message box that it is missing. main installs
// it once the application object exists (SetStatusViewer).
TStatusViewer& ErrorWindowViewer();

// The window that shows the full report of a failure.
class TErrorForm : public QDialog {
    Q_OBJECT

public:
    // Modal results of the buttons.
    static constexpr int kOkay = 1;
    static constexpr int kCancel = 2;
    static constexpr int kOkayNoErrors = 6;

    TErrorForm();
    ~TErrorForm() override;

    // Shows the report modally. A report that arrives while one is on screen is only counted.
    // True for Okay and Okay (no errors); noErrors, when given, is true only for the latter.
    bool ShowReport(std::string_view caption, std::string_view description, std::string_view report,
                    bool* noErrors);
    // Appends the report to Errors.log beside the program and tells in the window where it went,
    // or why it could not.
    bool WriteLog();

    int RecursionCounter() const { return m_recursionCounter; }
    const std::string& MemoText() const { return m_memoText; }

    void reject() override;

    std::unique_ptr<Ui::TErrorForm> ui;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void TerminateButtonClick();
    void LogButtonClick();
    void HelpButtonClick();

    int m_recursionCounter = 0;
    // The report exactly as written to the log; the memo shows it, but a text widget would
    // change its line ends.
    std::string m_memoText;
};

extern TErrorForm* ErrorForm;
