// The program's look shared by its windows: colours, flat buttons, the flat menu, the
// skin's palette for a window and its children and placing a window in the middle of the screen.
#pragma once

#include <QColor>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace hublane::ui {

inline const QColor kSkinBackground(171, 209, 195);

/// Flat buttons: dark red face, black when focused, white 8-point text; a greyed face while they
/// cannot be pressed.
inline constexpr const char* kFlatButtonStyle =
    "QPushButton { background: rgb(64,0,0); color: white; border: none; font-size: 8pt; padding: 0 4px; }"
    "QPushButton:focus { background: black; }"
    "QPushButton:pressed { background: rgb(64,0,0); }"
    "QPushButton:disabled { background: rgb(150,135,135); color: rgb(215,210,210); }";

/// The owner-drawn menu: white Arial 8 pt, bold when highlighted, dark red face, black highlight.
inline constexpr const char* kFlatMenuStyle =
    "QMenu { background: rgb(64,0,0); color: white; font-family: Arial; font-size: 8pt; }"
    "QMenu::item:selected { background: black; font-weight: bold; }";

/// The skin's own colours: dark text on its light green, white fields and lists. Every role of
/// every group is set, so that nothing of the desktop's theme (a dark one, say) shows through.
inline QPalette SkinPalette() {
    QPalette pal(QColor(212, 208, 200), kSkinBackground);
    const QColor text(0, 0, 0);
    const QColor greyed(110, 110, 110);
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const bool disabled = group == QPalette::Disabled;
        pal.setColor(group, QPalette::Window, kSkinBackground);
        pal.setColor(group, QPalette::WindowText, disabled ? greyed : text);
        pal.setColor(group, QPalette::Base, disabled ? QColor(236, 236, 236) : QColor(255, 255, 255));
        pal.setColor(group, QPalette::AlternateBase, QColor(238, 246, 242));
        pal.setColor(group, QPalette::Text, disabled ? greyed : text);
        pal.setColor(group, QPalette::PlaceholderText, greyed);
        pal.setColor(group, QPalette::Button, QColor(212, 208, 200));
        pal.setColor(group, QPalette::ButtonText, disabled ? greyed : text);
        pal.setColor(group, QPalette::BrightText, QColor(255, 255, 255));
        pal.setColor(group, QPalette::Highlight, QColor(64, 0, 0));
        pal.setColor(group, QPalette::HighlightedText, QColor(255, 255, 255));
        pal.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 225));
        pal.setColor(group, QPalette::ToolTipText, text);
        pal.setColor(group, QPalette::Link, QColor(0, 0, 160));
        pal.setColor(group, QPalette::LinkVisited, QColor(96, 0, 128));
    }
    return pal;
}

/// The skin's colours behind everything the window does not paint itself.
inline void FillWithSkinColour(QWidget& w) {
    w.setPalette(SkinPalette());
    w.setAutoFillBackground(true);
}

/// Gives the window's children the skin's colours too: those with a style sheet of their own
/// would otherwise take the desktop's colours for what their sheet does not say.
inline void GiveChildrenSkinColours(QWidget& window) {
    const QPalette pal = SkinPalette();
    for (QWidget* child : window.findChildren<QWidget*>()) {
        child->setPalette(pal);
    }
}

inline void CentreOnScreen(QWidget& w) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        w.move(area.center() - QPoint(w.width() / 2, w.height() / 2));
    }
}

}  // namespace hublane::ui
