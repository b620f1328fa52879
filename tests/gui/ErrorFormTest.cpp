#include "Error.h"
#include "ErrorForm.h"
#include "Program.h"
#include "TestSupport.h"
#include "ui_ErrorForm.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstring>

namespace {

class ErrorFormTest : public ::testing::Test {
protected:
    ScopedMessageBoxes boxes;
    TErrorForm form;
};

TEST_F(ErrorFormTest, ButtonsDecideTheAnswerAndTheNoErrorsFlag) {
    struct Case {
        QPushButton* Ui::TErrorForm::*button;
        bool answer;
        bool noErrors;
    };
    for (const Case& c : {Case{&Ui::TErrorForm::OkayButton, true, false},
                          Case{&Ui::TErrorForm::OkayNoErrorsButton, true, true},
                          Case{&Ui::TErrorForm::CancelButton, false, false}}) {
        WhenModalShows([&](QWidget&) { (form.ui.get()->*c.button)->click(); });
        bool noErrors = !c.noErrors;
        EXPECT_EQ(form.ShowReport("Error", "d", "\r\nr", &noErrors), c.answer);
        EXPECT_EQ(noErrors, c.noErrors);
    }

    WhenModalShows([&](QWidget&) { form.reject(); });  // Escape or the close box
    bool noErrors = true;
    EXPECT_FALSE(form.ShowReport("Error", "d", "\r\nr", &noErrors));
    EXPECT_FALSE(noErrors);
}

TEST_F(ErrorFormTest, TheMemoHoldsTheDescriptionAndTheReport) {
    WhenModalShows([&](QWidget& window) {
        EXPECT_EQ(&window, &form);
        EXPECT_EQ(form.windowTitle(), "Error");
        EXPECT_EQ(form.ui->RecursionLabel->text(), "Recursive attempts = None");
        EXPECT_EQ(form.RecursionCounter(), 1);
        EXPECT_TRUE(form.ui->MainMemo->toPlainText().startsWith(
            "DESCRIPTION\nFailed to perform.\n\nRAISE"));
        form.ui->OkayButton->click();
    });
    form.ShowReport("Error", "", "\r\nRAISE CONTEXT", nullptr);
    EXPECT_EQ(form.MemoText(), "DESCRIPTION\r\nFailed to perform.\r\n\r\nRAISE CONTEXT");
    EXPECT_EQ(form.RecursionCounter(), 0);
}

TEST_F(ErrorFormTest, AReportArrivingWhileOneIsOnScreenIsOnlyCounted) {
    WhenModalShows([&](QWidget&) {
        bool untouched = true;
        EXPECT_TRUE(form.ShowReport("Warning", "second", "\r\nsecond report", &untouched));
        EXPECT_TRUE(form.ShowReport("Panic", "third", "\r\nthird report", nullptr));
        EXPECT_TRUE(untouched);
        EXPECT_EQ(form.windowTitle(), "Panic");
        EXPECT_EQ(form.ui->RecursionLabel->text(), "Recursive attempts = 2");
        EXPECT_EQ(form.MemoText(), "DESCRIPTION\r\nfirst\r\n\r\nfirst report");
        EXPECT_EQ(QApplication::topLevelWidgets().count(&form), 1);

        // The report itself tells how many came in meanwhile.
        TFunStatContext context;
        EXPECT_NE(context.GetReport().find("* Recursive attempts: 3\r\n"), std::string::npos);
        form.ui->OkayButton->click();
    });
    EXPECT_TRUE(form.ShowReport("Error", "first", "\r\nfirst report", nullptr));
    EXPECT_EQ(form.RecursionCounter(), 0);
    EXPECT_EQ(form.MemoText(), "DESCRIPTION\r\nfirst\r\n\r\nfirst report");
}

TEST_F(ErrorFormTest, LogAppendsTheReportBesideTheProgramAndTellsWhereOrWhyNot) {
    const std::string log = GetProgramDirectory() + "/Errors.log";
    std::filesystem::remove(log);
    WhenModalShows([&](QWidget&) {
        EXPECT_EQ(form.ui->LogResultLabel->text(), "");
        form.ui->LogButton->click();
        form.ui->LogButton->click();
        EXPECT_EQ(form.ui->LogResultLabel->text(), QString::fromStdString("Logged to " + log));
        form.ui->OkayButton->click();
    });
    form.ShowReport("Error", "d", "\r\nr", nullptr);

    const std::string entry = "**********DESCRIPTION\r\nd\r\n\r\nr\r\n**********\r\n";
    EXPECT_EQ(ReadWholeFile(log), entry + entry);
    EXPECT_EQ(boxes->beeps, (std::vector{BeepSound::Default, BeepSound::Default}));
    std::filesystem::remove(log);

    // A link at the log's place is refused, which the window says, and the next report starts
    // with no outcome shown.
    SandBox sandbox;
    std::filesystem::create_symlink(sandbox.Root() / "elsewhere", log);
    WhenModalShows([&](QWidget&) {
        form.ui->LogButton->click();
        EXPECT_EQ(form.ui->LogResultLabel->text(),
                  QString::fromStdString("Failed to log to " + log + ": " + std::strerror(ELOOP)));
        form.ui->OkayButton->click();
    });
    form.ShowReport("Error", "d", "\r\nr", nullptr);
    std::filesystem::remove(log);
    EXPECT_FALSE(std::filesystem::exists(sandbox.Root() / "elsewhere"));
    EXPECT_EQ(boxes->beeps.size(), 2u);
    WhenModalShows([&](QWidget&) {
        EXPECT_EQ(form.ui->LogResultLabel->text(), "");
        form.ui->OkayButton->click();
    });
    form.ShowReport("Error", "d", "\r\nr", nullptr);
}

TEST_F(ErrorFormTest, ReturnPressesTheFocusedButtonWhichIsOkayAtFirst) {
    for (QPushButton* Ui::TErrorForm::*button :
         {&Ui::TErrorForm::OkayButton, &Ui::TErrorForm::OkayNoErrorsButton}) {
        WhenModalShows([&](QWidget&) {
            EXPECT_EQ(form.focusWidget(), form.ui->OkayButton);
            (form.ui.get()->*button)->setFocus();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QCoreApplication::sendEvent(form.focusWidget(), &press);
            // Should Return do nothing, end the window so that the test fails instead of waiting.
            if (form.isVisible()) form.reject();
        });
        bool noErrors = false;
        EXPECT_TRUE(form.ShowReport("Error", "d", "\r\nr", &noErrors));
        EXPECT_EQ(noErrors, button == &Ui::TErrorForm::OkayNoErrorsButton);
    }
}

TEST_F(ErrorFormTest, TerminateEndsTheProcessAtOnceWithCode1) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(form.ui->TerminateButton->click(), ::testing::ExitedWithCode(1), "");
}

