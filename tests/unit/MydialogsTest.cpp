#include "Mydialogs.h"
#include "TestSupport.h"

namespace {

TEST(MydialogsTest, AnswersAreMappedToOkNoOrOther) {
    struct Case {
        int pressed;
        int answer;
    };
    for (const Case& c : {Case{IDOK, 1}, Case{IDYES, 1}, Case{IDNO, 7}, Case{IDCANCEL, 2},
                          Case{3, 2}, Case{0, 2}}) {
        ScopedMessageBoxes boxes;
        boxes->answers = {c.pressed};
        EXPECT_EQ(ShowMessageBox("Caption", "Text", MB_OK), c.answer) << "pressed " << c.pressed;
        const bool notShown = c.pressed == 0;
        EXPECT_EQ(boxes->beeps,
                  notShown ? std::vector{BeepSound::Warning} : std::vector<BeepSound>{})
            << "a box that could not be shown beeps, pressed " << c.pressed;
    }
}

TEST(MydialogsTest, EachKindHasItsCaptionIconAndButtons) {
    ScopedMessageBoxes boxes;
    ShowInfo("i");
    ShowWarning("w");
    ShowError("e");
    AskQuestion("q");
    ShowMessageBox("Own", "o", MB_OKCANCEL);

    ASSERT_EQ(boxes->shown.size(), 5u);
    auto expectBox = [&](size_t i, const char* caption, const char* text, unsigned flags) {
        EXPECT_EQ(boxes->shown[i].caption, caption);
        EXPECT_EQ(boxes->shown[i].text, text);
        EXPECT_EQ(boxes->shown[i].flags, flags | MB_TASKMODAL) << caption;
    };
    expectBox(0, "Message", "i", MB_ICONINFORMATION);
    expectBox(1, "Warning", "w", MB_ICONEXCLAMATION);
    expectBox(2, "Error", "e", MB_ICONHAND);
    expectBox(3, "Query", "q", MB_YESNO | MB_ICONQUESTION);
    expectBox(4, "Own", "o", MB_OKCANCEL);
}

TEST(MydialogsTest, OnlyYesAnswersAQuestion) {
    ScopedMessageBoxes boxes;
    boxes->answers = {IDYES, IDNO, 0};
    EXPECT_TRUE(AskQuestion("?"));
    EXPECT_FALSE(AskQuestion("?"));
    EXPECT_FALSE(AskQuestion("?")) << "a box that cannot be shown answers no";
}

TEST(MydialogsTest, Beeps) {
    ScopedMessageBoxes boxes;
    BeepDefault();
    BeepWarning();
    EXPECT_EQ(boxes->beeps, (std::vector{BeepSound::Default, BeepSound::Warning}));
}

}  // namespace
