#include "DesktopTools.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>

namespace {

// Desktop tools answer within a moment; one that hangs must not freeze the program for long.
constexpr int kPatienceMs = 10000;
// A program kept running fails within this time when it fails at all (no compositor, a picture
// it cannot read); it has also shown the picture by then, so the one before it may go.
constexpr int kKeptStartMs = 250;

QString NotFound(const QString& program) {
    return QStringLiteral("%1 was not found; is it installed?").arg(program);
}

// What a tool wrote on standard error, else how it ended.
QString FailureMessage(const QString& program, const QByteArray& errors, const QString& ending) {
    const QString written = QString::fromLocal8Bit(errors).trimmed();
    return written.isEmpty() ? QStringLiteral("%1 %2").arg(program, ending)
                             : QStringLiteral("%1: %2").arg(program, written);
}

// Running, not ended nor ended and not yet reaped.
bool IsRunning(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!status.open(QIODevice::ReadOnly)) return false;
    const QByteArray line = status.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end >= 0 && end + 2 < line.size() && line[end + 2] != 'Z';
}

// Our own processes of that program that were given a file of the folder.
QList<qint64> ProcessesShowing(const QString& program, const QString& folder) {
    QList<qint64> found;
    const QString name = QFileInfo(program).fileName();
    const QByteArray prefix = QFile::encodeName(QDir::cleanPath(folder) + u'/');
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        struct stat owner {};
        if (!number || stat(QFile::encodeName("/proc/" + entry).constData(), &owner) != 0 ||
            owner.st_uid != getuid())
            continue;
        QFile commandLine(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!commandLine.open(QIODevice::ReadOnly)) continue;
        const QList<QByteArray> words = commandLine.readAll().split('\0');
        if (words.isEmpty() || QFileInfo(QFile::decodeName(words.front())).fileName() != name)
            continue;
        for (const QByteArray& word : words)
            if (word.startsWith(prefix)) {
                found << pid;
                break;
            }
    }
    return found;
}

class SessionDesktopTools final : public DesktopTools {
public:
    Outcome Run(const QString& program, const QStringList& arguments) override {
        if (QStandardPaths::findExecutable(program).isEmpty())
            return {ENOENT, {}, NotFound(program)};
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForStarted(kPatienceMs)) return {ENOENT, {}, NotFound(program)};
        if (!process.waitForFinished(kPatienceMs)) {
            process.kill();
            process.waitForFinished();
            return {ETIMEDOUT,
                    {},
                    QStringLiteral("%1 did not finish within %2 seconds")
                        .arg(program)
                        .arg(kPatienceMs / 1000)};
        }
        const QString output = QString::fromUtf8(process.readAllStandardOutput());
        const QByteArray errors = process.readAllStandardError();
        if (process.exitStatus() != QProcess::NormalExit)
            return {EIO, output, FailureMessage(program, errors, QStringLiteral("crashed"))};
        if (process.exitCode() != 0)
            return {
                EIO, output,
                FailureMessage(program, errors,
                               QStringLiteral("ended with exit code %1").arg(process.exitCode()))};
        // Some tools report trouble on standard error and end well all the same; the caller
        // may need their words when it finds the change not made.
        return {
            0, output,
            errors.trimmed().isEmpty() ? QString() : FailureMessage(program, errors, QString())};
    }

    Outcome Call(const QString& service, const QString& path, const QString& interface,
                 const QString& method, const QVariantList& arguments) override {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return {ECONNREFUSED, {}, QStringLiteral("the session bus cannot be reached")};
        QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, method);
        call.setArguments(arguments);
        const QDBusMessage reply = bus.call(call, QDBus::Block, kPatienceMs);
        if (reply.type() == QDBusMessage::ReplyMessage) {
            QVariant first = reply.arguments().isEmpty() ? QVariant() : reply.arguments().front();
            // A property comes wrapped as a variant, which has no text of its own.
            if (first.metaType() == QMetaType::fromType<QDBusVariant>())
                first = qvariant_cast<QDBusVariant>(first).variant();
            return {0, first.toString(), {}};
        }
        return {reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown")
                    ? ENOENT
                    : EIO,
                {},
                QStringLiteral("%1: %2").arg(service, reply.errorMessage())};
    }

    Outcome Keep(const QString& program, const QStringList& arguments,
                 const QString& folder) override {
        const QString executable = QStandardPaths::findExecutable(program);
        if (executable.isEmpty()) return {ENOENT, {}, NotFound(program)};
        QTemporaryFile errors;
        if (!errors.open()) return {errno != 0 ? errno : EIO, {}, errors.errorString()};
        QProcess process;
        process.setProgram(executable);
        process.setArguments(arguments);
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(errors.fileName());
        qint64 pid = 0;
        if (!process.startDetached(&pid)) return {ENOENT, {}, NotFound(program)};
        const QDeadlineTimer deadline(kKeptStartMs);
        while (!deadline.hasExpired() && IsRunning(pid)) QThread::msleep(10);
        if (!IsRunning(pid))
            return {EIO,
                    {},
                    FailureMessage(program, errors.readAll(), QStringLiteral("ended at once"))};
        for (const qint64 earlier : ProcessesShowing(executable, folder))
            if (earlier != pid) ::kill(static_cast<pid_t>(earlier), SIGTERM);
        return {};
    }
};

}  // namespace

ServiceSlot<DesktopTools>& DesktopTools::Slot() {
    static ServiceSlot<DesktopTools> slot(
        [] { return std::unique_ptr<DesktopTools>(std::make_unique<SessionDesktopTools>()); });
    return slot;
}
