#include "ChildProcess.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

std::vector<char*> NullTerminated(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& text : strings) pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program, const StartOptions& options) {
    std::vector<std::string> arguments{program.string()};
    arguments.insert(arguments.end(), options.arguments.begin(), options.arguments.end());

    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view variable(*entry);
        if (!options.environment.contains(std::string(variable.substr(0, variable.find('=')))))
            environment.emplace_back(variable);
    }
    for (const auto& [name, value] : options.environment) environment.push_back(name + "=" + value);

    std::vector<char*> argv = NullTerminated(arguments);
    std::vector<char*> envp = NullTerminated(environment);

    // A child reading the test's terminal would stop it when run in the background.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    if (!options.output.empty())
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, options.output.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);

    const int inherited = options.inheritedDescriptor;
    if (inherited >= 0) fcntl(inherited, F_SETFD, 0);
    const int error =
        posix_spawnp(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data());
    if (inherited >= 0) fcntl(inherited, F_SETFD, FD_CLOEXEC);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        throw std::system_error(error, std::generic_category(), "cannot start " + program.string());
}

ChildProcess::~ChildProcess() {
    if (Reap(WNOHANG)) return;
    kill(m_pid, SIGKILL);
    Reap(0);
}

bool ChildProcess::IsRunning() {
    return !Reap(WNOHANG);
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!Reap(WNOHANG)) {
        if (std::chrono::steady_clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return m_exitCode;
}

void ChildProcess::Signal(int signal) {
    // An unreaped child keeps its process id, so this never hits a stranger.
    if (!m_exitCode) kill(m_pid, signal);
}

bool ChildProcess::Reap(int waitOptions) {
    if (m_exitCode) return true;
    int status = 0;
    pid_t reaped;
    do {
        reaped = waitpid(m_pid, &status, waitOptions);
    } while (reaped < 0 && errno == EINTR);
    if (reaped != m_pid) return false;
    m_exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return true;
}
