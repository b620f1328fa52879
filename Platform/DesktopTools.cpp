#include "DesktopTools.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>

#include <cerrno>

namespace {

// Desktop tools answer within a moment; one that hangs must not freeze the program for long.
constexpr int kPatienceMs = 10000;

class SessionDesktopTools final : public DesktopTools {
public:
    Outcome Run(const QString& program, const QStringList& arguments) override {
        if (QStandardPaths::findExecutable(program).isEmpty()) return {ENOENT, {}};
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(program, arguments);
        if (!process.waitForStarted(kPatienceMs)) return {ENOENT, {}};
        if (!process.waitForFinished(kPatienceMs)) {
            process.kill();
            process.waitForFinished();
            return {ETIMEDOUT, {}};
        }
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        const bool succeeded =
            process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        return {succeeded ? 0 : EIO, output};
    }

    Outcome Call(const QString& service, const QString& path, const QString& interface,
                 const QString& method, const QVariantList& arguments) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) return {ECONNREFUSED, {}};
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        const QDBusMessage reply = bus.call(call, QDBus::Block, kPatienceMs);
        if (reply.type() == QDBusMessage::ReplyMessage) return {0, {}};
        return {reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
                    ? ENOENT
                    : EIO,
                reply.errorMessage()};
    }
};

}  // namespace

ServiceSlot<DesktopTools>& DesktopTools::Slot() {
    static ServiceSlot<DesktopTools> slot(
        [] { return std::unique_ptr<DesktopTools>(std::make_unique<SessionDesktopTools>()); });
    return slot;
}
