#include "StoredTextList.h"

#include "File.h"
#include "Mydialogs.h"
#include "QtText.h"
#include "StatusScope.h"
#include "Text.h"
#include "Utilities.h"

#include <sys/stat.h>
#include <QCheckBox>
#include <QComboBox>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <source_location>
#include <span>

namespace {

// Options and skin files are a few kilobytes. Anything far bigger is no file of ours, and reading
// it whole could exhaust the memory.
constexpr size_t kMaximumFileSize = 16 * 1024 * 1024;

// The index of the first line whose key is key, or lines.size().
size_t FindKey(const std::vector<std::string>& lines, std::string_view key) {
    for (size_t index = 0; index < lines.size(); ++index) {
        const std::string_view line = lines[index];
        const size_t equals = line.find('=');
        if (equals != std::string_view::npos && SameText(line.substr(0, equals), key)) return index;
    }
    return lines.size();
}

// A value holding a line break or a NUL byte (a path may) would otherwise come back cut short,
// its rest a line of its own: such a value is stored as this byte followed by the value with CR,
// LF, NUL and backslash written as \r, \n, \0 and \\. A value that begins with this byte is
// stored so too, which keeps every value reading back as it was written; no text the program
// stores or a person types begins with it.
constexpr char kEscapedValue = '\x01';

std::string StoredValue(std::string_view value) {
    if (value.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos &&
        !value.starts_with(kEscapedValue))
        return std::string(value);
    std::string stored(1, kEscapedValue);
    for (const char c : value) {
        switch (c) {
            case '\r':
                stored += "\\r";
                break;
            case '\n':
                stored += "\\n";
                break;
            case '\0':
                stored += "\\0";
                break;
            case '\\':
                stored += "\\\\";
                break;
            default:
                stored += c;
        }
    }
    return stored;
}

// The value StoredValue was given; a stored text it cannot have made reads as it is.
std::string ValueOf(std::string_view stored) {
    if (!stored.starts_with(kEscapedValue)) return std::string(stored);
    std::string value;
    for (size_t at = 1; at < stored.size(); ++at) {
        if (stored[at] != '\\') {
            value += stored[at];
            continue;
        }
        if (++at == stored.size()) return std::string(stored);
        switch (stored[at]) {
            case 'r':
                value += '\r';
                break;
            case 'n':
                value += '\n';
                break;
            case '0':
                value += '\0';
                break;
            case '\\':
                value += '\\';
                break;
            default:
                return std::string(stored);
        }
    }
    return value;
}

// Either separator: a file written where the decimal separator is a comma keeps its values here.
std::optional<double> ParseReal(std::string_view text) {
    std::string number(text);
    if (number.find('.') == std::string::npos) std::replace(number.begin(), number.end(), ',', '.');
    double value = 0;
    const char* end = number.data() + number.size();
    const auto [stop, error] = std::from_chars(number.data(), end, value);
    if (error != std::errc{} || stop != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

// An existing file keeps its mode; a new one gets the usual mode of a user's file.
unsigned ModeForReplacing(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0644;
}

std::string KeptName(std::string_view file) {
    return std::string(file) + ".bak";
}

// A report names this many of the values a load could not take, each cut to this many bytes.
constexpr size_t kRejectedValuesShown = 10;
constexpr size_t kRejectedTextShown = 40;

// A value as a line of a report: control characters would break it, a long one would bury the
// others.
std::string Shown(std::string_view text) {
    size_t end = text.size();
    if (end > kRejectedTextShown) {
        end = kRejectedTextShown;
        // Not in the middle of a UTF-8 character.
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    }
    std::string shown(text.substr(0, end));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return end < text.size() ? shown + "..." : shown;
}

}  // namespace

TStoredTextList::TStoredTextList(std::string fileName) : FileName(std::move(fileName)) {}

bool TStoredTextList::HasContent() const {
    return m_hasContent;
}

const TStoredTextList::TSection* TStoredTextList::FindSection(std::string_view name) const {
    for (const TSection& section : m_sections)
        if (SameText(section.Name, name)) return &section;
    return nullptr;
}

TStoredTextList::TReading TStoredTextList::ReadContent() {
    m_sections.clear();
    m_hasContent = true;
    if (FileName.empty() || !FileOrDirExists(FileName)) return {};

    std::string bytes;
    int error = 0;
    const bool read = ReadFileBytes(FileName, bytes, error, kMaximumFileSize + 1);
    if (read && bytes.size() > kMaximumFileSize) error = EFBIG;
    if (!read || error != 0) {
        const std::string reason =
            error != 0 ? std::strerror(error) + std::string(".") : std::string(kNotRegularFile);
        return {false, "Cannot read the file. " + reason, error};
    }

    TReading reading;
    std::string_view text(bytes);
    if (const size_t nul = text.find('\0'); nul != std::string_view::npos) {
        reading.Unread = "Only the first " + std::to_string(nul) +
                         " bytes were read: a NUL byte ends the text there.";
        text = text.substr(0, nul);
    }
    // CR and LF each end a line: the empty line that CRLF leaves between them is dropped anyway.
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = std::min(text.find_first_of("\r\n", start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            m_sections.push_back({std::string(line.substr(1, line.size() - 2)), {}});
        } else if (!m_sections.empty()) {
            m_sections.back().Lines.emplace_back(line);
        }
    }
    return reading;
}

bool TStoredTextList::Load(bool flag) {
    TStatusScope scope("TStoredTextList::Load");
    m_loading = true;
    m_rejected.clear();
    scope.Run([&] {
        int error = 0;
        const std::string target = FinalLinkTarget(FileName, error);
        // Kept at the next save unless all of it is read, also when the reader fails.
        m_unreadFile = target;
        TReading reading = ReadContent();
        if (reading.Readable && OnLoad) OnLoad(*this, flag);
        std::string& unread = reading.Unread;
        if (!m_rejected.empty()) unread += (unread.empty() ? "" : "\r\n") + RejectedValuesText();
        if (!unread.empty()) {
            const std::string kept = target.empty()
                                         ? std::string()
                                         : "The file as it stands will be kept as \"" +
                                               KeptName(target) + "\" when it is next saved.";
            scope.Raise(unread, FileName, kept, reading.Error);
        }
        m_unreadFile.clear();
    });
    const bool loaded = !scope.Failed();
    if (!loaded) {
        // Shown here, yet left in FunStatContext: the caller must learn that the values it holds
        // did not all come from the file.
        TFunStatContext shown = scope.Context();
        const auto where = std::source_location::current();
        shown.SetShowContext(where.file_name(), "TStoredTextList::Load",
                             static_cast<int32_t>(where.line()));
        shown.Show("Failed to load file.");
    }
    m_loading = false;
    return loaded;
}

bool TStoredTextList::LoadFrom(std::string_view fileName, bool flag) {
    FileName = fileName;
    return Load(flag);
}

bool TStoredTextList::Save(bool confirmOverwrite, bool flag) {
    return Store(confirmOverwrite, flag, false);
}

bool TStoredTextList::SaveAs(std::string_view fileName, bool confirmOverwrite, bool flag) {
    FileName = fileName;
    return Store(confirmOverwrite, flag, !m_hasContent);
}

bool TStoredTextList::Store(bool confirmOverwrite, bool flag, bool readExistingFile) {
    TStatusScope scope("TStoredTextList::Save");
    bool saved = false;
    scope.Run([&] {
        int error = 0;
        // Settings kept among a user's managed files stay a link to them: the final target is
        // what gets replaced.
        const std::string target = FinalLinkTarget(FileName, error);
        if (target.empty())
            scope.Raise("Cannot create file.", FileName, "The symbolic links lead nowhere.", error);
        if (readExistingFile) {
            const TReading reading = ReadContent();
            if (!reading.Readable) scope.Raise(reading.Unread, FileName, {}, reading.Error);
            if (!reading.Unread.empty()) m_unreadFile = target;
        }
        if (confirmOverwrite && FileOrDirExists(FileName) &&
            !AskQuestion("File \"" + FileName + "\"already exists.\nOverwrite it?"))
            return;
        if (OnSave) OnSave(*this, flag);
        ClearReadOnly(FileName);
        // A file that was not read whole may hold what the program could not make sense of.
        const std::string keepAs = m_unreadFile == target ? KeptName(target) : std::string();
        RemoveLeftoverReplacements(target);
        if (!ReplaceFileContents(target, Text(), ModeForReplacing(target), error, keepAs))
            throw TException("Cannot create file \"" + target + "\"" +
                             (keepAs.empty() ? "" : " keeping the old one as \"" + keepAs + "\"") +
                             ". " + std::strerror(error));
        if (!keepAs.empty()) m_unreadFile.clear();
        saved = true;
    });
    scope.ShowFailure("Failed to save file.");
    return saved;
}

void TStoredTextList::Clear() {
    m_sections.clear();
}

std::optional<std::string> TStoredTextList::ReadValue(std::string_view section,
                                                      std::string_view key) const {
    const TSection* found = FindSection(section);
    if (found == nullptr) return std::nullopt;
    const size_t index = FindKey(found->Lines, key);
    if (index == found->Lines.size()) return std::nullopt;
    const std::string_view line = found->Lines[index];
    return ValueOf(line.substr(line.find('=') + 1));
}

void TStoredTextList::WriteValue(std::string_view section, std::string_view key,
                                 std::string_view value) {
    auto target =
        std::find_if(m_sections.begin(), m_sections.end(),
                     [section](const TSection& each) { return SameText(each.Name, section); });
    if (target == m_sections.end()) target = m_sections.insert(target, {std::string(section), {}});
    std::string line = std::string(key) + "=" + StoredValue(value);
    const size_t index = FindKey(target->Lines, key);
    if (index < target->Lines.size())
        target->Lines[index] = std::move(line);
    else
        target->Lines.push_back(std::move(line));
}

std::string TStoredTextList::Text() const {
    std::string text;
    for (const TSection& section : m_sections) {
        text += "[" + section.Name + "]\r\n";
        for (const std::string& line : section.Lines) text += line + "\r\n";
        text += "\r\n";
    }
    return text;
}

std::vector<std::string> TStoredTextList::SectionNames() const {
    std::vector<std::string> names;
    for (const TSection& section : m_sections) names.push_back(section.Name);
    return names;
}

std::vector<std::string> TStoredTextList::Keys(std::string_view section) const {
    std::vector<std::string> keys;
    if (const TSection* found = FindSection(section)) {
        for (const std::string& line : found->Lines) {
            const size_t equals = line.find('=');
            if (equals != std::string::npos) keys.push_back(line.substr(0, equals));
        }
    }
    return keys;
}

void TStoredTextList::Reject(std::string_view section, std::string_view key,
                             std::string_view text) {
    if (m_loading)
        m_rejected.push_back({std::string(section), std::string(key), std::string(text)});
}

std::string TStoredTextList::RejectedValuesText() const {
    std::string text = m_rejected.size() == 1
                           ? "A value could not be read; its setting stays as it was:"
                           : std::to_string(m_rejected.size()) +
                                 " values could not be read; their settings stay as they were:";
    const size_t shown = std::min(m_rejected.size(), kRejectedValuesShown);
    for (const TRejectedValue& value : std::span(m_rejected).first(shown))
        text += "\r\n[" + value.Section + "] " + value.Key + "=" + Shown(value.Text);
    if (m_rejected.size() > shown)
        text += "\r\n... and " + std::to_string(m_rejected.size() - shown) + " more.";
    return text;
}

void TStoredTextList::ReadText(std::string_view section, std::string_view key, size_t maximumLength,
                               std::string& text, bool allowEmpty) {
    const auto stored = ReadValue(section, key);
    if (!stored || (!allowEmpty && stored->empty())) return;
    if (stored->size() > maximumLength)
        Reject(section, key, *stored);
    else
        text = *stored;
}

void TStoredTextList::WriteText(std::string_view section, std::string_view key,
                                std::string_view text) {
    WriteValue(section, key, text);
}

void TStoredTextList::ReadComboBox(std::string_view section, std::string_view key,
                                   QComboBox& comboBox, std::string_view defaultText) {
    std::string text = ReadValue(section, key).value_or(std::string());
    if (text.empty()) text = defaultText;
    if (comboBox.isEditable())
        comboBox.setEditText(ToQString(text));
    else
        SelectComboBoxItem(comboBox, text, text);
}

void TStoredTextList::WriteComboBox(std::string_view section, std::string_view key,
                                    const QComboBox& comboBox) {
    WriteValue(section, key, ToBytes(comboBox.currentText()));
}

void TStoredTextList::ReadBool(std::string_view section, std::string_view key, bool& value) {
    value = TextToBool(ReadValue(section, key).value_or(BoolToText(value)));
}

void TStoredTextList::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteValue(section, key, BoolToText(value));
}

void TStoredTextList::ReadCheckBox(std::string_view section, std::string_view key,
                                   QCheckBox& checkBox) {
    bool checked = checkBox.isChecked();
    ReadBool(section, key, checked);
    checkBox.setChecked(checked);
}

void TStoredTextList::WriteCheckBox(std::string_view section, std::string_view key,
                                    const QCheckBox& checkBox) {
    WriteBool(section, key, checkBox.isChecked());
}

void TStoredTextList::ReadInteger(std::string_view section, std::string_view key, int32_t minimum,
                                  int32_t maximum, int32_t& value) {
    const auto stored = ReadValue(section, key);
    if (!stored || stored->empty()) return;
    // StrToInt rather than the reporting readers: the load reports bad text, once for the file.
    try {
        const int32_t read = StrToInt(*stored);
        if (read >= minimum && read <= maximum) {
            value = read;
            return;
        }
    } catch (const TException&) {
    }
    Reject(section, key, *stored);
}

void TStoredTextList::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
    WriteValue(section, key, std::to_string(value));
}

