// The mouse areas of the skinned windows' pictures, at their edges.
#include "ui/SkinFrame.h"

#include <gtest/gtest.h>

namespace hublane::ui {
namespace {

struct HitCase {
    int x;
    int y;
    SkinArea area;
};

class SkinHit : public ::testing::TestWithParam<HitCase> {};

TEST_P(SkinHit, MainWindowAreasEndWhereTheyShould) {
    const HitCase c = GetParam();
    EXPECT_EQ(SkinHitTest(c.x, c.y, 659), c.area) << c.x << "," << c.y;
}

INSTANTIATE_TEST_SUITE_P(
    Edges, SkinHit,
    ::testing::Values(HitCase{3, 5, SkinArea::None}, HitCase{4, 0, SkinArea::TitleStrip},
                      HitCase{627, 16, SkinArea::TitleStrip}, HitCase{628, 5, SkinArea::None},
                      HitCase{100, 17, SkinArea::None}, HitCase{633, 3, SkinArea::AboutHotSpot},
                      HitCase{641, 11, SkinArea::AboutHotSpot}, HitCase{642, 5, SkinArea::None},
                      HitCase{633, 12, SkinArea::None}, HitCase{633, 2, SkinArea::None},
                      HitCase{645, 3, SkinArea::HideHotSpot}, HitCase{653, 11, SkinArea::HideHotSpot},
                      HitCase{654, 5, SkinArea::None}));

TEST(SkinHit, FollowsTheWindowWidth) {
    // The server list window is 765 wide: its hot spots sit 106 pixels further right.
    EXPECT_EQ(SkinHitTest(739, 5, 765), SkinArea::AboutHotSpot);
    EXPECT_EQ(SkinHitTest(751, 5, 765), SkinArea::HideHotSpot);
    EXPECT_EQ(SkinHitTest(733, 5, 765), SkinArea::TitleStrip);
}

TEST(SkinOutline, HasItsHundredAndEightVerticesFromTheClientSize) {
    const std::vector<OutlinePoint> main = SkinOutline(659, 194);
    ASSERT_EQ(main.size(), 108u);
    EXPECT_EQ(main[0], (OutlinePoint{0, 0}));
    EXPECT_EQ(main[1], (OutlinePoint{0, 193}));
    EXPECT_EQ(main[2], (OutlinePoint{579, 193}));
    EXPECT_EQ(main[29], (OutlinePoint{622, 175}));  // (W - 36, H - 18): the edge steps back
    EXPECT_EQ(main[106], (OutlinePoint{658, 117}));
    EXPECT_EQ(main[107], (OutlinePoint{658, 0}));
    // The same outline for each window, moved with its size.
    const std::vector<OutlinePoint> list = SkinOutline(765, 500);
    for (std::size_t i = 0; i < main.size(); ++i) {
        const bool right = main[i].x != 0;
        const bool bottom = main[i].y != 0;
        EXPECT_EQ(list[i].x, main[i].x + (right ? 106 : 0)) << i;
        EXPECT_EQ(list[i].y, main[i].y + (bottom ? 306 : 0)) << i;
    }
}

}  // namespace
}  // namespace hublane::ui
