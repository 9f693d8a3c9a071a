// TFAbout: the about window, shown modally from the about hot spot.
#include "ui/About.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/VersionText.h"

namespace hublane::ui {

TFAbout::TFAbout(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName(QStringLiteral("FAbout"));
    setWindowTitle(QStringLiteral("A propos..."));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(171, 209, 195));
    setPalette(pal);
    setAutoFillBackground(true);

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setGeometry(8, 8, kClientWidth - 16, 230);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(2);
    panel->setStyleSheet(
        QStringLiteral("QFrame#Panel1 { background: rgb(64,128,73); border: 2px outset rgb(64,128,73); }"
                       "QLabel { color: white; background: transparent; }"));
    auto* layout = new QVBoxLayout(panel);
    auto* title = new QLabel(QStringLiteral("Hublane v ") + platform::VersionText(), panel);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    title->setAlignment(Qt::AlignCenter);
    layout->addWidget(title);
    for (const char* line :
         {"Développement : Orvandels", "Idée : Orvandels", "Graphismes et tests : Orvandels",
          "Site web : hublane.orvandels.net", "Support : forum du site"}) {
        layout->addWidget(new QLabel(QString::fromUtf8(line), panel));
    }
    auto* picture = new QLabel(panel);
    picture->setObjectName(QStringLiteral("Image1"));
    picture->setFixedSize(213, 115);
    picture->setFrameStyle(QFrame::Box);
    picture->setAlignment(Qt::AlignCenter);
    picture->setText(QStringLiteral("Hublane"));
    layout->addWidget(picture, 0, Qt::AlignHCenter);

    auto* close = new QPushButton(QStringLiteral("&Fermer"), this);
    close->setObjectName(QStringLiteral("FlatButton1"));
    close->setGeometry((kClientWidth - 75) / 2, 248, 75, 25);
    close->setStyleSheet(
        QStringLiteral("QPushButton { background: rgb(64,0,0); color: white; border: none; }"
                       "QPushButton:focus { background: black; }"));
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace hublane::ui
