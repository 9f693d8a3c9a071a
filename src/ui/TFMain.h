// TFMain, the small always-present main window with its countdown, status line, gauge,
// menus, banner, new-version notice and tray icon. It starts the update cycle of the server list
// window.
#pragma once

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <functional>
#include <memory>

#include "platform/UserPrompts.h"
#include "ui/WidgetAdapters.h"

class QMovie;

namespace hublane::platform {
class Clock;
class SettingsStore;
}  // namespace hublane::platform
namespace hublane::serverlist {
class TFLServeur;
class UiWaits;
}  // namespace hublane::serverlist
namespace hublane::app {
class VersionCheck;
}

namespace hublane::ui {

class TFAbout;
class SkinnedWindow;

/// What the main window runs at its creation, supplied by the program.
struct TFMainHooks {
    /// Constructor: the language step (may ask the program to end).
    std::function<void(class TFMain&)> loadLanguage;
    /// FormCreate: the settings upgrade step.
    std::function<void(class TFMain&)> formCreate;
    /// Opens a web address in the desktop's browser (default: QDesktopServices).
    std::function<void(const QUrl&)> openUrl;
    /// Whether the desktop has a notification area now (default: QSystemTrayIcon's answer). It
    /// may come and go while the program runs.
    std::function<bool()> trayAvailable;
};

/// What the main window reaches, created after it.
struct TFMainLinks {
    TFAbout& about;
    serverlist::TFLServeur& serverList;
    serverlist::UiWaits& waits;
    app::VersionCheck& version;
    /// "Afficher la liste des serveurs": shows the server table (none: the item is absent).
    std::function<void()> showServerList = {};
};

class TFMain : public QWidget, public platform::BusyOwner {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 659;
    static constexpr int kClientHeight = 194;
    static constexpr int kCountdownMinutes = 120;
    static constexpr int kTickMs = 60000;

    /// Creates the window and runs its creation steps (language, tray icon, upgrade step). The
    /// countdown ticks on the clock.
    TFMain(platform::SettingsStore& settings, const platform::Clock& clock, TFMainHooks hooks = {},
           QWidget* parent = nullptr);
    ~TFMain() override;

    /// The windows and parts created after this one.
    void Attach(const TFMainLinks& links);

    /// The version label (Label8): credit text, "v " and the version.
    void SetVersionLabel(const QString& text) { m_versionLabel->setText(text); }

    /// The progress gauge and the status label the update cycle drives.
    serverlist::WorkGauge& Gauge() { return *m_gauge; }
    serverlist::StatusCaption& Status() { return *m_status; }

    // Event handlers, public so that tests drive them directly.
    void BtnServerClick();
    void Timer1Timer();
    void TrayIcon1Click();
    void TrayIcon1DblClick();
    /// Hides the window to the notification area, or minimises it when there is none, so that
    /// something is always left to click.
    void HideToTray();
    /// Where the notification area went away while the window was hidden in it, the window comes
    /// back minimised (run every few seconds).
    void CheckTray();
    /// Whether the tray icon is there to bring the window back.
    bool HasTray() const;
    void mnuRechRepClick();
    void Exit1Click();
    void LVersionClick();
    void ImgPubClick();

    /// Shows text on the status label: wrapped on two lines at most, else shortened at a word and
    /// ended with "…"; the tooltip holds it whole.
    void ShowStatusLine(const QString& text);

    /// The hourglass while a locator works for this window.
    void SetBusyCursor(bool busy) override;

    QTimer& Timer1() { return m_countdown; }
    QSystemTrayIcon* TrayIcon1() { return m_trayIcon.get(); }
    SkinnedWindow& Skin() { return *m_skin; }

  protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    /// Closing the window (its frame's close, Alt+F4) hides it to the notification area when
    /// there is one; without one it is "&Exit", so no process is left without a window.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void BuildControls();
    void BuildMenus();
    void BuildTrayIcon();
    void FormShow();
    void StartCycle(bool hideAfter);

    std::unique_ptr<TFMainLinks> m_links;
    platform::SettingsStore& m_settings;
    TFMainHooks m_hooks;

    // The controls: descriptive names here, the original names (Label8, lvip, ...) as their Qt
    // object names, by which tests find them.
    SkinnedWindow* m_skin = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_statusLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_minutesLeft = nullptr;
    QLabel* m_minutesCaption = nullptr;
    QLabel* m_newVersionNotice = nullptr;
    QPushButton* m_startButton = nullptr;
    QLabel* m_bannerLabel = nullptr;
    QMovie* m_banner = nullptr;
    QPushButton* m_menuButton = nullptr;
    QMenu* m_mainMenu = nullptr;
    QMenu* m_trayMenu = nullptr;
    QAction* m_showList = nullptr;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    QTimer m_countdown;
    QTimer m_trayWatch;
    std::unique_ptr<ProgressBarGauge> m_gauge;
    std::unique_ptr<LabelStatus> m_status;

    /// The line the last cycle ended with, shown in the status label until the next cycle.
    QString m_lastCycle;
    bool m_versionFailureShown = false;
    bool m_exiting = false;
    /// Whether the window was shown when the running cycle started: only then does the cycle's
    /// end show it again.
    bool m_shownAtCycleStart = true;
    /// The notice or banner the left button went down on; a release opens the page only after a
    /// press on the same picture, so a double click opens it once.
    QObject* m_pressedLink = nullptr;
};

}  // namespace hublane::ui
