#include "EndToEndTest.h"
#include "Mytime.h"

#include <sys/stat.h>
#include <QImage>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using namespace std::string_literals;

namespace {

// Where the main window shows its controls, in window coordinates.
const std::vector<std::string> kUserWallpaperLabel = {"257", "183"};
const std::vector<std::string> kRedrawWallpaperLabel = {"97", "183"};
const std::vector<std::string> kNextWallpaperLabel = {"43", "158"};
const std::vector<std::string> kGeneralTab = {"189", "38"};
const std::vector<std::string> kWallpaperGeneralTab = {"44", "67"};
const std::vector<std::string> kDirectoriesTab = {"240", "67"};
const std::vector<std::string> kAddDirectoryLabel = {"43", "333"};
const std::vector<std::string> kReloadFileNamesLabel = {"253", "333"};
const std::vector<std::string> kDesktopMarginComboBox = {"141", "161"};

// A program that waits for the broadcast: a top-level window of its own on the display, which
// asks for the message through WM_PROTOCOLS, beside the window of a program that does not.
class BroadcastListener {
public:
    explicit BroadcastListener(const std::string& display)
        : m_connection(xcb_connect(display.c_str(), nullptr)) {
        m_message = Atom("Tapestrel - Broadcast Wallpaper Change");
        const xcb_atom_t closing = Atom("WM_DELETE_WINDOW");
        // Made first, so that a message sent to every window in the order of their ids comes
        // here before it comes to the listener.
        m_bystander = NewWindow({closing, Atom("WM_TAKE_FOCUS")});
        // Added to the protocols the window has anyway, as a Qt program would.
        m_window = NewWindow({closing, m_message});
        // A round trip: the windows are in place before the program looks for them.
        std::free(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr));
    }
    ~BroadcastListener() { xcb_disconnect(m_connection); }
    BroadcastListener(const BroadcastListener&) = delete;
    BroadcastListener& operator=(const BroadcastListener&) = delete;

    bool Received() {
        Poll();
        return m_received;
    }
    bool BystanderReceived() {
        Poll();
        return m_bystanderReceived;
    }

private:
    xcb_atom_t Atom(const std::string& name) {
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
            xcb_intern_atom_reply(
                m_connection,
                xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(name.size()), name.c_str()),
                nullptr),
            &std::free);
        return atom ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    xcb_window_t NewWindow(const std::vector<xcb_atom_t>& protocols) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const xcb_window_t window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, 0, nullptr);
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, Atom("WM_PROTOCOLS"),
                            XCB_ATOM_ATOM, 32, static_cast<uint32_t>(protocols.size()),
                            protocols.data());
        return window;
    }

    void Poll() {
        while (xcb_generic_event_t* event = xcb_poll_for_event(m_connection)) {
            const auto* message = reinterpret_cast<xcb_client_message_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && message->type == m_message &&
                message->format == 32) {
                if (message->window == m_window) m_received = true;
                if (message->window == m_bystander) m_bystanderReceived = true;
            }
            std::free(event);
        }
    }

    xcb_connection_t* m_connection;
    xcb_atom_t m_message = XCB_ATOM_NONE;
    xcb_window_t m_bystander = XCB_WINDOW_NONE;
    xcb_window_t m_window = XCB_WINDOW_NONE;
    bool m_received = false;
    bool m_bystanderReceived = false;
};

class WallpaperTest : public EndToEndTest {
protected:
    // A picture of the screen's aspect with a distinct colour in each quarter.
    fs::path MakePicture() {
        QImage picture(512, 384, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb(x < 256 ? 230 : 20, y < 192 ? 200 : 40, 90));
        const fs::path path = PicturePath("sea.png");
        EXPECT_TRUE(picture.save(QString::fromStdString(path.string())));
        return path;
    }

    fs::path PicturePath(const std::string& name) {
        const fs::path path = Sandbox().Home() / "my pictures" / name;
        fs::create_directories(path.parent_path());
        return path;
    }

