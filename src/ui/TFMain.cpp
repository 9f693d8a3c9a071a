// TFMain, the small always-present main window with its countdown, status line, gauge,
// menus, banner, new-version notice and tray icon. It starts the update cycle of the server list
// window.
#include "ui/TFMain.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QMovie>

#include "app/VersionCheck.h"
#include "platform/Clock.h"
#include "serverlist/CycleSettings.h"
#include "serverlist/TFLServeur.h"
#include "serverlist/UiWaits.h"
#include "ui/Application.h"
#include "ui/FlatStyle.h"
#include "ui/SkinnedWindow.h"
#include "ui/TFAbout.h"

namespace hublane::ui {
namespace {

// Lines of the status label: a long account of a cycle wraps rather than being cut; past two lines
// (the version notice lies below) it ends in "…" and the tooltip holds it whole.
constexpr int kStatusLines = 2;
// How often a window hidden in the notification area checks that the area is still there.
constexpr int kTrayWatchMs = 2000;

QLabel* MakeLabel(QWidget* parent, const char* name, int x, int y, const QString& text = {}) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(x, y);
    label->adjustSize();
    return label;
}

QPushButton* MakeFlatButton(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setStyleSheet(QString::fromLatin1(kFlatButtonStyle));
    return button;
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
    FillWithSkinColour(*this);
    if (!m_hooks.openUrl) {
        m_hooks.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    }
    if (!m_hooks.trayAvailable) {
        m_hooks.trayAvailable = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
    }

    // The skin picture and the outline; its hot spots open the about window and hide this one.
    m_skin = new SkinnedWindow(*this, QStringLiteral(":/pictures/skin-main.png"));
    m_skin->SetActions(
        [this] {
            if (m_links) {
                m_links->about.exec();
            }
        },
        [this] {
            repaint();
            HideToTray();
        });
    BuildControls();
    BuildMenus();
    GiveChildrenSkinColours(*this);
    m_countdown.setInterval(clock.RealMs(kTickMs));
    connect(&m_countdown, &QTimer::timeout, this, &TFMain::Timer1Timer);
    m_trayWatch.setInterval(kTrayWatchMs);
    connect(&m_trayWatch, &QTimer::timeout, this, &TFMain::CheckTray);
    m_trayWatch.start();
    m_gauge = std::make_unique<ProgressBarGauge>(m_progressBar);
    m_status = std::make_unique<LabelStatus>(m_statusLabel);

    // Constructor steps: the language file, the tray icon.
    if (m_hooks.loadLanguage) {
        m_hooks.loadLanguage(*this);
    }
    BuildTrayIcon();
    // FormCreate.
    if (m_hooks.formCreate) {
        m_hooks.formCreate(*this);
    }
}

TFMain::~TFMain() = default;

void TFMain::BuildControls() {
    // White text on the skin's dark plaque.
    m_versionLabel = MakeLabel(this, "Label8", 412, 168);
    m_versionLabel->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    m_versionLabel->setMinimumWidth(240);

    m_statusLabel = MakeLabel(this, "Label1", 8, 52, QStringLiteral("Patientez..."));
    // Step captions take the first line; what a cycle did may take two (the gauge below the first
    // line is hidden by then).
    m_statusLabel->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_statusLabel->setWordWrap(true);
    m_statusLabel->setFixedWidth(481);
    m_statusLabel->setFixedHeight(kStatusLines * m_statusLabel->fontMetrics().lineSpacing());
    m_statusLabel->hide();

    m_progressBar = new QProgressBar(this);
    m_progressBar->setObjectName(QStringLiteral("CGauge1"));
    m_progressBar->setGeometry(107, 69, 298, 13);
    m_progressBar->setTextVisible(false);
    m_progressBar->setStyleSheet(
        QStringLiteral("QProgressBar { border: 1px solid black; background: white; }"
                       "QProgressBar::chunk { background: rgb(64,0,0); }"));

    m_minutesLeft = MakeLabel(this, "Label2", 344, 32);
    m_minutesLeft->setFixedWidth(29);
    m_minutesLeft->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_minutesCaption = MakeLabel(this, "Label3", 376, 32);
    m_minutesCaption->setMinimumWidth(120);

    // A red dark enough to read on the skin's light green (contrast above 4.5:1).
    m_newVersionNotice = MakeLabel(this, "LVersion", 132, 84,
                                   QStringLiteral("Une nouvelle version de Hublane est disponible !!"));
    m_newVersionNotice->setStyleSheet(QStringLiteral("color: rgb(160,0,0); font-style: italic;"));
    m_newVersionNotice->setCursor(Qt::PointingHandCursor);
    m_newVersionNotice->installEventFilter(this);
    m_newVersionNotice->hide();

    m_startButton =
        MakeFlatButton(this, "BtnServer", QStringLiteral("Liste de serveurs"), QRect(170, 28, 159, 21));
    connect(m_startButton, &QPushButton::clicked, this, &TFMain::BtnServerClick);

    auto* panel1 = new QLabel(this);
    panel1->setObjectName(QStringLiteral("Panel1"));
    panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel1->setGeometry(16, 100, 468, 60);
    m_bannerLabel = new QLabel(panel1);
    m_bannerLabel->setObjectName(QStringLiteral("ImgPub"));
    m_bannerLabel->setGeometry(1, 1, 466, 58);
    m_bannerLabel->setCursor(Qt::PointingHandCursor);
    m_bannerLabel->installEventFilter(this);
    // The banner: nine frames looping for ever.
    m_banner = new QMovie(QStringLiteral(":/pictures/banner.gif"), QByteArray(), this);
    m_banner->setCacheMode(QMovie::CacheAll);
    m_bannerLabel->setMovie(m_banner);
    m_banner->start();

    m_menuButton = MakeFlatButton(this, "FlatButton1", QStringLiteral("Menus"), QRect(8, 16, 41, 17));
    m_menuButton->installEventFilter(this);
}

void TFMain::BuildMenus() {
    m_mainMenu = new QMenu(this);
    m_mainMenu->setObjectName(QStringLiteral("PopupMenu1"));
    m_mainMenu->setStyleSheet(QString::fromLatin1(kFlatMenuStyle));
    QAction* rechRep = m_mainMenu->addAction(QStringLiteral("Recharger les répertoires"));
    rechRep->setObjectName(QStringLiteral("mnuRechRep"));
    connect(rechRep, &QAction::triggered, this, &TFMain::mnuRechRepClick);

    m_trayMenu = new QMenu(this);
    m_trayMenu->setObjectName(QStringLiteral("PopupMenu2"));
    QAction* exit1 = m_trayMenu->addAction(QStringLiteral("&Exit"));
    exit1->setObjectName(QStringLiteral("Exit1"));
    connect(exit1, &QAction::triggered, this, &TFMain::Exit1Click);
}

void TFMain::BuildTrayIcon() {
    // Where the desktop has no notification area the program runs on without an icon.
    if (!m_hooks.trayAvailable()) {
        return;
    }
    m_trayIcon = std::make_unique<QSystemTrayIcon>(ProgramIcon(), this);
    m_trayIcon->setContextMenu(m_trayMenu);
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger) {
                    TrayIcon1Click();
                } else if (reason == QSystemTrayIcon::DoubleClick) {
                    TrayIcon1DblClick();
                }
            });
    m_trayIcon->show();
}

