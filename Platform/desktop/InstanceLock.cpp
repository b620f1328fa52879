#include "InstanceLock.h"

#include "SpecialFolders.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr std::string_view kFilePrefix = "Mutex_ProgramInstance_";
// Each request is one word on a line of its own; a word the running copy does not know, from a
// newer copy say, is ignored.
constexpr std::string_view kShowRequest = "show";
// A later start sends one short line at once. Whatever else connects must not take the program's
// memory or descriptors: a longer line, a slower one and connections beyond these are cut off.
constexpr qint64 kMaxRequestBytes = 64;
constexpr auto kRequestTimeout = 2s;
constexpr int kMaxConnections = 16;
// Room for the requests of copies started together, which queue before Listen.
constexpr int kBacklog = 32;
// The holder opens its socket right after taking the lock; a start that comes in between waits.
constexpr auto kSocketPatience = 2s;
constexpr auto kSocketRetryPause = 20ms;

std::string SocketPathIn(const std::string& directory, std::string_view name) {
    return directory + "/" + std::string(kFilePrefix) + std::string(name) + ".sock";
}

bool FitsSocketAddress(const std::string& path) {
    return path.size() < sizeof(sockaddr_un::sun_path);
}

bool IsPrivateDirectory(const std::string& path) {
    struct stat info {};
    return !path.empty() && path.front() == '/' && lstat(path.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode) && info.st_uid == getuid() && (info.st_mode & 0777) == 0700;
}

// The system makes /run/user/<uid> for each session even when XDG_RUNTIME_DIR is wrong or too
// long; unlike a name in the shared temporary directory, nobody else can make it first. When even
// the data directory cannot be used, error tells why and its path still names the lock for the
// user.
std::string InstanceDirectory(std::string_view name, int& error) {
    error = 0;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    for (const std::string& directory : {std::string(runtime != nullptr ? runtime : ""),
                                         "/run/user/" + std::to_string(getuid())}) {
        if (IsPrivateDirectory(directory) && FitsSocketAddress(SocketPathIn(directory, name)))
            return directory;
    }
    const std::string directory = PrivateDataDirectory(name, error);
    return error == 0 ? directory : PrivateDataDirectoryPath(name);
}

// FNV-1a, the same in every build, so that every copy of the program finds the same name.
std::string Fingerprint(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char byte : text) hash = (hash ^ byte) * 1099511628211ull;
    char digits[16];
    return {digits, std::to_chars(digits, digits + sizeof(digits), hash, 16).ptr};
}

// socketPath: a file, or an abstract name after '@', which the address starts with a null byte
// instead and which is exactly as long as the address says.
bool MakeAddress(const std::string& socketPath, sockaddr_un& address, socklen_t& length) {
    address = {};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || !FitsSocketAddress(socketPath)) return false;
    std::memcpy(address.sun_path, socketPath.data(), socketPath.size());
    const bool abstract = socketPath.front() == '@';
    if (abstract) address.sun_path[0] = '\0';
    length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socketPath.size() +
                                    (abstract ? 0 : 1));
    return true;
}

// An abstract name has no file whose permissions keep others out: anyone may connect to it, or
// take it first. Both ends therefore talk only to a process of the same user.
bool IsPeerOfThisUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    return getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && peer.uid == getuid();
}

void HangUp(QLocalSocket* socket) {
    socket->abort();
    socket->deleteLater();
}

enum class Delivery { Sent, NobodyListens, Failed };

Delivery SendRequest(const std::string& socketPath, std::string_view word) {
    sockaddr_un address{};
    socklen_t length = 0;
    if (!MakeAddress(socketPath, address, length)) return Delivery::Failed;
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Delivery::Failed;
    // A running instance that does not read, or whose queue is full, must not hang the start
    // that asks it.
    timeval timeout{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof(timeout));
    const std::string line = std::string(word) + "\n";
    Delivery delivery = Delivery::Sent;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0)
        delivery =
            (errno == ENOENT || errno == ECONNREFUSED) ? Delivery::NobodyListens : Delivery::Failed;
    else if (!IsPeerOfThisUser(fd) ||
             send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size()))
        delivery = Delivery::Failed;
    close(fd);
    return delivery;
}

