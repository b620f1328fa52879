#include "WallpaperSetters.h"

#include "DesktopTools.h"
#include "QtText.h"
#include "RootPixmap.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
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

// One picture over several monitors must span them all; it spans before it shows, or the desktop
// would show it zoomed on each monitor for a moment. One monitor keeps the user's own choice.
Outcome SpanOver(DesktopTools& tools, const char* schema, const QStringList& outputs) {
    if (outputs.size() < 2) return {};
    return Gsettings(tools, schema, "picture-options", QStringLiteral("spanned"));
}

Outcome SetGnome(DesktopTools& tools, const std::string& path, const QStringList& outputs) {
    const char* schema = "org.gnome.desktop.background";
    if (Outcome spanned = SpanOver(tools, schema, outputs); spanned.error != 0) return spanned;
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

// The picture of the entry that names the output; the primary's for an output none names.
const TOutputPicture& PictureOf(const std::vector<TOutputPicture>& pictures,
                                const QString& output) {
    for (const TOutputPicture& picture : pictures)
        if (picture.Outputs.contains(output)) return picture;
    return pictures.front();
}

// The monitor a property of xfdesktop's is for: "HDMI-1" of
// "/backdrop/screen0/monitorHDMI-1/workspace0/last-image".
QString XfceMonitor(const QString& property) {
    for (const QString& part : property.split(u'/'))
        if (part.startsWith(u"monitor")) return part.mid(7);
    return {};
}

Outcome SetXfce(DesktopTools& tools, const std::vector<TOutputPicture>& pictures) {
    const QString tool = QStringLiteral("xfconf-query");
    const QString channel = QStringLiteral("xfce4-desktop");
    const auto listed = tools.Run(tool, {QStringLiteral("-c"), channel, QStringLiteral("-l")});
    if (listed.error != 0) return listed;
    QList<std::pair<QString, std::string>> properties;
    for (const QString& line : listed.output.split(u'\n', Qt::SkipEmptyParts))
        if (const QString property = line.trimmed(); property.endsWith(u"/last-image"))
            // Monitors not connected now, and the numbered and "screen" names of older versions,
            // show the primary's picture should they come back.
            properties.append({property, PictureOf(pictures, XfceMonitor(property)).Path});
    // Before xfdesktop has run once (the first login) there is no picture property yet: we make
    // them under the names xfdesktop 4.18 reads, the output's name and "screen".
    const bool create = properties.isEmpty();
    if (create) {
        QList<std::pair<QString, std::string>> monitors;
        for (const TOutputPicture& picture : pictures)
            for (const QString& output : picture.Outputs) monitors.append({output, picture.Path});
        if (std::none_of(monitors.cbegin(), monitors.cend(),
                         [](const auto& monitor) { return monitor.first == u"screen"; }))
            monitors.append({QStringLiteral("screen"), pictures.front().Path});
        const int workspaces = XfceWorkspaceCount(tools);
        for (const auto& [monitor, path] : monitors)
            for (int workspace = 0; workspace < workspaces; ++workspace)
                properties.append(
                    {QStringLiteral("/backdrop/screen0/monitor%1/workspace%2/last-image")
                         .arg(monitor)
                         .arg(workspace),
                     path});
    }
    for (const auto& [property, path] : properties)
        if (Outcome set = SetXfconfString(tools, channel, property, Text(path), create);
            set.error != 0)
            return set;
    return {};
}

Outcome SetKde(DesktopTools& tools, const std::vector<TOutputPicture>& pictures) {
    // The script reads the picture back: a desktop that did not take it fails the call.
    QString script;
    if (pictures.size() == 1) {
        script = QStringLiteral(
                     "var all = desktops();"
                     "for (var i = 0; i < all.length; i++) {"
                     "var d = all[i];"
                     "d.wallpaperPlugin = 'org.kde.image';"
                     "d.currentConfigGroup = Array('Wallpaper', 'org.kde.image', 'General');"
                     "d.writeConfig('Image', %1);"
                     "if (d.readConfig('Image') != %1) "
                     "throw 'Plasma kept ' + d.readConfig('Image');"
                     "}")
                     .arg(Quoted(FileUri(pictures.front().Path), u'\''));
    } else {
        // Plasma numbers its screens in an order of its own; an output's place on the desktop
        // is what both sides know it by. A desktop of no screen (-1) waits for one and gets its
        // picture at the next change.
        QStringList places;
        for (const TOutputPicture& picture : pictures)
            for (qsizetype i = 0; i < picture.Outputs.size() && i < picture.Geometries.size();
                 ++i) {
                const QRect place = picture.Geometries[i];
                places << QStringLiteral("[%1, %2, %3, %4, ")
                                  .arg(place.x())
                                  .arg(place.y())
                                  .arg(place.width())
                                  .arg(place.height()) +
                              Quoted(FileUri(picture.Path), u'\'') + u']';
            }
        // Both values at once: a picture's URI may hold a "%" of its own.
        script = QStringLiteral(
                     "var places = [%1];"
                     "var all = desktops();"
                     "for (var i = 0; i < all.length; i++) {"
                     "var d = all[i];"
                     "if (d.screen < 0) continue;"
                     "var g = screenGeometry(d.screen);"
                     "var image = %2;"
                     "for (var j = 0; j < places.length; j++) {"
                     "var p = places[j];"
                     "if (p[0] == g.x && p[1] == g.y && p[2] == g.width && p[3] == g.height) {"
                     "image = p[4];"
                     "break;"
                     "}"
                     "}"
                     "d.wallpaperPlugin = 'org.kde.image';"
                     "d.currentConfigGroup = Array('Wallpaper', 'org.kde.image', 'General');"
                     "d.writeConfig('Image', image);"
                     "if (d.readConfig('Image') != image) "
                     "throw 'Plasma kept ' + d.readConfig('Image');"
                     "}")
                     .arg(places.join(QStringLiteral(", ")),
                          Quoted(FileUri(pictures.front().Path), u'\''));
    }
    return tools.Call(QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
                      QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"),
                      {script});
}

// The root window shows the pixels the caller still holds, or else the file's.
Outcome SetRoot(const TOutputPicture& picture) {
    return {picture.Pixels.isNull() ? SetRootWindowPixmap(picture.Path)
                                    : SetRootWindowPixmap(picture.Pixels),
            {},
            {}};
}

Outcome SetLxqt(DesktopTools& tools, const TOutputPicture& picture) {
    const std::string& path = picture.Path;
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
    return SetRoot(picture);
}

// Each output's name with its file; one picture goes to every output at once, under no name.
QList<std::pair<QString, QString>> OutputFiles(const std::vector<TOutputPicture>& pictures) {
    QList<std::pair<QString, QString>> files;
    for (const TOutputPicture& picture : pictures) {
        if (pictures.size() == 1)
            files.append({QString(), Text(picture.Path)});
        else
            for (const QString& output : picture.Outputs)
                files.append({output, Text(picture.Path)});
    }
    return files;
}

Outcome SetHyprland(DesktopTools& tools, const std::vector<TOutputPicture>& pictures) {
    const QString tool = QStringLiteral("hyprctl");
    const QString paper = QStringLiteral("hyprpaper");
    QStringList files;
    QList<QStringList> wallpapers;
    for (const auto& [output, file] : OutputFiles(pictures)) {
        if (!files.contains(file)) files << file;
        wallpapers << QStringList{paper, QStringLiteral("wallpaper"), output + u',' + file};
    }
    QList<QStringList> commands;
    for (const QString& file : files)
        commands << QStringList{paper, QStringLiteral("preload"), file};
    commands << wallpapers;
    for (const QStringList& arguments : commands)
        if (Outcome done = tools.Run(tool, arguments); done.error != 0) return done;
    // Preloaded pictures stay in memory until unloaded; the previous ones are not needed now.
    tools.Run(tool, {paper, QStringLiteral("unload"), QStringLiteral("unused")});
    return {};
}

// sway runs swaybg for its outputs itself and replaces it at each change. The outputs' commands
// go in one message, so that they change together.
Outcome SetSway(DesktopTools& tools, const std::vector<TOutputPicture>& pictures) {
    QStringList commands;
    for (const auto& [output, file] : OutputFiles(pictures))
        commands << QStringLiteral("output %1 bg %2 fill")
                        .arg(output.isEmpty() ? QStringLiteral("*") : Quoted(output, u'"'),
                             Quoted(file, u'"'));
    return tools.Run(QStringLiteral("swaymsg"), {commands.join(QStringLiteral("; "))});
}

Outcome SetSwaybg(DesktopTools& tools, const std::vector<TOutputPicture>& pictures) {
    // Each -o takes the options that follow it.
    QStringList arguments;
    for (const auto& [output, file] : OutputFiles(pictures))
        arguments << QStringLiteral("-o") << (output.isEmpty() ? QStringLiteral("*") : output)
                  << QStringLiteral("-i") << file << QStringLiteral("-m") << QStringLiteral("fill");
    return tools.Keep(QStringLiteral("swaybg"), arguments,
                      QFileInfo(Text(pictures.front().Path)).absolutePath());
}

Outcome SetDesktop(DesktopKind kind, const std::vector<TOutputPicture>& pictures) {
    DesktopTools& tools = DesktopTools::Instance();
    // What a desktop that takes one picture shows: the whole desktop's, over every output.
    const std::string& path = pictures.front().Path;
    QStringList outputs;
    for (const TOutputPicture& picture : pictures) outputs << picture.Outputs;
    switch (kind) {
        case DesktopKind::Gnome:
            return SetGnome(tools, path, outputs);
        case DesktopKind::Cinnamon: {
            const char* schema = "org.cinnamon.desktop.background";
            if (Outcome spanned = SpanOver(tools, schema, outputs); spanned.error != 0)
                return spanned;
            return Gsettings(tools, schema, "picture-uri", FileUri(path));
        }
        case DesktopKind::Mate: {
            const char* schema = "org.mate.background";
            if (Outcome spanned = SpanOver(tools, schema, outputs); spanned.error != 0)
                return spanned;
            return Gsettings(tools, schema, "picture-filename", Text(path));
        }
        case DesktopKind::Xfce:
            return SetXfce(tools, pictures);
        case DesktopKind::Kde:
            return SetKde(tools, pictures);
        case DesktopKind::Lxqt:
            return SetLxqt(tools, pictures.front());
        case DesktopKind::Sway:
            return SetSway(tools, pictures);
        case DesktopKind::Hyprland:
            return SetHyprland(tools, pictures);
        case DesktopKind::WaylandSwaybg:
            return SetSwaybg(tools, pictures);
        case DesktopKind::X11Root:
            return SetRoot(pictures.front());
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

bool ShowsPixelsOnly(DesktopKind kind) {
    return kind == DesktopKind::X11Root;
}

WallpaperResult SetDesktopWallpaper(DesktopKind kind, const std::vector<TOutputPicture>& pictures) {
    if (pictures.empty()) return {EINVAL, "no picture to show"};
    const Outcome outcome = SetDesktop(kind, pictures);
    if (outcome.error == 0) return {};
    return {outcome.error, outcome.message.toStdString()};
}
