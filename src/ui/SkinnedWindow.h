// What every skinned window shares: its outline cut from its client size, its skin
// picture, the drag by the title strip and the two hot spots with their pressed looks.
#pragma once

#include <QLabel>
#include <QObject>
#include <QPoint>
#include <functional>

namespace hublane::ui {

/// Attached to a borderless window: gives it the skin outline (once, at creation), puts the
/// picture in its Image1, and routes Image1's mouse events: a left press in the title strip
/// starts a drag that follows the pointer until any button is released; a left press in a hot
/// spot shows its pressed look; only the release point counts (a release in the about spot runs
/// onAbout, in the hide spot onHide); every release hides both pressed looks. The right button
/// never drags.
class SkinnedWindow : public QObject {
    Q_OBJECT
  public:
    /// window: the skinned window (its size is its client size); picture: the skin drawn over it.
    SkinnedWindow(QWidget& window, const QString& picture);

    /// What the about and hide hot spots do.
    void SetActions(std::function<void()> onAbout, std::function<void()> onHide) {
        m_onAbout = std::move(onAbout);
        m_onHide = std::move(onHide);
    }

    QLabel& Image1() { return *m_image1; }
    bool Dragging() const { return m_dragging; }

    // The mouse handlers of Image1, in its client coordinates (tests drive them directly).
    void Image1MouseDown(Qt::MouseButton button, QPoint at);
    void Image1MouseMove(QPoint at);
    void Image1MouseUp(Qt::MouseButton button, QPoint at);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget& m_window;
    QLabel* m_image1;
    QLabel* m_imgAbout;
    QLabel* m_imgMaxim;
    std::function<void()> m_onAbout;
    std::function<void()> m_onHide;
    bool m_dragging = false;
    QPoint m_pressPoint;
};

/// Cuts a window to the skin outline of its size (even-odd fill) and redraws it at once.
void ApplySkinOutline(QWidget& window);

}  // namespace hublane::ui
