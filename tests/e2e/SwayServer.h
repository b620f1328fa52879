#pragma once

#include "ChildProcess.h"

#include <QImage>
#include <filesystem>
#include <optional>
#include <string>

// A private sway for one test, without a screen or a GPU: one headless output of that size,
// drawn in software, no bar, no Xwayland and no desktop named. Its sockets go into the runtime
// directory, where the test's programs look for them, its configuration and screenshots into
// folder. The compositor goes with the object.
class SwayServer {
public:
    SwayServer(const std::filesystem::path& runtimeDirectory, const std::filesystem::path& folder,
               int width, int height);
    ~SwayServer();
    SwayServer(const SwayServer&) = delete;
    SwayServer& operator=(const SwayServer&) = delete;

    static constexpr const char* kOutput = "HEADLESS-1";

    // The values for WAYLAND_DISPLAY, such as "wayland-1", and SWAYSOCK.
    const std::string& WaylandDisplay() const { return m_waylandDisplay; }
    const std::filesystem::path& IpcSocket() const { return m_ipcSocket; }

    // Runs a sway command, as swaymsg would; true when sway did it.
    bool Command(const std::string& command) const;
    // What the outputs show (or that one output), read with grim in the output's own pixels; null
    // when grim failed.
    QImage Screenshot(const std::string& output = {}) const;

private:
    std::filesystem::path m_runtimeDirectory;
    std::filesystem::path m_folder;
    std::filesystem::path m_ipcSocket;
    std::string m_waylandDisplay;
    std::optional<ChildProcess> m_process;
};
