#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QComboBox;
class QWidget;

// A sectioned key=value text file kept in memory: the options file and the calendar skin files.
//
// The file is bytes, split into lines at CRLF, a lone CR or a lone LF; a NUL byte ends it. Empty
// lines and lines starting with ";" are dropped, "[name]" opens a section (the name taken as it
// is), and every other line belongs to the section opened last; lines before the first section
// are dropped. In "key=value" the key is everything before the first "=", blanks included; a line
// without "=" is kept but never matches. Section names and keys match without regard to ASCII
// letter case, and the first match wins, also when a section name repeats. A value holding a line
// break or a NUL byte is stored escaped, behind a leading byte 0x01, and reads back as it was
// written. Saving writes every section back with CRLF line ends and an empty line after it, so
// comments are not kept.
//
// Loading and saving follow the function protocol (StatusScope.h) and show their own failures:
// a failed load leaves its failure in FunStatContext, a failed save only answers false. The
// typed accessors never fail on bad text (it reads as the target's current value), except
// ReadColor and ReadControlColor, whose TException is meant to fail the load that called them.
class TStoredTextList {
public:
    using TEvent = std::function<void(TStoredTextList& sender, bool flag)>;

    explicit TStoredTextList(std::string fileName = {});

    std::string FileName;
    TEvent OnLoad;
    TEvent OnSave;

    // True from the start of Load until it returns.
    bool Loading() const { return m_loading; }
    // Whether a load, load-from or save-as has made the content.
    bool HasContent() const;

    bool Load(bool flag = false);
    bool LoadFrom(std::string_view fileName, bool flag = false);
    bool Save(bool confirmOverwrite, bool flag = false);
    bool SaveAs(std::string_view fileName, bool confirmOverwrite, bool flag = false);
    void Clear();

    // The raw value of the first matching line; nothing when the section or key is missing.
    std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
    void WriteValue(std::string_view section, std::string_view key, std::string_view value);
    // The whole file as it would be written (CRLF line ends).
    std::string Text() const;
    // Names of the sections in order, repeats included (for callers that walk a file).
    std::vector<std::string> SectionNames() const;
    // Keys of the first section of that name, in order (lines without "=" left out).
    std::vector<std::string> Keys(std::string_view section) const;

    void ReadText(std::string_view section, std::string_view key, size_t maximumLength,
                  std::string& text, bool allowEmpty);
    void WriteText(std::string_view section, std::string_view key, std::string_view text);
    void ReadComboBox(std::string_view section, std::string_view key, QComboBox& comboBox,
                      std::string_view defaultText);
    void WriteComboBox(std::string_view section, std::string_view key, const QComboBox& comboBox);
    void ReadBool(std::string_view section, std::string_view key, bool& value);
    void WriteBool(std::string_view section, std::string_view key, bool value);
    void ReadCheckBox(std::string_view section, std::string_view key, QCheckBox& checkBox);
    void WriteCheckBox(std::string_view section, std::string_view key, const QCheckBox& checkBox);
    void ReadInteger(std::string_view section, std::string_view key, int32_t minimum,
                     int32_t maximum, int32_t& value);
    void WriteInteger(std::string_view section, std::string_view key, int32_t value);
    void ReadReal(std::string_view section, std::string_view key, double& value);
    void WriteReal(std::string_view section, std::string_view key, double value);
    // Colours are 0x00BBGGRR. An unreadable colour text throws TException.
    void ReadColor(std::string_view section, std::string_view key, uint32_t& color);
    void WriteColor(std::string_view section, std::string_view key, uint32_t color);
    // A colour panel: its colour is the background (QPalette::Window) of the widget, its factory
    // colour the integer dynamic property "Tag".
    void ReadControlColor(std::string_view section, std::string_view key, QWidget& panel);
    void WriteControlColor(std::string_view section, std::string_view key, const QWidget& panel);
    void ReadWindowPosition(std::string_view section, std::string_view xKey, std::string_view yKey,
                            QWidget& window);
    void WriteWindowPosition(std::string_view section, std::string_view xKey, std::string_view yKey,
                             const QWidget& window);
    void ReadRelativeRect(std::string_view section, std::string_view leftKey,
                          std::string_view topKey, std::string_view widthKey,
                          std::string_view heightKey, double& left, double& top, double& width,
                          double& height);
    void WriteRelativeRect(std::string_view section, std::string_view leftKey,
                           std::string_view topKey, std::string_view widthKey,
                           std::string_view heightKey, double left, double top, double width,
                           double height);

private:
    struct TSection {
        std::string Name;
        std::vector<std::string> Lines;
    };

    const TSection* FindSection(std::string_view name) const;
    // Replaces the content by the file's; throws when the file exists but can't be read.
    void ReadContent();
    // readExistingFile: a save-as without content first takes the file's, so that the values
    // nobody writes survive.
    bool Store(bool confirmOverwrite, bool flag, bool readExistingFile);

    std::vector<TSection> m_sections;
    bool m_hasContent = false;
    bool m_loading = false;
};
