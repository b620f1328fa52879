#include "Error.h"
#include "Program.h"
#include "TestSupport.h"

#include <cstring>

namespace {

// 7 December 2026, 13:45:30 local time: day 341 of the year, 495 whole 100-second periods.
const QDateTime kNow(QDate(2026, 12, 7), QTime(13, 45, 30));
const std::string kStamp = "Monday, 7 December 2026 (341) | 13:45:30 UTC (495)";

std::string InfoAndUserBlocks() {
    return "\r\n\r\nINFO\r\n* Time: " + kStamp + "\r\n* Program: " + GetProgramPath() +
           "\r\n* Recursive attempts: 0"
           "\r\n\r\nUSER INFO\r\n* UserCode: 0\r\n* UserText: \r\n* UserInt: 0\r\n* UserReal: 0";
}

class ErrorReportTest : public ::testing::Test {
protected:
    ScopedClock clock{kNow};
};

TEST_F(ErrorReportTest, ReportOfAFailureWithEveryDetail) {
    TFunStatContext context;
    context.Raise("/src/Libraries/File.cpp", "LoadFilesList", 42, fsError, "Failed to open file.",
                  "/home/me/a \"b\".jpg", "second", ENOENT);
    context.SetShowContext("/src/app/MainDialog.cpp", "", 7);

    EXPECT_EQ(context.GetReport(),
              "\r\nRAISE CONTEXT\r\n* Status: Error"
              "\r\n* File: \"File.cpp\"\r\n* Function: \"LoadFilesList\"\r\n* Line: 42"
              "\r\n* Description: \"Failed to open file.\""
              "\r\n* Parameter 1: \"/home/me/a \"b\".jpg\"\r\n* Parameter 2: \"second\""
              "\r\n* System error code: 2\r\n* System error description: \"" +
                  std::string(std::strerror(ENOENT)) +
                  "\""
                  "\r\n\r\nSHOW CONTEXT\r\n* File: \"MainDialog.cpp\"\r\n* Function: \"\"\r\n* "
                  "Line: 7" +
                  InfoAndUserBlocks());
}

TEST_F(ErrorReportTest, OptionalLinesAreLeftOutWhenEmpty) {
    TFunStatContext context;
    context.Raise("Error.cpp", "F", 1, fsWarning, "", "", "", 0);

    EXPECT_EQ(context.GetReport(),
              "\r\nRAISE CONTEXT\r\n* Status: Warning"
              "\r\n* File: \"Error.cpp\"\r\n* Function: \"F\"\r\n* Line: 1"
              "\r\n* Description: \"\""
              "\r\n\r\nSHOW CONTEXT\r\n* File: \"\"\r\n* Function: \"\"\r\n* Line: 0" +
                  InfoAndUserBlocks());
}

TEST_F(ErrorReportTest, CatastropheCarriesItsWarningAndUserInfoIsPrinted) {
    TFunStatContext context;
    context.Raise("a.cpp", "F", 3, fsCatastrophe, "d", "", "", 0);
    context.UserCode = -5;
    context.UserText = "text";
    context.UserInt = 12;
    context.UserReal = 0.1;

    const std::string report = context.GetReport();
    EXPECT_NE(report.find("* Status: Catastrophe: CATASTROPHIC FAILURE!!! It is highly recommended "
                          "to terminate the program immediately!\r\n* File: "),
              std::string::npos);
    EXPECT_TRUE(report.ends_with(
        "\r\n* UserCode: -5\r\n* UserText: text\r\n* UserInt: 12\r\n* UserReal: 0.1"));
}

TEST(FunStatusTest, StatusTexts) {
    EXPECT_EQ(TFunStatContext::GetStatusText(fsPerfect), "Perfect");
    EXPECT_EQ(TFunStatContext::GetStatusText(fsWarning), "Warning");
    EXPECT_EQ(TFunStatContext::GetStatusText(fsError), "Error");
    EXPECT_EQ(TFunStatContext::GetStatusText(fsBeginFunctionError), "Begin function error");
    EXPECT_EQ(TFunStatContext::GetStatusText(fsPanic), "Panic");
    EXPECT_EQ(TFunStatContext::GetStatusText(fsCatastrophe), "Catastrophe");
    EXPECT_EQ(TFunStatContext::GetStatusText(static_cast<FunStatus>(7)), "Unknown function status");
    EXPECT_EQ(TFunStatContext::GetStatusText(static_cast<FunStatus>(-1)),
              "Unknown function status");
}

TEST(FunStatusTest, CopiesLeaveTheShowContextBehind) {
    TFunStatContext source;
    source.Raise("f.cpp", "F", 9, fsError, "d", "p1", "p2", 13);
    source.SetShowContext("s.cpp", "S", 10);
    source.UserText = "user";

    const TFunStatContext copy(source);
    EXPECT_EQ(copy.Status, fsError);
    EXPECT_EQ(copy.Parameter2, "p2");
    EXPECT_EQ(copy.SystemErrorCode, 13);
    EXPECT_EQ(copy.UserText, "user");
    EXPECT_EQ(copy.ShowFile, "");
    EXPECT_EQ(copy.ShowLine, 0);

    TFunStatContext target;
    target.SetShowContext("mine.cpp", "Mine", 77);
    target = source;
    EXPECT_EQ(target.Function, "F");
    EXPECT_EQ(target.ShowFile, "mine.cpp");
    EXPECT_EQ(target.ShowFunction, "Mine");
    EXPECT_EQ(target.ShowLine, 77);
}

TEST(FunStatusTest, BeginFunctionMarksTheContextAsBegunAndResetClearsTheRaise) {
    TFunStatContext context;
    context.Raise("f.cpp", "F", 9, fsError, "d", "p1", "p2", 13);
    context.UserInt = 4;
    context.BeginFunction("g.cpp", "G", 20);
    EXPECT_EQ(context.Status, fsBeginFunctionError);
    EXPECT_TRUE(context.Failed());
    EXPECT_EQ(context.Function, "G");
    EXPECT_EQ(context.Description, "");
    EXPECT_EQ(context.Parameter1, "");
    EXPECT_EQ(context.SystemErrorCode, 0);

    context.Reset(fsPerfect);
    EXPECT_EQ(context.Status, fsPerfect);
    EXPECT_EQ(context.File, "");
    EXPECT_EQ(context.Line, 0);
    EXPECT_EQ(context.UserInt, 4) << "user information survives a reset";
    context.ResetUserInfo();
    EXPECT_EQ(context.UserInt, 0);
}

TEST(FunStatusTest, ShowingWithoutTheErrorWindowFallsBackToAMessageBox) {
    ScopedMessageBoxes boxes;
    TFunStatContext context;
    context.Raise("f.cpp", "F", 9, fsError, "d", "", "", 0);
    bool noErrors = true;

    EXPECT_FALSE(context.Show("Failed to do it.", &noErrors));
    EXPECT_FALSE(noErrors);
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].caption, "Error");
    EXPECT_EQ(boxes->shown[0].text, "The error-dialog form is not created. You must create it.");
    EXPECT_EQ(boxes->shown[0].flags, MB_OK | MB_TASKMODAL);
}

TEST(SystemErrorTest, ErrnoPredicates) {
    errno = 0;
    EXPECT_FALSE(IsSystemError());
    errno = ECANCELED;
    EXPECT_FALSE(IsSystemError());
    errno = EACCES;
    EXPECT_TRUE(IsSystemError());
    EXPECT_TRUE(IsSystemErrorAfterCreate());
    errno = EEXIST;
    EXPECT_TRUE(IsSystemError());
    EXPECT_FALSE(IsSystemErrorAfterCreate());
    errno = 0;

    EXPECT_TRUE(IsFindSuccess(0));
    EXPECT_TRUE(IsFindSuccess(ENOENT));
    EXPECT_FALSE(IsFindSuccess(EACCES));
}

}  // namespace
