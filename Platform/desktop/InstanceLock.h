#pragma once

#include <QObject>
#include <array>
#include <memory>
#include <string>
#include <string_view>

class QLocalServer;

// What a later start can ask the running instance to do besides showing itself: each word is
// also the line sent over the socket.
inline constexpr std::array<std::string_view, 3> kInstanceCommands = {"next", "previous", "random"};

// The single-instance rule. The first instance holds an exclusive flock on a file in a private
// directory of the user, which the kernel frees when the process dies however it ends, and
// listens on a local socket, through which a later start can ask it to show its window or to
// carry out one of the commands below.
class InstanceLock : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Acquired, HeldByAnother, Failed };

    // The lock of the program called name, which also names its data directory. It lives in the
    // first of these that is the user's private directory (owned by the user, mode 0700, not a
    // symbolic link) and in which the socket's path fits a socket address: $XDG_RUNTIME_DIR, the
    // system's /run/user/<uid>; else in the program's data directory, without which it fails.
    explicit InstanceLock(std::string_view name);
    ~InstanceLock() override;

    // Takes the lock and at once opens the socket, whose kernel queue keeps the requests of later
    // starts until Listen.
    Outcome Acquire();
    // Starts answering those requests; needs the Qt application object.
    bool Listen();

    // Empty when the user has no data directory at all.
    std::string LockPath() const;
    // A path, or a name in Linux's abstract socket namespace written with a leading '@' when the
    // directory's path is too long for a socket address.
    std::string SocketPath() const;
    // Why the lock could not be taken, or, when it was, why the socket could not be opened: an
    // errno code; 0 when nothing failed.
    int Error() const { return m_error; }

signals:
    void ShowRequested();
    // command: one of kInstanceCommands.
    void CommandRequested(const QString& command);

private:
    int OpenSocket();
    void ReadRequests();
    void Answer(const QByteArray& line);

    std::string m_directory;
    std::string m_name;
    int m_directoryError = 0;
    int m_error = 0;
    int m_fd = -1;
    int m_listeningFd = -1;
    int m_connections = 0;
    std::unique_ptr<QLocalServer> m_server;
};

// Asks the running instance listening at socketPath (see SocketPath) to show its window, waiting
// briefly for one that has taken the lock but not yet opened its socket. False when nobody of
// this user listens there.
bool RequestShowFromRunningInstance(const std::string& socketPath);

// Hands command, one of kInstanceCommands, to the running instance listening at socketPath, waiting
// as RequestShowFromRunningInstance does. False when nobody of this user listens there.
bool SendCommandToRunningInstance(const std::string& socketPath, std::string_view command);
