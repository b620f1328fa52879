#include "EndToEndTest.h"

#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;

bool PollUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

RealProgramTest::RealProgramTest() : m_programDirectory(m_sandBox.Root() / "program") {
    fs::create_directory(m_programDirectory);
    // A user who has chosen a (still empty) picture directory and changes pictures by hand: the
    // program neither asks for a directory nor changes the wallpaper on its own.
    const fs::path pictures = m_sandBox.Home() / "my pictures";
    fs::create_directories(pictures);
    WriteOptions(
        "[Wallpaper]\r\nIsAutoChange=FALSE\r\n\r\n"
        "[BroadcastWallpaperChange]\r\nIsAutoChange=FALSE\r\n\r\n"
        "[DirectoryList]\r\nCount=1\r\nTitle0=" +
        pictures.string() + "\r\nActive0=TRUE\r\nRecurs0=FALSE\r\n");
}

void RealProgramTest::WriteOptions(const std::string& text) {
    std::ofstream(m_programDirectory / "Tapestrel.ini", std::ios::binary) << text;
}

fs::path RealProgramTest::ProgramFile(std::string_view fileName) {
    const fs::path program = m_programDirectory / fileName;
    if (!fs::exists(program)) {
        std::error_code noLink;
        fs::create_hard_link(ProgramBinary(), program, noLink);
        if (noLink) fs::copy_file(ProgramBinary(), program);
    }
    return program;
}

ChildProcess& RealProgramTest::StartProgram(std::vector<std::string> arguments,
                                            std::string_view fileName,
                                            std::map<std::string, std::string> environment) {
    return Start(ProgramFile(fileName), std::move(arguments), std::move(environment));
}

ChildProcess& RealProgramTest::Start(const fs::path& program, std::vector<std::string> arguments,
                                     std::map<std::string, std::string> environment) {
    for (auto& [name, value] : DisplayEnvironment()) environment[name] = std::move(value);
    StartOptions options{.arguments = std::move(arguments), .environment = std::move(environment)};
    return *m_processes.emplace_back(std::make_unique<ChildProcess>(program, options));
}

EndToEndTest::EndToEndTest(int screenWidth, int screenHeight)
    : m_server(screenWidth, screenHeight) {}

EndToEndTest::EndToEndTest(const std::vector<XvfbMonitor>& monitors) : m_server(monitors) {}

std::map<std::string, std::string> EndToEndTest::DisplayEnvironment() const {
    // Qt's offscreen platform, which a developer's shell may name, would show nothing on X.
    return {{"DISPLAY", m_server.Display()}, {"QT_QPA_PLATFORM", "xcb"}};
}

bool EndToEndTest::Xdotool(std::vector<std::string> arguments) {
    return Start("xdotool", std::move(arguments)).WaitForExit(kPatience) == 0;
}

std::optional<std::string> EndToEndTest::Output(const fs::path& program,
                                                std::vector<std::string> arguments,
                                                std::map<std::string, std::string> environment) {
    const fs::path output = Sandbox().Root() / "output.txt";
    environment["DISPLAY"] = m_server.Display();
    StartOptions options{
        .arguments = std::move(arguments), .environment = std::move(environment), .output = output};
    ChildProcess child(program, options);
    if (child.WaitForExit(kPatience) != 0) return std::nullopt;
    return ReadWholeFile(output);
}

std::string PixelDifferences(const QImage& shown, const QImage& expected) {
    if (shown.size() != expected.size()) {
        std::ostringstream text;
        text << "the screen is " << shown.width() << "x" << shown.height() << ", the picture "
             << expected.width() << "x" << expected.height();
        return text.str();
    }
    const QImage a = shown.convertToFormat(QImage::Format_RGB32);
    const QImage b = expected.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    std::ostringstream text;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if ((a.pixel(x, y) & 0xffffff) != (b.pixel(x, y) & 0xffffff) && count++ == 0)
                text << "first at " << x << "," << y << ": " << std::hex
                     << (a.pixel(x, y) & 0xffffff) << " for " << (b.pixel(x, y) & 0xffffff)
                     << std::dec << "; ";
    if (count == 0) return {};
    text << count << " pixels differ";
    return text.str();
}

fs::path RealProgramTest::ComposedWallpaperFile() const {
    return m_sandBox.Home() / ".local/share/Tapestrel/Tapestrel_Wallpaper.bmp";
}

std::string RealProgramTest::StartSessionBus() {
    const fs::path socket = m_sandBox.Root() / "bus";
    const std::string address = "unix:path=" + socket.string();
    Start("dbus-daemon", {"--session", "--nofork", "--address=" + address});
    EXPECT_TRUE(PollUntil([&] { return fs::exists(socket); })) << "no session bus";
    return address;
}

QImage EndToEndTest::Screenshot() const {
    return Windows().RootPixels(m_server.Screen()->width_in_pixels,
                                m_server.Screen()->height_in_pixels);
}

testing::AssertionResult RealProgramTest::BecomesReady(ChildProcess& program) {
    const fs::path socket = m_sandBox.RuntimeDirectory() / "Mutex_ProgramInstance_Tapestrel.sock";
    PollUntil([&] { return fs::is_socket(socket) || !program.IsRunning(); });
    if (!program.IsRunning())
        return testing::AssertionFailure()
               << "the program ended with code " << program.WaitForExit({}).value_or(-1);
    if (!fs::is_socket(socket)) return testing::AssertionFailure() << "no " << socket;
    return testing::AssertionSuccess();
}

std::vector<pid_t> EndToEndTest::OwnersOfShownWindows(std::string_view title) const {
    const XWindows windows = Windows();
    std::vector<pid_t> owners;
    for (xcb_window_t window : windows.ShownTopLevels(title))
        owners.push_back(windows.Pid(window).value_or(0));
    return owners;
}
