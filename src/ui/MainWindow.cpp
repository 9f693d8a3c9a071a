// UI layer: TFMain, the small always-present main window with its countdown, status line, gauge, menus and
// tray icon. It starts the update cycle of the server list window.
#include "ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFont>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "platform/Clock.h"
#include "serverlist/CycleSettings.h"
#include "serverlist/Lserveur.h"
#include "serverlist/UiWaits.h"
#include "ui/About.h"
#include "ui/Application.h"
#include "ui/SkinFrame.h"

namespace hublane::ui {
namespace {

const QColor kBackground(171, 209, 195);
const QColor kFace(64, 0, 0);

// Flat buttons: dark red face, black when focused, white 8-point text.
const char* const kFlatButtonStyle =
    "QPushButton { background: rgb(64,0,0); color: white; border: none; font-size: 8pt; }"
    "QPushButton:focus { background: black; }"
    "QPushButton:pressed { background: rgb(64,0,0); }"
    "QPushButton:disabled { color: rgb(160,160,160); }";

// The owner-drawn menu: white Arial 8 pt, bold when highlighted, dark red face, black highlight.
const char* const kFlatMenuStyle =
    "QMenu { background: rgb(64,0,0); color: white; font-family: Arial; font-size: 8pt; }"
    "QMenu::item:selected { background: black; font-weight: bold; }";

QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

// The skin picture until the skins come: the plain background, a title strip and the two hot
// spots, so the window can be dragged, hidden and asked for its about box.
QPixmap PlainSkin(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(kBackground);
    QPainter p(&pixmap);
    p.fillRect(QRect(0, 0, width, 17), kFace);
    p.setPen(Qt::white);
    QFont f(QStringLiteral("MS Sans Serif"), 8);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRect(8, 0, width - 40, 17), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Hublane"));
    p.fillRect(QRect(width - 26, 3, 9, 9), QColor(171, 209, 195));
    p.fillRect(QRect(width - 14, 3, 9, 9), QColor(171, 209, 195));
    p.setPen(kFace);
    p.drawText(QRect(width - 26, 2, 9, 10), Qt::AlignCenter, QStringLiteral("?"));
    p.drawLine(width - 12, 9, width - 8, 9);
    return pixmap;
}

void CentreOnScreen(QWidget& w) {
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        w.move(area.center() - QPoint(w.width() / 2, w.height() / 2));
    }
}

QPixmap PressedLook() {
    QPixmap pixmap(10, 9);
    pixmap.fill(Qt::black);
    return pixmap;
}

}  // namespace

