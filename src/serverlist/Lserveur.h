// TFLServeur: the server list window's state and the update cycle, without a visible window.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>

#include "serverlist/CycleControls.h"
#include "serverlist/CycleParts.h"
#include "serverlist/ServerTable.h"
#include "serverlist/WorkGauge.h"

namespace hublane::platform {
class SettingsStore;
class UserPrompts;
}  // namespace hublane::platform
namespace hublane::app {
class LanguageTable;
}
namespace hublane::probe {
class Campaigns;
}

namespace hublane::serverlist {

/// Where the running step's caption is shown (the main window's status label).
class StatusLabel {
  public:
    virtual ~StatusLabel() = default;
    /// Shows the text at once (repaints).
    virtual void SetCaption(const QString& text) = 0;
};

/// What the server list window needs from the rest of the program.
struct LserveurDeps {
    platform::SettingsStore& settings;
    const app::LanguageTable& language;
    platform::UserPrompts& prompts;
    /// Builds the path of the client's server.met for one file operation; the argument tells
    /// whether the reader (true) or the writer (false) asks, which decides the busy window.
    std::function<QString(bool forReading)> serverMetPath;
    /// The path of the peer list file ("serverHBL.met" in the current folder).
    QString peerListPath = QStringLiteral("serverHBL.met");
};

/// The server list window. It is never seen: it holds the server table, the peer list and the
/// probing settings, and runs the whole update cycle inside Show(). Closing only hides it.
class TFLServeur : public QObject {
    Q_OBJECT
  public:
    explicit TFLServeur(LserveurDeps deps, QObject* parent = nullptr);
    ~TFLServeur() override;
    TFLServeur(const TFLServeur&) = delete;
    TFLServeur& operator=(const TFLServeur&) = delete;

    // --- the window's show and close ---
    /// Runs the update cycle and returns when it is over; does nothing while already shown.
    void Show();
    bool Visible() const { return m_visible; }
    /// Hides the window: writes the cycle settings and asks for the main window (Closed()).
    void Close();

    // --- hand-over from the main window ---
    void SetWorkGauge(WorkGauge* gauge) { m_gauge = gauge ? gauge : &m_ownGauge; }
    WorkGauge& Gauge() { return *m_gauge; }
    void SetStatusLabel(StatusLabel* label) { m_status = label; }
    /// The version label, set when the cycle applies the language.
    QString Label9() const { return m_label9; }

    // --- the optional parts ---
    void SetPeerServer(PeerServerPart* part) { m_peerServer = part; }
    void SetWebDirectory(WebDirectoryPart* part) { m_web = part; }
    void SetHandOff(HandOffPart* part) { m_handOff = part; }
    /// Replaces the window's own campaigns (nullptr restores them).
    void SetCampaignRunner(CampaignRunner* runner);

    // --- tables and counters ---
    ServerTable& lvip() { return m_lvip; }
    PeerList& lvHBL() { return m_lvHBL; }
    EntryTable& EntryTableOf() { return m_entries; }
    CycleControls& Controls() { return m_controls; }
    /// The server counter (beside "Nombre de serveur :").
    QString Label8() const { return m_label8; }
    void SetLabel8(const QString& text) { m_label8 = text; }
    void RaiseServerCounter();
    /// The probed counter (beside "Serveurs interrogés :").
    QString Label6() const { return m_label6; }
    void SetLabel6(const QString& text) { m_label6 = text; }
    QStringList& ErrorLog() { return m_errorLog; }
    const app::LanguageTable& Language() const { return m_deps.language; }

    // --- waits ---
    /// Waits ms milliseconds while processing events; counts in the wait counter. Ends at once
    /// when the application is quitting, and early as soon as `until` (when given) holds after
    /// a state change of the window.
    void UiWait(int ms, const std::function<bool()>& until = {});
    int WaitCounter() const { return m_waitCounter; }
    void ResetWaitCounter() { m_waitCounter = 0; }
    /// True once the application has been asked to quit; the cycle then stops at its next step.
    bool Terminating() const { return m_terminating; }
    void SetTerminating();
    /// Tells waiting callers that something they may poll has changed (a hand-back, a flag).
    void NotifyStateChanged() { emit StateChanged(); }

    // --- the window's buttons ---
    void BtnLServerMetClick() { ReadServerMet(); }        // "Lire server.met"
    void BtnEServerMetClick() { WriteServerMet(false); }  // "Ecrire Server.met"
    void BtnStartSrvClick() { StartPeerServer(); }        // "Relancer serveur Hublane"
    void FlatButton1Click() { WebFetchServers(); }        // "Récupère à partir d'une URL"
    void FlatButton2Click() { SendServersToWeb(); }       // "Transmettre Serveur Web"
    void FlatButton4Click() { SendToDonkey(); }           // "Envoyer à eDonkey"

    // --- the step actions ---
    bool ReadServerMet();
    void WriteServerMet(bool keepFileWhenEmpty = false);
    bool ReadPeerList();
    void WritePeerList(bool keepFileWhenEmpty = false);
    void StartPeerServer();
    /// The web fetch of servers: flags cleared, fetch started, bounded wait for its end.
    void WebFetchServers();
    /// The web fetch of peers: the peer list emptied, fetch started, bounded wait.
    void WebFetchPeers();
    void SendServersToWeb();
    void SendToDonkey();
    /// The table clean-up; writes the server counter.
    void CleanUp();
    /// One campaign step of the cycle (after its caption): worker limit, mode, counters, clean-up,
    /// campaign, clean-up; resetAfter zeroes the counters once more.
    void CampaignStep(ProbeKind kind, bool resetAfter);
    /// The "Lancer" button: the campaign of the checked mode between two clean-ups.
    void BtnLancerClick();
    void RunCampaign();
    probe::Campaigns& CampaignsOf() { return *m_campaigns; }

    // --- web fetch flags, shared with the web directory part ---
    bool FetchDone() const { return m_fetchDone; }
    void SetFetchDone(bool done);

    /// Writes a caption into the status label.
    void StepCaption(const QString& text);

  signals:
    /// FormClose: the main window shows itself again.
    void Closed();
    /// Something a wait may poll has changed.
    void StateChanged();
    /// An error escaped a step of the cycle; the step was abandoned and the cycle went on.
    void StepFailed(const QString& caption, const QString& message);

  private:
    void FormShow();
    void FormClose();
    void Timer2Timer();
    void RunCycle();
    void ApplyLanguage();

    LserveurDeps m_deps;
    ServerTable m_lvip;
    PeerList m_lvHBL;
    EntryTable m_entries{};
    CycleControls m_controls;
    PlainGauge m_ownGauge;
    WorkGauge* m_gauge = &m_ownGauge;
    StatusLabel* m_status = nullptr;
    PeerServerPart* m_peerServer = nullptr;
    WebDirectoryPart* m_web = nullptr;
    HandOffPart* m_handOff = nullptr;
    std::unique_ptr<probe::Campaigns> m_campaigns;
    CampaignRunner* m_runner = nullptr;

    QString m_label6 = QStringLiteral("0");
    QString m_label8 = QStringLiteral("0");
    QString m_label9;
    QStringList m_errorLog;
    int m_waitCounter = 0;
    bool m_fetchDone = false;
    bool m_visible = false;
    bool m_terminating = false;
    QTimer m_timer2;
};

}  // namespace hublane::serverlist
