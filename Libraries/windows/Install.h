#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

namespace Ui {
class TInstallForm;
}

// The installer's window: the main window when the program runs as its own installer or
// uninstaller. Installing copies the program's directory into the chosen one, names the copy of
// the program after the product, records what it put there, adds the links and starts the
// installed program; uninstalling deletes what was recorded and the links again, and nothing else.
class TInstallForm : public QWidget {
    Q_OBJECT

public:
    TInstallForm();
    ~TInstallForm() override;

    void Setup(std::string_view productName, std::string_view description,
               std::string_view versionText);

    void BrowseButtonClick();
    void InstallButtonClick();
    void CancelButtonClick();

    // Both show their own failure.
    void Install();
    void Uninstall();

    std::unique_ptr<Ui::TInstallForm> ui;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool IsUninstalling() const;

    std::string m_productName;
};

extern TInstallForm* InstallForm;
