// What every skinned window shares.
#include "ui/SkinnedWindow.h"

#include <QMouseEvent>
#include <QPolygon>
#include <QRegion>

#include "ui/SkinFrame.h"

namespace hublane::ui {
namespace {

QLabel* PressedLook(QWidget& window, const char* name, const QString& picture, int x) {
    auto* label = new QLabel(&window);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(x, 3, 10, 9);
    label->setPixmap(QPixmap(picture));
    label->hide();
    return label;
}

}  // namespace

void ApplySkinOutline(QWidget& window) {
    QPolygon polygon;
    for (const OutlinePoint& p : SkinOutline(window.width(), window.height())) {
        polygon << QPoint(p.x, p.y);
    }
    window.setMask(QRegion(polygon, Qt::OddEvenFill));
    window.repaint();
}

SkinnedWindow::SkinnedWindow(QWidget& window, const QString& picture) : QObject(&window), m_window(window) {
    m_image1 = new QLabel(&window);
    m_image1->setObjectName(QStringLiteral("Image1"));
    m_image1->setGeometry(0, 0, window.width(), window.height());
    m_image1->setPixmap(QPixmap(picture));
    m_image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_image1->lower();
    m_image1->installEventFilter(this);
    const int width = window.width();
    m_imgAbout = PressedLook(window, "ImgAbout", QStringLiteral(":/pictures/pressed-about.png"), width - 25);
    m_imgMaxim = PressedLook(window, "ImgMaxim", QStringLiteral(":/pictures/pressed-hide.png"), width - 13);
    ApplySkinOutline(window);
}

bool SkinnedWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_image1) {
        return QObject::eventFilter(watched, event);
    }
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* me = static_cast<QMouseEvent*>(event);
            Image1MouseDown(me->button(), me->position().toPoint());
            return true;
        }
        case QEvent::MouseMove:
            Image1MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
            return true;
        case QEvent::MouseButtonRelease: {
            const auto* me = static_cast<QMouseEvent*>(event);
            Image1MouseUp(me->button(), me->position().toPoint());
            return true;
        }
        default:
            return QObject::eventFilter(watched, event);
    }
}

void SkinnedWindow::Image1MouseDown(Qt::MouseButton button, QPoint at) {
    if (button != Qt::LeftButton) {
        return;
    }
    switch (SkinHitTest(at.x(), at.y(), m_window.width())) {
        case SkinArea::AboutHotSpot:
            m_imgAbout->show();
            break;
        case SkinArea::HideHotSpot:
            m_imgMaxim->show();
            break;
        case SkinArea::TitleStrip:
            m_dragging = true;
            m_pressPoint = at;
            break;
        case SkinArea::None:
            break;
    }
}

void SkinnedWindow::Image1MouseMove(QPoint at) {
    if (m_dragging) {
        m_window.move(m_window.x() + at.x() - m_pressPoint.x(), m_window.y() + at.y() - m_pressPoint.y());
    }
}

void SkinnedWindow::Image1MouseUp(Qt::MouseButton button, QPoint at) {
    // Hidden and cleared first: the action may open a modal box that runs for a while.
    m_imgAbout->hide();
    m_imgMaxim->hide();
    m_dragging = false;
    if (button != Qt::LeftButton) {
        return;
    }
    switch (SkinHitTest(at.x(), at.y(), m_window.width())) {
        case SkinArea::AboutHotSpot:
            if (m_onAbout) {
                m_onAbout();
            }
            break;
        case SkinArea::HideHotSpot:
            if (m_onHide) {
                m_onHide();
            }
            break;
        default:
            break;
    }
}

}  // namespace hublane::ui