    // Starts the program with its window shown; the window, or nothing when it did not show.
    std::optional<xcb_window_t> StartShown(std::map<std::string, std::string> environment = {}) {
        m_program = &StartProgram({"ShowOnStart"}, "Tapestrel", std::move(environment));
        std::vector<xcb_window_t> shown;
        if (!BecomesReady(*m_program) ||
            !PollUntil([&] { return !(shown = Windows().ShownTopLevels("Tapestrel")).empty(); }))
            return std::nullopt;
        return shown.front();
    }

    std::optional<xcb_window_t> OtherWindowOf(pid_t pid, xcb_window_t main) {
        for (xcb_window_t window : Windows().Children(Windows().Root()))
            if (window != main && Windows().IsViewable(window) && Windows().Pid(window) == pid)
                return window;
        return std::nullopt;
    }

    bool Click(xcb_window_t window, const std::vector<std::string>& where) {
        return Xdotool(
            {"mousemove", "--window", std::to_string(window), where[0], where[1], "click", "1"});
    }

    // "Use user wallpaper" as the user does it. The program then loads the picture.
    testing::AssertionResult ChooseUserWallpaper(xcb_window_t main, const fs::path& picture) {
        return ChooseInDialog(main, kUserWallpaperLabel, picture);
    }

    // A command's file or folder dialog, as the user answers it: the path typed, Return until the
    // dialog has gone.
    testing::AssertionResult ChooseInDialog(xcb_window_t main,
                                            const std::vector<std::string>& command,
                                            const fs::path& picture) {
        if (!Click(main, command)) return testing::AssertionFailure() << "no click";
        std::optional<xcb_window_t> dialog;
        if (!PollUntil(
                [&] { return (dialog = OtherWindowOf(m_program->Pid(), main)).has_value(); }))
            return testing::AssertionFailure() << "no file dialog";
        // Typed once the dialog has the keyboard: programs ignore keys sent to a window directly.
        if (!PollUntil([&] { return Windows().InputFocus() == *dialog; }) ||
            !Xdotool({"type", picture.string()}))
            return testing::AssertionFailure() << "the path could not be typed";
        // The file name box may first take the Return for its completion list; a Return too many
        // would go to the window after it.
        if (!PollUntil([&] {
                if (!Windows().IsViewable(*dialog)) return true;
                Xdotool({"key", "Return"});
                std::this_thread::sleep_for(500ms);
                return false;
            }))
            return testing::AssertionFailure() << "the dialog stays";
        return testing::AssertionSuccess();
    }

    // "Add directory" and "Reload file names" on the Directories page, the count's message box
    // answered.
    testing::AssertionResult AddAndLoadDirectory(xcb_window_t main, const fs::path& directory) {
        if (!Click(main, kDirectoriesTab) || !ChooseInDialog(main, kAddDirectoryLabel, directory) ||
            !Click(main, kReloadFileNamesLabel))
            return testing::AssertionFailure() << "the directory was not added";
        if (!PollUntil([&] { return !Windows().ShownTopLevels("Message").empty(); }))
            return testing::AssertionFailure() << "no message with the count";
        if (!PollUntil([&] {
                if (Windows().ShownTopLevels("Message").empty()) return true;
                Xdotool({"key", "Return"});
                std::this_thread::sleep_for(300ms);
                return false;
            }))
            return testing::AssertionFailure() << "the message stays";
        return testing::AssertionSuccess();
    }

    // Waits for the root to show a pixmap other than previous; that one must then be gone.
    testing::AssertionResult NewRootPixmap(xcb_pixmap_t previous) {
        xcb_pixmap_t current = XCB_NONE;
        if (!PollUntil([&] { return (current = Windows().RootPixmap()) != previous; }))
            return testing::AssertionFailure() << "the root pixmap stayed " << previous;
        if (previous != XCB_NONE && Windows().PixmapExists(previous))
            return testing::AssertionFailure() << "the previous pixmap " << previous << " lives on";
        return testing::AssertionSuccess();
    }

    // The program's error window, when one is shown.
    bool ShowsError() {
        for (xcb_window_t window : Windows().ShownTopLevels("Error"))
            if (Windows().Pid(window) == m_program->Pid()) return true;
        return false;
    }

