#include "Screens.h"

#include "QtX11.h"
#include "XcbReply.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <xcb/randr.h>
#include <xcb/xcb.h>
#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

QSize Scaled(const QSize& size, double ratio) {
    return QSize(qRound(size.width() * ratio), qRound(size.height() * ratio));
}

// Screens exist only in a program with a graphical user interface (qGuiApp is no test of it:
// it casts whatever application there is).
bool HasScreens() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

const QScreen* PrimaryScreen() {
    return HasScreens() ? QGuiApplication::primaryScreen() : nullptr;
}

const QScreen* ScreenNamed(const QString& name) {
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->name() == name) return screen;
    return nullptr;
}

// The screen's work area in physical pixels, the screen placed at origin: Qt keeps it at logical
// distances from the screen's own corner.
QRect PhysicalWorkArea(const QScreen& screen, const QPoint& origin) {
    const double ratio = screen.devicePixelRatio();
    const QRect logical = screen.geometry();
    const QRect available = screen.availableGeometry();
    const QPoint inset(qRound((available.x() - logical.x()) * ratio),
                       qRound((available.y() - logical.y()) * ratio));
    return QRect(origin + inset, Scaled(available.size(), ratio));
}

// Qt's screens as Wayland gives them: at logical places, each of its own density. Places count
// at the highest density, so that monitors of different densities side by side never overlap
// (which would make them mirrors) and the densest keeps its pixels.
std::vector<TMonitor> QtMonitors() {
    const QList<QScreen*> screens = QGuiApplication::screens();
    double placeRatio = 1.0;
    for (const QScreen* screen : screens)
        placeRatio = std::max(placeRatio, screen->devicePixelRatio());
    std::vector<TMonitor> monitors;
    const QScreen* primary = PrimaryScreen();
    for (const QScreen* screen : screens) {
        const double ratio = screen->devicePixelRatio();
        const QRect logical = screen->geometry();
        const QPoint origin(qRound(logical.x() * placeRatio), qRound(logical.y() * placeRatio));
        TMonitor monitor{screen->name(),
                         QRect(origin, Scaled(logical.size(), ratio)),
                         PhysicalWorkArea(*screen, origin),
                         logical,
                         ratio,
                         screen == primary};
        if (monitor.Primary)
            monitors.insert(monitors.begin(), std::move(monitor));
        else
            monitors.push_back(std::move(monitor));
    }
    return monitors;
}

// The root window of the screen Qt opened, which DISPLAY names.
xcb_window_t Root(xcb_connection_t* connection) {
    char* host = nullptr;
    int display = 0, number = 0;
    if (xcb_parse_display(nullptr, &host, &display, &number) == 0) number = 0;
    std::free(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (; number > 0 && screens.rem > 1; --number) xcb_screen_next(&screens);
    return screens.rem > 0 ? screens.data->root : xcb_window_t{XCB_WINDOW_NONE};
}

bool HasRandrMonitors(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr == nullptr || randr->present == 0) return false;
    XcbReply<xcb_randr_query_version_reply_t> version(xcb_randr_query_version_reply(
        connection, xcb_randr_query_version(connection, 1, 5), nullptr));
    return version && (version->major_version > 1 || version->minor_version >= 5);
}

// The monitor over geometry (physical pixels) as Qt's screen of its name sees it. Qt's logical
// geometry keeps the physical top left corner and divides only the size; its work area lies
// within it, at logical distances from that corner. A screen whose geometry is not the server's
// is one Qt has not caught up with.
TMonitor WithQtScreen(const QString& name, const QRect& geometry, const QScreen* screen) {
    TMonitor monitor{name, geometry, geometry, geometry, 1.0, false};
    if (screen == nullptr) return monitor;
    const double ratio = monitor.PixelRatio = screen->devicePixelRatio();
    const QRect logical = screen->geometry();
    const bool current =
        logical.topLeft() == geometry.topLeft() && Scaled(logical.size(), ratio) == geometry.size();
    monitor.LogicalGeometry =
        current ? logical : QRect(geometry.topLeft(), Scaled(geometry.size(), 1 / ratio));
    // A stale screen without panels has none on its new area either.
    if (current || screen->availableGeometry() != logical)
        monitor.WorkArea = PhysicalWorkArea(*screen, geometry.topLeft()) & geometry;
    return monitor;
}

