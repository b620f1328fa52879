#include "EndToEndTest.h"

#include <QImage>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Where the main window shows its controls, in window coordinates.
const std::vector<std::string> kGeneralTab = {"189", "38"};
const std::vector<std::string> kHotkeyComboBox = {"39", "126"};

class HotkeyTest : public EndToEndTest {
protected:
    // Three pictures in the picture directory the test's options name.
    void MakePictures() {
        const fs::path pictures = Sandbox().Home() / "my pictures";
        for (const auto& [name, color] :
             {std::pair{"a.png", qRgb(200, 30, 30)}, std::pair{"b.png", qRgb(30, 200, 30)},
              std::pair{"c.png", qRgb(30, 30, 200)}}) {
            QImage picture(64, 48, QImage::Format_RGB32);
            picture.fill(color);
            ASSERT_TRUE(picture.save(QString::fromStdString((pictures / name).string())));
        }
    }

    QRgb Shown() { return Windows().RootPixels(1024, 768).pixel(1000, 700) & 0xffffff; }

    // Presses keys until the root window gets a new picture: the first presses may come before
    // the program has taken its keys.
    testing::AssertionResult PressChangesThePicture(const std::string& keys) {
        const xcb_pixmap_t before = Windows().RootPixmap();
        if (PollUntil([&] {
                Xdotool({"key", keys});
                return PollUntil([&] { return Windows().RootPixmap() != before; }, 500ms);
            }))
            return testing::AssertionSuccess();
        return testing::AssertionFailure() << keys << " changed nothing";
    }
};

TEST_F(HotkeyTest, TheThreeKeysWorkWhileHiddenAlsoWithCapsLockAndNumLock) {
    MakePictures();
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));

    ASSERT_TRUE(PressChangesThePicture("ctrl+shift+w"));
    EXPECT_EQ(Shown(), qRgb(200, 30, 30) & 0xffffff) << "the first picture";
    ASSERT_TRUE(PressChangesThePicture("ctrl+alt+w"));
    EXPECT_EQ(Shown(), qRgb(30, 30, 200) & 0xffffff) << "previous wraps to the last";
    ASSERT_TRUE(PressChangesThePicture("shift+alt+w"));

    // With CapsLock and NumLock on as well.
    ASSERT_TRUE(Xdotool({"key", "Caps_Lock", "Num_Lock"}));
    EXPECT_TRUE(PressChangesThePicture("ctrl+shift+w"));
    ASSERT_TRUE(Xdotool({"key", "Caps_Lock", "Num_Lock"}));
    EXPECT_TRUE(OwnersOfShownWindows("Tapestrel").empty()) << "still hidden";
}

TEST_F(HotkeyTest, AfterTheLetterChangesBothLettersWork) {
    MakePictures();
    ChildProcess& program = StartProgram({"ShowOnStart"});
    ASSERT_TRUE(BecomesReady(program));
    std::vector<xcb_window_t> shown;
    ASSERT_TRUE(
        PollUntil([&] { return !(shown = Windows().ShownTopLevels("Tapestrel")).empty(); }));
    const std::string window = std::to_string(shown.front());
    ASSERT_TRUE(PressChangesThePicture("ctrl+shift+w"));

    // The letter list opened and X chosen from it.
    ASSERT_TRUE(
        Xdotool({"mousemove", "--window", window, kGeneralTab[0], kGeneralTab[1], "click", "1"}));
    ASSERT_TRUE(Xdotool(
        {"mousemove", "--window", window, kHotkeyComboBox[0], kHotkeyComboBox[1], "click", "1"}));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdotool({"type", "x"}));
    ASSERT_TRUE(Xdotool({"key", "Return"}));
    EXPECT_TRUE(PressChangesThePicture("ctrl+shift+x"));
    EXPECT_TRUE(PressChangesThePicture("ctrl+shift+w"));
}

}  // namespace
