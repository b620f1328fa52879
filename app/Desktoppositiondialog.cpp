#include "Desktoppositiondialog.h"

#include "FormStyle.h"
#include "ui_DesktopPositionForm.h"

TDesktopPositionForm* DesktopPositionForm = nullptr;

TDesktopPositionForm::TDesktopPositionForm() : ui(std::make_unique<Ui::TDesktopPositionForm>()) {
    ui->setupUi(this);
    MakeFixedWindow(*this);
    connect(ui->CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    DesktopPositionForm = this;
}

TDesktopPositionForm::~TDesktopPositionForm() {
    if (DesktopPositionForm == this) DesktopPositionForm = nullptr;
}
