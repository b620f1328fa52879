#include "DesktopLayout.h"
#include "PictureSelection.h"

#include <gtest/gtest.h>

namespace {

TMonitor Monitor(const char* name, QRect geometry, int panel = 0) {
    return {name, geometry, geometry.adjusted(0, 0, 0, -panel), geometry, 1.0, false};
}

struct TFrameRow {
    QRect Area;
    int Step;
};

struct Case {
    const char* what;
    std::vector<TMonitor> monitors;  // the primary first
    TMonitorsMode mode;
    const char* calendarMonitor;
    QSize desktop;
    std::vector<QStringList> groups;  // their outputs, in the layout's order
    std::vector<TFrameRow> frames;
    int calendarFrame;
    QRect calendarArea;
};

TEST(DesktopLayoutTest, MonitorsBecomeFramesOfTheDesktopBitmap) {
    const QRect fullHd(0, 0, 1920, 1080);
    const Case cases[] = {
        {"one monitor is the whole desktop in every mode",
         {Monitor("HDMI-1", fullHd, 40)},
         TMonitorsMode::Each,
         "Primary",
         {1920, 1080},
         {{"HDMI-1"}},
         {{fullHd, 0}},
         0,
         {0, 0, 1920, 1040}},
        {"span of one monitor",
         {Monitor("HDMI-1", fullHd, 40)},
         TMonitorsMode::Span,
         "",
         {1920, 1080},
         {{"HDMI-1"}},
         {{fullHd, 0}},
         0,
         {0, 0, 1920, 1040}},
        {"the primary right of the origin comes first; the calendar on the other",
         {Monitor("DP-1", {1280, 0, 1920, 1080}), Monitor("DP-2", {0, 0, 1280, 1024}, 30)},
         TMonitorsMode::Each,
         "DP-2",
         {3200, 1080},
         {{"DP-1"}, {"DP-2"}},
         {{{1280, 0, 1920, 1080}, 0}, {{0, 0, 1280, 1024}, 1}},
         1,
         {0, 0, 1280, 994}},
        {"a portrait monitor above and left of the origin",
         {Monitor("DP-1", fullHd, 40), Monitor("DP-2", {-1080, -200, 1080, 1920})},
         TMonitorsMode::Same,
         "Primary",
         {3000, 1920},
         {{"DP-1"}, {"DP-2"}},
         {{{1080, 200, 1920, 1080}, 0}, {{0, 0, 1080, 1920}, 0}},
         0,
         {0, 0, 1920, 1040}},
        {"mirrors are one group with one picture",
         {Monitor("eDP-1", fullHd, 40), Monitor("HDMI-1", {0, 0, 1280, 1024})},
         TMonitorsMode::Each,
         "HDMI-1",
         {1920, 1080},
         {{"eDP-1", "HDMI-1"}},
         {{fullHd, 0}},
         0,
         {0, 0, 1280, 1024}},
        {"monitors left to right after the primary",
         {Monitor("B", {1000, 0, 1000, 800}), Monitor("C", {2000, 100, 1000, 800}),
          Monitor("A", {0, 0, 1000, 800})},
         TMonitorsMode::Each,
         "Primary",
         {3000, 900},
         {{"B"}, {"A"}, {"C"}},
         {{{1000, 0, 1000, 800}, 0}, {{0, 0, 1000, 800}, 1}, {{2000, 100, 1000, 800}, 2}},
         0,
         {0, 0, 1000, 800}},
        {"span: one frame, the calendar where its monitor lies in it",
         {Monitor("DP-1", {1280, 0, 1920, 1080}, 40), Monitor("DP-2", {0, 0, 1280, 1024})},
         TMonitorsMode::Span,
         "a monitor not connected",
         {3200, 1080},
         {{"DP-1"}, {"DP-2"}},
         {{{0, 0, 3200, 1080}, 0}},
         0,
         {1280, 0, 1920, 1040}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TDesktopLayout layout = LayOutDesktop(c.monitors, c.mode, c.calendarMonitor);
        EXPECT_EQ(layout.Desktop, c.desktop);
        ASSERT_EQ(layout.Groups.size(), c.groups.size());
        for (size_t i = 0; i < c.groups.size(); ++i)
            EXPECT_EQ(layout.Groups[i].Outputs, c.groups[i]) << i;
        ASSERT_EQ(layout.Frames.size(), c.frames.size());
        for (size_t i = 0; i < c.frames.size(); ++i) {
            EXPECT_EQ(layout.Frames[i].Area, c.frames[i].Area) << i;
            EXPECT_EQ(layout.Frames[i].PictureStep, c.frames[i].Step) << i;
        }
        EXPECT_EQ(layout.CalendarFrame, c.calendarFrame);
        EXPECT_EQ(layout.CalendarWorkArea, c.calendarArea);
    }
}

TEST(DesktopLayoutTest, EachMonitorShowsThePictureItsStepsAfterTheCurrentOne) {
    const std::vector<std::string> list{"a", "b", "c"};
    struct Row {
        int current;
        int steps;
        std::string picture;
    };
    const Row rows[] = {{0, 0, "a"},  {0, 1, "b"},  {2, 1, "a"}, {1, 5, "a"},
                        {-1, 1, "a"}, {-1, 3, "c"}, {0, -1, "c"}};
    for (const Row& row : rows)
        EXPECT_EQ(FollowingPicture(list, row.current, row.steps), row.picture)
            << row.current << " + " << row.steps;
    EXPECT_EQ(FollowingPicture({}, 0, 1), "");
    EXPECT_EQ(MonitorsModeFromText("Span"), TMonitorsMode::Span);
    EXPECT_EQ(MonitorsModeFromText("span"), TMonitorsMode::Each) << "option texts keep their case";
}

}  // namespace