void TStoredTextList::ReadReal(std::string_view section, std::string_view key, double& value) {
    const auto stored = ReadValue(section, key);
    if (!stored || stored->empty()) return;
    if (const auto read = ParseReal(*stored))
        value = *read;
    else
        Reject(section, key, *stored);
}

void TStoredTextList::WriteReal(std::string_view section, std::string_view key, double value) {
    // Always ".", whatever the locale: the file must read back the same anywhere.
    char buffer[32];
    const auto written =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    WriteValue(section, key, std::string_view(buffer, static_cast<size_t>(written.ptr - buffer)));
}

std::optional<uint32_t> TStoredTextList::ColorOf(std::string_view section, std::string_view key,
                                                 std::string_view text) {
    try {
        return TextToColor(text);
    } catch (const TException&) {
        Reject(section, key, text);
        return std::nullopt;
    }
}

void TStoredTextList::ReadColor(std::string_view section, std::string_view key, uint32_t& color) {
    if (const auto stored = ReadValue(section, key))
        if (const auto read = ColorOf(section, key, *stored)) color = *read;
}

void TStoredTextList::WriteColor(std::string_view section, std::string_view key, uint32_t color) {
    WriteInteger(section, key, static_cast<int32_t>(color));
}

void TStoredTextList::ReadControlColor(std::string_view section, std::string_view key,
                                       QWidget& panel) {
    const auto stored = ReadValue(section, key);
    if (!stored)
        SetPanelColor(panel, static_cast<uint32_t>(panel.property("Tag").toInt()));
    else if (const auto read = ColorOf(section, key, *stored))
        SetPanelColor(panel, *read);
}

