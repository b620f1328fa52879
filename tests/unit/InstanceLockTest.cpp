#include "InstanceLock.h"
#include "ProgramInstance.h"
#include "TestSupport.h"

#include <gmock/gmock.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::AllOf;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

// The user and group "nobody", which another local user stands for when the tests run as root.
constexpr uid_t kOtherUser = 65534;

// A raw connection to a socket file, as a later start or any other program of the user makes it.
class Connection {
public:
    explicit Connection(const std::string& socketPath)
        : m_fd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath.c_str(), sizeof(address.sun_path) - 1);
        EXPECT_EQ(connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    }
    ~Connection() { close(m_fd); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    int Fd() const { return m_fd; }
    bool IsClosedByPeer() const {
        char byte = 0;
        return recv(m_fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
    }

private:
    int m_fd;
};

class InstanceLockTest : public ::testing::Test {
protected:
    // A wrong XDG_RUNTIME_DIR gives way to the system's runtime directory where there is one; only
    // without it, as on the machines that run the tests, does the data directory take its place.
    void SkipIfTheSystemHasARuntimeDirectory() {
        if (fs::exists("/run/user/" + std::to_string(getuid())))
            GTEST_SKIP() << "the system's runtime directory would be used";
    }
    fs::path DataDirectory() const { return sandbox.Home() / ".local/share/Test"; }

    SandBox sandbox;
};

TEST_F(InstanceLockTest, OnlyOneHolderAtATime) {
    auto first = std::make_unique<InstanceLock>("Test");
    InstanceLock second("Test");
    InstanceLock otherName("Other");
    EXPECT_EQ(first->LockPath(),
              (sandbox.RuntimeDirectory() / "Mutex_ProgramInstance_Test.lock").string());
    EXPECT_EQ(first->Acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_EQ(second.Acquire(), InstanceLock::Outcome::HeldByAnother);
    EXPECT_EQ(otherName.Acquire(), InstanceLock::Outcome::Acquired);

    first.reset();
    EXPECT_EQ(second.Acquire(), InstanceLock::Outcome::Acquired);
}

TEST_F(InstanceLockTest, ARuntimeDirectoryThatIsNotPrivateOrTooLongForTheSocketGivesWayToDataHome) {
    SkipIfTheSystemHasARuntimeDirectory();
    const auto privateDirectory = [&](const std::string& name) {
        const fs::path directory = sandbox.Root() / name;
        mkdir(directory.c_str(), 0700);
        return directory;
    };
    struct Row {
        const char* what;
        std::function<fs::path()> runtimeDirectory;
    };
    std::vector<Row> rows = {
        {"open to others",
         [&] {
             const fs::path directory = privateDirectory("open");
             chmod(directory.c_str(), 0755);
             return directory;
         }},
        {"a symbolic link",
         [&] {
             fs::create_directory_symlink(sandbox.RuntimeDirectory(), sandbox.Root() / "link");
             return sandbox.Root() / "link";
         }},
        {"too long for a socket address",
         [&] {
             return privateDirectory(std::string(90, 'r'));
         }},
    };
    if (geteuid() == 0)
        rows.push_back({"another user's", [&] {
                            const fs::path directory = privateDirectory("theirs");
                            EXPECT_EQ(chown(directory.c_str(), kOtherUser, kOtherUser), 0);
                            return directory;
                        }});

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        setenv("XDG_RUNTIME_DIR", row.runtimeDirectory().c_str(), 1);
        InstanceLock lock("Test");
        EXPECT_EQ(lock.LockPath(), (DataDirectory() / "Mutex_ProgramInstance_Test.lock").string());
        EXPECT_EQ(lock.SocketPath(),
                  (DataDirectory() / "Mutex_ProgramInstance_Test.sock").string());
        EXPECT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
        EXPECT_EQ(lock.Error(), 0) << std::strerror(lock.Error());
    }
}

TEST_F(InstanceLockTest, ALockFileThatIsNotOursIsRefusedAndTheUserHearsWhy) {
    const std::string lockPath = InstanceLock("Test").LockPath();
    struct Row {
        const char* what;
        std::function<void()> plant;
        int error;
    };
    std::vector<Row> rows = {
        {"a symbolic link", [&] { fs::create_symlink(sandbox.Home() / ".bashrc", lockPath); },
         ELOOP},
    };
    if (geteuid() == 0)
        rows.push_back({"another user's file",
                        [&] {
                            std::ofstream(lockPath).flush();
                            EXPECT_EQ(chown(lockPath.c_str(), kOtherUser, kOtherUser), 0);
                        },
                        EPERM});

    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove(lockPath);
        row.plant();
        ScopedMessageBoxes boxes;
        EXPECT_FALSE(IsAnotherInstanceRunning("Test"));
        EXPECT_TRUE(boxes->shown.empty()) << "not before the application object exists";
        WarnIfInstanceLockFailed();
        ASSERT_EQ(boxes->shown.size(), 1u);
        EXPECT_THAT(boxes->shown[0].text,
                    AllOf(HasSubstr("cannot make sure that only one copy"), HasSubstr(lockPath),
                          HasSubstr(std::strerror(row.error))));
        ReleaseInstanceMutex();
    }
    if (geteuid() != 0) GTEST_SKIP() << "another user's file needs root to be made";
}

