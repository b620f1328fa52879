#include "StatusViewer.h"

#include "Program.h"

#include <cstdio>

namespace {

// Nobody is there to answer, so the report is never accepted.
class TStandardErrorViewer final : public TStatusViewer {
public:
    bool ShowReport(std::string_view caption, std::string_view description, std::string_view report,
                    bool* noErrors) override {
        if (noErrors != nullptr) *noErrors = false;
        std::string text = ProductName;
        text += ": ";
        text += caption;
        text += "\r\n";
        text += DescribedReport(description, report);
        std::erase(text, '\r');
        std::fprintf(stderr, "%s\n", text.c_str());
        return false;
    }

    int RecursionCounter() const override { return 0; }
};

TStandardErrorViewer g_standardErrorViewer;
TStatusViewer* g_viewer = &g_standardErrorViewer;

}  // namespace

void SetStatusViewer(TStatusViewer* viewer) {
    g_viewer = viewer != nullptr ? viewer : &g_standardErrorViewer;
}

TStatusViewer& StatusViewer() {
    return *g_viewer;
}

TStatusViewer& StandardErrorViewer() {
    return g_standardErrorViewer;
}

std::string DescribedReport(std::string_view description, std::string_view report) {
    std::string text = "DESCRIPTION\r\n";
    text += description.empty() ? std::string_view("Failed to perform.") : description;
    text += "\r\n";
    text += report;
    return text;
}
