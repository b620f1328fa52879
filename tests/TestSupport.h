#pragma once

#include "Clock.h"
#include "DesktopTools.h"
#include "FileDialogs.h"
#include "MessageBoxService.h"
#include "TrayHost.h"
#include "UrlOpener.h"

#include <gtest/gtest.h>
#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QUrl>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

// The built program, compiled in.
std::filesystem::path ProgramBinary();

// The command line the program sees, as if it had been started with these arguments.
void SetProgramCommandLine(std::vector<std::string> arguments);

std::string ReadWholeFile(const std::filesystem::path& path);

// A progressive JPEG of that size whose scans carry no data at all: a few bytes a scan, each of
// which still costs a decoder a pass over the whole picture. Grayscale, or CMYK with 4 components.
QByteArray JpegWithEmptyScans(int width, int height, int scans, int components = 1);

// A private home for one test: HOME, the XDG folders and TMPDIR point into a fresh directory,
// removed with everything in it when the sandbox goes; no desktop is named. The environment is
// restored.
class SandBox {
public:
    SandBox();
    ~SandBox();
    SandBox(const SandBox&) = delete;
    SandBox& operator=(const SandBox&) = delete;

    const std::filesystem::path& Root() const { return m_root; }
    std::filesystem::path Home() const { return m_root / "home"; }
    std::filesystem::path RuntimeDirectory() const { return m_root / "runtime"; }

private:
    std::filesystem::path m_root;
    std::map<std::string, std::optional<std::string>> m_savedEnvironment;
};

// Puts a fake in place of a platform service for the life of the object.
template <class Interface, class Fake>
class ScopedService {
public:
    template <class... Arguments>
    explicit ScopedService(Arguments&&... arguments) {
        auto fake = std::make_unique<Fake>(std::forward<Arguments>(arguments)...);
        m_fake = fake.get();
        m_previous = Interface::Slot().Replace(std::move(fake));
    }
    ~ScopedService() { Interface::Slot().Replace(std::move(m_previous)); }
    ScopedService(const ScopedService&) = delete;
    ScopedService& operator=(const ScopedService&) = delete;

    Fake& operator*() { return *m_fake; }
    Fake* operator->() { return m_fake; }

private:
    Fake* m_fake = nullptr;
    std::unique_ptr<Interface> m_previous;
};

// Message boxes answered from a script, with every box and beep recorded. An exhausted script
// answers IDOK.
class ScriptedMessageBoxes : public MessageBoxService {
public:
    struct Box {
        std::string caption;
        std::string text;
        unsigned flags;
    };

    int Show(std::string_view caption, std::string_view text, unsigned flags) override;
    void Beep(BeepSound sound) override { beeps.push_back(sound); }

    std::deque<int> answers;
    std::vector<Box> shown;
    std::vector<BeepSound> beeps;
};

class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime time) : now(std::move(time)) {}
    QDateTime Now() override { return now; }
    QDateTime now;
};

class RecordingUrlOpener : public UrlOpener {
public:
    bool Open(const QUrl& url) override {
        opened.push_back(url);
        return succeed;
    }
    std::vector<QUrl> opened;
    bool succeed = true;
};

class FakeTrayHost : public TrayHost {
public:
    bool IsPresent() override { return present; }
    bool present = false;
};

// The desktop's tools and bus calls, recorded as "program|argument|…"; each answers as told
// (success by default).
class RecordingDesktopTools : public DesktopTools {
public:
    Outcome Run(const QString& program, const QStringList& arguments) override {
        return Record(QStringList{program} + arguments);
    }
    Outcome Call(const QString& service, const QString& path, const QString& interface,
                 const QString& method, const QVariantList& arguments) override {
        QStringList call{service, path, interface, method};
        for (const QVariant& argument : arguments) call << argument.toString();
        return Record(call);
    }
    Outcome Keep(const QString& program, const QStringList& arguments,
                 const QString& folder) override {
        return Record(QStringList{"keep", program} + arguments + QStringList{folder});
    }

    // Each call as its words joined by "|".
    QStringList calls;
    // The answer to a call: that of the longest key that is the call or begins it up to a "|"
    // ("gsettings", "gsettings|get"); without one, success with no output.
    QMap<QString, Outcome> answers;

private:
    Outcome Record(const QStringList& words) {
        const QString call = words.join(u'|');
        calls << call;
        Outcome answer;
        qsizetype matched = -1;
        for (auto entry = answers.cbegin(); entry != answers.cend(); ++entry) {
            const bool begins = call == entry.key() || call.startsWith(entry.key() + u'|');
            if (begins && entry.key().size() > matched) {
                answer = entry.value();
                matched = entry.key().size();
            }
        }
        return answer;
    }
};

// File and folder dialogs answered as told, each question recorded as "start|caption",
// "initial file|filter|caption" (the caption only when there is one) or "save initial
// file|filter".
class ScriptedFileDialogs : public FileDialogs {
public:
    std::optional<std::string> ChooseDirectory(const std::string& start,
                                               const std::string& caption) override {
        asked.push_back(start + "|" + caption);
        return answer;
    }
    std::optional<std::string> ChooseFileToOpen(const std::string& initialFile,
                                                const std::string& filter,
                                                const std::string& caption) override {
        asked.push_back(initialFile + "|" + filter + (caption.empty() ? "" : "|" + caption));
        return answer;
    }
    std::optional<std::string> ChooseFileToSave(const std::string& initialFile,
                                                const std::string& filter) override {
        asked.push_back("save " + initialFile + "|" + filter);
        return answer;
    }
    std::vector<std::string> asked;
    std::optional<std::string> answer;
};

using ScopedMessageBoxes = ScopedService<MessageBoxService, ScriptedMessageBoxes>;
using ScopedFileDialogs = ScopedService<FileDialogs, ScriptedFileDialogs>;
using ScopedClock = ScopedService<Clock, FixedClock>;
using ScopedUrlOpener = ScopedService<UrlOpener, RecordingUrlOpener>;
using ScopedTrayHost = ScopedService<TrayHost, FakeTrayHost>;
using ScopedDesktopTools = ScopedService<DesktopTools, RecordingDesktopTools>;

// Runs the event loop until condition holds or timeoutMs passes; answers whether it held.
bool WaitFor(const std::function<bool()>& condition, int timeoutMs = 5000);

// Runs action on the next modal window as soon as its event loop runs (the window is passed),
// so that a test can look at it and close it. Fails the test if none appears within 5 seconds.
void WhenModalShows(std::function<void(QWidget&)> action);

// Runs action, which must show the error window, and answers the report it showed; the window is
// closed with Okay.
std::string ErrorReportShownBy(const std::function<void()>& action);
