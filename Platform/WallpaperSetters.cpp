#include "WallpaperSetters.h"

#include "DesktopTools.h"
#include "QtText.h"
#include "RootPixmap.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

namespace {

using Outcome = DesktopTools::Outcome;

QString FileUri(const std::string& path) {
    return QString::fromLatin1(EncodedFileUrl(path));
}

QString Text(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

// text between quote characters, a backslash before any quote or backslash in it: a string of
// Plasma's scripts and a word of sway's commands alike.
QString Quoted(const QString& text, QChar quote) {
    QString quoted = quote;
    for (QChar c : text) {
        if (c == u'\\' || c == quote) quoted += u'\\';
        quoted += c;
    }
    return quoted + quote;
}

// The value of a string as gsettings prints it: between single quotes (double quotes when it
// holds a single quote), a backslash before special characters.
QString PrintedString(const QString& printed) {
    const QString text = printed.trimmed();
    if (text.size() < 2 || (text.front() != u'\'' && text.front() != u'"') ||
        text.back() != text.front())
        return text;
    QString value;
    for (qsizetype i = 1; i + 1 < text.size(); ++i) {
        if (text[i] != u'\\' || i + 2 >= text.size()) {
            value += text[i];
            continue;
        }
        const QChar escaped = text[++i];
        const int digits = escaped == u'u' ? 4 : escaped == u'U' ? 8 : 0;
        if (digits > 0 && i + digits + 1 < text.size()) {
            const char32_t code = text.mid(i + 1, digits).toUInt(nullptr, 16);
            value += QString::fromUcs4(&code, 1);
            i += digits;
        } else {
            static const QString plain = QStringLiteral("abfnrtv");
            static const QString meant = QStringLiteral("\a\b\f\n\r\t\v");
            const qsizetype special = plain.indexOf(escaped);
            value += special >= 0 ? meant[special] : escaped;
        }
    }
    return value;
}

// A tool that ended well without making the change: its own words, else what it kept.
Outcome NotTaken(const Outcome& set, const QString& kept) {
    return {EIO, {}, set.message.isEmpty() ? kept : set.message};
}

Outcome Gsettings(DesktopTools& tools, const char* schema, const char* key, const QString& value) {
    const QString tool = QStringLiteral("gsettings");
    const QString schemaName = QLatin1String(schema);
    const QString keyName = QLatin1String(key);
    const Outcome set = tools.Run(tool, {QStringLiteral("set"), schemaName, keyName, value});
    if (set.error != 0) return set;
    // gsettings ends well also when dconf could not store the value (its session bus gone):
    // only reading it back tells.
    const Outcome got = tools.Run(tool, {QStringLiteral("get"), schemaName, keyName});
    if (got.error != 0) return got;
    if (PrintedString(got.output) == value) return {};
    return NotTaken(set, QStringLiteral("gsettings kept %1 as %2 of %3")
                             .arg(got.output.trimmed(), keyName, schemaName));
}

Outcome SetGnome(DesktopTools& tools, const std::string& path) {
    const char* schema = "org.gnome.desktop.background";
    if (Outcome set = Gsettings(tools, schema, "picture-uri", FileUri(path)); set.error != 0)
        return set;
    // Since GNOME 42 the dark style shows a key of its own; older versions don't have it.
    const auto keys = tools.Run(QStringLiteral("gsettings"),
                                {QStringLiteral("list-keys"), QLatin1String(schema)});
    if (keys.error != 0 || !keys.output.split(u'\n').contains(u"picture-uri-dark")) return {};
    return Gsettings(tools, schema, "picture-uri-dark", FileUri(path));
}

// Workspaces have a picture each; xfwm4 keeps their number, and 1 is where single-workspace
// mode takes its picture from.
int XfceWorkspaceCount(DesktopTools& tools) {
    const auto count =
        tools.Run(QStringLiteral("xfconf-query"),
                  {QStringLiteral("-c"), QStringLiteral("xfwm4"), QStringLiteral("-p"),
                   QStringLiteral("/general/workspace_count")});
    bool number = false;
    const int workspaces = count.output.trimmed().toInt(&number);
    return count.error == 0 && number && workspaces >= 1 && workspaces <= 32 ? workspaces : 1;
}

// Sets a string property of an xfconf channel (making it first when create) and reads it back.
Outcome SetXfconfString(DesktopTools& tools, const QString& channel, const QString& property,
                        const QString& value, bool create) {
    const QString tool = QStringLiteral("xfconf-query");
    const QStringList address{QStringLiteral("-c"), channel, QStringLiteral("-p"), property};
    QStringList setting = address;
    if (create) setting << QStringLiteral("-n") << QStringLiteral("-t") << QStringLiteral("string");
    const Outcome set = tools.Run(tool, setting << QStringLiteral("-s") << value);
    if (set.error != 0) return set;
    const Outcome read = tools.Run(tool, address);
    if (read.error != 0) return read;
    QString kept = read.output;
    if (kept.endsWith(u'\n')) kept.chop(1);
    return kept == value
               ? Outcome{}
               : NotTaken(set, QStringLiteral("xfconf kept %1 as %2").arg(kept, property));
}

Outcome SetXfce(DesktopTools& tools, const std::string& path, const QStringList& outputs) {
    const QString tool = QStringLiteral("xfconf-query");
    const QString channel = QStringLiteral("xfce4-desktop");
    const auto listed = tools.Run(tool, {QStringLiteral("-c"), channel, QStringLiteral("-l")});
    if (listed.error != 0) return listed;
    QStringList properties;
    for (const QString& line : listed.output.split(u'\n', Qt::SkipEmptyParts))
        if (line.trimmed().endsWith(u"/last-image")) properties << line.trimmed();
    // Before xfdesktop has run once (the first login) there is no picture property yet: we make
    // them under the names xfdesktop 4.18 reads, the output's name and "screen".
    const bool create = properties.isEmpty();
    if (create) {
        QStringList monitors = outputs;
        if (!monitors.contains(u"screen")) monitors << QStringLiteral("screen");
        const int workspaces = XfceWorkspaceCount(tools);
        for (const QString& monitor : monitors)
            for (int workspace = 0; workspace < workspaces; ++workspace)
                properties << QStringLiteral("/backdrop/screen0/monitor%1/workspace%2/last-image")
                                  .arg(monitor)
                                  .arg(workspace);
    }
    for (const QString& property : properties)
        if (Outcome set = SetXfconfString(tools, channel, property, Text(path), create);
            set.error != 0)
            return set;
    return {};
}

Outcome SetKde(DesktopTools& tools, const std::string& path) {
    // The script reads the picture back: a desktop that did not take it fails the call.
    const QString script = QStringLiteral(
                               "var all = desktops();"
                               "for (var i = 0; i < all.length; i++) {"
                               "var d = all[i];"
                               "d.wallpaperPlugin = 'org.kde.image';"
                               "d.currentConfigGroup = Array('Wallpaper', 'org.kde.image', "
                               "'General');"
                               "d.writeConfig('Image', %1);"
                               "if (d.readConfig('Image') != %1) "
                               "throw 'Plasma kept ' + d.readConfig('Image');"
                               "}")
                               .arg(Quoted(FileUri(path), u'\''));
    return tools.Call(QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                      QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"),
                      {script});
}

Outcome SetLxqt(DesktopTools& tools, const std::string& path) {
    // pcmanfm-qt hands the picture to the copy of it that runs and ends well, also when that copy
    // shows no desktop or none runs: then the picture is neither shown nor kept. So we ask first.
    const Outcome desktop = tools.Call(
        QStringLiteral("org.pcmanfm.PCManFM"), QStringLiteral("/Application"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
        {QStringLiteral("org.pcmanfm.Application"), QStringLiteral("desktopManagerEnabled")});
    // A pcmanfm-qt that does not know the property answers with an error of its own: it gets the
    // picture as before.
    const bool noDesktop = desktop.error == ENOENT || desktop.error == ECONNREFUSED ||
                           (desktop.error == 0 && desktop.output != u"true");
    if (!noDesktop)
        // A new profile shows no picture at all ("none") whatever picture it is given; the
        // composed picture has the screen's size, so stretching leaves it as it is.
        return tools.Run(QStringLiteral("pcmanfm-qt"),
                         {QStringLiteral("--set-wallpaper"), Text(path),
                          QStringLiteral("--wallpaper-mode"), QStringLiteral("stretch")});
    // LXQt without its Desktop module (or before the module has started) shows X11's root window.
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        return {
            ENOTSUP, {}, QStringLiteral("pcmanfm-qt shows no desktop (start it with --desktop)")};
    return {SetRootWindowPixmap(path), {}, {}};
}

Outcome SetHyprland(DesktopTools& tools, const std::string& path) {
    const QString tool = QStringLiteral("hyprctl");
    const QString paper = QStringLiteral("hyprpaper");
    for (const QStringList& arguments :
         {QStringList{paper, QStringLiteral("preload"), Text(path)},
          QStringList{paper, QStringLiteral("wallpaper"), u',' + Text(path)}}) {
        if (Outcome done = tools.Run(tool, arguments); done.error != 0) return done;
    }
    // Preloaded pictures stay in memory until unloaded; the previous one is not needed now.
    tools.Run(tool, {paper, QStringLiteral("unload"), QStringLiteral("unused")});
    return {};
}

Outcome SetDesktop(DesktopKind kind, const std::string& path, const QStringList& outputs) {
    DesktopTools& tools = DesktopTools::Instance();
    switch (kind) {
        case DesktopKind::Gnome:
            return SetGnome(tools, path);
        case DesktopKind::Cinnamon:
            return Gsettings(tools, "org.cinnamon.desktop.background", "picture-uri",
                             FileUri(path));
        case DesktopKind::Mate:
            return Gsettings(tools, "org.mate.background", "picture-filename", Text(path));
        case DesktopKind::Xfce:
            return SetXfce(tools, path, outputs);
        case DesktopKind::Kde:
            return SetKde(tools, path);
        case DesktopKind::Lxqt:
            return SetLxqt(tools, path);
        case DesktopKind::Sway:
            // sway runs swaybg for its outputs itself and replaces it at each change.
            return tools.Run(QStringLiteral("swaymsg"),
                             {QStringLiteral("output * bg %1 fill").arg(Quoted(Text(path), u'"'))});
        case DesktopKind::Hyprland:
            return SetHyprland(tools, path);
        case DesktopKind::WaylandSwaybg:
            return tools.Keep(QStringLiteral("swaybg"),
                              {QStringLiteral("-o"), QStringLiteral("*"), QStringLiteral("-i"),
                               Text(path), QStringLiteral("-m"), QStringLiteral("fill")},
                              QFileInfo(Text(path)).absolutePath());
        case DesktopKind::X11Root:
            return {SetRootWindowPixmap(path), {}, {}};
        case DesktopKind::Unsupported:
            return {ENOTSUP,
                    {},
                    QStringLiteral("no wallpaper tool for this Wayland session; install swaybg")};
        case DesktopKind::NoSession:
            break;
    }
    return {ENOTSUP,
            {},
            QStringLiteral("no desktop session: neither DISPLAY nor WAYLAND_DISPLAY is set")};
}

}  // namespace

bool KeepsPicturePerOutput(DesktopKind kind) {
    switch (kind) {
        case DesktopKind::Xfce:
        case DesktopKind::Kde:
        case DesktopKind::Sway:
        case DesktopKind::Hyprland:
        case DesktopKind::WaylandSwaybg:
            return true;
        default:
            return false;
    }
}

WallpaperResult SetDesktopWallpaper(DesktopKind kind, const std::vector<TOutputPicture>& pictures) {
    if (pictures.empty()) return {EINVAL, "no picture to show"};
    QStringList outputs;
    for (const TOutputPicture& picture : pictures) outputs << picture.Outputs;
    const Outcome outcome = SetDesktop(kind, pictures.front().Path, outputs);
    if (outcome.error == 0) return {};
    return {outcome.error, outcome.message.toStdString()};
}
