#pragma once

#include <sys/types.h>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct StartOptions {
    std::vector<std::string> arguments;
    // Set in the child on top of the test's own environment.
    std::map<std::string, std::string> environment;
    // A descriptor the child keeps under the same number although it is close-on-exec here.
    int inheritedDescriptor = -1;
    // The file the child's standard output goes to instead of the test's output, when named.
    std::filesystem::path output{};
};

// A program that a test starts, found through PATH unless the name has a slash. Its output goes
// to the test's own, where ctest shows it beside a failure. One still running when the object
// goes is killed, so that no test leaves processes behind.
class ChildProcess {
public:
    ChildProcess(const std::filesystem::path& program, const StartOptions& options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return m_pid; }
    bool IsRunning();
    // The exit code, or 128 + the number of the signal that ended it, as a shell reports it;
    // nothing if it still runs when timeout has passed.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);
    void Signal(int signal);

private:
    bool Reap(int waitOptions);

    pid_t m_pid = -1;
    std::optional<int> m_exitCode;
};
