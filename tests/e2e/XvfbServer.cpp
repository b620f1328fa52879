#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kStartTimeout{10};

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { Close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;

    int Get() const { return m_fd; }
    void Close() {
        if (m_fd >= 0) close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};

int RemainingMilliseconds(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Xvfb writes the display number and a newline once it accepts connections.
std::string ReadDisplayNumber(int fd, Clock::time_point deadline) {
    std::string text;
    while (text.find('\n') == std::string::npos) {
        pollfd readable{fd, POLLIN, 0};
        const int ready = poll(&readable, 1, RemainingMilliseconds(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) throw std::runtime_error("Xvfb reported no display number in time");
        char buffer[32];
        const ssize_t count = read(fd, buffer, sizeof(buffer));
        if (count < 0 && errno == EINTR) continue;
        if (count <= 0) throw std::runtime_error("Xvfb ended before it reported a display number");
        text.append(buffer, static_cast<size_t>(count));
    }
    return text.substr(0, text.find('\n'));
}

// xrandr's geometry, with the physical size of a 96 dpi monitor.
std::string XrandrGeometry(const QRect& area) {
    const auto millimetres = [](int pixels) {
        return std::to_string(pixels * 254 / 960);
    };
    return std::to_string(area.width()) + "/" + millimetres(area.width()) + "x" +
           std::to_string(area.height()) + "/" + millimetres(area.height()) + "+" +
           std::to_string(area.x()) + "+" + std::to_string(area.y());
}

QRect BoundingBox(const std::vector<XvfbMonitor>& monitors) {
    QRect box;
    for (const XvfbMonitor& monitor : monitors) box |= monitor.geometry;
    return box;
}

}  // namespace

XvfbServer::XvfbServer(int width, int height) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot make a pipe for Xvfb");
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);

    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    m_process.emplace(
        "Xvfb", StartOptions{.arguments = {"-displayfd", std::to_string(ends[1]), "-screen", "0",
                                           screen, "-noreset", "-nolisten", "tcp"},
                             .environment = {},
                             .inheritedDescriptor = ends[1]});
    // Only the server may hold the write end, or its death would not end the read.
    writeEnd.Close();

    const auto deadline = Clock::now() + kStartTimeout;
    m_display = ":" + ReadDisplayNumber(readEnd.Get(), deadline);

    int screenNumber = 0;
    for (;;) {
        m_connection.reset(xcb_connect(m_display.c_str(), &screenNumber));
        if (xcb_connection_has_error(m_connection.get()) == 0) break;
        if (Clock::now() >= deadline)
            throw std::runtime_error("cannot connect to Xvfb on " + m_display);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    auto screens = xcb_setup_roots_iterator(xcb_get_setup(m_connection.get()));
    for (int skip = screenNumber; skip > 0 && screens.rem > 0; --skip) xcb_screen_next(&screens);
    if (screens.rem == 0) throw std::runtime_error("Xvfb on " + m_display + " has no screen");
    m_screen = screens.data;
}

XvfbServer::~XvfbServer() {
    m_connection.reset();
    // A server ended with SIGTERM removes its lock file and socket; the process object kills
    // one that does not end.
    m_process->Signal(SIGTERM);
    m_process->WaitForExit(std::chrono::seconds(5));
}

XvfbServer::XvfbServer(const std::vector<XvfbMonitor>& monitors)
    : XvfbServer(BoundingBox(monitors).right() + 1, BoundingBox(monitors).bottom() + 1) {
    // A leading * makes the monitor primary; "screen" is Xvfb's output.
    Xrandr({"--setmonitor", "*" + monitors.front().name, XrandrGeometry(monitors.front().geometry),
            "screen"});
    for (size_t i = 1; i < monitors.size(); ++i) AddMonitor(monitors[i]);
}

void XvfbServer::AddMonitor(const XvfbMonitor& monitor) {
    Xrandr({"--setmonitor", monitor.name, XrandrGeometry(monitor.geometry), "none"});
}

void XvfbServer::RemoveMonitor(const std::string& name) {
    Xrandr({"--delmonitor", name});
}

void XvfbServer::ResizeMonitor(const XvfbMonitor& monitor) {
    Xrandr({"--delmonitor", monitor.name, "--setmonitor", monitor.name,
            XrandrGeometry(monitor.geometry), "none"});
}

void XvfbServer::Xrandr(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {"-d", m_display});
    // xrandr tells what it does on its standard output; its errors still reach the test's.
    ChildProcess xrandr("xrandr", StartOptions{.arguments = arguments,
                                               .environment = {},
                                               .inheritedDescriptor = -1,
                                               .output = "/dev/null"});
    // It ends once the server has done all it asked.
    if (xrandr.WaitForExit(kStartTimeout) != 0)
        throw std::runtime_error("xrandr failed on " + m_display);
}
