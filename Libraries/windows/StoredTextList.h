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
// typed accessors never fail: a value they cannot take (a colour that names none, a number that
// does not read or lies outside its bounds, a text longer than its maximum) leaves the target as
// it was. While loading they note such a value, and the load then fails with a report naming
// each one, although it read everything else. Values that mean something all the same are no
// such failure: a boolean other than "TRUE" is false, a combo box text none of the items has
// selects the first, an empty text keeps the target.
//
// A file that a load did not read whole (it could not be read, is no regular file, is too large,
// holds a NUL byte, or held a value that could not be taken) is never simply overwritten: the
// next save over it first renames it to its name + ".bak" (replacing an older one), and the load's
// report says so. A symbolic link stays a link: its final target is replaced.
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
    // Colours are 0x00BBGGRR, read from text by TextToColor (Utilities.h).
    void ReadColor(std::string_view section, std::string_view key, uint32_t& color);
    void WriteColor(std::string_view section, std::string_view key, uint32_t color);
    // A colour panel: its colour is the background (QPalette::Window) of the widget, its factory
    // colour, which a missing key gives it, the integer dynamic property "Tag".
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

    struct TRejectedValue {
        std::string Section;
        std::string Key;
        std::string Text;
    };
    // How much of its file ReadContent took.
    struct TReading {
        bool Readable = true;  // false: nothing, the file could not be read at all
        std::string Unread;    // why it was not read whole; empty when it was
        int Error = 0;         // the system's code for that, when there is one
    };

    const TSection* FindSection(std::string_view name) const;
    // Replaces the content by the file's: all of it up to a NUL byte, nothing when it can't be
    // read; a missing file is empty.
    TReading ReadContent();
    // readExistingFile: a save-as without content first takes the file's, so that the values
    // nobody writes survive.
    bool Store(bool confirmOverwrite, bool flag, bool readExistingFile);
    // While loading, notes a value a typed reader could not take.
    void Reject(std::string_view section, std::string_view key, std::string_view text);
    // The noted values for a report, one a line; many are counted, not listed.
    std::string RejectedValuesText() const;
    // The colour of text, or nothing (and noted) when it names none.
    std::optional<uint32_t> ColorOf(std::string_view section, std::string_view key,
                                    std::string_view text);

    std::vector<TSection> m_sections;
    bool m_hasContent = false;
    bool m_loading = false;
    std::vector<TRejectedValue> m_rejected;
    // The file (its links followed) the last load did not read whole, until a save has kept it.
    std::string m_unreadFile;
};
