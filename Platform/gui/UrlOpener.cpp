#include "UrlOpener.h"

#include <QDesktopServices>

namespace {

class DesktopUrlOpener final : public UrlOpener {
public:
    bool Open(const QUrl& url) override { return QDesktopServices::openUrl(url); }
};

}  // namespace

ServiceSlot<UrlOpener>& UrlOpener::Slot() {
    static ServiceSlot<UrlOpener> slot(
        [] { return std::unique_ptr<UrlOpener>(std::make_unique<DesktopUrlOpener>()); });
    return slot;
}
