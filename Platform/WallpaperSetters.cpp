#include "WallpaperSetters.h"

#include "DesktopTools.h"
#include "QtText.h"
#include "RootPixmap.h"

#include <QByteArray>
#include <QFile>

#include <cerrno>

namespace {

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

int Gsettings(DesktopTools& tools, const char* schema, const char* key, const QString& value) {
    return tools
        .Run(QStringLiteral("gsettings"),
             {QStringLiteral("set"), QLatin1String(schema), QLatin1String(key), value})
        .error;
}

int SetGnome(DesktopTools& tools, const std::string& path) {
    const char* schema = "org.gnome.desktop.background";
    if (const int error = Gsettings(tools, schema, "picture-uri", FileUri(path))) return error;
    // Since GNOME 42 the dark style shows a key of its own; older versions don't have it.
    const auto keys = tools.Run(QStringLiteral("gsettings"),
                                {QStringLiteral("list-keys"), QLatin1String(schema)});
    if (keys.error != 0 || !keys.output.split(u'\n').contains(u"picture-uri-dark")) return 0;
    return Gsettings(tools, schema, "picture-uri-dark", FileUri(path));
}

int SetXfce(DesktopTools& tools, const std::string& path) {
    const QString tool = QStringLiteral("xfconf-query");
    const QString channel = QStringLiteral("xfce4-desktop");
    const auto listed = tools.Run(tool, {QStringLiteral("-c"), channel, QStringLiteral("-l")});
    if (listed.error != 0) return listed.error;
    QStringList properties;
    for (const QString& line : listed.output.split(u'\n', Qt::SkipEmptyParts))
        if (line.trimmed().endsWith(u"/last-image")) properties << line.trimmed();
    // Every monitor and workspace has its own image; a desktop that never had one gets the
    // first monitor's.
    if (properties.isEmpty()) {
        return tools
            .Run(tool, {QStringLiteral("-c"), channel, QStringLiteral("-p"),
                        QStringLiteral("/backdrop/screen0/monitor0/workspace0/last-image"),
                        QStringLiteral("-n"), QStringLiteral("-t"), QStringLiteral("string"),
                        QStringLiteral("-s"), Text(path)})
            .error;
    }
    for (const QString& property : properties) {
        const int error = tools
                              .Run(tool, {QStringLiteral("-c"), channel, QStringLiteral("-p"),
                                          property, QStringLiteral("-s"), Text(path)})
                              .error;
        if (error != 0) return error;
    }
    return 0;
}

int SetKde(DesktopTools& tools, const std::string& path) {
    const QString script = QStringLiteral(
                               "var all = desktops();"
                               "for (var i = 0; i < all.length; i++) {"
                               "var d = all[i];"
                               "d.wallpaperPlugin = 'org.kde.image';"
                               "d.currentConfigGroup = Array('Wallpaper', 'org.kde.image', "
                               "'General');"
                               "d.writeConfig('Image', %1);"
                               "}")
                               .arg(Quoted(FileUri(path), u'\''));
    return tools
        .Call(QStringLiteral("org.kde.plasmashell"), QStringLiteral("/PlasmaShell"),
              QStringLiteral("org.kde.PlasmaShell"), QStringLiteral("evaluateScript"), {script})
        .error;
}

int SetHyprland(DesktopTools& tools, const std::string& path) {
    const QString tool = QStringLiteral("hyprctl");
    const QString paper = QStringLiteral("hyprpaper");
    for (const QStringList& arguments :
         {QStringList{paper, QStringLiteral("preload"), Text(path)},
          QStringList{paper, QStringLiteral("wallpaper"), u',' + Text(path)}}) {
        if (const int error = tools.Run(tool, arguments).error) return error;
    }
    // Preloaded pictures stay in memory until unloaded; the previous one is not needed now.
    tools.Run(tool, {paper, QStringLiteral("unload"), QStringLiteral("unused")});
    return 0;
}

}  // namespace

int SetDesktopWallpaper(DesktopKind kind, const std::string& path) {
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
            return SetXfce(tools, path);
        case DesktopKind::Kde:
            return SetKde(tools, path);
        case DesktopKind::Lxqt:
            return tools
                .Run(QStringLiteral("pcmanfm-qt"), {QStringLiteral("--set-wallpaper"), Text(path)})
                .error;
        case DesktopKind::Sway:
            // sway runs swaybg for its outputs itself and replaces it at each change.
            return tools
                .Run(QStringLiteral("swaymsg"),
                     {QStringLiteral("output * bg %1 fill").arg(Quoted(Text(path), u'"'))})
                .error;
        case DesktopKind::Hyprland:
            return SetHyprland(tools, path);
        case DesktopKind::X11Root:
            return SetRootWindowPixmap(path);
        case DesktopKind::Unsupported:
            return ENOTSUP;
    }
    return ENOTSUP;
}