    // Starts the program with its window shown, over options whose load fails: the report is
    // shown, and the user closes it with Return. Then the start goes on to its end.
    testing::AssertionResult StartShownPastTheOptionsReport() {
        m_program = &StartProgram({"ShowOnStart"});
        if (!BecomesReady(*m_program)) return testing::AssertionFailure() << "no start";
        if (!PollUntil([&] { return ShowsError(); }))
            return testing::AssertionFailure() << "no report of the load";
        if (!PollUntil([&] {
                if (!ShowsError()) return true;
                Xdotool({"key", "Return"});
                std::this_thread::sleep_for(300ms);
                return false;
            }))
            return testing::AssertionFailure() << "the report stays";
        if (!PollUntil([&] { return !Windows().ShownTopLevels("Tapestrel").empty(); }))
            return testing::AssertionFailure() << "no main window";
        return testing::AssertionSuccess();
    }

    ChildProcess* m_program = nullptr;
};

TEST_F(WallpaperTest, AUserPictureBecomesTheRootBackgroundAndRedrawsReplaceIt) {
    const fs::path picture = MakePicture();
    const std::optional<xcb_window_t> window = StartShown();
    ASSERT_TRUE(window);
    ASSERT_TRUE(ChooseUserWallpaper(*window, picture));
    ASSERT_TRUE(NewRootPixmap(XCB_NONE));

    const fs::path written = Sandbox().Home() / ".local/share/Tapestrel/Tapestrel_Wallpaper.bmp";
    const QImage wallpaper(QString::fromStdString(written.string()));
    ASSERT_EQ(wallpaper.size(), QSize(1024, 768));
    // The window covers part of the root from (354, 122); sample where it doesn't.
    const QImage root = Windows().RootPixels(1024, 768);
    for (const QPoint point : {QPoint(600, 100), QPoint(1000, 10), QPoint(100, 700),
                               QPoint(1000, 700), QPoint(700, 600)})
        EXPECT_EQ(root.pixel(point) & 0xffffff, wallpaper.pixel(point) & 0xffffff)
            << point.x() << "," << point.y();
    EXPECT_EQ(wallpaper.pixel(1000, 700) & 0xffffff, qRgb(20, 40, 90) & 0xffffff);

    // "Redraw wallpaper" loads the picture again; the desktop gets a new pixmap.
    const xcb_pixmap_t first = Windows().RootPixmap();
    ASSERT_TRUE(Click(*window, kRedrawWallpaperLabel));
    ASSERT_TRUE(NewRootPixmap(first));

    // A calendar setting reuses the fitted picture: the file is not needed any more.
    fs::remove(picture);
    const xcb_pixmap_t second = Windows().RootPixmap();
    ASSERT_TRUE(Click(*window, kGeneralTab));
    ASSERT_TRUE(Click(*window, kDesktopMarginComboBox));
    ASSERT_TRUE(Xdotool({"key", "--delay", "200", "Up", "Return"}));
    EXPECT_TRUE(NewRootPixmap(second));
    EXPECT_EQ(Windows().RootPixels(1024, 768).pixel(1000, 700) & 0xffffff,
              qRgb(20, 40, 90) & 0xffffff);
}

TEST_F(WallpaperTest, AClockSetBackNeverTakesTheNewWallpaperAwayFromTheDesktop) {
    const fs::path picture = MakePicture();
    {
        // Half a day ahead of the world: two wallpapers made then.
        const std::optional<xcb_window_t> window = StartShown({{"TZ", "UTC-12"}});
        ASSERT_TRUE(window);
        ASSERT_TRUE(ChooseUserWallpaper(*window, picture));
        ASSERT_TRUE(NewRootPixmap(XCB_NONE));
        const xcb_pixmap_t first = Windows().RootPixmap();
        ASSERT_TRUE(Click(*window, kRedrawWallpaperLabel));
        ASSERT_TRUE(NewRootPixmap(first));
        m_program->Signal(SIGTERM);
        ASSERT_EQ(m_program->WaitForExit(kPatience), 0);
    }
    // Half a day behind: the next wallpaper is still the newest.
    const std::optional<xcb_window_t> window = StartShown({{"TZ", "UTC+12"}});
    ASSERT_TRUE(window);
    const xcb_pixmap_t before = Windows().RootPixmap();
    ASSERT_TRUE(ChooseUserWallpaper(*window, picture));
    EXPECT_TRUE(NewRootPixmap(before));
    EXPECT_FALSE(ShowsError());
}