TFMain::TFMain(platform::SettingsStore& settings, const platform::Clock& clock, TFMainHooks hooks,
               QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::Window), m_settings(settings), m_hooks(std::move(hooks)) {
    setObjectName(QStringLiteral("FMain"));
    setWindowTitle(QStringLiteral("Hublane"));
    setWindowIcon(ProgramIcon());
    setFixedSize(kClientWidth, kClientHeight);
    CentreOnScreen(*this);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* image1 = new QLabel(this);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setGeometry(0, 0, kClientWidth, kClientHeight);
    image1->setPixmap(PlainSkin(kClientWidth, kClientHeight));
    image1->installEventFilter(this);
    m_image1 = image1;

    m_imgAbout = MakeLabel(this, "ImgAbout", 634, 3);
    m_imgAbout->setGeometry(634, 3, 10, 9);
    m_imgAbout->setPixmap(PressedLook());
    m_imgAbout->hide();
    m_imgMaxim = MakeLabel(this, "ImgMaxim", 646, 3);
    m_imgMaxim->setGeometry(646, 3, 10, 9);
    m_imgMaxim->setPixmap(PressedLook());
    m_imgMaxim->hide();

    m_label8 = MakeLabel(this, "Label8", 412, 168);
    m_label8->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    m_label8->setMinimumWidth(240);

    m_label1 = MakeLabel(this, "Label1", 8, 52, QStringLiteral("Patientez..."));
    m_label1->setAlignment(Qt::AlignCenter);
    m_label1->setFixedWidth(481);
    m_label1->hide();

    m_cgauge1 = new QProgressBar(this);
    m_cgauge1->setObjectName(QStringLiteral("CGauge1"));
    m_cgauge1->setGeometry(107, 69, 298, 13);
    m_cgauge1->setTextVisible(false);
    m_cgauge1->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid black; background: white; }"
                       "QProgressBar::chunk { background: rgb(64,0,0); }"));

    m_label2 = MakeLabel(this, "Label2", 344, 32);
    m_label2->setFixedWidth(29);
    m_label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_label3 = MakeLabel(this, "Label3", 376, 32);
    m_label3->setMinimumWidth(120);

    m_lversion = MakeLabel(this, "LVersion", 132, 84,
                           QStringLiteral("Une nouvelle version de Hublane est disponible !!"));
    m_lversion->setStyleSheet(QStringLiteral("color: red; font-style: italic;"));
    m_lversion->setCursor(Qt::PointingHandCursor);
    m_lversion->hide();

    m_btnServer = new QPushButton(QStringLiteral("Liste de serveurs"), this);
    m_btnServer->setObjectName(QStringLiteral("BtnServer"));
    m_btnServer->setGeometry(170, 28, 159, 21);
    m_btnServer->setStyleSheet(QString::fromLatin1(kFlatButtonStyle));
    connect(m_btnServer, &QPushButton::clicked, this, &TFMain::BtnServerClick);

    m_panel1 = new QLabel(this);
    m_panel1->setObjectName(QStringLiteral("Panel1"));
    static_cast<QLabel*>(m_panel1)->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_panel1->setGeometry(16, 100, 468, 60);
    auto* imgPub = new QLabel(m_panel1);
    imgPub->setObjectName(QStringLiteral("ImgPub"));
    imgPub->setGeometry(1, 1, 466, 58);
    imgPub->setCursor(Qt::PointingHandCursor);

    m_flatButton1 = new QPushButton(QStringLiteral("Menus"), this);
    m_flatButton1->setObjectName(QStringLiteral("FlatButton1"));
    m_flatButton1->setGeometry(8, 16, 41, 17);
    m_flatButton1->setStyleSheet(QString::fromLatin1(kFlatButtonStyle));
    m_flatButton1->installEventFilter(this);

    m_popupMenu1 = new QMenu(this);
    m_popupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    m_popupMenu1->setStyleSheet(QString::fromLatin1(kFlatMenuStyle));
    QAction* rechRep = m_popupMenu1->addAction(QStringLiteral("Recharger les répertoires"));
    rechRep->setObjectName(QStringLiteral("mnuRechRep"));
    connect(rechRep, &QAction::triggered, this, &TFMain::mnuRechRepClick);

    m_popupMenu2 = new QMenu(this);
    m_popupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    QAction* exit1 = m_popupMenu2->addAction(QStringLiteral("&Exit"));
    exit1->setObjectName(QStringLiteral("Exit1"));
    connect(exit1, &QAction::triggered, this, &TFMain::Exit1Click);

    m_timer1.setInterval(clock.RealMs(kTickMs));
    connect(&m_timer1, &QTimer::timeout, this, &TFMain::Timer1Timer);

    m_gauge = std::make_unique<ProgressBarGauge>(m_cgauge1);
    m_status = std::make_unique<LabelStatus>(m_label1);

    // Constructor steps: the language file, the tray icon, the drag flag.
    if (m_hooks.loadLanguage) {
        m_hooks.loadLanguage(*this);
    }
    // Where the desktop has no notification area the program runs on without an icon.
    if (QSystemTrayIcon::isSystemTrayAvailable()) {
        m_trayIcon1 = std::make_unique<QSystemTrayIcon>(ProgramIcon(), this);
        m_trayIcon1->setContextMenu(m_popupMenu2);
        connect(m_trayIcon1.get(), &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) {
                    if (reason == QSystemTrayIcon::Trigger) {
                        TrayIcon1Click();
                    } else if (reason == QSystemTrayIcon::DoubleClick) {
                        TrayIcon1DblClick();
                    }
                });
        m_trayIcon1->show();
    }
    m_dragging = false;

    // FormCreate.
    if (m_hooks.formCreate) {
        m_hooks.formCreate(*this);
    }
}

TFMain::~TFMain() = default;

void TFMain::Attach(TFAbout& about, serverlist::TFLServeur& serverList, serverlist::UiWaits& waits) {
    m_about = &about;
    m_serverList = &serverList;
    m_waits = &waits;
    // FormClose of the server list window shows the main window again.
    connect(&serverList, &serverlist::TFLServeur::CycleEnded, this,
            [this](const QString& summary) { m_lastCycle = summary; });
    connect(&serverList, &serverlist::TFLServeur::Closed, this, [this] {
        repaint();
        show();
    });
}

void TFMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TFMain::FormShow() {
    m_cgauge1->hide();
    // After a cycle the status label says what it did, until the next one; before the first,
    // it stays hidden.
    if (m_lastCycle.isEmpty()) {
        m_label1->hide();
        m_label1->setText(QStringLiteral("Vérifie la version de Hublane"));
    } else {
        m_label1->setText(m_lastCycle);
        m_label1->show();
    }
    m_label1->repaint();
    if (m_hooks.checkVersion) {
        m_hooks.checkVersion(*this);
    }
}

