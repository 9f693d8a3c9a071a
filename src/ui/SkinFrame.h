// The mouse areas of a skinned window's picture: the title strip that drags the window and the
// two hot spots near its top-right corner.
#pragma once

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

}  // namespace hublane::ui
