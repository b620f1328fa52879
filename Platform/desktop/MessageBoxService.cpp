#include "MessageBoxService.h"

#include "QtText.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

namespace {

QMessageBox::Icon IconFor(unsigned flags) {
    switch (flags & 0xF0) {
        case MB_ICONHAND:
            return QMessageBox::Critical;
        case MB_ICONQUESTION:
            return QMessageBox::Question;
        case MB_ICONEXCLAMATION:
            return QMessageBox::Warning;
        case MB_ICONINFORMATION:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

QMessageBox::StandardButtons ButtonsFor(unsigned flags) {
    switch (flags & 0x0F) {
        case MB_OKCANCEL:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case MB_YESNO:
            return QMessageBox::Yes | QMessageBox::No;
        default:
            return QMessageBox::Ok;
    }
}

int AnswerFor(int button) {
    switch (button) {
        case QMessageBox::Ok:
            return IDOK;
        case QMessageBox::Yes:
            return IDYES;
        case QMessageBox::No:
            return IDNO;
        default:
            return IDCANCEL;
    }
}

class QtMessageBoxService final : public MessageBoxService {
public:
    int Show(std::string_view caption, std::string_view text, unsigned flags) override {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr) return 0;
        QMessageBox box(IconFor(flags), ToQString(caption), ToQString(text), ButtonsFor(flags),
                        QApplication::activeWindow());
        // File names and reports may contain angle brackets; never read them as markup.
        box.setTextFormat(Qt::PlainText);
        box.setWindowModality(Qt::ApplicationModal);
        return AnswerFor(box.exec());
    }

    void Beep(BeepSound) override {
        if (qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr)
            QApplication::beep();
    }
};

}  // namespace

ServiceSlot<MessageBoxService>& MessageBoxService::Slot() {
    static ServiceSlot<MessageBoxService> slot(
        [] { return std::unique_ptr<MessageBoxService>(std::make_unique<QtMessageBoxService>()); });
    return slot;
}