TEST_F(WallpaperTest, ADirectoryAddedAndLoadedGivesItsPicturesInTurn) {
    const fs::path album = Sandbox().Home() / "album";
    fs::create_directories(album);
    fs::rename(MakePicture(), album / "sea.png");
    QImage second(64, 48, QImage::Format_RGB32);
    second.fill(qRgb(250, 250, 0));
    ASSERT_TRUE(second.save(QString::fromStdString((album / "tree.png").string())));
    const std::optional<xcb_window_t> window = StartShown();
    ASSERT_TRUE(window);
    ASSERT_TRUE(AddAndLoadDirectory(*window, album));

    ASSERT_TRUE(Click(*window, kWallpaperGeneralTab));
    ASSERT_TRUE(Click(*window, kNextWallpaperLabel));
    ASSERT_TRUE(NewRootPixmap(XCB_NONE));
    EXPECT_EQ(Windows().RootPixels(1024, 768).pixel(1000, 700) & 0xffffff,
              qRgb(20, 40, 90) & 0xffffff);
    const xcb_pixmap_t shown = Windows().RootPixmap();
    ASSERT_TRUE(Click(*window, kNextWallpaperLabel));
    ASSERT_TRUE(NewRootPixmap(shown));
    EXPECT_EQ(Windows().RootPixels(1024, 768).pixel(1000, 700) & 0xffffff,
              qRgb(250, 250, 0) & 0xffffff);
}

TEST_F(WallpaperTest, ABroadcastPublishesThePathThenTellsTheBusAndTheWindowsThatAskForIt) {
    const fs::path picture = MakePicture();
    const std::string address = StartSessionBus();
    const fs::path monitored = Sandbox().Root() / "monitored.txt";
    Start("/bin/sh", {"-c", "exec dbus-monitor --address '" + address +
                                "' \"type='signal',interface='org.tapestrel.Tapestrel'\" > '" +
                                monitored.string() + "'"});
    BroadcastListener listener(DisplayName());
    // Nothing was broadcast before: the first tick with pictures broadcasts.
    WriteOptions(
        "[BroadcastWallpaperChange]\r\nIsAutoChange=TRUE\r\n\r\n"
        "[DirectoryList]\r\nCount=1\r\nTitle0=" +
        picture.parent_path().string() + "\r\nActive0=TRUE\r\n");
    ASSERT_TRUE(StartShown({{"DBUS_SESSION_BUS_ADDRESS", address}}));
    ASSERT_TRUE(PollUntil([&] { return listener.Received(); }));
    EXPECT_FALSE(listener.BystanderReceived());
    const fs::path published =
        fs::path(std::getenv("XDG_CONFIG_HOME")) / "Tapestrel/Tapestrel.conf";
    EXPECT_NE(ReadWholeFile(published).find("BroadcastWallpaperChange=" + picture.string() + "\n"),
              std::string::npos)
        << ReadWholeFile(published);
    EXPECT_TRUE(PollUntil([&] {
        const std::string seen = ReadWholeFile(monitored);
        return seen.find("member=BroadcastWallpaperChange") != std::string::npos &&
               seen.find("string \"" + picture.string() + "\"") != std::string::npos;
    })) << ReadWholeFile(monitored);

    // Offered only while the program runs.
    m_program->Signal(SIGTERM);
    ASSERT_EQ(m_program->WaitForExit(kPatience), 0);
    EXPECT_NE(ReadWholeFile(published).find("BroadcastWallpaperChange=\n"), std::string::npos)
        << ReadWholeFile(published);
}

