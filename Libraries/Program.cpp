#include "Program.h"

#include "Error.h"
#include "InstanceLock.h"
#include "Mydialogs.h"
#include "SpecialFolders.h"
#include "Text.h"

#include <unistd.h>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>

TProgram Program;

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

TProgram::TProgram() {
    std::set_terminate(TerminateProgramFun);
    errno = 0;
}

TProgram::~TProgram() {
    errno = 0;
}

void TProgram::SetCommandLine(int argc, char** argv) {
    m_arguments.assign(argv, argv + argc);
}

std::string GetProgramPath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error && !Program.Arguments().empty())
        path = std::filesystem::absolute(Program.Arguments().front(), error).lexically_normal();
    return path.string();
}

std::string GetProgramDirectory() {
    return std::filesystem::path(GetProgramPath()).parent_path().string();
}

std::string GetProgramDataDirectory() {
    const std::string directory = GetProgramDirectory();
    if (!IsSystemProgramDirectory(directory) && access(directory.c_str(), W_OK) == 0)
        return directory;
    return UserConfigDirectory(ProductName);
}

bool IsSystemProgramDirectory(std::string_view directory) {
    for (const std::string_view tree : {"/usr", "/bin", "/sbin", "/opt"})
        if (directory.starts_with(tree) &&
            (directory.size() == tree.size() || directory[tree.size()] == '/'))
            return true;
    return false;
}

std::string GetSharedFilePath(std::string_view name) {
    const std::string beside = GetProgramDirectory() + "/" + std::string(name);
    std::error_code error;
    if (std::filesystem::exists(beside, error)) return beside;
    return "/usr/share/tapestrel/" + std::string(name);
}

std::string GetProgramFileName() {
    return std::filesystem::path(GetProgramPath()).filename().string();
}

std::string GetParameter(size_t index) {
    const auto& arguments = Program.Arguments();
    return index < arguments.size() ? arguments[index] : std::string();
}

std::string GetStartedAsFileName() {
    const std::string startedAs = std::filesystem::path(GetParameter(0)).filename().string();
    return startedAs.empty() ? GetProgramFileName() : startedAs;
}

bool IsStartedAsInstaller() {
    // The program file behind a symbolic link named Install is the ordinary program.
    return SameText(GetStartedAsFileName(), "Install");
}

bool IsInstallerMode() {
    return IsStartedAsInstaller() || SameText(GetParameter(1), "/Uninstall");
}

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

void TerminateProgramFun() {
    static bool terminating = false;
    if (!terminating) {
        terminating = true;
        const std::string description = "Abort intercepted.\r\nProgram must be terminated.";
        constexpr int32_t line = __LINE__;
        FunStatContext.Raise(__FILE__, "TerminateProgramFun", line, fsError, description, {}, {},
                             0);
        FunStatContext.SetShowContext(__FILE__, "TerminateProgramFun", line);
        FunStatContext.Show(description);
        FunStatContext.Reset(fsPerfect);
    }
    std::_Exit(1);
}
