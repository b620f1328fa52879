#include "AboutDialog.h"

#include "Application.h"
#include "FormStyle.h"
#include "QtText.h"
#include "StatusScope.h"
#include "Utilities.h"
#include "ui_AboutForm.h"

TAboutForm* AboutForm = nullptr;

namespace {

// The project has no web site: its help page, shipped with the program, is its home and says
// under which terms it comes and where problems go.
void OpenHelpPage(std::string_view anchor) {
    const TApplication* application = Application();
    const std::string page = application != nullptr ? application->HelpFile : std::string();
    OpenSite(page.empty() ? page : EncodedFileUrl(page).toStdString() + std::string(anchor),
             "Failed to open site.");
}

}  // namespace

TAboutForm::TAboutForm() : ui(std::make_unique<Ui::TAboutForm>()) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    QFont nameFont(QStringLiteral("Comic Sans MS"));
    nameFont.setPixelSize(48);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    ui->ProgramNameLabel->setFont(nameFont);
    ui->AuthorLabel->setText("Made by the Tapestrel developers");
    ui->ProgramsLabel->setText(
        "Tapestrel's help page is its home: it explains the program's windows, the terms under "
        "which you may use it, and how to tell its makers about a problem. The buttons below "
        "open it at those places in your web browser.");
    connect(ui->OkayButton, &QPushButton::clicked, this, [this] { done(1); });
    connect(ui->VisitMySiteButton, &QPushButton::clicked, this,
            [this] { VisitMySiteButtonClick(); });
    connect(ui->LicenseTermsButton, &QPushButton::clicked, this,
            [this] { LicenseTermsButtonClick(); });
    connect(ui->ContactMeButton, &QPushButton::clicked, this, [this] { ContactMeButtonClick(); });
    AboutForm = this;
}

TAboutForm::~TAboutForm() {
    if (AboutForm == this) AboutForm = nullptr;
}

void TAboutForm::SetProductTexts(std::string_view productName, std::string_view versionText) {
    ui->ProgramNameLabel->setText(ToQString(productName));
    ui->ProgramVersionLabel->setText(ToQString(versionText));
}

void TAboutForm::Dialog() {
    TStatusScope scope("TAboutForm::Dialog");
    scope.Run([&] {
        CenterOnMainWindow(*this);
        exec();
    });
    scope.ShowFailure("Failed to show the \"About\" dialog.");
}

void TAboutForm::VisitMySiteButtonClick() {
    OpenHelpPage("");
}

void TAboutForm::LicenseTermsButtonClick() {
    OpenHelpPage("#license");
}

void TAboutForm::ContactMeButtonClick() {
    OpenHelpPage("#problems");
}

void TAboutForm::reject() {
    ui->OkayButton->click();
}

void TAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui->OkayButton->setFocus();
}
