#include "SwayServer.h"

#include <unistd.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kPatience{10};

// The socket that libwayland made in the runtime directory, such as "wayland-1"; it picks the
// first number free there, which in a private directory is always the same one, but that is
// its business.
std::string WaylandSocketIn(const fs::path& runtimeDirectory) {
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(runtimeDirectory, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with("wayland-") && entry.is_socket(error)) return name;
    }
    return {};
}

}  // namespace

SwayServer::SwayServer(const fs::path& runtimeDirectory, const fs::path& folder, int width,
                       int height)
    : m_runtimeDirectory(runtimeDirectory),
      m_folder(folder),
      m_ipcSocket(runtimeDirectory / "sway-ipc.sock") {
    const fs::path config = folder / "sway.config";
    std::ofstream(config) << "xwayland disable\n"
                          << "output " << kOutput << " mode " << width << "x" << height << "\n";
    StartOptions options{.arguments = {"-c", config.string()},
                         .environment = {{"WLR_BACKENDS", "headless"},
                                         {"WLR_RENDERER", "pixman"},
                                         {"WLR_LIBINPUT_NO_DEVICES", "1"},
                                         {"XDG_RUNTIME_DIR", runtimeDirectory.string()},
                                         // sway takes the IPC socket's name from here when no
                                         // such file exists yet.
                                         {"SWAYSOCK", m_ipcSocket.string()}}};
    // sway refuses to start where it could become root again; in a user namespace of its own,
    // where root is not mapped, it cannot, and it still reads and writes our files as we do.
    if (geteuid() == 0) {
        options.arguments.insert(options.arguments.begin(), {"--user", "sway"});
        m_process.emplace("unshare", options);
    } else {
        m_process.emplace("sway", options);
    }

    const auto deadline = Clock::now() + kPatience;
    while (!fs::is_socket(m_ipcSocket) ||
           (m_waylandDisplay = WaylandSocketIn(runtimeDirectory)).empty()) {
        if (!m_process->IsRunning()) throw std::runtime_error("sway ended at its start");
        if (Clock::now() >= deadline) throw std::runtime_error("sway made no sockets in time");
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // sway answers once its outputs are set up and its event loop runs.
    if (!Command("nop"))
        throw std::runtime_error("sway does not answer on " + m_ipcSocket.string());
}

SwayServer::~SwayServer() {
    m_process->Signal(SIGTERM);
    m_process->WaitForExit(std::chrono::seconds(5));
}

bool SwayServer::Command(const std::string& command) const {
    ChildProcess swaymsg(
        "swaymsg", {.arguments = {"-q", "-s", m_ipcSocket.string(), command}, .environment = {}});
    return swaymsg.WaitForExit(kPatience) == 0;
}

QImage SwayServer::Screenshot(const std::string& output) const {
    const fs::path file = m_folder / "screen.png";
    std::vector<std::string> arguments{"-t", "png", file.string()};
    if (!output.empty()) arguments.insert(arguments.begin(), {"-o", output});
    ChildProcess grim("grim", {.arguments = std::move(arguments),
                               .environment = {{"XDG_RUNTIME_DIR", m_runtimeDirectory.string()},
                                               {"WAYLAND_DISPLAY", m_waylandDisplay}}});
    if (grim.WaitForExit(kPatience) != 0) return {};
    QImage screen(QString::fromStdString(file.string()));
    fs::remove(file);
    return screen;
}
