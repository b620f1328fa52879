#include "AboutDialog.h"

#include "Application.h"
#include "FormStyle.h"
#include "QtText.h"
#include "StatusScope.h"
#include "ui_AboutForm.h"

TAboutForm* AboutForm = nullptr;

TAboutForm::TAboutForm() : ui(std::make_unique<Ui::TAboutForm>()) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    QFont nameFont(QStringLiteral("Comic Sans MS"));
    nameFont.setPixelSize(48);
    nameFont.setBold(true);
    nameFont.setItalic(true);
    ui->ProgramNameLabel->setFont(nameFont);
    // Okay is also the cancel button: Escape closes the window like Okay.
    connect(ui->OkayButton, &QPushButton::clicked, this, [this] { done(1); });
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

void TAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ui->OkayButton->setFocus();
}