// Throws from its event handler, as a faulty command would.
class Thrower : public QObject {
public:
    bool event(QEvent* event) override {
        if (event->type() != QEvent::User) return QObject::event(event);
        ++handled;
        if (handled == 1) throw std::runtime_error("boom");
        return true;
    }
    int handled = 0;
};

TEST_F(ErrorFormTest, AnExceptionFromAnEventHandlerIsShownAndTheProgramGoesOn) {
    Thrower thrower;
    WhenModalShows([&](QWidget&) {
        EXPECT_EQ(form.windowTitle(), "Error");
        const std::string& memo = form.MemoText();
        EXPECT_TRUE(memo.starts_with("DESCRIPTION\r\nUnhandled error.\r\nboom\r\n")) << memo;
        EXPECT_NE(memo.find("* Description: \"Unhandled error.\r\nboom\""), std::string::npos);
        EXPECT_NE(memo.find("SHOW CONTEXT\r\n* File: \"Error.cpp\"\r\n* Function: "
                            "\"TFunStatContext::OnApplicationException\""),
                  std::string::npos);
        form.ui->OkayButton->click();
    });
    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    ASSERT_TRUE(WaitFor([&] { return thrower.handled == 1 && !form.isVisible(); }));
    EXPECT_EQ(FunStatContext.Status, fsPerfect);

    QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
    EXPECT_TRUE(WaitFor([&] { return thrower.handled == 2; }));
}

}  // namespace