bool RequestFromRunningInstance(const std::string& socketPath, std::string_view word) {
    const auto deadline = std::chrono::steady_clock::now() + kSocketPatience;
    for (;;) {
        const Delivery delivery = SendRequest(socketPath, word);
        if (delivery != Delivery::NobodyListens || std::chrono::steady_clock::now() >= deadline)
            return delivery == Delivery::Sent;
        std::this_thread::sleep_for(kSocketRetryPause);
    }
}

}  // namespace

InstanceLock::InstanceLock(std::string_view name) : m_name(name) {
    m_directory = InstanceDirectory(name, m_directoryError);
}

InstanceLock::~InstanceLock() {
    // The socket goes while the lock is still held, so that it never takes the next holder's.
    m_server.reset();
    if (m_listeningFd >= 0) {
        close(m_listeningFd);
        if (const std::string path = SocketPath(); path.front() == '/') unlink(path.c_str());
    }
    if (m_fd >= 0) close(m_fd);
}

std::string InstanceLock::LockPath() const {
    if (m_directory.empty()) return {};
    return m_directory + "/" + std::string(kFilePrefix) + m_name + ".lock";
}

std::string InstanceLock::SocketPath() const {
    const std::string path = SocketPathIn(m_directory, m_name);
    if (FitsSocketAddress(path)) return path;
    return "@" + std::string(kFilePrefix) + m_name + "-" + Fingerprint(m_directory);
}

InstanceLock::Outcome InstanceLock::Acquire() {
    if (m_fd >= 0) return Outcome::Acquired;
    if (m_directoryError != 0) {
        m_error = m_directoryError;
        return Outcome::Failed;
    }
    const int fd = open(LockPath().c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = errno;
        return Outcome::Failed;
    }
    // Only a file of our own keeps other copies out: one that someone else put there could be
    // locked, or taken away, behind our back.
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != getuid()) {
        m_error = EPERM;
        close(fd);
        return Outcome::Failed;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool held = errno == EWOULDBLOCK;
        m_error = held ? 0 : errno;
        close(fd);
        return held ? Outcome::HeldByAnother : Outcome::Failed;
    }
    m_fd = fd;
    m_error = OpenSocket();
    return Outcome::Acquired;
}

int InstanceLock::OpenSocket() {
    const std::string path = SocketPath();
    sockaddr_un address{};
    socklen_t length = 0;
    if (!MakeAddress(path, address, length)) return ENAMETOOLONG;
    // We hold the lock, so a socket file left there belongs to an instance that has died.
    if (path.front() == '/') unlink(path.c_str());
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(fd, kBacklog) != 0) {
        const int error = errno;
        close(fd);
        return error;
    }
    m_listeningFd = fd;
    return 0;
}

bool InstanceLock::Listen() {
    if (m_server) return true;
    if (m_listeningFd < 0) return false;
    auto server = std::make_unique<QLocalServer>();
    if (!server->listen(m_listeningFd)) return false;
    m_listeningFd = -1;
    connect(server.get(), &QLocalServer::newConnection, this, &InstanceLock::ReadRequests);
    m_server = std::move(server);
    return true;
}

void InstanceLock::ReadRequests() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        if (m_connections >= kMaxConnections || !IsPeerOfThisUser(socket->socketDescriptor())) {
            HangUp(socket);
            continue;
        }
        ++m_connections;
        connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        socket->setReadBufferSize(kMaxRequestBytes);
        QTimer::singleShot(kRequestTimeout, socket, [socket] { HangUp(socket); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->canReadLine()) {
                // The connection is done with before the request is carried out: a command may
                // open a window, whose loop would otherwise delete the socket under our feet.
                const QByteArray line = socket->readLine().chopped(1);
                HangUp(socket);
                QTimer::singleShot(0, this, [this, line] { Answer(line); });
            } else if (socket->bytesAvailable() >= kMaxRequestBytes) {
                HangUp(socket);
            }
        });
    }
}

void InstanceLock::Answer(const QByteArray& line) {
    const std::string_view word(line.constData(), static_cast<size_t>(line.size()));
    if (word == kShowRequest) {
        emit ShowRequested();
        return;
    }
    for (const std::string_view command : kInstanceCommands)
        if (word == command) emit CommandRequested(QString::fromLatin1(line));
}

bool RequestShowFromRunningInstance(const std::string& socketPath) {
    return RequestFromRunningInstance(socketPath, kShowRequest);
}

bool SendCommandToRunningInstance(const std::string& socketPath, std::string_view command) {
    return RequestFromRunningInstance(socketPath, command);
}
