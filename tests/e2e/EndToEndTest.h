#pragma once

#include "ChildProcess.h"
#include "TestSupport.h"
#include "XWindows.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The built program starts in a second or so, slower under the sanitizers on a busy machine.
inline constexpr std::chrono::seconds kPatience{10};

// Checks condition every few milliseconds until it holds or timeout passes; answers whether it
// held.
bool PollUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = kPatience);

// Where shown and expected differ, colour for colour, and the first such pixel; empty when the
// screen shows exactly the picture.
std::string PixelDifferences(const QImage& shown, const QImage& expected);

// The real program with a private home and its own program directory, since it writes files
// beside itself, on the display of the subclass's server. Processes the test starts end with it.
class RealProgramTest : public ::testing::Test {
protected:
    RealProgramTest();

    // The program file of that name in the program directory, made on first use as a hard link to
    // the built program (a copy where no link can be made).
    std::filesystem::path ProgramFile(std::string_view fileName);
    // Starts the program file of that name in the program directory, with environment on top of
    // the test's own.
    ChildProcess& StartProgram(std::vector<std::string> arguments = {},
                               std::string_view fileName = "Tapestrel",
                               std::map<std::string, std::string> environment = {});
    // Starts any program, such as a tray, on the test's display.
    ChildProcess& Start(const std::filesystem::path& program, std::vector<std::string> arguments,
                        std::map<std::string, std::string> environment = {});
    // Ends what the test started while its display server still runs, so that none of them sees
    // the server go first.
    void EndProcesses() { m_processes.clear(); }

    // Whether the running instance took the instance lock and listens for later starts: its
    // start-up has finished.
    testing::AssertionResult BecomesReady(ChildProcess& program);

    // The wallpaper the program composed last.
    std::filesystem::path ComposedWallpaperFile() const;
    // A session bus of the test's own, for the programs given its address; what it starts on
    // demand (xfconfd) ends with it.
    std::string StartSessionBus();

    const std::filesystem::path& ProgramDirectory() const { return m_programDirectory; }
    // The options file the program finds beside itself; every test starts with one that names
    // an empty picture directory and turns the automatic change and the broadcast off.
    void WriteOptions(const std::string& text);
    const SandBox& Sandbox() const { return m_sandBox; }

private:
    // What puts a program on the test's display, and on no other.
    virtual std::map<std::string, std::string> DisplayEnvironment() const = 0;

    SandBox m_sandBox;
    std::filesystem::path m_programDirectory;
    std::vector<std::unique_ptr<ChildProcess>> m_processes;
};

// The real program on a private X server.
class EndToEndTest : public RealProgramTest {
protected:
    // On a private X server of that screen size.
    explicit EndToEndTest(int screenWidth = 1024, int screenHeight = 768);
    // On a private X server whose screen these monitors share, the first the primary one.
    explicit EndToEndTest(const std::vector<XvfbMonitor>& monitors);
    ~EndToEndTest() override { EndProcesses(); }

    XWindows Windows() const { return {m_server.Connection(), m_server.Root()}; }
    // The whole screen as the user sees it.
    QImage Screenshot() const;
    // For clients of the test's own, such as a program that listens for the broadcast.
    const std::string& DisplayName() const { return m_server.Display(); }
    // To plug monitors in and out while the program runs.
    XvfbServer& Server() { return m_server; }
    // The processes that show a top-level window of this title, one entry for each window.
    std::vector<pid_t> OwnersOfShownWindows(std::string_view title) const;
    // Runs xdotool on the test's display as the user's hands; true when it did all it was asked.
    bool Xdotool(std::vector<std::string> arguments);
    // Runs a program on the test's display, with environment on top of the test's own, to its end
    // and answers what it printed; nothing when it failed or did not end in time.
    std::optional<std::string> Output(const std::filesystem::path& program,
                                      std::vector<std::string> arguments,
                                      std::map<std::string, std::string> environment = {});

private:
    std::map<std::string, std::string> DisplayEnvironment() const override;

    XvfbServer m_server;
};
