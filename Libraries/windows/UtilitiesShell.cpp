#include "ArgumentText.h"
#include "File.h"
#include "Mydialogs.h"
#include "ProgramStarter.h"
#include "QtText.h"
#include "StatusScope.h"
#include "Text.h"
#include "UrlOpener.h"
#include "Utilities.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

#include <unistd.h>
#include <cerrno>

namespace {

bool IsWebAddress(std::string_view file) {
    return file.find("://") != std::string_view::npos || file.starts_with("mailto:");
}

// An executable file that is a program and not, say, a photograph on a disk that marks every
// file executable.
bool IsProgramFile(const std::string& path) {
    if (access(path.c_str(), X_OK) != 0 || IsDirectory(path)) return false;
    std::string start;
    int error = 0;
    if (!ReadFileBytes(path, start, error, 4)) return false;
    return start.starts_with(
               "\x7f"
               "ELF") ||
           start.starts_with("#!");
}

std::string KeyPathProduct(std::string_view keyPath, std::string& subKey) {
    std::vector<std::string> parts;
    while (!keyPath.empty()) {
        const size_t end = std::min(keyPath.find('\\'), keyPath.size());
        if (end > 0) parts.emplace_back(keyPath.substr(0, end));
        keyPath.remove_prefix(std::min(end + 1, keyPath.size()));
    }
    if (parts.size() < 2 || !SameText(parts[0], "Software")) return {};
    for (size_t i = 2; i < parts.size(); ++i) subKey += (i > 2 ? "/" : "") + parts[i];
    return parts[1];
}

}  // namespace

void RunFile(std::string_view file, std::string_view parameters, std::string_view directory,
             bool quoteParameters, bool /*minimized*/) {
    TStatusScope scope("RunFile");
    if (file.empty()) {
        ShowError("The name of the file is empty.");
        return;
    }
    scope.Run([&] {
        const std::string name(file);
        if (IsWebAddress(name)) {
            if (!UrlOpener::Instance().Open(QUrl(ToQString(name))))
                scope.Raise("Failed to run file.", name, {}, ENOEXEC);
            return;
        }
        const std::string path = GetFullPath(name);
        if (!FileOrDirExists(path)) scope.Raise("Failed to run file.", name, {}, ENOENT);
        if (IsProgramFile(path)) {
            const std::vector<std::string> arguments =
                quoteParameters ? std::vector<std::string>{std::string(parameters)}
                                : SplitArguments(parameters);
            const int error = ProgramStarter::Instance().Start(
                path, parameters.empty() ? std::vector<std::string>() : arguments,
                std::string(directory));
            if (error != 0) scope.Raise("Failed to run file.", name, {}, error);
            return;
        }
        if (!UrlOpener::Instance().Open(QUrl::fromEncoded(EncodedFileUrl(path), QUrl::StrictMode)))
            scope.Raise("Failed to run file.", name, {}, ENOEXEC);
    });
}

void OpenSite(std::string_view address, std::string_view failureDescription) {
    TStatusScope scope("OpenSite");
    scope.Run([&] {
        RunFile(address, {}, {}, true, false);
        scope.AdoptCalleeFailure();
    });
    scope.ShowFailure(failureDescription);
}

bool CopyTextToClipboard(std::string_view text, std::string_view failureDescription, bool beep,
                         bool append) {
    TStatusScope scope("CopyTextToClipboard");
    if (text.empty()) {
        ShowWarning("There is no text to copy to clipboard.");
        return false;
    }
    bool placed = false;
    scope.Run([&] {
        // qGuiApp would wrongly cast an application without windows.
        QClipboard* clipboard = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                    ? QGuiApplication::clipboard()
                                    : nullptr;
        if (clipboard == nullptr) throw TException("The clipboard is not available.");
        const QString added = ToQString(text);
        clipboard->setText(append ? clipboard->text() + added : added);
        if (beep) BeepDefault();
        placed = true;
    });
    scope.ShowFailure(failureDescription.empty() ? "Failed to copy text to clipboard."
                                                 : failureDescription);
    return placed;
}

std::string GetRegistryText(RegistryRoot root, std::string_view keyPath,
                            std::string_view valueName) {
    TStatusScope scope("GetRegistryText");
    std::string text;
    scope.Run([&] {
        std::string subKey;
        const std::string product = KeyPathProduct(keyPath, subKey);
        if (!product.empty()) text = ReadRegistryValue(root, product, subKey, valueName);
    });
    return text;
}

void SetRegistryText(RegistryRoot root, std::string_view keyPath, std::string_view valueName,
                     std::string_view text) {
    TStatusScope scope("SetRegistryText");
    scope.Run([&] {
        std::string subKey;
        const std::string product = KeyPathProduct(keyPath, subKey);
        if (product.empty())
            throw TException("The key " + std::string(keyPath) + " is not a program's key.");
        WriteRegistryValue(root, product, subKey, valueName, text);
    });
}

namespace {

std::string UserKeyPath(std::string_view product, std::string_view subKey) {
    return "Software\\" + std::string(product) + "\\" + std::string(subKey);
}

}  // namespace

std::string GetUserRegistryText(std::string_view product, std::string_view subKey,
                                std::string_view valueName) {
    return GetRegistryText(RegistryRoot::CurrentUser, UserKeyPath(product, subKey), valueName);
}

void SetUserRegistryText(std::string_view product, std::string_view subKey,
                         std::string_view valueName, std::string_view text) {
    SetRegistryText(RegistryRoot::CurrentUser, UserKeyPath(product, subKey), valueName, text);
}

void SetUninstallRegistry(std::string_view keyName, std::string_view displayName,
                          std::string_view uninstallCommand) {
    TStatusScope scope("SetUninstallRegistry");
    try {
        WriteRegistryValue(RegistryRoot::LocalMachine, keyName, "Uninstall", "DisplayName",
                           displayName);
        WriteRegistryValue(RegistryRoot::LocalMachine, keyName, "Uninstall", "UninstallString",
                           uninstallCommand);
    } catch (const std::runtime_error&) {
        // A user who may not write the machine's settings installed for themselves alone.
    }
}

void DeleteUninstallerRegistry(std::string_view keyName) {
    TStatusScope scope("DeleteUninstallerRegistry");
    scope.Run([&] { RemoveRegistryKey(RegistryRoot::LocalMachine, keyName, "Uninstall"); });
}

void DroppedFilesToList(const QMimeData& drop, std::vector<std::string>& list) {
    TStatusScope scope("DroppedFilesToList");
    list.clear();
    scope.Run([&] {
        for (const QUrl& url : drop.urls()) {
            if (!url.isLocalFile()) continue;
            // Decoded from the URL's own bytes: a name that is not UTF-8 keeps its bytes.
            list.push_back(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())
                               .toStdString());
        }
    });
}