void TFMain::Attach(const TFMainLinks& links) {
    m_links = std::make_unique<TFMainLinks>(links);
    if (m_links->showServerList) {
        m_showList = m_mainMenu->addAction(QStringLiteral("Afficher la liste des serveurs"));
        m_showList->setObjectName(QStringLiteral("mnuShowList"));
        connect(m_showList, &QAction::triggered, this, [this] { m_links->showServerList(); });
    }
    connect(&links.serverList, &serverlist::TFLServeur::CycleEnded, this,
            [this](const QString& summary) { m_lastCycle = summary; });
    // FormClose of the server list window shows the main window again.
    // A window the user put in the notification area stays there: only a window shown when the
    // cycle started comes back (a cycle every two hours must not pop it up each time).
    connect(&links.serverList, &serverlist::TFLServeur::Closed, this, [this] {
        if (!m_shownAtCycleStart && HasTray()) {
            return;
        }
        repaint();
        setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    });
    connect(&links.version, &app::VersionCheck::NewVersion, m_newVersionNotice, &QWidget::show);
    connect(&links.version, &app::VersionCheck::Failed, this, [this](const QString& reason) {
        // Once a run is enough, in the status line, never in a box.
        if (!m_versionFailureShown) {
            m_versionFailureShown = true;
            ShowStatusLine(QStringLiteral("Impossible de vérifier la version de Hublane : ") + reason);
        }
    });
}

void TFMain::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        FormShow();
    }
}

void TFMain::ShowStatusLine(const QString& text) {
    m_statusLabel->setText(text);
    QString shown = text;
    while (m_statusLabel->heightForWidth(m_statusLabel->width()) > m_statusLabel->height()) {
        const qsizetype space = shown.lastIndexOf(QLatin1Char(' '), shown.size() - 3);
        if (space <= 0) {
            break;
        }
        shown = shown.left(space) + QStringLiteral(" \u2026");
        m_statusLabel->setText(shown);
    }
    m_statusLabel->setToolTip(text);
    m_statusLabel->show();
    m_statusLabel->repaint();
}

