#pragma once

#include <string>
#include <string_view>

// What shows the user the report of a failure. The windows install theirs once at start-up; until
// then, and in programs without windows, reports go to standard error.
class TStatusViewer {
public:
    virtual ~TStatusViewer() = default;

    // Shows the report under caption. True when the user accepts it (Okay or Okay (no errors));
    // noErrors, when given, is true only for the latter.
    virtual bool ShowReport(std::string_view caption, std::string_view description,
                            std::string_view report, bool* noErrors) = 0;
    // How many reports arrived while the one on screen was shown, that one included; 0 when
    // none is shown.
    virtual int RecursionCounter() const = 0;
};

// The viewer that shows reports from now on; null puts the standard-error viewer back.
void SetStatusViewer(TStatusViewer* viewer);
TStatusViewer& StatusViewer();
// Writes reports to standard error: for programs without windows, and for windows that must not
// wait for anyone.
TStatusViewer& StandardErrorViewer();

// The text a viewer shows and the error log keeps: the description ("Failed to perform." when
// empty) above the report.
std::string DescribedReport(std::string_view description, std::string_view report);