TEST_F(WallpaperTest, OptionsMakeADueChangeAndSurviveTheEndWithTheAutostartLink) {
    const fs::path picture = MakePicture();
    const fs::path album = Sandbox().Home() / "album";
    // The last change two hours ago, an hourly change: the first tick is due.
    const std::string twoHoursAgo =
        std::to_string(ToDateTime(QDateTime::currentDateTime()) - 1.0 / 12);
    WriteOptions(
        "; by hand\r\n[Main]\r\nHideOnClose=FALSE\r\nHotkey=Q\r\nDesktopMargin=35\r\n"
        "Extra=gone after a save\r\n\r\n"
        "[Wallpaper]\r\nIsAutoChange=TRUE\r\nLastAutoChangeTime=" +
        twoHoursAgo +
        "\r\nPictureMinStretchSize=500\r\nIsTilePicture=FALSE\r\n\r\n"
        "[Calendar]\r\nRectLeft=0.25\r\nRectWidth=0.5\r\n\r\n"
        "[BroadcastWallpaperChange]\r\nIsAutoChange=FALSE\r\n"
        "AutoChangeInterval=3 days\r\n\r\n"
        "[DirectoryList]\r\nCount=2\r\nTitle0=" +
        picture.parent_path().string() + "\r\nActive0=TRUE\r\nTitle1=" + album.string() +
        "\r\nActive1=FALSE\r\nRecurs1=TRUE\r\n");
    ASSERT_TRUE(StartShown());
    EXPECT_TRUE(NewRootPixmap(XCB_NONE));
    m_program->Signal(SIGTERM);
    ASSERT_EQ(m_program->WaitForExit(kPatience), 0);

    const fs::path options = ProgramDirectory() / "Tapestrel.ini";
    const std::string saved = ReadWholeFile(options);
    // The sections and keys stand in the order the program writes them.
    std::vector<size_t> places;
    for (const char* part : {"[Main]\r\nXPos=", "HideOnClose=FALSE\r\nHotkey=Q\r\nDesktopMargin=35",
                             "[Wallpaper]\r\nIsAutoChange=TRUE\r\nAutoChangeInterval=1 hour",
                             "LastFileTitle=", "PictureMinStretchSize=500\r\n",
                             "IsTilePicture=FALSE\r\n", "[Calendar]\r\nShow=TRUE\r\nRectLeft=0.25",
                             "RectWidth=", "[BroadcastWallpaperChange]\r\nIsAutoChange=FALSE",
                             "AutoChangeInterval=3 days", "[DirectoryList]\r\nCount=2\r\n",
                             "Active1=FALSE\r\nRecurs1=TRUE\r\n\r\n"})
        places.push_back(saved.find(part));
    EXPECT_TRUE(std::is_sorted(places.begin(), places.end())) << saved;
    EXPECT_EQ(std::count(places.begin(), places.end(), std::string::npos), 0) << saved;
    EXPECT_NE(saved.find("LastFileTitle=" + picture.string() + "\r\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Extra="), std::string::npos);
    EXPECT_EQ(saved.find("; by hand"), std::string::npos);

    const fs::path link = fs::path(std::getenv("XDG_CONFIG_HOME")) / "autostart/Tapestrel.desktop";
    ASSERT_TRUE(fs::exists(link));
    EXPECT_EQ(Start("desktop-file-validate", {link.string()}).WaitForExit(kPatience), 0);

    // A start that finds nothing due writes back what it read. (A shown window tells that the
    // start is over; the socket file may be the last run's.)
    ASSERT_TRUE(StartShown());
    m_program->Signal(SIGTERM);
    ASSERT_EQ(m_program->WaitForExit(kPatience), 0);
    EXPECT_EQ(ReadWholeFile(options), saved);

    std::string withoutAutorun = saved;
    withoutAutorun.replace(withoutAutorun.find("Autorun=TRUE"), 12, "Autorun=FALSE");
    WriteOptions(withoutAutorun);
    ASSERT_TRUE(StartShown());
    m_program->Signal(SIGTERM);
    ASSERT_EQ(m_program->WaitForExit(kPatience), 0);
    EXPECT_FALSE(fs::exists(link));
}

