#include "ProgramInstance.h"

#include "InstanceLock.h"
#include "Mydialogs.h"
#include "Program.h"
#include "Text.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace {

std::unique_ptr<InstanceLock> g_instanceLock;
// The lock is taken before a message box can be shown: what the user must hear of it waits here
// for the application object.
std::string g_instanceLockWarning;

std::string InstanceLockWarning(const InstanceLock& lock, InstanceLock::Outcome outcome) {
    const std::string product = ProductName;
    const std::string reason = std::strerror(lock.Error());
    if (outcome == InstanceLock::Outcome::Failed) {
        const std::string lockFile =
            lock.LockPath().empty() ? "it has no directory for its lock file"
                                    : "its lock file \"" + lock.LockPath() + "\" cannot be used";
        return product + " cannot make sure that only one copy of it is running: " + lockFile +
               " (" + reason + ").";
    }
    if (outcome == InstanceLock::Outcome::Acquired && lock.Error() != 0)
        return product + " cannot open its socket \"" + lock.SocketPath() + "\" (" + reason +
               "), so starting " + product + " again cannot show this window.";
    return {};
}

}  // namespace

bool IsAnotherInstanceRunning(std::string_view instanceName) {
    errno = 0;
    g_instanceLock = std::make_unique<InstanceLock>(instanceName);
    const InstanceLock::Outcome outcome = g_instanceLock->Acquire();
    // A lock that cannot be taken at all counts as no other instance: better two copies than none,
    // as long as the user hears of it.
    g_instanceLockWarning = InstanceLockWarning(*g_instanceLock, outcome);
    return outcome == InstanceLock::Outcome::HeldByAnother;
}

void WarnIfInstanceLockFailed() {
    if (!g_instanceLockWarning.empty()) ShowWarning(std::exchange(g_instanceLockWarning, {}));
}

void AskRunningInstanceToShow() {
    if (g_instanceLock) RequestShowFromRunningInstance(g_instanceLock->SocketPath());
}

std::string CommandForRunningInstance() {
    // The installer's parameters are its own.
    if (IsStartedAsInstaller()) return {};
    const std::string parameter = GetParameter(1);
    for (const std::string_view command : kInstanceCommands)
        if (SameText(parameter, command)) return std::string(command);
    return {};
}

bool PassCommandToRunningInstance(const std::string& command) {
    if (SendCommandToRunningInstance(InstanceLock(ProductName).SocketPath(), command)) return true;
    std::string typed = command;
    typed.front() = static_cast<char>(std::toupper(static_cast<unsigned char>(typed.front())));
    const std::string picture = (command == "random" ? "a random" : "the " + command) + " picture";
    std::fprintf(stderr, "%s is not running; start it first, then \"%s %s\" shows %s.\n",
                 ProductName, ProductName, typed.c_str(), picture.c_str());
    return false;
}

InstanceLock* HeldInstanceLock() {
    return g_instanceLock.get();
}

void ReleaseInstanceMutex() {
    g_instanceLock.reset();
}
