// TFSplash: the splash window shown while the program starts.
#include "ui/Splash.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QScreen>

#include "platform/VersionText.h"

namespace hublane::ui {

TFSplash::TFSplash(QWidget* parent)
    // Not kept on top: a box shown during start-up must never sit behind it.
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("FSplash"));
    setFixedSize(kClientWidth, kClientHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        move(screen->availableGeometry().center() - QPoint(kClientWidth / 2, kClientHeight / 2));
    }
    auto* label1 = new QLabel(this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->move(8, 164);
}

void TFSplash::paintEvent(QPaintEvent* /*event*/) {
    QPainter p(this);
    p.fillRect(rect(), QColor(171, 209, 195));
    p.fillRect(QRect(0, 0, width(), 17), QColor(64, 0, 0));
    p.setPen(QColor(64, 0, 0));
    QFont f = font();
    f.setPointSize(24);
    f.setBold(true);
    p.setFont(f);
    p.drawText(rect().adjusted(0, 0, 0, -30), Qt::AlignCenter, QStringLiteral("Hublane"));
    f.setPointSize(9);
    f.setBold(false);
    p.setFont(f);
    p.drawText(rect().adjusted(0, 60, 0, 0), Qt::AlignCenter, QStringLiteral("v ") + platform::VersionText());
}

}  // namespace hublane::ui
