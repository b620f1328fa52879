#include "InputDialog.h"

#include "QtText.h"

#include <QApplication>
#include <QInputDialog>

namespace {

class QtInputDialog final : public InputDialog {
public:
    std::optional<std::string> Ask(const std::string& caption, const std::string& prompt,
                                   const std::string& text) override {
        bool confirmed = false;
        const QString answer = QInputDialog::getText(
            QApplication::activeWindow(), ToQString(caption), ToQString(prompt), QLineEdit::Normal,
            ToQString(text), &confirmed);
        if (!confirmed) return std::nullopt;
        return ToBytes(answer);
    }
};

}  // namespace

ServiceSlot<InputDialog>& InputDialog::Slot() {
    static ServiceSlot<InputDialog> slot(
        [] { return std::unique_ptr<InputDialog>(std::make_unique<QtInputDialog>()); });
    return slot;
}
