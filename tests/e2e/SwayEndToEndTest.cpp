#include "SwayEndToEndTest.h"

#include <csignal>
#include <fstream>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

}  // namespace

SwayEndToEndTest::SwayEndToEndTest(Socket socket)
    : m_socket(socket),
      m_sway(Sandbox().RuntimeDirectory(), Sandbox().Root(), kScreenWidth, kScreenHeight) {}

SwayEndToEndTest::~SwayEndToEndTest() {
    EndProcesses();
    for (const Process& swaybg : SwaybgProcesses()) kill(swaybg.pid, SIGTERM);
}

std::map<std::string, std::string> SwayEndToEndTest::DisplayEnvironment() const {
    std::map<std::string, std::string> environment{{"WAYLAND_DISPLAY", m_sway.WaylandDisplay()},
                                                   {"QT_QPA_PLATFORM", "wayland"}};
    if (m_socket == Socket::Told) environment["SWAYSOCK"] = m_sway.IpcSocket().string();
    return environment;
}

QImage SwayEndToEndTest::NewComposedWallpaper(const QImage& previous) const {
    const QString file = QString::fromStdString(ComposedWallpaperFile().string());
    QImage composed;
    // A file being replaced may be read half written; the next look reads it whole.
    PollUntil([&] {
        composed = QImage(file);
        return !composed.isNull() && composed != previous;
    });
    return composed != previous ? composed : QImage();
}

testing::AssertionResult SwayEndToEndTest::Shows(const QImage& picture) const {
    std::string differences = "no picture";
    if (!picture.isNull() && PollUntil([&] {
            const QImage screen = m_sway.Screenshot();
            differences = screen.isNull() ? "grim failed" : PixelDifferences(screen, picture);
            return differences.empty();
        }))
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "the screen is not the picture: " << differences;
}

std::vector<SwayEndToEndTest::Process> SwayEndToEndTest::SwaybgProcesses() const {
    const std::string ours = Sandbox().Root().string() + "/";
    std::vector<Process> found;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        // Words end with a NUL; an ended process not yet reaped has none.
        std::vector<std::string> words;
        std::ifstream commandLine(entry.path() / "cmdline", std::ios::binary);
        for (std::string word; std::getline(commandLine, word, '\0');) words.push_back(word);
        if (words.empty() || fs::path(words.front()).filename() != "swaybg") continue;
        bool showsOurs = false;
        for (const std::string& word : words) showsOurs = showsOurs || word.starts_with(ours);
        if (!showsOurs) continue;
        const std::string environment = '\0' + ReadWholeFile(entry.path() / "environ");
        const bool startedBySway = environment.find("\0WAYLAND_SOCKET="s) != std::string::npos;
        found.push_back({static_cast<pid_t>(std::stol(name)), startedBySway});
    }
    return found;
}
