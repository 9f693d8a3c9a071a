// TFAbout, the about window, shown modally from the about hot spot.
#include "ui/TFAbout.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "platform/VersionText.h"
#include "ui/FlatStyle.h"

namespace hublane::ui {

TFAbout::TFAbout(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("FAbout"));
    setWindowTitle(QStringLiteral("A propos..."));
    setFixedSize(kClientWidth, kClientHeight);
    FillWithSkinColour(*this);

    // The green panel, raised and lowered, holding the title, the credits and the picture.
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(4, 4, kClientWidth - 8, 242);
    panel->setStyleSheet(
        QStringLiteral("QFrame#Panel1 { background: rgb(64,128,73); border: 2px outset rgb(96,160,105); }"
                       "QLabel { color: white; background: transparent; }"));
    const int inner = panel->width() - 16;
    auto* title = new QLabel(QStringLiteral("Hublane v ") + platform::VersionText(), panel);
    title->setObjectName(QStringLiteral("Label1"));
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(8, 6, inner, 18);
    int y = 28;
    for (const char* line :
         {"Développement : Orvandels", "Idée : Orvandels", "Graphismes et tests : Orvandels",
          "Site web : hublane.orvandels.net", "Support : forum du site"}) {
        auto* label = new QLabel(QString::fromUtf8(line), panel);
        label->setGeometry(8, y, inner, 16);
        y += 16;
    }
    // The picture, whole: 214 x 115 drawn in 213 x 115.
    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setGeometry((panel->width() - 213) / 2, 118, 213, 115);
    picture->setPixmap(QPixmap(QStringLiteral(":/pictures/about.png")));
    picture->setScaledContents(true);

    auto* close = new QPushButton(QStringLiteral("&Fermer"), this);
    close->setObjectName(QStringLiteral("FlatButton1"));
    close->setGeometry((kClientWidth - 75) / 2, 253, 75, 23);
    close->setStyleSheet(QString::fromLatin1(kFlatButtonStyle));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    GiveChildrenSkinColours(*this);
}

}  // namespace hublane::ui
