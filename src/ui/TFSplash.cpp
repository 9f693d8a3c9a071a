// TFSplash, the splash window shown while the program starts.
#include "ui/TFSplash.h"

#include <QLabel>

#include "ui/FlatStyle.h"
#include "ui/SkinnedWindow.h"

namespace hublane::ui {

TFSplash::TFSplash(QWidget* parent)
    // Not kept on top: a box shown during start-up must never sit behind it.
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("FSplash"));
    setFixedSize(kClientWidth, kClientHeight);
    CentreOnScreen(*this);
    FillWithSkinColour(*this);
    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(0, 0, kClientWidth, kClientHeight);
    image1->setPixmap(QPixmap(QStringLiteral(":/pictures/skin-splash.png")));
    image1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* label1 = new QLabel(this);
    label1->setObjectName(QStringLiteral("Label1"));
    label1->move(8, 164);
    ApplySkinOutline(*this);
}

}  // namespace hublane::ui
