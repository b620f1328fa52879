#include "GlobalHotkeys.h"

#include <QGuiApplication>

namespace {

// Without a display (the offscreen platform, a console program) no key can reach the program.
class NoGlobalHotkeys final : public GlobalHotkeys {
public:
    void Register(int, unsigned, char) override {}
    void UnregisterAll() override {}
    bool IsAvailable() const override { return false; }
};

std::unique_ptr<GlobalHotkeys> MakeNone() {
    return std::make_unique<NoGlobalHotkeys>();
}

}  // namespace

ServiceSlot<GlobalHotkeys>& GlobalHotkeys::Slot() {
    static ServiceSlot<GlobalHotkeys> slot([] {
        if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
            return MakeNone();
        const QString platform = QGuiApplication::platformName();
        if (platform == QLatin1String("xcb")) {
            if (std::unique_ptr<GlobalHotkeys> x11 = MakeForX11()) return x11;
            return MakeNone();
        }
        if (platform.startsWith(QLatin1String("wayland"))) return MakeForPortal();
        return MakeNone();
    });
    return slot;
}