// The X server's active RandR monitors, which Qt's screens may lag behind; nothing without RandR
// 1.5 or without any monitor, where Qt's screens are all there is.
std::optional<std::vector<TMonitor>> RandrMonitors() {
    xcb_connection_t* connection = QtX11Connection();
    if (connection == nullptr || !HasRandrMonitors(connection)) return std::nullopt;
    XcbReply<xcb_randr_get_monitors_reply_t> reply(xcb_randr_get_monitors_reply(
        connection, xcb_randr_get_monitors(connection, Root(connection), 1), nullptr));
    if (!reply || reply->nMonitors == 0) return std::nullopt;

    struct Found {
        xcb_get_atom_name_cookie_t name;
        QRect geometry;
        bool primary;
    };
    std::vector<Found> found;
    for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem > 0;
         xcb_randr_monitor_info_next(&it))
        found.push_back({it.data->name == XCB_ATOM_NONE
                             ? xcb_get_atom_name_cookie_t{0}
                             : xcb_get_atom_name(connection, it.data->name),
                         QRect(it.data->x, it.data->y, it.data->width, it.data->height),
                         it.data->primary != 0});

    std::vector<TMonitor> monitors;
    for (const Found& monitor : found) {
        XcbReply<xcb_get_atom_name_reply_t> atom(
            monitor.name.sequence == 0
                ? nullptr
                : xcb_get_atom_name_reply(connection, monitor.name, nullptr));
        const QString name = atom ? QString::fromUtf8(xcb_get_atom_name_name(atom.get()),
                                                      xcb_get_atom_name_name_length(atom.get()))
                                  : QString();
        monitors.push_back(WithQtScreen(name, monitor.geometry, ScreenNamed(name)));
        monitors.back().Primary = monitor.primary;
    }
    // Without a primary monitor on the server, Qt picks one.
    auto primary = std::find_if(monitors.begin(), monitors.end(),
                                [](const TMonitor& monitor) { return monitor.Primary; });
    if (primary == monitors.end()) {
        const QScreen* screen = PrimaryScreen();
        primary = std::find_if(monitors.begin(), monitors.end(), [&](const TMonitor& monitor) {
            return screen != nullptr && monitor.Name == screen->name();
        });
        if (primary == monitors.end()) primary = monitors.begin();
        primary->Primary = true;
    }
    std::rotate(monitors.begin(), primary, primary + 1);
    return monitors;
}

// Watches the events that Qt selects on the connection it shares with us and that tell of new
// monitors: the X server tells of a RandR monitor set or deleted only by a ConfigureNotify of the
// root window (Qt 6 reads its monitors again on it, and so a new geometry escapes only its
// signals); a new mode or screen size comes as RandR's own events too. It goes with the watch it
// tells.
class MonitorEvents final : public QObject, public QAbstractNativeEventFilter {
public:
    MonitorEvents(MonitorWatch* watch, xcb_window_t root, uint8_t randrFirstEvent)
        : QObject(watch), m_root(root), m_randrFirstEvent(randrFirstEvent) {}

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType == "xcb_generic_event_t" &&
            TellsOfMonitors(*static_cast<const xcb_generic_event_t*>(message)) && !m_pending) {
            m_pending = true;
            // Queued: Qt handles the event after us, and its screens then tell the pixel ratio.
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_pending = false;
                    emit static_cast<MonitorWatch*>(parent())->MonitorsChanged();
                },
                Qt::QueuedConnection);
        }
        return false;
    }

private:
    bool TellsOfMonitors(const xcb_generic_event_t& event) const {
        const int type = event.response_type & ~0x80;
        if (type == XCB_CONFIGURE_NOTIFY)
            return reinterpret_cast<const xcb_configure_notify_event_t&>(event).window == m_root;
        return m_randrFirstEvent != 0 &&
               (type == m_randrFirstEvent + XCB_RANDR_SCREEN_CHANGE_NOTIFY ||
                type == m_randrFirstEvent + XCB_RANDR_NOTIFY);
    }

    xcb_window_t m_root;
    uint8_t m_randrFirstEvent;
    bool m_pending = false;
};

}  // namespace

std::vector<TMonitor> Monitors() {
    if (!HasScreens()) return {};
    if (std::optional<std::vector<TMonitor>> monitors = RandrMonitors()) return *monitors;
    return QtMonitors();
}

MonitorWatch& MonitorWatch::Instance() {
    static QPointer<MonitorWatch> watch;
    if (watch) return *watch;
    QCoreApplication* application = QCoreApplication::instance();
    watch = new MonitorWatch(application);
    xcb_connection_t* connection = QtX11Connection();
    if (connection == nullptr) return *watch;
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    application->installNativeEventFilter(new MonitorEvents(
        watch, Root(connection), randr != nullptr && randr->present ? randr->first_event : 0));
    return *watch;
}
