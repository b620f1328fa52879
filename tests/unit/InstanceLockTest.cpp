#include "InstanceLock.h"
#include "TestSupport.h"

#include <sys/stat.h>
#include <fstream>

namespace {

class InstanceLockTest : public ::testing::Test {
protected:
    SandBox sandbox;
};

TEST_F(InstanceLockTest, OnlyOneHolderAtATime) {
    const std::string directory = InstanceDirectory();
    ASSERT_EQ(directory, sandbox.RuntimeDirectory().string());

    auto first = std::make_unique<InstanceLock>(directory, "Test");
    InstanceLock second(directory, "Test");
    InstanceLock otherName(directory, "Other");
    EXPECT_EQ(first->Acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_EQ(second.Acquire(), InstanceLock::Outcome::HeldByAnother);
    EXPECT_EQ(otherName.Acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_EQ(first->LockPath(), directory + "/Mutex_ProgramInstance_Test.lock");

    first.reset();
    EXPECT_EQ(second.Acquire(), InstanceLock::Outcome::Acquired);
}

TEST_F(InstanceLockTest, ARuntimeDirectoryThatIsNotPrivateIsNotUsed) {
    chmod(sandbox.RuntimeDirectory().c_str(), 0755);
    const std::string fallback = InstanceDirectory();
    EXPECT_EQ(fallback,
              (sandbox.Root() / "tmp" / ("Tapestrel-" + std::to_string(getuid()))).string());
    struct stat info {};
    ASSERT_EQ(stat(fallback.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A link planted where our private directory would be is refused, not followed.
    std::filesystem::remove(fallback);
    std::filesystem::create_directory_symlink(sandbox.Home(), fallback);
    EXPECT_EQ(InstanceDirectory(), "");
    InstanceLock lock(InstanceDirectory(), "Test");
    EXPECT_EQ(lock.Acquire(), InstanceLock::Outcome::Failed);
}

TEST_F(InstanceLockTest, ALaterStartCanAskTheHolderToShowItself) {
    InstanceLock lock(InstanceDirectory(), "Test");
    EXPECT_FALSE(RequestShowFromRunningInstance(lock.SocketPath())) << "nobody listens yet";
    EXPECT_FALSE(lock.Listen()) << "only the holder listens";

    ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
    ASSERT_TRUE(lock.Listen());
    int requests = 0;
    QObject::connect(&lock, &InstanceLock::ShowRequested, [&] { ++requests; });
    EXPECT_TRUE(RequestShowFromRunningInstance(lock.SocketPath()));
    EXPECT_TRUE(RequestShowFromRunningInstance(lock.SocketPath()));
    EXPECT_TRUE(WaitFor([&] { return requests == 2; }));
}

TEST_F(InstanceLockTest, AStaleSocketOfADeadInstanceIsReplaced) {
    InstanceLock lock(InstanceDirectory(), "Test");
    std::ofstream(lock.SocketPath()) << "left behind";
    ASSERT_EQ(lock.Acquire(), InstanceLock::Outcome::Acquired);
    EXPECT_TRUE(lock.Listen());
}

}  // namespace