TEST_F(WallpaperTest, ABadSkinColourCostsThatColourAloneAndTheOriginalIsKept) {
    const fs::path album = Sandbox().Home() / "album";
    const fs::path holiday = Sandbox().Home() / "holiday";
    fs::create_directories(album);
    fs::create_directories(holiday);
    const std::string options =
        "[CalendarSkin]\r\nTextShadowColor=notacolor\r\n\r\n"
        "[BroadcastWallpaperChange]\r\nIsAutoChange=FALSE\r\nAutoChangeInterval=3 days\r\n\r\n"
        "[DirectoryList]\r\nCount=2\r\nTitle0=" +
        album.string() + "\r\nActive0=TRUE\r\nTitle1=" + holiday.string() +
        "\r\n\r\n[FavoritePictures]\r\nCount=2\r\nTitle0=" + (album / "a.png").string() +
        "\r\nTitle1=" + (holiday / "b.png").string() + "\r\n";
    WriteOptions(options);
    ASSERT_TRUE(StartShownPastTheOptionsReport());
    m_program->Signal(SIGTERM);
    ASSERT_EQ(m_program->WaitForExit(kPatience), 0);

    const std::string saved = ReadWholeFile(ProgramDirectory() / "Tapestrel.ini");
    for (const std::string& part :
         {"\r\nAutoChangeInterval=3 days\r\n"s,
          "[DirectoryList]\r\nCount=2\r\nTitle0=" + album.string() +
              "\r\nActive0=TRUE\r\nRecurs0=FALSE\r\nTitle1=" + holiday.string() + "\r\n",
          "[FavoritePictures]\r\nCount=2\r\nTitle0=" + (album / "a.png").string() +
              "\r\nTitle1=" + (holiday / "b.png").string() + "\r\n"})
        EXPECT_NE(saved.find(part), std::string::npos) << part << "\n" << saved;
    EXPECT_EQ(ReadWholeFile(ProgramDirectory() / "Tapestrel.ini.bak"), options);
}

TEST_F(WallpaperTest, AnOptionsFileNotReadWholeIsKeptAsBakAtTheClose) {
    const fs::path album = Sandbox().Home() / "album";
    fs::create_directories(album);
    const std::string options = "[DirectoryList]\r\nCount=1\r\nTitle0=" + album.string() +
                                "\r\n\0[Later]\r\nKey=past the NUL byte\r\n"s;
    WriteOptions(options);
    ASSERT_TRUE(StartShownPastTheOptionsReport());
    m_program->Signal(SIGTERM);
    ASSERT_EQ(m_program->WaitForExit(kPatience), 0);
    EXPECT_NE(ReadWholeFile(ProgramDirectory() / "Tapestrel.ini")
                  .find("[DirectoryList]\r\nCount=1\r\nTitle0=" + album.string() + "\r\n"),
              std::string::npos);
    EXPECT_EQ(ReadWholeFile(ProgramDirectory() / "Tapestrel.ini.bak"), options);
}

TEST_F(WallpaperTest, ANamedPipeIsRefusedAndTheProgramStillEndsAtOnce) {
    const fs::path fifo = PicturePath("fifo.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::optional<xcb_window_t> window = StartShown();
    ASSERT_TRUE(window);
    ASSERT_TRUE(ChooseUserWallpaper(*window, fifo));
    EXPECT_TRUE(PollUntil([&] { return ShowsError(); }));

    m_program->Signal(SIGTERM);
    EXPECT_EQ(m_program->WaitForExit(1s), 0);
    EXPECT_EQ(Windows().RootPixmap(), XCB_NONE);
}

TEST_F(WallpaperTest, TermEndsTheProgramAtOnceWhileAHostileJpegIsDecoded) {
    // Seconds of work in 2.6 kB: every scan is a pass over 144 megapixels.
    const fs::path picture = PicturePath("scans.jpg");
    const QByteArray jpeg = JpegWithEmptyScans(12000, 12000, 250);
    std::ofstream(picture, std::ios::binary).write(jpeg.constData(), jpeg.size());
    const std::optional<xcb_window_t> window = StartShown();
    ASSERT_TRUE(window);
    ASSERT_TRUE(ChooseUserWallpaper(*window, picture));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(m_program->IsRunning());
    ASSERT_EQ(Windows().RootPixmap(), XCB_NONE) << "still decoding";

    m_program->Signal(SIGTERM);
    // Within a second or two for the user; room beyond that for a loaded machine running the
    // sanitizers, while the decode alone would take many seconds more.
    EXPECT_EQ(m_program->WaitForExit(4s), 0);
}

}  // namespace
