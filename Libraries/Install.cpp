#include "Install.h"

#include "FormStyle.h"
#include "Program.h"
#include "QtText.h"
#include "Text.h"
#include "ui_InstallForm.h"

#include <QCloseEvent>
#include <QCoreApplication>

TInstallForm* InstallForm = nullptr;

TInstallForm::TInstallForm() : ui(std::make_unique<Ui::TInstallForm>()) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    InstallForm = this;
}

TInstallForm::~TInstallForm() {
    if (InstallForm == this) InstallForm = nullptr;
}

void TInstallForm::Setup(std::string_view productName, std::string_view description,
                         std::string_view versionText) {
    m_productName = productName;
    ui->DescriptionLabel->setText(ToQString(description));
    ui->VersionLabel->setText(ToQString(versionText));
    if (IsStartedAsInstaller()) setWindowTitle(ToQString("Install " + m_productName));
    if (SameText(GetParameter(1), "/Uninstall"))
        setWindowTitle(ToQString("Uninstall " + m_productName));
}

void TInstallForm::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (event->isAccepted()) QCoreApplication::quit();
}
