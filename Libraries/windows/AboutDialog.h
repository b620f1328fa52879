#pragma once

#include <QDialog>
#include <memory>
#include <string_view>

namespace Ui {
class TAboutForm;
}

// The About window: the product's name and version, who makes it, and the pages about it.
class TAboutForm : public QDialog {
    Q_OBJECT

public:
    TAboutForm();
    ~TAboutForm() override;

    void SetProductTexts(std::string_view productName, std::string_view versionText);

    // Shows the window modally. Follows the status protocol and shows its own failure.
    void Dialog();

    void VisitMySiteButtonClick();
    void LicenseTermsButtonClick();
    void ContactMeButtonClick();

    std::unique_ptr<Ui::TAboutForm> ui;

protected:
    void showEvent(QShowEvent* event) override;
    // Okay is also the cancel button: Escape and the close box press it.
    void reject() override;
};

extern TAboutForm* AboutForm;