void TFMain::FormShow() {
    m_progressBar->hide();
    // After a cycle the status label says what it did, until the next one; before the first,
    // it stays hidden.
    if (m_lastCycle.isEmpty()) {
        m_statusLabel->hide();
        m_statusLabel->setText(QStringLiteral("Vérifie la version de Hublane"));
        m_statusLabel->repaint();
    } else {
        ShowStatusLine(m_lastCycle);
    }
    // The check runs on its own: the window is shown at once, whatever the version host does.
    if (m_links) {
        m_links->version.CheckVersion();
    }
}

void TFMain::StartCycle(bool hideAfter) {
    // A second press while a cycle runs starts nothing and keeps what the running one saw.
    if (m_links && !m_links->serverList.Visible()) {
        m_shownAtCycleStart = isVisible() && !isMinimized();
    }
    // The cycle drives this window's gauge and status label, which it was given when it was built.
    m_progressBar->show();
    m_statusLabel->show();
    m_countdown.stop();
    m_minutesLeft->clear();
    m_minutesCaption->clear();
    if (m_links) {
        m_links->serverList.Show();
    }
    if (hideAfter) {
        HideToTray();
    }
    m_minutesLeft->setText(QString::number(kCountdownMinutes));
    m_minutesCaption->setText(QStringLiteral("minutes restantes"));
    m_countdown.start();
}

void TFMain::BtnServerClick() {
    StartCycle(true);
    // Only the countdown starts cycles from now on.
    m_startButton->setEnabled(false);
}

void TFMain::Timer1Timer() {
    m_minutesLeft->setText(QString::number(m_minutesLeft->text().toInt() - 1));
    if (m_minutesLeft->text() != QLatin1String("0")) {
        return;
    }
    m_startButton->setEnabled(false);
    StartCycle(false);
}

void TFMain::TrayIcon1Click() {
    // A minimised window is shown in its normal state: shown as it was, it stayed an icon.
    repaint();
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

bool TFMain::HasTray() const {
    return m_trayIcon && m_trayIcon->isVisible() && m_hooks.trayAvailable();
}

void TFMain::HideToTray() {
    if (HasTray()) {
        hide();
    } else {
        showMinimized();
    }
}

void TFMain::CheckTray() {
    if (!m_exiting && !isVisible() && !HasTray()) {
        showMinimized();
    }
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
    ShowStatusLine(
        QStringLiteral("Réglages remis à zéro (annuaire, Hublane à interroger, threads, timeout, "
                       "mode) : le répertoire d'eDonkey sera demandé au prochain cycle."));
}

void TFMain::LVersionClick() {
    m_hooks.openUrl(QUrl(QString::fromLatin1(app::kHomePage)));
}

void TFMain::ImgPubClick() {
    m_hooks.openUrl(QUrl(QString::fromLatin1(app::kHomePage)));
}

void TFMain::Exit1Click() {
    // The workers are stopped first, then the window goes and the program ends.
    m_exiting = true;
    if (m_links) {
        m_links->waits.SetTerminating();
    }
    close();
    QCoreApplication::quit();
}

void TFMain::closeEvent(QCloseEvent* event) {
    if (!m_exiting && HasTray()) {
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
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) && HasTray()) {
        QTimer::singleShot(0, this, &QWidget::hide);
    }
}

bool TFMain::eventFilter(QObject* watched, QEvent* event) {
    const bool link = watched == m_newVersionNotice || watched == m_bannerLabel;
    if (link && event->type() == QEvent::MouseButtonDblClick) {
        return true;  // the second press of a double click: its release opens nothing
    }
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease) {
        return QWidget::eventFilter(watched, event);
    }
    auto* me = static_cast<QMouseEvent*>(event);
    if (watched == m_menuButton && event->type() == QEvent::MouseButtonPress) {
        // The menu pops up at the screen point of the press.
        const QPoint local = me->position().toPoint();
        m_mainMenu->popup(QPoint(m_menuButton->x() + x() + local.x(), m_menuButton->y() + y() + local.y()));
        return true;
    }
    if (link && event->type() == QEvent::MouseButtonPress && me->button() == Qt::LeftButton) {
        m_pressedLink = watched;
        return true;
    }
    if (link && event->type() == QEvent::MouseButtonRelease && me->button() == Qt::LeftButton) {
        const bool pressedHere = m_pressedLink == watched;
        m_pressedLink = nullptr;
        if (!pressedHere) {
            return true;
        }
        if (watched == m_newVersionNotice) {
            LVersionClick();
            return true;
        }
        if (watched == m_bannerLabel) {
            ImgPubClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace hublane::ui
