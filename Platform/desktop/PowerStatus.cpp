#include "PowerStatus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <fstream>
#include <string>
#include <system_error>

namespace {

// One line of a sysfs attribute, or nothing when the driver does not provide it.
std::string Attribute(const std::filesystem::path& supply, const char* name) {
    std::ifstream file(supply / name);
    std::string line;
    std::getline(file, line);
    return line;
}

// Older kernels name the kind of USB charger in the type itself (USB_DCP, USB_C, USB_PD, ...).
bool IsCharger(const std::string& type) {
    return type == "Mains" || type == "Wireless" || type == "USB" || type.starts_with("USB_");
}

const QString kUPowerService = QStringLiteral("org.freedesktop.UPower");
const QString kUPowerPath = QStringLiteral("/org/freedesktop/UPower");
const QString kOnBattery = QStringLiteral("OnBattery");

std::optional<bool> ReadOnBattery(const QDBusConnection& bus) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        kUPowerService, kUPowerPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << kUPowerService << kOnBattery;
    const QDBusMessage reply = bus.call(get, QDBus::Block, 500);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    const QVariant value = reply.arguments().front().value<QDBusVariant>().variant();
    if (value.typeId() != QMetaType::Bool) return std::nullopt;
    return value.toBool();
}

// The scheduler asks every second, so UPower's answer is read once and then kept up to date by
// its change signals instead of costing a bus round trip each time.
class UPowerWatcher final : public QObject {
    Q_OBJECT

public:
    UPowerWatcher() : m_bus(QDBusConnection::systemBus()) {
        if (!m_bus.isConnected()) return;
        // Following first and reading second, so that no change falls between the two; a daemon
        // that restarts or starts late is read again, and one that leaves hands over to sysfs.
        m_bus.connect(kUPowerService, kUPowerPath,
                      QStringLiteral("org.freedesktop.DBus.Properties"),
                      QStringLiteral("PropertiesChanged"), QStringLiteral("sa{sv}as"), this,
                      SLOT(PropertiesChanged(QString, QVariantMap, QStringList)));
        auto* ownerWatcher = new QDBusServiceWatcher(
            kUPowerService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(ownerWatcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
                [this](const QString&, const QString&, const QString& newOwner) {
                    m_onBattery = newOwner.isEmpty() ? std::nullopt : ReadOnBattery(m_bus);
                });
        m_onBattery = ReadOnBattery(m_bus);
    }

    std::optional<bool> OnBattery() const { return m_onBattery; }

private slots:
    void PropertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated) {
        if (interface != kUPowerService) return;
        if (const auto value = changed.find(kOnBattery);
            value != changed.end() && value->typeId() == QMetaType::Bool)
            m_onBattery = value->toBool();
        else if (invalidated.contains(kOnBattery))
            m_onBattery = ReadOnBattery(m_bus);
    }

private:
    QDBusConnection m_bus;
    std::optional<bool> m_onBattery;
};

class SystemPowerStatus final : public PowerStatus {
public:
    bool IsOnMainsPower() override {
        return ::IsOnMainsPower(m_upower.OnBattery(), "/sys/class/power_supply");
    }

private:
    UPowerWatcher m_upower;
};

}  // namespace

bool IsOnMainsPowerBySupplies(const std::filesystem::path& root) {
    bool discharging = false;
    std::error_code error;
    // Each entry is a symbolic link to the supply's device folder, which the reads follow. The
    // scheduler asks every second, so a folder that cannot be read ends the loop, not the tick.
    for (std::filesystem::directory_iterator entry(root, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::filesystem::path& supply = entry->path();
        const std::string type = Attribute(supply, "type");
        if (IsCharger(type)) {
            // 1 is a fixed supply, 2 a programmable one (USB Power Delivery); 0 is unplugged.
            const std::string online = Attribute(supply, "online");
            if (!online.empty() && online != "0") return true;
        } else if (type == "Battery" && !discharging) {
            // Device-scope batteries power a mouse or a keyboard, not the computer; no scope at
            // all means the system's.
            const std::string scope = Attribute(supply, "scope");
            discharging = (scope.empty() || scope == "System") &&
                          Attribute(supply, "status") == "Discharging";
        }
    }
    return !discharging;
}

bool IsOnMainsPower(std::optional<bool> upowerOnBattery, const std::filesystem::path& supplies) {
    return upowerOnBattery ? !*upowerOnBattery : IsOnMainsPowerBySupplies(supplies);
}

ServiceSlot<PowerStatus>& PowerStatus::Slot() {
    static ServiceSlot<PowerStatus> slot(
        [] { return std::unique_ptr<PowerStatus>(std::make_unique<SystemPowerStatus>()); });
    return slot;
}

#include "PowerStatus.moc"