void TStoredTextList::WriteControlColor(std::string_view section, std::string_view key,
                                        const QWidget& panel) {
    WriteColor(section, key, PanelColor(panel));
}

void TStoredTextList::ReadWindowPosition(std::string_view section, std::string_view xKey,
                                         std::string_view yKey, QWidget& window) {
    // In logical pixels, as QWidget::move takes them; GetDesktopArea answers physical ones.
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect area = screen->availableGeometry();
    constexpr int32_t kLowest = std::numeric_limits<int32_t>::min();
    constexpr int32_t kHighest = std::numeric_limits<int32_t>::max();
    int32_t x = window.x();
    int32_t y = window.y();
    ReadInteger(section, xKey, kLowest, kHighest, x);
    ReadInteger(section, yKey, kLowest, kHighest, y);
    // A window saved on a screen that has since gone or shrunk must not open out of reach.
    if (x < area.left() || x > 0.9 * area.width()) x = area.left();
    if (y < area.top() || y > 0.9 * area.height()) y = area.top();
    window.move(x, y);
}

void TStoredTextList::WriteWindowPosition(std::string_view section, std::string_view xKey,
                                          std::string_view yKey, const QWidget& window) {
    WriteInteger(section, xKey, window.x());
    WriteInteger(section, yKey, window.y());
}

void TStoredTextList::ReadRelativeRect(std::string_view section, std::string_view leftKey,
                                       std::string_view topKey, std::string_view widthKey,
                                       std::string_view heightKey, double& left, double& top,
                                       double& width, double& height) {
    const auto readSize = [&](std::string_view key, double current) {
        double size = current;
        ReadReal(section, key, size);
        if (!(size > 0)) size = current;
        return std::min(size, 1.0);
    };
    const auto readPlace = [&](std::string_view key, double current, double size) {
        double place = current;
        ReadReal(section, key, place);
        return std::clamp(place, 0.0, 1.0 - size);
    };
    width = readSize(widthKey, width);
    height = readSize(heightKey, height);
    left = readPlace(leftKey, left, width);
    top = readPlace(topKey, top, height);
}

void TStoredTextList::WriteRelativeRect(std::string_view section, std::string_view leftKey,
                                        std::string_view topKey, std::string_view widthKey,
                                        std::string_view heightKey, double left, double top,
                                        double width, double height) {
    WriteReal(section, leftKey, left);
    WriteReal(section, topKey, top);
    WriteReal(section, widthKey, width);
    WriteReal(section, heightKey, height);
}
