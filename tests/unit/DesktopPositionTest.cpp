#include "Desktoppositiondialog.h"

#include <gtest/gtest.h>

namespace {

struct TBoxCase {
    const char* name;
    int areaWidth, areaHeight;
    QSize box;
    QPoint origin;
};

const TBoxCase kBoxCases[] = {
    // A 1024 x 768 screen less a 28-pixel task bar and a margin of 20: 142.27 truncated.
    {"WideAreaTruncatesItsHeight", 984, 700, {200, 142}, {0, 29}},
    {"TallAreaFitsItsHeight", 700, 984, {142, 200}, {29, 0}},
    {"SquareAreaFillsThePanel", 1000, 1000, {200, 200}, {0, 0}},
    {"SmallAreaIsNotEnlarged", 150, 100, {150, 100}, {25, 50}},
    {"NarrowSmallAreaIsNotEnlarged", 100, 150, {100, 150}, {50, 25}},
};

class PositionBoxTest : public ::testing::TestWithParam<TBoxCase> {};

}  // namespace

TEST_P(PositionBoxTest, ShrinksTheAreaIntoThePanel) {
    const TBoxCase& c = GetParam();
    const QSize box = PositionBox(c.areaWidth, c.areaHeight);
    EXPECT_EQ(box, c.box);
    EXPECT_EQ(PositionBoxOrigin(box), c.origin);
}

INSTANTIATE_TEST_SUITE_P(Areas, PositionBoxTest, ::testing::ValuesIn(kBoxCases),
                         [](const auto& row) { return std::string(row.param.name); });

TEST(DesktopPositionTest, ThePlaceIsLimitedSoTheMarkStaysInTheBox) {
    const QSize box(200, 142);
    const QSize mark(20, 14);
    EXPECT_EQ(LimitedPlace({50, 60}, mark, box), QPoint(50, 60));
    EXPECT_EQ(LimitedPlace({-5, -1}, mark, box), QPoint(0, 0));
    EXPECT_EQ(LimitedPlace({180, 128}, mark, box), QPoint(180, 128));
    EXPECT_EQ(LimitedPlace({181, 140}, mark, box), QPoint(180, 128));
    // A mark larger than the box sits at the upper limit.
    EXPECT_EQ(LimitedPlace({5, 5}, QSize(210, 150), box), QPoint(-10, -8));
}

TEST(DesktopPositionTest, TheOvalIsAsHighAsTheDiagonal) {
    // Diagonal 50: a circle with eccentricity 1, half as wide with 0.5 (25 centred in 30 by a
    // half toward zero).
    EXPECT_EQ(GetOvalRect(QRect(10, 20, 30, 40), 1, 1, 1), QRect(0, 15, 50, 50));
    EXPECT_EQ(GetOvalRect(QRect(10, 20, 30, 40), 1, 1, 0.5), QRect(12, 15, 25, 50));
    // The half of -1 is 0; each edge is scaled and rounded half up (1.5 to 2, 2.5 to 3).
    EXPECT_EQ(GetOvalRect(QRect(1, 1, 3, 4), 0.5, 1.5, 1), QRect(0, 2, 3, 7));
}
