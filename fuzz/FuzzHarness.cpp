#include "FuzzHarness.h"

#include "Error.h"
#include "File.h"
#include "MyGDIPlus.h"
#include "PictureDecoding.h"
#include "QtText.h"
#include "StatusScope.h"
#include "StatusViewer.h"
#include "StoredTextList.h"
#include "Text.h"
#include "Utilities.h"

#include <fcntl.h>
#include <unistd.h>
#include <QCheckBox>
#include <QComboBox>
#include <QImageReader>
#include <QPoint>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

// A broken rule is a crash for libFuzzer, and a dead test for the replay.
void Require(bool holds) {
    if (!holds) __builtin_trap();
}

// The files of the inputs, in a directory of this process alone, removed when it ends.
class TScratchDirectory {
public:
    TScratchDirectory() {
        const char* temporary = std::getenv("TMPDIR");
        std::string pattern =
            std::string(temporary && *temporary ? temporary : "/tmp") + "/tapestrel-fuzz-XXXXXX";
        Require(mkdtemp(pattern.data()) != nullptr);
        m_path = pattern;
    }
    ~TScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TScratchDirectory(const TScratchDirectory&) = delete;
    TScratchDirectory& operator=(const TScratchDirectory&) = delete;

    // The file name holding exactly bytes.
    std::string Put(const std::string& name, const uint8_t* bytes, size_t size) const {
        const std::string path = m_path + "/" + name;
        const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        Require(fd >= 0);
        while (size > 0) {
            const ssize_t written = write(fd, bytes, size);
            Require(written > 0);
            bytes += written;
            size -= static_cast<size_t>(written);
        }
        close(fd);
        return path;
    }

private:
    std::string m_path;
};

const TScratchDirectory& Scratch() {
    static const TScratchDirectory scratch;
    return scratch;
}

// ---- Pictures -------------------------------------------------------------------------------

// Enough for the pictures a few kilobytes of input can describe, and few enough pixels that no
// input takes seconds: a decode needing more is refused, as it is on a machine with less memory.
// It also bounds what the header cannot tell, such as a GIF whose frames outgrow its screen.
constexpr uint64_t kFuzzMemoryBudget = 8ull << 20;

// A picture is decoded at the size its header claims, whatever the file holds: a few hundred
// bytes can claim millions of pixels (a GIF's screen, a JPEG's frame), which take a second or
// more under the sanitizers, as a real picture of that size does. Those between this and the
// loader's own limit are left out, so that an input that takes long is a fault.
constexpr qint64 kFuzzMaxPixels = 1'000'000;

bool SlowToDecode(const std::string& fileName) {
    const QSize claimed = QImageReader(QString::fromStdString(fileName)).size();
    const qint64 pixels = static_cast<qint64>(claimed.width()) * claimed.height();
    return pixels > kFuzzMaxPixels && pixels <= kMaxPicturePixels;
}

// The part of the bitmap a loaded picture leaves must be opaque, whatever the picture's alpha.
bool Opaque(const QImage& bitmap) {
    for (int y = 0; y < bitmap.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(bitmap.constScanLine(y));
        for (int x = 0; x < bitmap.width(); ++x)
            if (qAlpha(row[x]) != 255) return false;
    }
    return true;
}

// ---- The stored text list -------------------------------------------------------------------

// Loads that fail, by the thousand: their reports go nowhere while this lives.
class TQuietViewer final : public TStatusViewer {
public:
    TQuietViewer() : m_previous(StatusViewer()) { SetStatusViewer(this); }
    ~TQuietViewer() override { SetStatusViewer(&m_previous); }
    TQuietViewer(const TQuietViewer&) = delete;
    TQuietViewer& operator=(const TQuietViewer&) = delete;

    bool ShowReport(std::string_view, std::string_view, std::string_view, bool*) override {
        return true;
    }
    int RecursionCounter() const override { return 0; }

private:
    TStatusViewer& m_previous;
};

// The bytes of a file, nothing when there is none.
std::optional<std::string> Contents(const std::string& path) {
    std::string bytes;
    int error = 0;
    if (!ReadFileBytes(path, bytes, error)) return std::nullopt;
    return bytes;
}

