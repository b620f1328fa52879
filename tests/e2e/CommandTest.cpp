#include "EndToEndTest.h"

#include <QColor>
#include <QImage>
#include <csignal>
#include <fstream>

namespace fs = std::filesystem;

namespace {

class CommandTest : public EndToEndTest {
protected:
    std::optional<int> Command(const std::string& command) {
        return StartProgram({command}).WaitForExit(kPatience);
    }

    // The colour of a root pixmap other than previous, where the calendar leaves the picture be.
    std::optional<QRgb> NewWallpaperColour(xcb_pixmap_t previous) {
        if (!PollUntil([&] { return Windows().RootPixmap() != previous; })) return std::nullopt;
        return Windows().RootPixels(1024, 768).pixel(1000, 700) & 0xffffff;
    }
};

TEST_F(CommandTest, ALaterStartHandsItsCommandToTheRunningCopyOrSaysThatNoneRuns) {
    // Two pictures of one colour each, in the directory the default options name.
    const fs::path directory = Sandbox().Home() / "my pictures";
    fs::create_directories(directory);
    for (const auto& [name, colour] :
         {std::pair{"a.png", 0xe6283cu}, std::pair{"b.png", 0x1e8cdcu}}) {
        QImage picture(512, 384, QImage::Format_RGB32);
        picture.fill(QColor::fromRgb(colour));
        ASSERT_TRUE(picture.save(QString::fromStdString((directory / name).string())));
    }
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));

    ASSERT_EQ(Command("Next"), 0);
    EXPECT_EQ(NewWallpaperColour(XCB_NONE), 0xe6283cu);
    // Taken before each command, which may be done before the command's start has ended.
    xcb_pixmap_t shown = Windows().RootPixmap();
    ASSERT_EQ(Command("PREVIOUS"), 0);
    EXPECT_EQ(NewWallpaperColour(shown), 0x1e8cdcu) << "wrapped to the last";
    shown = Windows().RootPixmap();
    ASSERT_EQ(Command("random"), 0);
    EXPECT_TRUE(NewWallpaperColour(shown));

    program.Signal(SIGTERM);
    ASSERT_EQ(program.WaitForExit(kPatience), 0);
    EXPECT_EQ(Command("next"), 1);
    // It never became the running copy, which would have opened the socket.
    EXPECT_FALSE(fs::exists(Sandbox().RuntimeDirectory() / "Mutex_ProgramInstance_Tapestrel.sock"));
    EXPECT_TRUE(OwnersOfShownWindows("Tapestrel").empty());
}

TEST_F(CommandTest, HelpAndVersionAnswerOnTheTerminalAndLeaveTheRunningCopyBe) {
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));
    const fs::path tapestrel = ProgramFile("Tapestrel");
    EXPECT_EQ(Output(tapestrel, {"--version"}), "Tapestrel " TAPESTREL_VERSION "\n");
    const std::optional<std::string> help = Output(tapestrel, {"--help"});
    ASSERT_TRUE(help);
    for (const char* word :
         {"Next", "Previous", "Random", "ShowOnStart", "/Uninstall", "--help", "--version"})
        EXPECT_NE(help->find(word), std::string::npos) << word << " in\n" << *help;
    EXPECT_TRUE(OwnersOfShownWindows("Tapestrel").empty()) << "the running copy was not asked";
    EXPECT_TRUE(program.IsRunning());
}

TEST_F(CommandTest, ACommandOntoAPictureThatCannotBeReadShowsWhyAndTheProgramStillEndsCleanly) {
    std::ofstream(Sandbox().Home() / "my pictures" / "broken.jpg", std::ios::binary)
        << "\xff\xd8\xff\xe0 not a photograph";
    ChildProcess& program = StartProgram();
    ASSERT_TRUE(BecomesReady(program));

    ASSERT_EQ(Command("Next"), 0);
    ASSERT_TRUE(PollUntil([&] { return !OwnersOfShownWindows("Error").empty(); }));
    program.Signal(SIGTERM);
    EXPECT_EQ(program.WaitForExit(kPatience), 0);
}

}  // namespace
