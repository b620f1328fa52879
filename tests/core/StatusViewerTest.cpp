#include "Error.h"
#include "StatusViewer.h"

#include <gtest/gtest.h>
#include <string>

// This binary links the status core alone: reporting works, and can be tested, without windows.
namespace {

TFunStatContext FailedContext() {
    TFunStatContext context;
    context.Raise("f.cpp", "F", 9, fsPanic, "Failed to open file.", "a.jpg", "", 0);
    context.SetShowContext("g.cpp", "G", 12);
    return context;
}

TEST(StatusViewerTest, WithoutAViewerTheReportGoesToStandardErrorAndIsNotAccepted) {
    const TFunStatContext context = FailedContext();
    for (const auto& [description, shown] :
         {std::pair{"Failed to do it.", "Failed to do it."}, {"", "Failed to perform."}}) {
        bool noErrors = true;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(context.Show(description, &noErrors));
        const std::string written = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(noErrors);
        EXPECT_TRUE(written.starts_with(std::string("Tapestrel: Panic\nDESCRIPTION\n") + shown +
                                        "\n\nRAISE CONTEXT\n* Status: Panic\n"))
            << written;
        EXPECT_NE(written.find("* Parameter 1: \"a.jpg\"\n"), std::string::npos) << written;
        EXPECT_EQ(written.find('\r'), std::string::npos) << "line ends as the terminal expects";
    }
}

class RecordingViewer final : public TStatusViewer {
public:
    bool ShowReport(std::string_view caption, std::string_view description, std::string_view report,
                    bool* noErrors) override {
        Caption = caption;
        Description = description;
        Report = report;
        if (noErrors != nullptr) *noErrors = true;
        return true;
    }
    int RecursionCounter() const override { return 3; }

    std::string Caption, Description, Report;
};

TEST(StatusViewerTest, AnInstalledViewerShowsEveryReportUntilTakenAway) {
    RecordingViewer viewer;
    SetStatusViewer(&viewer);
    const TFunStatContext context = FailedContext();
    bool noErrors = false;
    EXPECT_TRUE(context.Show("Failed to do it.", &noErrors));
    EXPECT_TRUE(noErrors);
    EXPECT_EQ(viewer.Caption, "Panic");
    EXPECT_EQ(viewer.Description, "Failed to do it.");
    EXPECT_EQ(viewer.Report, context.GetReport());
    EXPECT_NE(viewer.Report.find("* Recursive attempts: 3\r\n"), std::string::npos);

    SetStatusViewer(nullptr);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(context.Show("Failed again."));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Failed again."), std::string::npos);
    EXPECT_EQ(viewer.Description, "Failed to do it.");
}

}  // namespace
