#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <string_view>

namespace Ui {
class TInstallForm;
}

// The installer's window: the main window when the program runs as its own installer or
// uninstaller.
class TInstallForm : public QWidget {
    Q_OBJECT

public:
    TInstallForm();
    ~TInstallForm() override;

    void Setup(std::string_view productName, std::string_view description,
               std::string_view versionText);

    std::unique_ptr<Ui::TInstallForm> ui;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    std::string m_productName;
};

extern TInstallForm* InstallForm;
