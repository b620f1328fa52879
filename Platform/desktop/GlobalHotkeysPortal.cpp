#include "GlobalHotkeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QTimer>

#include <cctype>
#include <vector>

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");
const QString kRequestInterface = QStringLiteral("org.freedesktop.portal.Request");

// One entry of BindShortcuts' a(sa{sv}): the shortcut's name and its description and trigger.
struct PortalShortcut {
    QString name;
    QVariantMap properties;
};

QDBusArgument& operator<<(QDBusArgument& argument, const PortalShortcut& shortcut) {
    argument.beginStructure();
    argument << shortcut.name << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, PortalShortcut& shortcut) {
    argument.beginStructure();
    argument >> shortcut.name >> shortcut.properties;
    argument.endStructure();
    return argument;
}

}  // namespace

Q_DECLARE_METATYPE(PortalShortcut)

namespace {

// The shortcuts notation of freedesktop.org, e.g. "CTRL+SHIFT+W".
QString Trigger(unsigned modifiers, char letter) {
    QString trigger;
    if (modifiers & GlobalHotkeys::MOD_CONTROL) trigger += QStringLiteral("CTRL+");
    if (modifiers & GlobalHotkeys::MOD_ALT) trigger += QStringLiteral("ALT+");
    if (modifiers & GlobalHotkeys::MOD_SHIFT) trigger += QStringLiteral("SHIFT+");
    return trigger + QLatin1Char(letter);
}

bool PortalOffersGlobalShortcuts(QDBusConnection& bus) {
    // Asking starts the portal when the bus only knows how to start it.
    if (!bus.isConnected()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << kInterface << QStringLiteral("version");
    const QDBusMessage reply = bus.call(get, QDBus::Block, 2000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

// A session holds the shortcuts bound to it; the portal binds a session's shortcuts only once,
// so every change of the registered set starts a new session with all of them.
class PortalGlobalHotkeys final : public GlobalHotkeys {
    Q_OBJECT

public:
    PortalGlobalHotkeys() : m_bus(QDBusConnection::sessionBus()) {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        m_available = PortalOffersGlobalShortcuts(m_bus);
        if (!m_available) return;
        m_bus.connect(kService, kPath, kInterface, QStringLiteral("Activated"), this,
                      SLOT(OnActivated(QDBusMessage)));
        m_rebind.setSingleShot(true);
        connect(&m_rebind, &QTimer::timeout, this, &PortalGlobalHotkeys::StartSession);
    }

    ~PortalGlobalHotkeys() override { CloseSession(); }

    void Register(int id, unsigned modifiers, char letter) override {
        letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
        modifiers &= MOD_ALT | MOD_CONTROL | MOD_SHIFT;
        if (!m_available || letter < 'A' || letter > 'Z') return;
        const QString trigger = Trigger(modifiers, letter);
        const QString name = QStringLiteral("hotkey-%1-%2").arg(id).arg(trigger);
        for (const Entry& entry : m_entries)
            if (entry.name == name) return;
        m_entries.push_back({id, name, trigger});
        // Registrations come in a row; one session takes them all.
        m_rebind.start(0);
    }

    void UnregisterAll() override {
        m_rebind.stop();
        m_entries.clear();
        CloseSession();
    }

    bool IsAvailable() const override { return m_available; }

private slots:
    void OnActivated(const QDBusMessage& message) {
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() < 2 || m_session.isEmpty()) return;
        if (arguments[0].value<QDBusObjectPath>().path() != m_session) return;
        const QString name = arguments[1].toString();
        for (const Entry& entry : m_entries)
            if (entry.name == name) emit Activated(entry.id);
    }

    void OnResponse(const QDBusMessage& message) {
        m_bus.disconnect(kService, message.path(), kRequestInterface, QStringLiteral("Response"),
                         this, SLOT(OnResponse(QDBusMessage)));
        const QList<QVariant> arguments = message.arguments();
        if (arguments.size() < 2) return;
        const uint response = arguments[0].toUInt();
        const QVariantMap results = qdbus_cast<QVariantMap>(arguments[1]);
        // The portal has sent the handle as a string and as an object path over the years.
        const QVariant handle = results.value(QStringLiteral("session_handle"));
        const QString session = handle.metaType() == QMetaType::fromType<QDBusObjectPath>()
                                    ? handle.value<QDBusObjectPath>().path()
                                    : handle.toString();
        if (message.path() != m_pendingRequest) {
            // A session that a later change made useless before it arrived.
            if (response == 0 && !session.isEmpty()) CloseSessionAt(session);
            return;
        }
        m_pendingRequest.clear();
        if (response != 0 || session.isEmpty()) {
            m_available = false;
            return;
        }
        m_session = session;
        Bind();
    }

private:
    struct Entry {
        int id;
        QString name;
        QString trigger;
    };

    // The portal names a request after the caller and the token; listening there before the
    // call is made means no answer can arrive unheard.
    QString RequestPath(const QString& token) const {
        QString sender = m_bus.baseService().mid(1);
        sender.replace(QLatin1Char('.'), QLatin1Char('_'));
        return kPath + QStringLiteral("/request/") + sender + QLatin1Char('/') + token;
    }

    QString NextToken() { return QStringLiteral("tapestrel_hotkeys_%1").arg(++m_tokenCount); }

    void StartSession() {
        CloseSession();
        if (m_entries.empty()) return;
        const QString token = NextToken();
        m_pendingRequest = RequestPath(token);
        m_bus.connect(kService, m_pendingRequest, kRequestInterface, QStringLiteral("Response"),
                      this, SLOT(OnResponse(QDBusMessage)));
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("CreateSession"));
        call << QVariantMap{{QStringLiteral("handle_token"), token},
                            {QStringLiteral("session_handle_token"), NextToken()}};
        auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
        const QString request = m_pendingRequest;
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [this, request](QDBusPendingCallWatcher* finished) {
                    finished->deleteLater();
                    if (!finished->isError() || request != m_pendingRequest) return;
                    m_bus.disconnect(kService, request, kRequestInterface,
                                     QStringLiteral("Response"), this,
                                     SLOT(OnResponse(QDBusMessage)));
                    m_pendingRequest.clear();
                    m_available = false;
                });
    }

    void Bind() {
        QList<PortalShortcut> shortcuts;
        for (const Entry& entry : m_entries)
            shortcuts.push_back({entry.name,
                                 {{QStringLiteral("description"),
                                   QStringLiteral("Tapestrel hot key %1").arg(entry.trigger)},
                                  {QStringLiteral("preferred_trigger"), entry.trigger}}});
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kInterface,
                                                           QStringLiteral("BindShortcuts"));
        // The user's choice in the desktop's dialog needs no answer: keys the user refused just
        // never arrive.
        call << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts)
             << QString() << QVariantMap{{QStringLiteral("handle_token"), NextToken()}};
        m_bus.asyncCall(call);
    }

    void CloseSession() {
        m_pendingRequest.clear();
        if (m_session.isEmpty()) return;
        CloseSessionAt(m_session);
        m_session.clear();
    }

    void CloseSessionAt(const QString& session) {
        m_bus.asyncCall(QDBusMessage::createMethodCall(
            kService, session, QStringLiteral("org.freedesktop.portal.Session"),
            QStringLiteral("Close")));
    }

    QDBusConnection m_bus;
    bool m_available = false;
    QTimer m_rebind;
    std::vector<Entry> m_entries;
    QString m_pendingRequest;
    QString m_session;
    int m_tokenCount = 0;
};

}  // namespace

std::unique_ptr<GlobalHotkeys> GlobalHotkeys::MakeForPortal() {
    return std::make_unique<PortalGlobalHotkeys>();
}

#include "GlobalHotkeysPortal.moc"
