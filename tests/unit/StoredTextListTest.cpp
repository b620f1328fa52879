#include "StatusScope.h"
#include "StockColors.h"
#include "StoredTextList.h"
#include "TestSupport.h"
#include "Text.h"
#include "Utilities.h"

#include <sys/stat.h>
#include <fstream>
#include <set>

namespace fs = std::filesystem;

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
    using namespace std::string_literals;
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
        {"[A]\r\nK=0\0\r\nL=1"s, "A", "L", std::nullopt},
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
    list.ReadColor("C", "Name", color);
    EXPECT_EQ(color, 0xFF0000u);
    EXPECT_THROW(list.ReadColor("C", "Bad", color), TException);
    list.WriteColor("C", "Name", 0xFFFFFFFF);
    EXPECT_EQ(list.ReadValue("C", "Name"), "-1");
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

TEST_F(StoredTextListTest, UnreadableFileFailsTheLoadAndStaysInTheContext) {
    fs::create_directory(box.Root() / "directory.ini");
    std::string big(16 * 1024 * 1024 + 1, 'x');
    for (const std::string& path : {(box.Root() / "directory.ini").string(), Put("big.ini", big)}) {
        TStoredTextList list(path);
        EXPECT_FALSE(list.Load()) << path;
        EXPECT_FALSE(list.Loading());
        EXPECT_EQ(FunStatContext.Status, fsError);
        EXPECT_EQ(FunStatContext.Function, "TStoredTextList::Load");
        EXPECT_TRUE(
            FunStatContext.Description.starts_with("Unhandled exception: Cannot open file"));
        EXPECT_TRUE(list.SectionNames().empty());
        FunStatContext.Reset(fsPerfect);
    }
    TStoredTextList missing((box.Root() / "missing.ini").string());
    EXPECT_TRUE(missing.Load());
    EXPECT_TRUE(missing.HasContent());
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
