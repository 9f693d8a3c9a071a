// The skinned windows' geometry: the outline they are cut to, and the mouse areas
// of their skin picture (the title strip that drags the window and the two hot spots).
#pragma once

#include <vector>

namespace hublane::ui {

enum class SkinArea { None, TitleStrip, AboutHotSpot, HideHotSpot };

/// The area under the point (x, y), in client coordinates of a window clientWidth wide.
constexpr SkinArea SkinHitTest(int x, int y, int clientWidth) {
    if (x >= clientWidth - 26 && x < clientWidth - 17 && y >= 3 && y <= 11) {
        return SkinArea::AboutHotSpot;
    }
    if (x >= clientWidth - 14 && x < clientWidth - 5 && y >= 3 && y <= 11) {
        return SkinArea::HideHotSpot;
    }
    if (x >= 4 && x < clientWidth - 31 && y >= 0 && y <= 16) {
        return SkinArea::TitleStrip;
    }
    return SkinArea::None;
}

struct OutlinePoint {
    int x;
    int y;
    bool operator==(const OutlinePoint&) const = default;
};

/// The skin outline of a client area clientWidth x clientHeight: 108 vertices, to be filled with
/// the even-odd rule, down the left edge, along the bottom, up a stepped lower-right corner from
/// (W - 79, H) to (W, H - 76) and up the right edge (W and H: the client size less one).
std::vector<OutlinePoint> SkinOutline(int clientWidth, int clientHeight);

}  // namespace hublane::ui
