#include "Registry.h"

#include "QtText.h"

#include <QSettings>
#include <QStandardPaths>

#include <stdexcept>

namespace {

QString ConfigurationFolder(RegistryRoot root) {
    if (root == RegistryRoot::CurrentUser)
        return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    // The first of the system's configuration folders, as QSettings::SystemScope picks it.
    const QStringList folders =
        qEnvironmentVariable("XDG_CONFIG_DIRS").split(u':', Qt::SkipEmptyParts);
    return folders.isEmpty() ? QStringLiteral("/etc/xdg") : folders.first();
}

// Keys outside any group land in [General]; a group of that name would be written as
// [%General], which nobody else would find.
void EnterGroup(QSettings& settings, std::string_view subKey) {
    if (!subKey.empty()) settings.beginGroup(ToQString(subKey));
}

}  // namespace

std::string RegistryFilePath(RegistryRoot root, std::string_view product) {
    const QString name = ToQString(product);
    return ToBytes(ConfigurationFolder(root) + u'/' + name + u'/' + name + QStringLiteral(".conf"));
}

std::string ReadRegistryValue(RegistryRoot root, std::string_view product, std::string_view subKey,
                              std::string_view name) {
    // Read from the file named here, not from QSettings' own scopes: those remember the
    // configuration folder of the first use for the life of the process.
    QSettings settings(ToQString(RegistryFilePath(root, product)), QSettings::IniFormat);
    EnterGroup(settings, subKey);
    return ToBytes(settings.value(ToQString(name)).toString());
}

namespace {

void Sync(QSettings& settings, const std::string& path) {
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw std::runtime_error("Cannot write the settings file " + path + ".");
}

}  // namespace

void WriteRegistryValue(RegistryRoot root, std::string_view product, std::string_view subKey,
                        std::string_view name, std::string_view text) {
    const std::string path = RegistryFilePath(root, product);
    QSettings settings(ToQString(path), QSettings::IniFormat);
    EnterGroup(settings, subKey);
    settings.setValue(ToQString(name), ToQString(text));
    Sync(settings, path);
}

void RemoveRegistryKey(RegistryRoot root, std::string_view product, std::string_view subKey) {
    const std::string path = RegistryFilePath(root, product);
    QSettings settings(ToQString(path), QSettings::IniFormat);
    if (subKey.empty())
        settings.clear();
    else
        settings.remove(ToQString(subKey));
    Sync(settings, path);
}
