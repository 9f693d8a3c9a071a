// The program's look shared by its windows: colours, flat buttons, the flat menu, the
// skin colour behind a window and placing a window in the middle of the screen.
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace hublane::ui {

inline const QColor kSkinBackground(171, 209, 195);

/// Flat buttons: dark red face, black when focused, white 8-point text.
inline constexpr const char* kFlatButtonStyle =
    "QPushButton { background: rgb(64,0,0); color: white; border: none; font-size: 8pt; padding: 0 4px; }"
    "QPushButton:focus { background: black; }"
    "QPushButton:pressed { background: rgb(64,0,0); }"
    "QPushButton:disabled { color: rgb(160,160,160); }";

/// The owner-drawn menu: white Arial 8 pt, bold when highlighted, dark red face, black highlight.
inline constexpr const char* kFlatMenuStyle =
    "QMenu { background: rgb(64,0,0); color: white; font-family: Arial; font-size: 8pt; }"
    "QMenu::item:selected { background: black; font-weight: bold; }";

/// The skin's colour behind everything the window does not paint itself.
inline void FillWithSkinColour(QWidget& w) {
    QPalette pal = w.palette();
    pal.setColor(QPalette::Window, kSkinBackground);
    w.setPalette(pal);
    w.setAutoFillBackground(true);
}

inline void CentreOnScreen(QWidget& w) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        w.move(area.center() - QPoint(w.width() / 2, w.height() / 2));
    }
}

}  // namespace hublane::ui
