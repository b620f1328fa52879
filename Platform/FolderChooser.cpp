#include "FolderChooser.h"

#include "QtText.h"

#include <QApplication>
#include <QFileDialog>

namespace {

class DialogFolderChooser final : public FolderChooser {
public:
    std::optional<std::string> Choose(const std::string& start,
                                      const std::string& caption) override {
        const QString chosen = QFileDialog::getExistingDirectory(
            QApplication::activeWindow(), ToQString(caption), QFile::decodeName(start.c_str()));
        if (chosen.isEmpty()) return std::nullopt;
        return QFile::encodeName(chosen).toStdString();
    }
};

}  // namespace

ServiceSlot<FolderChooser>& FolderChooser::Slot() {
    static ServiceSlot<FolderChooser> slot(
        [] { return std::unique_ptr<FolderChooser>(std::make_unique<DialogFolderChooser>()); });
    return slot;
}
