#include "FileDialogs.h"

#include "QtText.h"

#include <QApplication>
#include <QFileDialog>

namespace {

QString FileName(const std::string& bytes) {
    return QFile::decodeName(bytes.c_str());
}

std::optional<std::string> Chosen(const QString& name) {
    if (name.isEmpty()) return std::nullopt;
    return QFile::encodeName(name).toStdString();
}

// "Picture files|*.jpg;*.png" as Qt writes it: "Picture files (*.jpg *.png)".
QString QtFilter(const std::string& filter) {
    const QString text = ToQString(filter);
    const qsizetype bar = text.indexOf(u'|');
    if (bar < 0) return text;
    QString masks = text.mid(bar + 1);
    masks.replace(u';', u' ');
    return text.left(bar) + QStringLiteral(" (") + masks + u')';
}

class QtFileDialogs final : public FileDialogs {
public:
    std::optional<std::string> ChooseDirectory(const std::string& start,
                                               const std::string& caption) override {
        return Chosen(QFileDialog::getExistingDirectory(QApplication::activeWindow(),
                                                        ToQString(caption), FileName(start)));
    }

    std::optional<std::string> ChooseFileToOpen(const std::string& initialFile,
                                                const std::string& filter,
                                                const std::string& caption) override {
        return Chosen(QFileDialog::getOpenFileName(QApplication::activeWindow(), ToQString(caption),
                                                   FileName(initialFile), QtFilter(filter)));
    }

    std::optional<std::string> ChooseFileToSave(const std::string& initialFile,
                                                const std::string& filter) override {
        return Chosen(QFileDialog::getSaveFileName(QApplication::activeWindow(), {},
                                                   FileName(initialFile), QtFilter(filter), nullptr,
                                                   QFileDialog::DontConfirmOverwrite));
    }
};

}  // namespace

ServiceSlot<FileDialogs>& FileDialogs::Slot() {
    static ServiceSlot<FileDialogs> slot(
        [] { return std::unique_ptr<FileDialogs>(std::make_unique<QtFileDialogs>()); });
    return slot;
}
