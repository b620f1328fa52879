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

// "Picture files|*.jpg;*.png" as Qt writes it: "Picture files (*.jpg *.png)". A description
// that already ends with its masks would show them twice.
QString QtFilter(const std::string& filter) {
    const QString text = ToQString(filter);
    const qsizetype bar = text.indexOf(u'|');
    if (bar < 0) return text;
    QString masks = text.mid(bar + 1);
    masks.replace(u';', u' ');
    const QString description = text.left(bar);
    const QString shown = QStringLiteral(" (") + masks + u')';
    return description.endsWith(shown) ? description : description + shown;
}

// The one extension of a filter with a single "*.ext" mask, which a name typed without an
// extension gets before the dialog looks for it; otherwise nothing.
QString OnlyExtension(const std::string& filter) {
    const QString text = ToQString(filter);
    const QString masks = text.mid(text.indexOf(u'|') + 1);
    if (!masks.startsWith(QLatin1String("*.")) || masks.contains(u';')) return {};
    const QString extension = masks.mid(2);
    if (extension.isEmpty() || extension.contains(u'*') || extension.contains(u'?')) return {};
    return extension;
}

std::optional<std::string> Run(QFileDialog& dialog, const std::string& filter) {
    dialog.setDefaultSuffix(OnlyExtension(filter));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return Chosen(dialog.selectedFiles().constFirst());
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
        QFileDialog dialog(QApplication::activeWindow(), ToQString(caption), FileName(initialFile),
                           QtFilter(filter));
        dialog.setFileMode(QFileDialog::ExistingFile);
        return Run(dialog, filter);
    }

    std::optional<std::string> ChooseFileToSave(const std::string& initialFile,
                                                const std::string& filter) override {
        QFileDialog dialog(QApplication::activeWindow(), {}, FileName(initialFile),
                           QtFilter(filter));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        return Run(dialog, filter);
    }
};

}  // namespace

ServiceSlot<FileDialogs>& FileDialogs::Slot() {
    static ServiceSlot<FileDialogs> slot(
        [] { return std::unique_ptr<FileDialogs>(std::make_unique<QtFileDialogs>()); });
    return slot;
}