void TFMain::HandGaugeOver() {
    // The cycle drives this window's gauge and status label, which it was given when it was built.
    m_cgauge1->show();
}

void TFMain::BtnServerClick() {
    HandGaugeOver();
    m_label1->show();
    m_timer1.stop();
    m_label2->clear();
    m_label3->clear();
    if (m_serverList) {
        m_serverList->Show();
    }
    hide();
    m_label2->setText(QString::number(kCountdownMinutes));
    m_label3->setText(QStringLiteral("minutes restantes"));
    m_timer1.start();
    // Only the countdown starts cycles from now on.
    m_btnServer->setEnabled(false);
}

void TFMain::Timer1Timer() {
    m_label2->setText(QString::number(m_label2->text().toInt() - 1));
    if (m_label2->text() != QLatin1String("0")) {
        return;
    }
    m_btnServer->setEnabled(false);
    m_timer1.stop();
    m_label2->clear();
    m_label3->clear();
    HandGaugeOver();
    m_label1->show();
    if (m_serverList) {
        m_serverList->Show();
    }
    m_label2->setText(QString::number(kCountdownMinutes));
    m_label3->setText(QStringLiteral("minutes restantes"));
    m_timer1.start();
}

void TFMain::TrayIcon1Click() {
    repaint();
    show();
}

void TFMain::TrayIcon1DblClick() {
    showNormal();
    raise();
    activateWindow();
}

void TFMain::SetBusyCursor(bool busy) {
    if (busy) {
        setCursor(Qt::WaitCursor);
    } else {
        unsetCursor();
    }
}

void TFMain::mnuRechRepClick() {
    serverlist::ResetSettings(m_settings);
}

void TFMain::Exit1Click() {
    // The workers are stopped first, then the window goes and the program ends.
    m_exiting = true;
    if (m_waits) {
        m_waits->SetTerminating();
    }
    close();
    QCoreApplication::quit();
}

void TFMain::closeEvent(QCloseEvent* event) {
    if (!m_exiting && m_trayIcon1 && m_trayIcon1->isVisible()) {
        event->ignore();
        hide();
        return;
    }
    if (!m_exiting) {
        // Without a notification area, closing is "&Exit" (queued: close() is still running).
        event->accept();
        QMetaObject::invokeMethod(this, &TFMain::Exit1Click, Qt::QueuedConnection);
        return;
    }
    QWidget::closeEvent(event);
}

void TFMain::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // Minimised with a tray icon: only the icon remains.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && m_trayIcon1 &&
        m_trayIcon1->isVisible()) {
        QTimer::singleShot(0, this, &QWidget::hide);
    }
}

bool TFMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_flatButton1 && event->type() == QEvent::MouseButtonPress) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint local = me->position().toPoint();
        // The menu pops up at the screen point of the press.
        m_popupMenu1->popup(
            QPoint(m_flatButton1->x() + x() + local.x(), m_flatButton1->y() + y() + local.y()));
        return true;
    }
    if (watched == m_image1) {
        switch (event->type()) {
            case QEvent::MouseButtonPress: {
                auto* me = static_cast<QMouseEvent*>(event);
                Image1MouseDown(me->button(), me->position().toPoint());
                return true;
            }
            case QEvent::MouseMove:
                Image1MouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
                return true;
            case QEvent::MouseButtonRelease: {
                auto* me = static_cast<QMouseEvent*>(event);
                Image1MouseUp(me->button(), me->position().toPoint());
                return true;
            }
            default:
                break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFMain::Image1MouseDown(Qt::MouseButton button, QPoint at) {
    if (button != Qt::LeftButton) {
        return;
    }
    switch (SkinHitTest(at.x(), at.y(), width())) {
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

void TFMain::Image1MouseMove(QPoint at) {
    if (m_dragging) {
        move(x() + at.x() - m_pressPoint.x(), y() + at.y() - m_pressPoint.y());
    }
}

void TFMain::Image1MouseUp(Qt::MouseButton button, QPoint at) {
    if (button == Qt::LeftButton) {
        switch (SkinHitTest(at.x(), at.y(), width())) {
            case SkinArea::AboutHotSpot:
                if (m_about) {
                    m_about->exec();
                }
                break;
            case SkinArea::HideHotSpot:
                repaint();
                // Without a notification area a hidden window could not come back: it is
                // minimised instead.
                if (m_trayIcon1) {
                    hide();
                } else {
                    showMinimized();
                }
                break;
            default:
                break;
        }
    }
    m_imgAbout->hide();
    m_imgMaxim->hide();
    m_dragging = false;
}

}  // namespace hublane::ui
