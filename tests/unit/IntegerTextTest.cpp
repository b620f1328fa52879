#include "Error.h"
#include "Utilities.h"

#include <gtest/gtest.h>
#include <optional>

namespace {

constexpr int32_t kMinimum = -2147483647 - 1;
constexpr int32_t kMaximum = 2147483647;

TEST(IntegerTextTest, TheGrammarAcceptsExactlyTheDocumentedForms) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;  // nothing: malformed
    };
    const Case cases[] = {
        {"42", 42},
        {" 42", 42},
        {"   -7", -7},
        {"+7", 7},
        {"-0", 0},
        {"$1F", 31},
        {"0x1F", 31},
        {"x1f", 31},
        {"0X7fffffff", kMaximum},
        {"2147483647", kMaximum},
        {"-2147483648", kMinimum},
        {"42 ", std::nullopt},
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"$7FFFFFFF", kMaximum},
        {"$80000000", kMinimum},
        {"$FFFFFFFF", -1},
        {"$100000000", std::nullopt},
        {"-$1F", -31},
        {"+$1F", 31},
        {"-$80000000", kMinimum},
        {"-", std::nullopt},
        {"-$", std::nullopt},
        {"$-1F", std::nullopt},
        {"12abc", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"+-1", std::nullopt},
        {"1 2", std::nullopt},
        {"\t5", std::nullopt},
        {"0x1G", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        if (c.value) {
            EXPECT_EQ(StrToInt(c.text), *c.value);
        } else {
            EXPECT_THROW(StrToInt(c.text), std::exception);
        }
    }
}

TEST(IntegerTextTest, MalformedTextFallsBackToTheDefaultAndReportsTheConversion) {
    FunStatContext.Reset(fsPerfect);
    EXPECT_EQ(GetIntFromText("42 ", 0, 100, 9), 9);
    EXPECT_EQ(FunStatContext.Status, fsError);
    EXPECT_EQ(FunStatContext.Function, "GetIntFromText");
    EXPECT_EQ(FunStatContext.Description,
              "Unhandled exception: '42 ' is not a valid integer value");
    EXPECT_TRUE(FunStatContext.Parameter1.ends_with("UtilitiesValues.cpp"));

    int32_t value = 5;
    EXPECT_FALSE(CheckIntFromText("abc", 0, 100, 9, value));
    EXPECT_EQ(value, 9);
    EXPECT_EQ(FunStatContext.Function, "CheckIntFromText");
    EXPECT_EQ(TextToInt("abc"), 0);
    EXPECT_EQ(FunStatContext.Status, fsError);
}

TEST(IntegerTextTest, LimitsAndEmptyTextUseTheDefaultWithoutFailing) {
    struct Case {
        const char* text;
        int32_t defaultValue;
        bool accepted;
        int32_t value;
    };
    // Limits 1 to 5 throughout.
    const Case cases[] = {
        {"3", 4, true, 3}, {"7", 4, false, 4}, {"0", 4, false, 4},
        {"", 4, true, 4},  {"", 9, false, 9},  {" 5", 4, true, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        FunStatContext.Reset(fsError);
        int32_t value = -1;
        EXPECT_EQ(CheckIntFromText(c.text, 1, 5, c.defaultValue, value), c.accepted);
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(FunStatContext.Status, fsPerfect);
        EXPECT_EQ(GetIntFromText(c.text, 1, 5, c.defaultValue), c.value);
    }
    EXPECT_EQ(TextToInt("-2147483648"), kMinimum);
}

}  // namespace
