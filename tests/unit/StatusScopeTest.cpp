#include "StatusScope.h"
#include "TestSupport.h"

#include <cerrno>

namespace {

// Functions written the way the program writes them, to watch the protocol from outside.

int g_linesRun = 0;

void FailingCallee() {
    TStatusScope scope("FailingCallee");
    scope.Run([&] {
        scope.Raise("Failed to open file.", "/tmp/a.jpg", "detail", ENOENT);
        ++g_linesRun;
    });
}

void WarningCallee() {
    TStatusScope scope("WarningCallee");
    scope.Run([&] {
        scope.Warn("Large file.");
        ++g_linesRun;
    });
}

// Begins and then leaves without handing over its outcome, as a function that was cut short.
void UnfinishedCallee() {
    FunStatContext.BeginFunction("u.cpp", "UnfinishedCallee", 5);
}

template <class Callee>
void Caller(Callee callee) {
    TStatusScope scope("Caller");
    scope.Run([&] {
        callee();
        scope.AdoptCalleeFailure();
        ++g_linesRun;
    });
}

class StatusScopeTest : public ::testing::Test {
protected:
    void SetUp() override {
        FunStatContext.Reset(fsPerfect);
        g_linesRun = 0;
    }
    ScopedMessageBoxes boxes;
};

TEST_F(StatusScopeTest, RaiseRecordsTheFunctionAndSkipsTheRestOfItsBody) {
    FailingCallee();
    EXPECT_EQ(g_linesRun, 0);
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Function, "FailingCallee");
    EXPECT_TRUE(FunStatContext.File.ends_with("StatusScopeTest.cpp"));
    EXPECT_GT(FunStatContext.Line, 0);
    EXPECT_EQ(FunStatContext.Description, "Failed to open file.");
    EXPECT_EQ(FunStatContext.Parameter1, "/tmp/a.jpg");
    EXPECT_EQ(FunStatContext.Parameter2, "detail");
    EXPECT_EQ(FunStatContext.SystemErrorCode, ENOENT);
}

TEST_F(StatusScopeTest, ACalleesFailureTravelsUpUnchanged) {
    FailingCallee();
    const TFunStatContext raised = FunStatContext;
    g_linesRun = 0;

    Caller(FailingCallee);
    EXPECT_EQ(g_linesRun, 0) << "the caller skips the rest of its body";
    EXPECT_EQ(FunStatContext.Function, "FailingCallee");
    EXPECT_EQ(FunStatContext.Line, raised.Line);
    EXPECT_EQ(FunStatContext.Description, raised.Description);
    EXPECT_EQ(FunStatContext.SystemErrorCode, ENOENT);
}

TEST_F(StatusScopeTest, ACalleeThatDidNotFinishIsSeenAsFailed) {
    Caller(UnfinishedCallee);
    EXPECT_EQ(FunStatContext.Status, fsBeginFunctionError);
    EXPECT_EQ(FunStatContext.Function, "UnfinishedCallee");
    EXPECT_EQ(FunStatContext.Line, 5);
}

TEST_F(StatusScopeTest, AWarningIsNotAFailure) {
    WarningCallee();
    EXPECT_EQ(g_linesRun, 1);
    EXPECT_EQ(FunStatContext.Status, fsWarning);
    EXPECT_EQ(FunStatContext.Description, "Large file.");
    Caller(WarningCallee);
    EXPECT_EQ(g_linesRun, 3);
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

TEST_F(StatusScopeTest, WhileAFunctionRunsTheGlobalContextNamesIt) {
    TStatusScope scope("Running");
    EXPECT_EQ(FunStatContext.Status, fsBeginFunctionError);
    EXPECT_EQ(FunStatContext.Function, "Running");
}

TEST_F(StatusScopeTest, ExceptionsAreRecordedAtTheBoundary) {
    struct Case {
        std::function<void()> body;
        std::string description;
        bool knowsWhereItWasThrown;
    };
    int thrownAtLine = 0;
    const std::vector<Case> cases = {
        {[] { throw std::runtime_error("disk on fire"); }, "Unhandled exception: disk on fire",
         false},
        {[&] {
             thrownAtLine = __LINE__ + 1;
             throw TException("bad value");
         },
         "Unhandled exception: bad value", true},
        {[] { throw 42; }, "Unhandled generic exception.", false},
    };
    for (const Case& c : cases) {
        {
            TStatusScope scope("Thrower");
            scope.Run(c.body);
        }
        EXPECT_EQ(FunStatContext.Status, fsError);
        EXPECT_EQ(FunStatContext.Function, "Thrower");
        EXPECT_EQ(FunStatContext.Description, c.description);
        EXPECT_EQ(FunStatContext.SystemErrorCode, 0);
        if (c.knowsWhereItWasThrown) {
            EXPECT_TRUE(FunStatContext.Parameter1.ends_with("StatusScopeTest.cpp"));
            EXPECT_EQ(FunStatContext.Parameter2, std::to_string(thrownAtLine));
        } else {
            EXPECT_EQ(FunStatContext.Parameter1, "");
            EXPECT_EQ(FunStatContext.Parameter2, "");
        }
    }
}

TEST_F(StatusScopeTest, AFailureBlockCannotLoseTheFailure) {
    bool blockRan = false;
    {
        TStatusScope scope("F");
        scope.Run([&] { scope.Raise("Failed."); });
        scope.OnFailure([&] {
            blockRan = true;
            scope.ShowFailure("Failed to do it.");  // shows, and would clear the failure
        });
        EXPECT_TRUE(scope.Failed());
    }
    EXPECT_TRUE(blockRan);
    EXPECT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Description, "Failed.");

    {
        TStatusScope scope("G");
        scope.Run([] {});
        scope.OnFailure([&] { ADD_FAILURE() << "the block runs only after a failure"; });
    }
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

TEST_F(StatusScopeTest, ShowingAFailureResetsItSoNobodyReportsItTwice) {
    {
        TStatusScope scope("Command");
        scope.Run([&] {
            FailingCallee();
            scope.AdoptCalleeFailure();
        });
        scope.ShowFailure("Failed to do the command.");
        EXPECT_EQ(scope.Context().Status, fsPerfect);
        EXPECT_EQ(scope.Context().ShowFunction, "Command");
    }
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    // Without the error window the report falls back to a plain message box.
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].caption, "Error");

    {
        TStatusScope scope("Command");
        scope.Run([] {});
        scope.ShowFailure("Failed to do the command.");
    }
    EXPECT_EQ(boxes->shown.size(), 1u) << "success shows nothing";

    {
        TStatusScope scope("Command");
        scope.Run([&] { scope.Raise("Failed to load picture.", "p.jpg", {}, ECANCELED); });
        scope.ShowFailure("Failed to do the command.");
    }
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
    EXPECT_EQ(boxes->shown.size(), 1u) << "work given up on purpose shows nothing";
}

}  // namespace
