#pragma once

#include "EndToEndTest.h"
#include "SwayServer.h"

#include <sys/types.h>
#include <QImage>
#include <map>
#include <string>
#include <vector>

// The real program as a Wayland client of a private headless sway, whose screen grim reads.
class SwayEndToEndTest : public RealProgramTest {
protected:
    // Whether the program learns that the compositor is sway, from SWAYSOCK as in a sway session,
    // or takes it for a Wayland compositor it doesn't know.
    enum class Socket { Told, Untold };

    explicit SwayEndToEndTest(Socket socket = Socket::Told);
    // Also ends the swaybg processes the program left running, as it means to.
    ~SwayEndToEndTest() override;

    const SwayServer& Sway() const { return m_sway; }

    // Waits for the program to write a composed wallpaper other than previous (null: any); the
    // new one, or null when none came.
    QImage NewComposedWallpaper(const QImage& previous = {}) const;
    // Waits until the screen shows exactly that picture.
    testing::AssertionResult Shows(const QImage& picture) const;

    struct Process {
        pid_t pid;
        // sway hands the swaybg it runs a connection of its own in WAYLAND_SOCKET; any other
        // finds the compositor through WAYLAND_DISPLAY.
        bool startedBySway;
    };
    // The swaybg processes that show a file of the test's own, whoever started them.
    std::vector<Process> SwaybgProcesses() const;

private:
    std::map<std::string, std::string> DisplayEnvironment() const override;

    Socket m_socket;
    SwayServer m_sway;
};
