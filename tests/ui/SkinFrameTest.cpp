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

}  // namespace
}  // namespace hublane::ui