// The controls the readers fill, each set back to the same state before every reading so that
// two readings of the same text compare equal.
struct TControls {
    TControls() {
        List.addItems({"W", "20", "1 hour", "Balanced scaling", "Arial"});
        Editable.setEditable(true);
    }
    void Reset() {
        Window.move(0, 0);
        List.setCurrentIndex(0);
        Editable.setEditText(QString());
        Check.setChecked(false);
        Panel.setProperty("Tag", 0x00FF8000);
        SetPanelColor(Panel, 0x00FF8000);
    }
    QWidget Window;
    QComboBox List;
    QComboBox Editable;
    QCheckBox Check;
    QWidget Panel;
};

TControls& Controls() {
    static TControls controls;
    return controls;
}

// Everything every typed reader makes of one key (and the keys after it, for the readers of
// several).
struct TReadings {
    std::optional<std::string> Value;
    std::string Text = "kept";
    bool Bool = true;
    int32_t Integer = 7;
    int32_t Limited = 7;
    double Real = 9.5;
    uint32_t Color = 0x123456;
    std::string Listed;
    std::string Edited;
    bool Checked = false;
    uint32_t PanelColor = 0;
    QPoint Position;
    std::array<double, 4> Rect = {0.2, 0.9, 0.3, 0.3};

    bool operator==(const TReadings&) const = default;
};

// The key at index and the ones after it, round the section.
struct TKeys {
    std::string Section;
    std::vector<std::string> Keys;
    const std::string& At(size_t index, size_t after = 0) const {
        return Keys[(index + after) % Keys.size()];
    }
    // Whether the count keys from index are different keys: values written under one key twice
    // keep only the last.
    bool Distinct(size_t index, size_t count) const {
        for (size_t a = 0; a < count; ++a)
            for (size_t b = a + 1; b < count; ++b)
                if (SameText(At(index, a), At(index, b))) return false;
        return true;
    }
};

// The readers that fill controls parse their values with the readers of values, which read every
// key; they run for the first keys of each section only, since laying out their text takes a
// thousand times as long as the rest.
constexpr size_t kKeysReadIntoControls = 4;

TReadings ReadAll(TStoredTextList& list, const TKeys& keys, size_t index) {
    const std::string& section = keys.Section;
    const std::string& key = keys.At(index);
    TReadings read;
    read.Value = list.ReadValue(section, key);
    list.ReadText(section, key, 4096, read.Text, false);
    list.ReadBool(section, key, read.Bool);
    list.ReadInteger(section, key, INT32_MIN, INT32_MAX, read.Integer);
    list.ReadInteger(section, key, -100, 100, read.Limited);
    list.ReadReal(section, key, read.Real);
    list.ReadColor(section, key, read.Color);
    auto& [left, top, width, height] = read.Rect;
    list.ReadRelativeRect(section, key, keys.At(index, 1), keys.At(index, 2), keys.At(index, 3),
                          left, top, width, height);
    if (index >= kKeysReadIntoControls) return read;

    TControls& controls = Controls();
    controls.Reset();
    list.ReadComboBox(section, key, controls.List, "20");
    read.Listed = ToBytes(controls.List.currentText());
    list.ReadComboBox(section, key, controls.Editable, "1 hour");
    read.Edited = ToBytes(controls.Editable.currentText());
    list.ReadCheckBox(section, key, controls.Check);
    read.Checked = controls.Check.isChecked();
    list.ReadControlColor(section, key, controls.Panel);
    read.PanelColor = PanelColor(controls.Panel);
    list.ReadWindowPosition(section, key, keys.At(index, 1), controls.Window);
    read.Position = controls.Window.pos();
    return read;
}

// Reals are written with 15 significant digits, which is all a position or a time needs; the
// digits beyond may be lost once.
bool SameReal(double written, double read) {
    return written == read ||
           std::fabs(written - read) <= 1e-14 * std::max(std::fabs(written), std::fabs(read));
}

