#include "InstanceLock.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr std::string_view kFilePrefix = "Mutex_ProgramInstance_";
constexpr std::string_view kShowRequest = "show\n";

bool IsPrivateDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && path.front() == '/' && lstat(path.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 0777) == 0700;
}

std::string PrivateTemporaryDirectory() {
    const char* tmp = std::getenv("TMPDIR");
    std::string base = (tmp != nullptr && tmp[0] == '/') ? tmp : "/tmp";
    std::string path = base + "/Tapestrel-" + std::to_string(getuid());
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return {};
    // A directory that someone else made, or a link planted there, is never used.
    return IsPrivateDirectory(path) ? path : std::string();
}

}  // namespace

InstanceLock::InstanceLock(std::string directory, std::string_view name)
    : m_directory(std::move(directory)), m_name(name) {}

InstanceLock::~InstanceLock() {
    m_server.reset();
    if (m_fd >= 0) close(m_fd);
}

std::string InstanceLock::LockPath() const {
    return m_directory + "/" + std::string(kFilePrefix) + m_name + ".lock";
}

std::string InstanceLock::SocketPath() const {
    return m_directory + "/" + std::string(kFilePrefix) + m_name + ".sock";
}

InstanceLock::Outcome InstanceLock::Acquire() {
    if (m_fd >= 0) return Outcome::Acquired;
    if (m_directory.empty()) return Outcome::Failed;
    int fd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return Outcome::Failed;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        close(fd);
        return held ? Outcome::HeldByAnother : Outcome::Failed;
    }
    m_fd = fd;
    return Outcome::Acquired;
}

bool InstanceLock::Listen() {
    if (m_fd < 0) return false;
    if (m_server) return true;
    auto server = std::make_unique<QLocalServer>();
    server->setSocketOptions(QLocalServer::UserAccessOption);
    const QString path = QString::fromLocal8Bit(SocketPath().c_str());
    // We hold the lock, so a socket file left there belongs to an instance that has died.
    QLocalServer::removeServer(path);
    if (!server->listen(path)) return false;
    connect(server.get(), &QLocalServer::newConnection, this, &InstanceLock::ReadRequests);
    m_server = std::move(server);
    return true;
}

void InstanceLock::ReadRequests() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (socket->readLine() == QByteArray(kShowRequest.data(), kShowRequest.size()))
                    emit ShowRequested();
            }
        });
    }
}

std::string InstanceDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && IsPrivateDirectory(runtime)) return runtime;
    return PrivateTemporaryDirectory();
}

bool RequestShowFromRunningInstance(const std::string& socketPath) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);

    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // A running instance that does not read must not hang the start that asks it.
    timeval timeout{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    bool sent = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                send(fd, kShowRequest.data(), kShowRequest.size(), MSG_NOSIGNAL) ==
                    static_cast<ssize_t>(kShowRequest.size());
    close(fd);
    return sent;
}
