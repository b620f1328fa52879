#include "TestSupport.h"

#include <sys/stat.h>
#include "ErrorForm.h"
#include "Program.h"
#include "ui_ErrorForm.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

fs::path ProgramBinary() {
    return TAPESTREL_BINARY;
}

void SetProgramCommandLine(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    Program.SetCommandLine(static_cast<int>(argv.size()), argv.data());
}

std::string ReadWholeFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream content;
    content << file.rdbuf();
    return content.str();
}

QByteArray JpegWithEmptyScans(int width, int height, int scans, int components) {
    QByteArray jpeg("\xFF\xD8", 2);
    auto segment = [&](char marker, const QByteArray& body) {
        const auto length = static_cast<int>(body.size()) + 2;
        jpeg.append('\xFF').append(marker);
        jpeg.append(static_cast<char>(length >> 8)).append(static_cast<char>(length & 0xFF));
        jpeg.append(body);
    };
    // Quantization table 0, all ones.
    segment('\xDB', QByteArray(1, '\0') + QByteArray(64, '\1'));
    // A progressive frame of 8 bits; every component sampled 1x1 with table 0.
    QByteArray frame(1, 8);
    frame.append(static_cast<char>(height >> 8)).append(static_cast<char>(height & 0xFF));
    frame.append(static_cast<char>(width >> 8)).append(static_cast<char>(width & 0xFF));
    frame.append(static_cast<char>(components));
    for (char id = 1; id <= components; ++id) frame.append(id).append('\x11').append('\0');
    segment('\xC2', frame);
    // DC table 0 with a single one-bit code.
    segment('\xC4', QByteArray(1, '\0') + QByteArray(1, '\1') + QByteArray(16, '\0'));
    // First DC scans of component 1, each followed at once by the next marker.
    for (int i = 0; i < scans; ++i) segment('\xDA', QByteArray("\x01\x01\x00\x00\x00\x00", 6));
    jpeg.append("\xFF\xD9", 2);
    return jpeg;
}

namespace {

void SetEnvironment(const char* name, const fs::path& value) {
    setenv(name, value.c_str(), 1);
}

}  // namespace

SandBox::SandBox() {
    std::string pattern = (fs::temp_directory_path() / "tapestrel-test-XXXXXX").string();
    m_root = mkdtemp(pattern.data());
    for (const char* name :
         {"HOME", "XDG_CONFIG_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_HOME", "XDG_CACHE_HOME",
          "XDG_RUNTIME_DIR", "TMPDIR", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "XDG_SESSION_TYPE",
          "WAYLAND_DISPLAY", "SWAYSOCK", "HYPRLAND_INSTANCE_SIGNATURE"}) {
        const char* value = std::getenv(name);
        m_savedEnvironment[name] = value ? std::optional<std::string>(value) : std::nullopt;
    }
    // No desktop at all, unless the test names one.
    for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "XDG_SESSION_TYPE",
                             "WAYLAND_DISPLAY", "SWAYSOCK", "HYPRLAND_INSTANCE_SIGNATURE"})
        unsetenv(name);
    fs::create_directories(Home() / ".config");
    fs::create_directories(Home() / ".local/share");
    fs::create_directories(Home() / ".cache");
    fs::create_directories(m_root / "tmp");
    mkdir(RuntimeDirectory().c_str(), 0700);
    SetEnvironment("HOME", Home());
    SetEnvironment("XDG_CONFIG_HOME", Home() / ".config");
    // The machine's settings too: tests run as root, who may write them.
    SetEnvironment("XDG_CONFIG_DIRS", m_root / "etc/xdg");
    SetEnvironment("XDG_DATA_HOME", Home() / ".local/share");
    SetEnvironment("XDG_CACHE_HOME", Home() / ".cache");
    SetEnvironment("XDG_RUNTIME_DIR", RuntimeDirectory());
    SetEnvironment("TMPDIR", m_root / "tmp");
}

SandBox::~SandBox() {
    for (const auto& [name, value] : m_savedEnvironment) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    std::error_code ignored;
    fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_root, ignored);
}

int ScriptedMessageBoxes::Show(std::string_view caption, std::string_view text, unsigned flags) {
    shown.push_back({std::string(caption), std::string(text), flags});
    if (answers.empty()) return IDOK;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!condition()) {
        if (elapsed.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

void WhenModalShows(std::function<void(QWidget&)> action) {
    auto* poll = new QTimer(QCoreApplication::instance());
    auto elapsed = std::make_shared<QElapsedTimer>();
    elapsed->start();
    QObject::connect(poll, &QTimer::timeout, poll, [poll, elapsed, action = std::move(action)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && elapsed->elapsed() < 5000) return;
        poll->stop();
        poll->deleteLater();
        if (modal != nullptr)
            action(*modal);
        else
            ADD_FAILURE() << "no modal window appeared";
    });
    poll->start(10);
}

std::string ErrorReportShownBy(const std::function<void()>& action) {
    TErrorForm errorWindow;
    std::string report;
    WhenModalShows([&](QWidget&) {
        report = errorWindow.ui->MainMemo->toPlainText().toStdString();
        errorWindow.ui->OkayButton->click();
    });
    action();
    return report;
}
