// TFLServeur, the server list window without a window: its show runs the update
// cycle (the step table over the cycle state), its close writes the cycle settings, and its
// buttons run the same actions by hand.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <vector>

#include "serverlist/AddressFilter.h"
#include "serverlist/CycleParts.h"
#include "serverlist/CycleReport.h"
#include "serverlist/CycleState.h"
#include "serverlist/ListFiles.h"

namespace hublane::test {
class ServerListSteps;
}

namespace hublane::serverlist {

class UiWaits;

/// What the window shows besides the tables and the cycle's report.
struct WindowStatus {
    /// Why the last start of the peer server failed (empty when it listens).
    QString peerServerProblem;
    /// The status line of the last hand-off to the client.
    QString handOffStatus;
};

/// The server list window. It is never seen: its state is the cycle state, and Show() runs the
/// whole update cycle before it returns. Closing only hides it.
class TFLServeur : public QObject {
    Q_OBJECT
  public:
    TFLServeur(CycleState& state, UiWaits& waits, CycleParts parts, CycleServices services,
               QObject* parent = nullptr);

    // --- the window's show and close ---
    /// Runs the update cycle and returns when it is over; does nothing while already shown.
    void Show();
    bool Visible() const { return m_visible; }
    /// Hides the window: writes the cycle settings and asks for the main window (Closed()).
    void Close();
    /// True while Show() runs the cycle (the visible list is then read-only).
    bool CycleRunning() const { return m_cycleRunning; }

    CycleState& State() { return m_state; }
    /// What the last (or the running) cycle did.
    const CycleReport& Report() const { return m_report; }

    // --- the window's buttons ---
    bool BtnLServerMetClick() { return ReadServerMet(); }          // "Lire server.met"
    WriteResult BtnEServerMetClick() { return WriteServerMet(); }  // "Ecrire Server.met"
    bool BtnStartSrvClick() { return StartPeerServer(); }          // "Relancer serveur Hublane"
    void BtnWebFetchClick() { WebFetchServers(); }                 // "Récupère à partir d'une URL"
    void BtnWebSendClick() { m_parts.web.SendServersToWeb(); }     // "Transmettre Serveur Web"
    void BtnAskPeerClick();                                        // "Demander des Serveurs à un autre HBL"
    void BtnLancerClick();                                         // "Lancer"
    void BtnSendToDonkeyClick() { m_parts.handOff.SendToDonkey(); }  // "Envoyer à eDonkey"

    // --- what the window shows besides the tables ---
    WindowStatus Status() const { return {m_peerServerProblem, m_parts.handOff.LastStatus()}; }
    /// The user changed a setting in the window's controls: it is stored at once, so that the
    /// next cycle, which reads the settings, works with it.
    void ControlsChanged();

  signals:
    /// FormClose: the main window shows itself again.
    void Closed();
    /// An error escaped a step of the cycle; the step was abandoned and the cycle went on.
    void StepFailed(const QString& caption, const QString& message);
    /// The cycle has ended; summary is the line the status label then shows.
    void CycleEnded(const QString& summary);

  private:
    // Runs single steps of the cycle on their own.
    friend class test::ServerListSteps;

    struct CycleStep;
    /// The update cycle, step by step, in the order it runs.
    static const std::vector<CycleStep>& CycleSteps();

    // --- the step actions ---
    /// Read into the tables; a file that is not read whole is kept as "<name>.bak" before the
    /// next write replaces it. An empty list never replaces a file.
    bool ReadServerMet();
    WriteResult WriteServerMet();
    bool ReadPeerList();
    WriteResult WritePeerList();
    /// Starts the peer server; a port it cannot bind (taken by another program or by another copy
    /// on this address) is said in the status line and kept for the cycle's summary, never in a
    /// box, so that an unattended cycle goes on. False then.
    bool StartPeerServer();
    /// The web fetch of servers: fetch started, bounded wait for its end.
    void WebFetchServers();
    /// The table clean-up; writes the server counter.
    void CleanUp();
    /// One campaign step of the cycle (after its caption): the mode, then the campaign as
    /// "Lancer" runs it; resetAfter zeroes the counters once more.
    void CampaignStep(ProbeKind kind, bool resetAfter);
    /// The cycle's last step: the hand-off, whose status line the cycle's summary repeats.
    void HandOffStep();
    /// The web fetch of peers: the peer list emptied, fetch started, bounded wait.
    void WebFetchPeers();

    void FormShow();
    void FormClose();
    void CloseTimerTimeout();
    void RunCycle();
    /// Waits, bounded, until the web part has finished a fetch since it counted doneBefore.
    void WaitForFetch(int doneBefore);
    QString ServerMetPath(bool forReading);
    AddressTest Blocked() const;
    /// Takes the rows the filter blocks out of a list just read; counts them in the report.
    template <typename List>
    void FilterRead(List& list);
    /// Writes a caption into the status label.
    void StepCaption(const QString& text);

    CycleState& m_state;
    UiWaits& m_waits;
    CycleParts m_parts;
    CycleServices m_services;
    CycleReport m_report;
    bool m_visible = false;
    bool m_cycleRunning = false;
    // Whether the last read took the file whole; until then a write keeps a backup first.
    bool m_serverMetReadWhole = false;
    bool m_peerListReadWhole = false;
    // The client's server.met as found for the running cycle: its folder is asked for at most
    // once a cycle, whether the user chose one or not.
    QString m_cycleServerMetPath;
    QString m_peerServerProblem;
    QTimer m_timer2;
};

}  // namespace hublane::serverlist