TEST_F(InstanceLockTest, ALaterStartCanAskTheHolderToShowItself) {
    InstanceLock lock("Test");
    EXPECT_FALSE(lock.Listen()) << "only the holder listens";

    ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
    ASSERT_TRUE(lock.Listen());
    int requests = 0;
    QObject::connect(&lock, &InstanceLock::ShowRequested, [&] { ++requests; });
    EXPECT_TRUE(RequestShowFromRunningInstance(lock.SocketPath()));
    EXPECT_TRUE(RequestShowFromRunningInstance(lock.SocketPath()));
    EXPECT_TRUE(WaitFor([&] { return requests == 2; }));
}

TEST_F(InstanceLockTest, ALaterStartHandsOnItsCommandAndAnUnknownWordIsIgnored) {
    InstanceLock lock("Test");
    ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
    ASSERT_TRUE(lock.Listen());
    int shows = 0;
    QStringList commands;
    QObject::connect(&lock, &InstanceLock::ShowRequested, [&] { ++shows; });
    QObject::connect(&lock, &InstanceLock::CommandRequested,
                     [&](const QString& command) { commands << command; });

    // A word of a newer copy: answered by hanging up, and by nothing else.
    Connection newer(lock.SocketPath());
    ASSERT_EQ(send(newer.Fd(), "jump\n", 5, MSG_NOSIGNAL), 5);
    EXPECT_TRUE(WaitFor([&] { return newer.IsClosedByPeer(); }));
    // One at a time, so that they arrive in this order.
    for (const std::string_view command : kInstanceCommands) {
        const qsizetype before = commands.size();
        EXPECT_TRUE(SendCommandToRunningInstance(lock.SocketPath(), command));
        EXPECT_TRUE(WaitFor([&] { return commands.size() > before; }));
    }
    EXPECT_THAT(commands, ElementsAre("next", "previous", "random"));
    EXPECT_EQ(shows, 0);
}

TEST_F(InstanceLockTest, ACommandIsCarriedOutOnlyOnceItsConnectionIsClosed) {
    InstanceLock lock("Test");
    ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
    ASSERT_TRUE(lock.Listen());
    Connection start(lock.SocketPath());
    int commands = 0;
    bool closedBefore = false;
    QObject::connect(&lock, &InstanceLock::CommandRequested, [&] {
        closedBefore = start.IsClosedByPeer();
        // As the error window would: a loop of its own serves the socket's events meanwhile.
        QEventLoop window;
        QTimer::singleShot(300, &window, &QEventLoop::quit);
        window.exec();
        ++commands;
    });
    ASSERT_EQ(send(start.Fd(), "next\n", 5, MSG_NOSIGNAL), 5);
    EXPECT_TRUE(WaitFor([&] { return commands == 1; }));
    EXPECT_TRUE(closedBefore);
}

TEST_F(InstanceLockTest, ARequestThatComesBeforeTheHolderListensIsHeard) {
    SkipIfTheSystemHasARuntimeDirectory();
    for (const bool tooLongForAFile : {false, true}) {
        SCOPED_TRACE(tooLongForAFile ? "abstract socket" : "socket file");
        if (tooLongForAFile) {
            chmod(sandbox.RuntimeDirectory().c_str(), 0755);
            setenv("XDG_DATA_HOME", (sandbox.Root() / std::string(100, 'd')).c_str(), 1);
        }
        InstanceLock lock("Test");
        const std::string socketPath = lock.SocketPath();
        EXPECT_EQ(socketPath.front(), tooLongForAFile ? '@' : '/');

        // Even a start that finds the lock taken before the socket is there gets through.
        auto request = std::async(std::launch::async,
                                  [&] { return RequestShowFromRunningInstance(socketPath); });
        std::this_thread::sleep_for(200ms);
        ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
        EXPECT_EQ(lock.Error(), 0) << std::strerror(lock.Error());
        EXPECT_TRUE(request.get());

        int requests = 0;
        QObject::connect(&lock, &InstanceLock::ShowRequested, [&] { ++requests; });
        ASSERT_TRUE(lock.Listen());
        EXPECT_TRUE(WaitFor([&] { return requests == 1; }));
    }
}

TEST_F(InstanceLockTest, ARequestWithoutANewlineIsCutOff) {
    InstanceLock lock("Test");
    ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
    ASSERT_TRUE(lock.Listen());

    Connection flood(lock.SocketPath());
    const std::string junk(4096, 'x');
    // Sooner than a silent connection is given up on, so that the size is what cuts it off.
    EXPECT_TRUE(WaitFor(
        [&] {
            return send(flood.Fd(), junk.data(), junk.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
                   errno != EAGAIN;
        },
        1000));
}

TEST_F(InstanceLockTest, ConnectionsBeyondSixteenAreClosedAtOnceAndSilentOnesSoonAfter) {
    InstanceLock lock("Test");
    ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
    ASSERT_TRUE(lock.Listen());

    std::vector<std::unique_ptr<Connection>> connections;
    for (int i = 0; i < 20; ++i)
        connections.push_back(std::make_unique<Connection>(lock.SocketPath()));
    const auto closed = [&] {
        return std::count_if(connections.begin(), connections.end(),
                             [](const auto& connection) { return connection->IsClosedByPeer(); });
    };
    EXPECT_TRUE(WaitFor([&] { return closed() >= 4; }, 1000));
    EXPECT_EQ(closed(), 4);
    EXPECT_TRUE(WaitFor([&] { return closed() == 20; }));
}

TEST_F(InstanceLockTest, AStaleSocketOfADeadInstanceIsReplaced) {
    InstanceLock lock("Test");
    std::ofstream(lock.SocketPath()) << "left behind";
    ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_EQ(lock.Error(), 0);
    EXPECT_TRUE(lock.Listen());
}

}  // namespace
