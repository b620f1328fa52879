#include "StatusScope.h"
#include "StockColors.h"
#include "StoredTextList.h"
#include "TestSupport.h"
#include "Text.h"
#include "Utilities.h"

#include <sys/stat.h>
#include <fstream>
#include <set>
#include <tuple>

namespace fs = std::filesystem;
using namespace std::string_literals;

namespace {

class StoredTextListTest : public ::testing::Test {
protected:
    void SetUp() override { FunStatContext.Reset(fsPerfect); }

    std::string Put(const std::string& name, std::string_view bytes) {
        const fs::path path = box.Root() / name;
        std::ofstream(path, std::ios::binary).write(bytes.data(), std::ssize(bytes));
        return path.string();
    }
    TStoredTextList Loaded(std::string_view bytes) {
        TStoredTextList list(Put("a.ini", bytes));
        EXPECT_TRUE(list.Load());
        return list;
    }

    SandBox box;
    ScopedMessageBoxes boxes;
};

TEST_F(StoredTextListTest, LinesAreSplitAndMatchedAsWritten) {
    struct Row {
        std::string file, section, key;
        std::optional<std::string> value;
    };
    const Row rows[] = {
        {"[Main]\r\nKey=1\r\n", "main", "KEY", "1"},
        {"[Main]\r\nKey = 1\r\n", "Main", "Key", std::nullopt},
        {"[Main]\r\nKey = 1\r\n", "Main", "Key ", " 1"},
        {"[A]\rK=0\rL=cr", "A", "L", "cr"},
        {"[A]\nK=0\nL=lf\n", "A", "L", "lf"},
        {"L=1\r\n[A]\r\n", "A", "L", std::nullopt},
        {"[A]\r\n;L=1\r\n\r\nL=a=b\r\n", "A", "L", "a=b"},
        {"[A]\r\nL\r\nL=2\r\n", "A", "L", "2"},
        {"[A]\r\nL=1\r\n[a]\r\nL=2\r\nM=3\r\n", "A", "M", std::nullopt},
        {"[ A ]\r\nL=1\r\n", "A", "L", std::nullopt},
        {"[]\r\nL=1\r\n", "", "L", "1"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(Loaded(row.file).ReadValue(row.section, row.key), row.value) << row.file;
}

TEST_F(StoredTextListTest, SavingRegeneratesEverySectionWithCrLf) {
    TStoredTextList list = Loaded(
        "Lost=0\r\n; comment\r\n[Main]\r\nKey=1\r\n\r\nBare\r\n[Other]\nA=1\n[main]\r\nKey=2");
    list.WriteValue("MAIN", "KEY", "3");
    list.WriteValue("other", "B", "\xff\xfe caf\xe9");
    list.WriteValue("New", "C", "");
    EXPECT_EQ(list.Keys("main"), (std::vector<std::string>{"KEY"}));
    EXPECT_EQ(list.SectionNames(), (std::vector<std::string>{"Main", "Other", "main", "New"}));
    ASSERT_TRUE(list.Save(false));
    const std::string expected =
        "[Main]\r\nKEY=3\r\nBare\r\n\r\n[Other]\r\nA=1\r\nB=\xff\xfe caf\xe9\r\n\r\n"
        "[main]\r\nKey=2\r\n\r\n[New]\r\nC=\r\n\r\n";
    EXPECT_EQ(ReadWholeFile(list.FileName), expected);
    EXPECT_EQ(Loaded(expected).ReadValue("Other", "B"), "\xff\xfe caf\xe9");
}

TEST_F(StoredTextListTest, BadValuesReadAsTheTargetsValue) {
    TStoredTextList list = Loaded(
        "[I]\r\nOver=150\r\nHex=0x1F\r\nTail=12abc\r\nDollar=$ff\r\nWide=2147483648\r\n"
        "[R]\r\nComma=0,25\r\nDot=0.25\r\nExp=1,5e-1\r\nBad=1.2.3\r\nNaN=nan\r\n"
        "[B]\r\nUpper=TRUE\r\nLower=true\r\n[T]\r\nEmpty=\r\nLong=abcd\r\n");
    struct IntegerRow {
        const char* key;
        int32_t maximum, expected;
    };
    const IntegerRow integers[] = {{"Over", 100, 7}, {"Hex", 100, 31},     {"Tail", 100, 7},
                                   {"Wide", 100, 7}, {"Dollar", 255, 255}, {"Missing", 100, 7}};
    for (const IntegerRow& row : integers) {
        int32_t value = 7;
        list.ReadInteger("I", row.key, 0, row.maximum, value);
        EXPECT_EQ(value, row.expected) << row.key;
    }
    struct RealRow {
        const char* key;
        double expected;
    };
    const RealRow reals[] = {{"Comma", 0.25}, {"Dot", 0.25}, {"Exp", 0.15},
                             {"Bad", 9},      {"NaN", 9},    {"Missing", 9}};
    for (const RealRow& row : reals) {
        double value = 9;
        list.ReadReal("R", row.key, value);
        EXPECT_DOUBLE_EQ(value, row.expected) << row.key;
    }
    bool upper = false, lower = true, missing = true;
    list.ReadBool("B", "Upper", upper);
    list.ReadBool("B", "Lower", lower);
    list.ReadBool("B", "Missing", missing);
    EXPECT_TRUE(upper && !lower && missing);

    std::string text = "kept";
    list.ReadText("T", "Empty", 260, text, false);
    list.ReadText("T", "Long", 3, text, false);
    EXPECT_EQ(text, "kept");
    list.ReadText("T", "Empty", 260, text, true);
    EXPECT_EQ(text, "");
    EXPECT_EQ(FunStatContext.Status, fsPerfect);
}

TEST_F(StoredTextListTest, RealsAreWrittenWithADotInTheShortestForm) {
    TStoredTextList list;
    list.WriteRelativeRect("R", "A", "B", "C", "D", 0.1, 45000.5, 1.0 / 3, 1e20);
    EXPECT_EQ(list.Text(), "[R]\r\nA=0.1\r\nB=45000.5\r\nC=0.333333333333333\r\nD=1e+20\r\n\r\n");
}

TEST_F(StoredTextListTest, RelativeRectangleStaysOnTheDesktop) {
    struct Row {
        const char* file;
        double width, left;
    };
    const Row rows[] = {
        {"W=0\r\nL=0.1", 0.3, 0.1},   {"W=-1\r\nL=0.1", 0.3, 0.1}, {"W=1.5\r\nL=0.4", 1, 0},
        {"W=0.5\r\nL=0.7", 0.5, 0.5}, {"W=0.5\r\nL=-0.2", 0.5, 0}, {"", 0.3, 0.2},
    };
    for (const Row& row : rows) {
        TStoredTextList list = Loaded(std::string("[P]\r\n") + row.file);
        double left = 0.2, top = 0.9, width = 0.3, height = 0.3;
        list.ReadRelativeRect("P", "L", "T", "W", "H", left, top, width, height);
        EXPECT_DOUBLE_EQ(width, row.width) << row.file;
        EXPECT_DOUBLE_EQ(left, row.left) << row.file;
        EXPECT_DOUBLE_EQ(top, 0.7) << row.file;
    }
}

TEST_F(StoredTextListTest, ColoursAreStockNamesIdentifiersOrIntegers) {
    struct Row {
        const char* text;
        uint32_t color;
    };
    const Row rows[] = {{"light pastel GREEN", 0xC8FFC8},
                        {"BLACK", 0},
                        {"", 0},
                        {"255", 0xFF},
                        {"$FF0000", 0xFF0000},
                        {"-1", 0xFFFFFFFF},
                        {"$FFFFFFFF", 0xFFFFFFFF},
                        {"clBlack", 0},
                        {"CLRED", 0x0000FF},
                        {"clBlue", 0xFF0000},
                        {"clOlive", 0x008080},
                        {"clmoneygreen", 0xC0DCC0},
                        {"clSkyBlue", 0xF0CAA6},
                        {"clCream", 0xF0FBFF},
                        {"clMedGray", 0xA4A0A0}};
    for (const Row& row : rows) EXPECT_EQ(TextToColor(row.text), row.color) << row.text;
    for (const char* text : {"blue-ish", "clBtnFace", "clNone", "cl", "99999999999999"}) {
        try {
            TextToColor(text);
            ADD_FAILURE() << text;
        } catch (const TException& error) {
            EXPECT_EQ(error.what(), "'" + std::string(text) + "' is not a valid color value");
        }
    }

    TStoredTextList list = Loaded("[C]\r\nName=Bright Blue\r\nBad=blue-ish\r\n");
    uint32_t color = 0x123456;
    list.ReadColor("C", "Missing", color);
    EXPECT_EQ(color, 0x123456u);
    list.ReadColor("C", "Bad", color);
    EXPECT_EQ(color, 0x123456u);
    list.ReadColor("C", "Name", color);
    EXPECT_EQ(color, 0xFF0000u);
    list.WriteColor("C", "Name", 0xFFFFFFFF);
    EXPECT_EQ(list.ReadValue("C", "Name"), "-1");
}

TEST_F(StoredTextListTest, ALoadTakesEveryValueItCanAndNamesEachOneItCannot) {
    TStoredTextList list(Put("a.ini",
                             "[C]\r\nShadow=clBlak\r\nOver=101\r\nFull=100\r\nBelow=-1\r\n"
                             "Hex=0x\r\nTime=12:00\r\nLong=abcd\r\nFits=abc\r\nBlank=\r\n"
                             "Flag=true\r\nLater=clRed\r\n"));
    uint32_t shadow = 7, later = 7;
    int32_t over = 5, full = 5, below = 5, hex = 5, blank = 5;
    double time = 2;
    std::string longText = "kept", fits, blankText = "kept";
    bool flag = true;
    list.OnLoad = [&](TStoredTextList& sender, bool) {
        sender.ReadColor("C", "Shadow", shadow);
        for (auto [key, value] : {std::pair{"Over", &over},
                                  {"Full", &full},
                                  {"Below", &below},
                                  {"Hex", &hex},
                                  {"Blank", &blank}})
            sender.ReadInteger("C", key, 0, 100, *value);
        sender.ReadReal("C", "Time", time);
        sender.ReadText("C", "Long", 3, longText, false);
        sender.ReadText("C", "Fits", 3, fits, false);
        sender.ReadText("C", "Blank", 3, blankText, false);
        sender.ReadBool("C", "Flag", flag);
        sender.ReadColor("C", "Later", later);
    };
    EXPECT_FALSE(list.Load());
    EXPECT_EQ(std::tuple(shadow, over, below, hex, time, longText),
              std::tuple(7u, 5, 5, 5, 2.0, "kept"));
    EXPECT_EQ(std::tuple(later, full, fits, blank, blankText, flag),
              std::tuple(0xFFu, 100, "abc", 5, "kept", false));
    EXPECT_EQ(FunStatContext.Function, "TStoredTextList::Load");
    EXPECT_EQ(FunStatContext.Description,
              "6 values could not be read; their settings stay as they were:\r\n"
              "[C] Shadow=clBlak\r\n[C] Over=101\r\n[C] Below=-1\r\n[C] Hex=0x\r\n"
              "[C] Time=12:00\r\n[C] Long=abcd");
    EXPECT_EQ(FunStatContext.Parameter1, list.FileName);
    EXPECT_EQ(FunStatContext.Parameter2, "The file as it stands will be kept as \"" +
                                             list.FileName + ".bak\" when it is next saved.");

    // Many are named up to a point, each one on a line of its own.
    std::string many = "[M]\r\nK0=tab\there " + std::string(50, 'x') + "\r\n";
    for (int i = 1; i < 12; ++i) many += "K" + std::to_string(i) + "=bad\r\n";
    TStoredTextList crowded(Put("many.ini", many));
    crowded.OnLoad = [](TStoredTextList& sender, bool) {
        for (const std::string& key : sender.Keys("M")) {
            uint32_t color = 0;
            sender.ReadColor("M", key, color);
        }
    };
    FunStatContext.Reset(fsPerfect);
    EXPECT_FALSE(crowded.Load());
    const std::string& description = FunStatContext.Description;
    EXPECT_TRUE(description.starts_with("12 values could not be read;")) << description;
    EXPECT_NE(description.find("\r\n[M] K0=tab?here " + std::string(31, 'x') + "...\r\n[M] K1=bad"),
              std::string::npos)
        << description;
    EXPECT_TRUE(description.ends_with("[M] K9=bad\r\n... and 2 more.")) << description;
}

TEST_F(StoredTextListTest, StockColorTableHasUniqueNamesAndValues) {
    EXPECT_STREQ(StockColorTable[0].Name, "Black");
    EXPECT_EQ(StockColorTable[67].Color, 0xFF00FFu);
    EXPECT_STREQ(StockColorTable[85].Name, "Maroon");
    EXPECT_EQ(StockColorTable[85].Color, 0x28468Cu);
    EXPECT_STREQ(StockColorTable[132].Name, "Light Pastel Green");
    std::set<std::string> names;
    std::set<uint32_t> colors;
    for (const TStockColor& stock : StockColorTable) {
        std::string name = stock.Name;
        for (char& c : name) c = AsciiLower(c);
        names.insert(name);
        colors.insert(stock.Color);
    }
    EXPECT_EQ(names.size(), StockColorTable.size());
    EXPECT_EQ(colors.size(), StockColorTable.size());
}

TEST_F(StoredTextListTest, AFileNotReadWholeFailsTheLoadAndIsKeptAsBakAtTheNextSave) {
    const fs::path root = box.Root();
    fs::create_directory(root / "directory.ini");
    ASSERT_EQ(mkfifo((root / "pipe.ini").c_str(), 0600), 0);
    const std::string cut = "[A]\r\nK=1\r\n\0[B]\r\nL=2\r\n"s;
    const std::string big(16 * 1024 * 1024 + 1, 'x');
    struct Row {
        std::string path, description;
        std::vector<std::string> sections;  // what was read
    };
    const Row rows[] = {
        {Put("cut.ini", cut),
         "Only the first 10 bytes were read: a NUL byte ends the text there.",
         {"A"}},
        {Put("big.ini", big), "Cannot read the file. File too large.", {}},
        {(root / "pipe.ini").string(), "Cannot read the file. Not a regular file.", {}},
        {(root / "directory.ini").string(), "Cannot read the file. Is a directory.", {}},
        {Put("whole.ini", "[A]\r\nK=1\r\n"), "", {"A"}},
    };
    Put("cut.ini.bak", "an older copy");
    Put("cut.ini.partial-a1B2c3", "[A]\r\nK=");
    for (const Row& row : rows) {
        FunStatContext.Reset(fsPerfect);
        TStoredTextList list(row.path);
        bool read = false;
        list.OnLoad = [&](TStoredTextList&, bool) {
            read = true;
        };
        EXPECT_EQ(list.Load(), row.description.empty()) << row.path;
        EXPECT_FALSE(list.Loading());
        EXPECT_EQ(read, !row.sections.empty()) << "the reader runs on what could be read";
        EXPECT_EQ(list.SectionNames(), row.sections) << row.path;
        EXPECT_EQ(FunStatContext.Description, row.description);
        if (!row.description.empty()) {
            EXPECT_EQ(FunStatContext.Function, "TStoredTextList::Load");
            EXPECT_EQ(FunStatContext.Parameter2, "The file as it stands will be kept as \"" +
                                                     row.path + ".bak\" when it is next saved.");
        }

        list.WriteValue("S", "K", "new");
        ASSERT_TRUE(list.Save(false)) << row.path;
        const std::string saved = ReadWholeFile(row.path);
        EXPECT_TRUE(saved.ends_with("[S]\r\nK=new\r\n\r\n")) << row.path;
        // Kept once: a later save is over a file of the program's own.
        ASSERT_TRUE(list.Save(false));
    }
    EXPECT_EQ(ReadWholeFile(root / "cut.ini.bak"), cut);
    EXPECT_EQ(ReadWholeFile(root / "big.ini.bak"), big);
    EXPECT_TRUE(fs::is_fifo(root / "pipe.ini.bak"));
    EXPECT_TRUE(fs::is_directory(root / "directory.ini.bak"));
    EXPECT_FALSE(fs::exists(root / "whole.ini.bak"));
    EXPECT_FALSE(fs::exists(root / "cut.ini.partial-a1B2c3")) << "a killed save's leftover";

    TStoredTextList missing((root / "missing.ini").string());
    EXPECT_TRUE(missing.Load());
    EXPECT_TRUE(missing.HasContent());
}

TEST_F(StoredTextListTest, ALinkStaysALinkAndItsFinalTargetIsWritten) {
    const fs::path root = box.Root();
    fs::create_directory(root / "dotfiles");
    const std::string original = "[A]\r\nK=1\r\n\0"s;
    const std::string target = Put("dotfiles/tapestrel.ini", original);
    chmod(target.c_str(), 0444);
    fs::create_symlink("dotfiles/tapestrel.ini", root / "middle.ini");
    fs::create_symlink(root / "middle.ini", root / "a.ini");
    TStoredTextList list((root / "a.ini").string());
    EXPECT_FALSE(list.Load());
    EXPECT_EQ(FunStatContext.Parameter2, "The file as it stands will be kept as \"" + target +
                                             ".bak\" when it is next saved.");
    list.WriteValue("A", "L", "2");
    ASSERT_TRUE(list.Save(false));
    EXPECT_TRUE(fs::is_symlink(root / "a.ini") && fs::is_symlink(root / "middle.ini"));
    EXPECT_EQ(ReadWholeFile(target), "[A]\r\nK=1\r\nL=2\r\n\r\n");
    EXPECT_EQ(ReadWholeFile(target + ".bak"), original);
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0444u) << "a link's target keeps its mode";

    // A link to a file yet to be made makes it; links in a loop are refused.
    fs::create_symlink(root / "dotfiles/new.ini", root / "dangling.ini");
    fs::create_symlink("loop2.ini", root / "loop1.ini");
    fs::create_symlink("loop1.ini", root / "loop2.ini");
    for (const char* name : {"dangling.ini", "loop1.ini"}) {
        TStoredTextList linked((root / name).string());
        linked.WriteValue("B", "K", "3");
        EXPECT_EQ(linked.Save(false), name == std::string("dangling.ini")) << name;
        EXPECT_TRUE(fs::is_symlink(root / name)) << name;
    }
    EXPECT_EQ(ReadWholeFile(root / "dotfiles/new.ini"), "[B]\r\nK=3\r\n\r\n");
}

TEST_F(StoredTextListTest, SaveAsksBeforeOverwritingAndReplacesReadOnlyFiles) {
    const std::string path = Put("a.ini", "[A]\r\nK=1\r\n");
    TStoredTextList list;
    int saves = 0;
    list.OnSave = [&](TStoredTextList& sender, bool) {
        ++saves;
        sender.WriteValue("A", "L", "2");
    };
    boxes->answers = {7};
    EXPECT_FALSE(list.SaveAs(path, true));
    ASSERT_EQ(boxes->shown.size(), 1u);
    EXPECT_EQ(boxes->shown[0].caption, "Query");
    EXPECT_EQ(boxes->shown[0].text, "File \"" + path + "\"already exists.\nOverwrite it?");
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(ReadWholeFile(path), "[A]\r\nK=1\r\n");

    chmod(path.c_str(), 0444);
    EXPECT_TRUE(list.Save(false));
    EXPECT_EQ(ReadWholeFile(path), "[A]\r\nK=1\r\nL=2\r\n\r\n") << "the existing file was read";
    struct stat info {};
    ASSERT_EQ(stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0644u);
}

TEST_F(StoredTextListTest, FailedSaveLeavesTheOldFileAndNoFailure) {
    // A name at the length limit leaves no room for the temporary file beside it.
    const std::string longest = Put(std::string(255, 'n'), "old");
    for (const std::string& path : {(box.Root() / "missing" / "a.ini").string(), longest}) {
        TStoredTextList list(path);
        list.WriteValue("A", "K", "new");
        EXPECT_FALSE(list.Save(false)) << path;
        EXPECT_EQ(FunStatContext.Status, fsPerfect);
    }
    EXPECT_EQ(ReadWholeFile(longest), "old");
}

}  // namespace
