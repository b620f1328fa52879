#pragma once

#include <QObject>
#include <memory>
#include <string>
#include <string_view>

class QLocalServer;

// The single-instance rule. The first instance holds an exclusive flock on a file in the user's
// runtime directory, which the kernel frees when the process dies however it ends, and listens
// on a local socket beside it, through which a later start can ask it to show its window.
class InstanceLock : public QObject {
    Q_OBJECT

public:
    enum class Outcome { Acquired, HeldByAnother, Failed };

    // directory: where the lock and the socket live (see InstanceDirectory).
    InstanceLock(std::string directory, std::string_view name);
    ~InstanceLock() override;

    Outcome Acquire();
    // Starts listening for requests of later starts; needs the Qt application object.
    bool Listen();

    std::string LockPath() const;
    std::string SocketPath() const;

signals:
    void ShowRequested();

private:
    void ReadRequests();

    std::string m_directory;
    std::string m_name;
    int m_fd = -1;
    std::unique_ptr<QLocalServer> m_server;
};

// $XDG_RUNTIME_DIR when it is the user's private directory (owned by the user, mode 0700, not a
// symbolic link); otherwise a private directory of ours in the temporary directory. Empty when
// neither can be had safely.
std::string InstanceDirectory();

// Asks the running instance listening at socketPath to show its window. False when nobody
// listens there.
bool RequestShowFromRunningInstance(const std::string& socketPath);