// Writes what was read back through one of the typed writers, and checks that it reads back.
void WriteOne(TStoredTextList& list, const TKeys& keys, size_t index, const TReadings& read,
              unsigned writer) {
    const std::string& section = keys.Section;
    const std::string& key = keys.At(index);
    TControls& controls = Controls();
    // Only the first keys were read into controls.
    switch (writer % (index < kKeysReadIntoControls ? 9 : 6)) {
        case 0: {
            list.WriteText(section, key, read.Text);
            Require(list.ReadValue(section, key) == read.Text);
            break;
        }
        case 1: {
            list.WriteBool(section, key, read.Bool);
            bool again = !read.Bool;
            list.ReadBool(section, key, again);
            Require(again == read.Bool);
            break;
        }
        case 2: {
            list.WriteInteger(section, key, read.Integer);
            int32_t again = read.Integer ^ 1;
            list.ReadInteger(section, key, INT32_MIN, INT32_MAX, again);
            Require(again == read.Integer);
            break;
        }
        case 3: {
            list.WriteReal(section, key, read.Real);
            double again = std::nan("");
            list.ReadReal(section, key, again);
            Require(SameReal(read.Real, again));
            break;
        }
        case 4: {
            list.WriteColor(section, key, read.Color);
            uint32_t again = ~read.Color;
            list.ReadColor(section, key, again);
            Require(again == read.Color);
            break;
        }
        case 5: {
            if (!keys.Distinct(index, 4)) break;
            const auto& [left, top, width, height] = read.Rect;
            list.WriteRelativeRect(section, key, keys.At(index, 1), keys.At(index, 2),
                                   keys.At(index, 3), left, top, width, height);
            std::array<double, 4> again = {0.2, 0.9, 0.3, 0.3};
            list.ReadRelativeRect(section, key, keys.At(index, 1), keys.At(index, 2),
                                  keys.At(index, 3), again[0], again[1], again[2], again[3]);
            for (size_t i = 0; i < again.size(); ++i) Require(SameReal(read.Rect[i], again[i]));
            break;
        }
        case 6: {
            controls.Editable.setEditText(ToQString(read.Edited));
            list.WriteComboBox(section, key, controls.Editable);
            Require(list.ReadValue(section, key) == read.Edited);
            break;
        }
        case 7: {
            SetPanelColor(controls.Panel, read.PanelColor);
            list.WriteControlColor(section, key, controls.Panel);
            uint32_t again = ~read.PanelColor;
            list.ReadColor(section, key, again);
            Require(again == read.PanelColor);
            break;
        }
        default: {
            if (!keys.Distinct(index, 2)) break;
            controls.Window.move(read.Position);
            list.WriteWindowPosition(section, key, keys.At(index, 1), controls.Window);
            controls.Window.move(0, 0);
            list.ReadWindowPosition(section, key, keys.At(index, 1), controls.Window);
            Require(controls.Window.pos() == read.Position);
            break;
        }
    }
}

// The sections the readers can reach (the first of each name) and their keys.
std::vector<TKeys> KeysOf(const TStoredTextList& list) {
    std::vector<TKeys> all;
    for (const std::string& section : list.SectionNames()) {
        const bool reached = std::none_of(all.begin(), all.end(), [&](const TKeys& earlier) {
            return SameText(earlier.Section, section);
        });
        if (reached) all.push_back({section, list.Keys(section)});
    }
    return all;
}

std::vector<TReadings> ReadEverything(TStoredTextList& list, const std::vector<TKeys>& all) {
    std::vector<TReadings> readings;
    for (const TKeys& keys : all)
        for (size_t index = 0; index < keys.Keys.size(); ++index)
            readings.push_back(ReadAll(list, keys, index));
    return readings;
}

}  // namespace

