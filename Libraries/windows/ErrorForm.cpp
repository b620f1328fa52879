#include "ErrorForm.h"

#include "Application.h"
#include "Error.h"
#include "File.h"
#include "FormStyle.h"
#include "Mydialogs.h"
#include "Program.h"
#include "QtText.h"
#include "StatusScope.h"
#include "StatusViewer.h"
#include "TerminationSignals.h"
#include "ui_ErrorForm.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

TErrorForm* ErrorForm = nullptr;

namespace {

constexpr off_t kLogSizeLimit = 10000;

// Reports go to the error window; before it is made, the user at least learns that something
// failed.
class TErrorWindowViewer final : public TStatusViewer {
public:
    bool ShowReport(std::string_view caption, std::string_view description, std::string_view report,
                    bool* noErrors) override {
        // At the end of the session nobody is there to answer and the program must not wait:
        // what failed on the way out goes to the session's log.
        if (TerminationSignals::Arrived())
            return StandardErrorViewer().ShowReport(caption, description, report, noErrors);
        if (ErrorForm == nullptr) {
            if (noErrors != nullptr) *noErrors = false;
            ShowMessageBox("Error", "The error-dialog form is not created. You must create it.",
                           MB_OK);
            return false;
        }
        return ErrorForm->ShowReport(caption, description, report, noErrors);
    }

    int RecursionCounter() const override {
        return ErrorForm != nullptr ? ErrorForm->RecursionCounter() : 0;
    }
};

}  // namespace

TStatusViewer& ErrorWindowViewer() {
    static TErrorWindowViewer viewer;
    return viewer;
}

bool AppendToErrorLog(const std::string& path, std::string_view entry, int& error) {
    error = 0;
    // The program's directory may be shared with others; a link planted there must not make us
    // write into whatever file it names, nor a named pipe keep the error window waiting.
    const int fd = open(path.c_str(),
                        O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        error = errno;
        return false;
    }
    std::string framed = "**********";
    framed += entry;
    framed += "\r\n**********\r\n";
    struct stat info {};
    errno = 0;
    const bool written = fstat(fd, &info) == 0 &&
                         (info.st_size <= kLogSizeLimit || ftruncate(fd, 0) == 0) &&
                         WriteAll(fd, framed);
    // A write that takes nothing sets no errno.
    if (!written) error = errno != 0 ? errno : EIO;
    close(fd);
    return written;
}

void RouteApplicationExceptions() {
    if (TApplication* application = Application()) {
        application->OnException = [](QObject* sender, std::exception_ptr exception) {
            FunStatContext.OnApplicationException(sender, exception);
        };
    }
}

TErrorForm::TErrorForm() : ui(std::make_unique<Ui::TErrorForm>()) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    QPalette memoPalette = ui->MainMemo->palette();
    memoPalette.setColor(QPalette::Base, palette().color(QPalette::Window));
    ui->MainMemo->setPalette(memoPalette);

    connect(ui->OkayButton, &QPushButton::clicked, this, [this] { done(kOkay); });
    connect(ui->OkayNoErrorsButton, &QPushButton::clicked, this, [this] { done(kOkayNoErrors); });
    connect(ui->CancelButton, &QPushButton::clicked, this, [this] { done(kCancel); });
    connect(ui->TerminateButton, &QPushButton::clicked, this, &TErrorForm::TerminateButtonClick);
    connect(ui->LogButton, &QPushButton::clicked, this, &TErrorForm::LogButtonClick);
    connect(ui->HelpButton, &QPushButton::clicked, this, &TErrorForm::HelpButtonClick);

    ErrorForm = this;
    RouteApplicationExceptions();
}

TErrorForm::~TErrorForm() {
    if (TApplication* application = Application()) application->OnException = nullptr;
    if (ErrorForm == this) ErrorForm = nullptr;
}

bool TErrorForm::ShowReport(std::string_view caption, std::string_view description,
                            std::string_view report, bool* noErrors) {
    setWindowTitle(ToQString(caption));
    if (m_recursionCounter > 0) {
        ++m_recursionCounter;
        ui->RecursionLabel->setText(
            QStringLiteral("Recursive attempts = %1").arg(m_recursionCounter - 1));
        return true;
    }
    m_recursionCounter = 1;
    ui->RecursionLabel->setText(QStringLiteral("Recursive attempts = None"));
    ui->LogResultLabel->clear();
    m_memoText = DescribedReport(description, report);
    ui->MainMemo->setPlainText(
        ToQString(m_memoText).replace(QLatin1String("\r\n"), QLatin1String("\n")));

    CenterOnMainWindow(*this);
    const int result = isVisible() ? this->result() : exec();
    m_recursionCounter = 0;
    if (noErrors != nullptr) *noErrors = result == kOkayNoErrors;
    return result == kOkay || result == kOkayNoErrors;
}

bool TErrorForm::WriteLog() {
    try {
        const std::string log = GetProgramDataDirectory() + "/Errors.log";
        int error = 0;
        const bool written = AppendToErrorLog(log, m_memoText, error);
        ui->LogResultLabel->setText(
            written ? QStringLiteral("Logged to %1").arg(ToQString(log))
                    : QStringLiteral("Failed to log to %1: %2")
                          .arg(ToQString(log), ToQString(std::strerror(error))));
        return written;
    } catch (...) {
        return false;
    }
}

void TErrorForm::reject() {
    done(kCancel);
}

void TErrorForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui->OkayButton->setFocus();
}

void TErrorForm::TerminateButtonClick() {
    std::_Exit(1);
}

void TErrorForm::LogButtonClick() {
    if (WriteLog()) BeepDefault();
}

void TErrorForm::HelpButtonClick() {
    TStatusScope scope("TErrorForm::HelpButtonClick");
    scope.Run([&] {
        if (TApplication* application = Application()) {
            application->HelpContext(0);
            scope.AdoptCalleeFailure();
        }
    });
    scope.ShowFailure("Failed to show help.");
}
