#include "TerminationSignals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>

namespace {

constexpr std::array<int, 3> kSignals = {SIGTERM, SIGHUP, SIGINT};
int g_pipe[2] = {-1, -1};
std::atomic<bool> g_arrived = false;
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void WriteToPipe(int signalNumber) {
    const int savedErrno = errno;
    g_arrived.store(true, std::memory_order_relaxed);
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] ssize_t written = write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

TerminationSignals::TerminationSignals() = default;

TerminationSignals::~TerminationSignals() {
    if (!m_notifier) return;
    for (int signalNumber : kSignals) std::signal(signalNumber, SIG_DFL);
    m_notifier.reset();
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

bool TerminationSignals::Install() {
    if (m_notifier) return true;
    if (g_pipe[0] >= 0) return false;  // another instance owns the handlers
    if (pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) return false;
    g_arrived = false;

    struct sigaction action {};
    action.sa_handler = WriteToPipe;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : kSignals) sigaction(signalNumber, &action, nullptr);

    m_notifier = std::make_unique<QSocketNotifier>(g_pipe[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &TerminationSignals::ReadPipe);
    return true;
}

void TerminationSignals::Request() {
    g_arrived = true;
    emit Requested(0);
}

void TerminationSignals::ReadPipe() {
    unsigned char byte = 0;
    while (read(g_pipe[0], &byte, 1) == 1) emit Requested(byte);
}

bool TerminationSignals::Arrived() {
    return g_arrived.load(std::memory_order_relaxed);
}