void FuzzPictureLoading(const uint8_t* data, size_t size) {
    if (size < 3) return;
    const uint8_t resize = data[0];
    const uint8_t colours = data[1];
    const uint8_t desktop = data[2];

    TResizeRules rules;
    rules.Tile = resize & 1;
    rules.FitBeforeTile = resize & 2;
    rules.Stretch = resize & 4;
    rules.FitAndCrop = resize & 8;
    rules.MaxStretchSkew = std::array{0.0, 1.0, 1.2, 3.0}[(resize >> 4) & 3];
    rules.MinStretchSize = std::array{0, 16, 300, -1}[resize >> 6];
    const QSize desktopSize =
        std::array{QSize(64, 48), QSize(48, 64), QSize(3, 2), QSize(0, 0)}[desktop & 3];
    rules.DesktopWidth = desktopSize.width();
    rules.DesktopHeight = desktopSize.height();

    TPictureEffects effects;
    effects.NormalizeBrightness = colours & 1;
    effects.NormalizeMethod = std::array<std::string_view, 4>{
        kAnisotropicDampening, kBalancedScaling, kMirroredScaling, "None"}[(colours >> 1) & 3];
    effects.NormalizeLevel = std::array{0.0, 0.25, 0.5, 1.0}[(colours >> 3) & 3];
    effects.Gamma = std::array{100, 40, 250, 0}[(colours >> 5) & 3];

    TDecodeLimits limits;
    limits.MemoryBudget = kFuzzMemoryBudget;
    limits.Progress = [] {
        return true;
    };

    const std::string fileName = Scratch().Put("picture", data + 3, size - 3);
    if (SlowToDecode(fileName)) return;
    FunStatContext.Reset(fsPerfect);
    QImage bitmap;
    double skew = 0.0;
    double factor = -1.0;
    LoadTilePictureToBitmap(fileName, bitmap, 0x00332211, &skew, &factor, effects, rules, limits);

    if (FunStatContext.Failed() || desktopSize.isEmpty()) {
        Require(bitmap.isNull());
    } else {
        Require(bitmap.size() == desktopSize && bitmap.format() == QImage::Format_ARGB32);
        Require(Opaque(bitmap));
        Require(skew >= 1.0);
    }
    if (!FunStatContext.Failed())
        Require(effects.NormalizeBrightness ? factor > 0.0 : factor == 0.0);
    FunStatContext.Reset(fsPerfect);
}

void FuzzStoredTextList(const uint8_t* data, size_t size) {
    if (size < 1) return;
    const std::string fileName = Scratch().Put("options.ini", data, size);
    const std::string kept = fileName + ".bak";
    unlink(kept.c_str());
    FunStatContext.Reset(fsPerfect);
    TStoredTextList list(fileName);
    // Every value read while loading, as the program reads its options: a value a reader cannot
    // take fails the load, as a NUL byte does, but costs nothing else.
    std::vector<TReadings> readings;
    list.OnLoad = [&](TStoredTextList& sender, bool) {
        readings = ReadEverything(sender, KeysOf(sender));
    };
    bool loaded = false;
    {
        TQuietViewer quiet;
        loaded = list.Load();
    }
    Require(loaded != FunStatContext.Failed());
    Require(!loaded || std::memchr(data, 0, size) == nullptr);
    FunStatContext.Reset(fsPerfect);
    list.OnLoad = nullptr;

    // Each value goes back through a writer chosen by the first byte and its place.
    const std::vector<TKeys> all = KeysOf(list);
    unsigned writer = data[0];
    size_t read = 0;
    for (const TKeys& keys : all) {
        for (size_t index = 0; index < keys.Keys.size(); ++index)
            WriteOne(list, keys, index, readings[read++], writer++);
    }
    // And any bytes at all, line breaks and NULs included, as a path may hold them.
    const std::string_view tail(
        reinterpret_cast<const char*>(data) + size - std::min<size_t>(size, 64),
        std::min<size_t>(size, 64));
    list.WriteText("Fuzz", "Value", tail);
    Require(list.ReadValue("Fuzz", "Value") == tail);

    Require(list.Save(false));
    // A file that was not read whole is kept as it was; one that was, is not.
    const std::string input(reinterpret_cast<const char*>(data), size);
    Require(Contents(kept) == (loaded ? std::nullopt : std::optional(input)));
    TStoredTextList again(fileName);
    Require(again.Load());
    Require(again.Text() == list.Text());
    const std::vector<TKeys> written = KeysOf(list);
    Require(ReadEverything(again, written) == ReadEverything(list, written));
    Require(again.ReadValue("Fuzz", "Value") == tail);
    FunStatContext.Reset(fsPerfect);
}
