// TFLServeur, the server list window without a window: the update cycle's step
// table, the window's show and close, and its buttons.
#include "serverlist/TFLServeur.h"

#include <algorithm>

#include <QCoreApplication>
#include <QFileInfo>
#include <exception>
#include <vector>

#include "platform/Clock.h"
#include "platform/UserPrompts.h"
#include "serverlist/CycleSettings.h"
#include "serverlist/ListFiles.h"
#include "serverlist/UiWaits.h"

namespace hublane::serverlist {
namespace {

constexpr int kWebFetchWaits = 20;
constexpr int kWebFetchWaitMs = 1000;
constexpr int kCloseDelayMs = 1000;

// When a step of the cycle runs: always, or on the row counts at the moment it is reached.
enum class When { Always, AtMost5Servers, AtMost5Peers, Below50Peers, Below50Servers, NoServer };

bool Holds(When when, const CycleState& s) {
    switch (when) {
        case When::Always:
            return true;
        case When::AtMost5Servers:
            return s.Servers().Count() <= 5;
        case When::AtMost5Peers:
            return s.Peers().Count() <= 5;
        case When::Below50Peers:
            return s.Peers().Count() < 50;
        case When::Below50Servers:
            return s.Servers().Count() < 50;
        case When::NoServer:
            return s.Servers().Count() < 1;
    }
    return false;
}

}  // namespace

struct TFLServeur::CycleStep {
    const char* caption;  // nullptr: the step writes no caption
    When when;
    int block;  // steps sharing a non-zero block test their condition once, before the first
    void (*action)(TFLServeur&);
};

const std::vector<TFLServeur::CycleStep>& TFLServeur::CycleSteps() {
    static const std::vector<CycleStep> steps = {
        {"Lecture du Server.met", When::Always, 0, [](TFLServeur& w) { w.ReadServerMet(); }},
        {"Lecture du ServerHBL.met", When::Always, 0, [](TFLServeur& w) { w.ReadPeerList(); }},
        {nullptr, When::Always, 0,
         [](TFLServeur& w) { ClearAnsweredFlags(w.State().Servers(), w.State().Peers()); }},
        {"Lancement du Serveur Hublane", When::Always, 0, [](TFLServeur& w) { w.StartPeerServer(); }},
        {"Récupère à partir d'une URL", When::AtMost5Servers, 0, [](TFLServeur& w) { w.WebFetchServers(); }},
        {"Récupère les HBL à partir d'une URL", When::AtMost5Peers, 0,
         [](TFLServeur& w) { w.WebFetchPeers(); }},
        {"Ping des Serveurs", When::Always, 0,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::RechDesc, true); }},
        {"Ping des Hublane", When::Always, 0,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::PingHBL, true); }},
        {"Recherche de nouveaux Hublane", When::Below50Peers, 1,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::AskCopiesForCopies, false); }},
        {"Ping des nouveaux Hublane", When::Below50Peers, 1,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::PingHBL, true); }},
        {"Recherche de nouveaux serveurs par Hublane", When::Below50Servers, 2,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::AskCopiesForServers, false); }},
        {"Ping les nouveaux serveurs", When::Below50Servers, 2,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::RechDesc, false); }},
        {"Recherche de nouveaux serveurs", When::Below50Servers, 3,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::RechNew, false); }},
        {"Ping les nouveaux serveurs", When::Below50Servers, 3,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::RechDesc, false); }},
        {"Récupère à partir d'une URL", When::NoServer, 0, [](TFLServeur& w) { w.WebFetchServers(); }},
        // An empty list never replaces a file that holds entries: a cycle with the network down
        // would otherwise wipe the client's list.
        {"Ecriture de server.met", When::Always, 0, [](TFLServeur& w) { w.WriteServerMet(); }},
        {"Ecriture de serverHBL.met", When::Always, 0, [](TFLServeur& w) { w.WritePeerList(); }},
        {"Envoi des serveurs vers eDonkey", When::Always, 0, [](TFLServeur& w) { w.HandOffStep(); }},
    };
    return steps;
}

TFLServeur::TFLServeur(CycleState& state, UiWaits& waits, CycleParts parts, CycleServices services,
                       QObject* parent)
    : QObject(parent), m_state(state), m_waits(waits), m_parts(parts), m_services(std::move(services)) {
    m_timer2.setInterval(waits.Clock().RealMs(kCloseDelayMs));
    m_timer2.setSingleShot(false);
    connect(&m_timer2, &QTimer::timeout, this, &TFLServeur::CloseTimerTimeout);
}

void TFLServeur::Show() {
    if (m_visible) {
        return;
    }
    m_visible = true;
    FormShow();
}

void TFLServeur::Close() {
    if (!m_visible) {
        return;
    }
    m_visible = false;
    FormClose();
}

void TFLServeur::FormClose() {
    WriteCycleSettings(m_services.settings, m_state.Controls());
    emit Closed();
}

void TFLServeur::CloseTimerTimeout() {
    m_timer2.stop();
    Close();
}

void TFLServeur::FormShow() {
    m_timer2.stop();
    ReadCycleSettings(m_services.settings, m_state.Controls());
    if (m_services.refreshFilter) {
        m_services.refreshFilter();
    }
    QCoreApplication::processEvents();
    m_cycleRunning = true;
    m_cycleServerMetPath.clear();
    m_report.Begin();
    m_state.silentServers.clear();
    RunCycle();
    m_cycleRunning = false;
    m_cycleServerMetPath.clear();
    // The window always closes a second later, whatever happened inside the cycle, so that a
    // failed step never leaves a window that blocks every later cycle.
    m_state.Gauge().SetPosition(0);
    m_state.Gauge().SetVisible(false);
    // The status label says what the cycle did rather than keep the caption of its last step
    // (unless the program is quitting, and the cycle did not end).
    if (!m_waits.Terminating()) {
        // The write never waits for a running client; the summary says when one will replace
        // the list, asked once the hand-off has been made, whose outcome may answer it.
        if (m_services.runningNotice && m_report.ServerMet().writeTried) {
            m_report.ClientRunning(m_services.runningNotice());
        }
        const QString summary = m_report.Summary(m_state.Servers(), m_state.Peers());
        m_state.Caption().SetCaption(summary);
        emit CycleEnded(summary);
    }
    m_waits.NotifyStateChanged();
    m_timer2.start();
}

void TFLServeur::StepCaption(const QString& text) {
    m_state.Caption().SetCaption(text);
    QCoreApplication::processEvents();
}

void TFLServeur::RunCycle() {
    int currentBlock = 0;
    bool blockHolds = true;
    for (const CycleStep& step : CycleSteps()) {
        // Once the application quits, the rest of the cycle is dropped: a half-run campaign
        // must not be written over the client's list.
        if (m_waits.Terminating()) {
            return;
        }
        bool runs = false;
        if (step.block != 0) {
            if (step.block != currentBlock) {
                currentBlock = step.block;
                blockHolds = Holds(step.when, m_state);
            }
            runs = blockHolds;
        } else {
            currentBlock = 0;
            runs = Holds(step.when, m_state);
        }
        if (!runs) {
            continue;
        }
        const QString caption = step.caption ? QString::fromUtf8(step.caption) : QString();
        if (step.caption) {
            StepCaption(caption);
        }
        // An error that escapes a step is reported and abandons that step only; the cycle goes
        // on with the next step and the window still closes at the end.
        QString failure;
        try {
            step.action(*this);
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(e.what());
        } catch (...) {
            failure = QStringLiteral("Erreur inconnue");
        }
        if (!failure.isNull()) {
            emit StepFailed(caption, failure);
            m_services.prompts.ShowEscapedError(failure);
        }
    }
}

AddressTest TFLServeur::Blocked() const {
    if (m_services.filter == nullptr || !m_services.filter->Active()) {
        return {};
    }
    return m_services.filter->Test();
}

template <typename List>
void TFLServeur::FilterRead(List& list) {
    if (const AddressTest blocked = Blocked()) {
        m_report.Filtered(
            static_cast<int>(list.RemoveIf([&blocked](const auto& row) { return blocked(row.caption); })));
    }
}

QString TFLServeur::ServerMetPath(bool forReading) {
    if (m_cycleRunning && !m_cycleServerMetPath.isEmpty()) {
        return m_cycleServerMetPath;
    }
    const QString path =
        m_services.serverMetPath ? m_services.serverMetPath(forReading) : QStringLiteral("server.met");
    if (m_cycleRunning) {
        m_cycleServerMetPath = path;
    }
    return path;
}

bool TFLServeur::StartPeerServer() {
    try {
        m_parts.peerServer.StartPeerServer();
        m_peerServerProblem.clear();
        return true;
    } catch (const std::exception& e) {
        m_peerServerProblem = QString::fromUtf8(e.what());
    }
    m_state.Caption().SetCaption(m_peerServerProblem);
    m_report.PeerServerFailed(m_peerServerProblem);
    return false;
}

void TFLServeur::ControlsChanged() {
    if (!m_cycleRunning) {
        WriteCycleSettings(m_services.settings, m_state.Controls());
    }
}

bool TFLServeur::ReadServerMet() {
    const QString path = ServerMetPath(true);
    ReadContext ctx{m_state.Gauge(), m_services.language, m_state.errorLog};
    const ReadOutcome outcome = serverlist::ReadServerMet(path, m_state.Servers(), ctx,
                                                          &m_state.serverCounter, m_services.serverList);
    m_serverMetReadWhole = outcome.whole;
    m_report.ServerMetRead(outcome, QFileInfo::exists(path), m_state.Servers());
    m_report.Carried(m_services.serverList.CarriedCount());
    return outcome.whole;
}

WriteResult TFLServeur::WriteServerMet() {
    // An empty list never replaces the client's list: a cycle with the network down, or a click
    // before anything was read, would otherwise wipe it.
    const WriteResult result = serverlist::WriteServerMet(
        ServerMetPath(false), m_state.Servers(), m_state.Gauge(),
        WriteOptions{.keepFileWhenEmpty = true, .backUpOld = !m_serverMetReadWhole}, m_services.serverList);
    if (result.Written()) {
        m_serverMetReadWhole = true;  // the file now holds what the table holds
    }
    m_report.ServerMetWritten(result);
    return result;
}

bool TFLServeur::ReadPeerList() {
    ReadContext ctx{m_state.Gauge(), m_services.language, m_state.errorLog};
    const ReadOutcome outcome = serverlist::ReadPeerList(m_services.peerListPath, m_state.Peers(), ctx);
    FilterRead(m_state.Peers());
    m_peerListReadWhole = outcome.whole;
    m_report.PeerListRead(outcome, QFileInfo::exists(m_services.peerListPath));
    return outcome.whole;
}

WriteResult TFLServeur::WritePeerList() {
    const WriteResult result =
        serverlist::WritePeerList(m_services.peerListPath, m_state.Peers(), m_state.Gauge(),
                                  WriteOptions{.keepFileWhenEmpty = true, .backUpOld = !m_peerListReadWhole});
    if (result.Written()) {
        m_peerListReadWhole = true;
    }
    m_report.PeerListWritten(result);
    return result;
}

void TFLServeur::WaitForFetch(int doneBefore) {
    const auto ended = [this, doneBefore] { return m_parts.web.FetchesDone() != doneBefore; };
    m_waits.ResetWaitCounter();
    while (!ended() && m_waits.WaitCounter() < kWebFetchWaits && !m_waits.Terminating()) {
        m_waits.UiWait(kWebFetchWaitMs, ended);
    }
}

void TFLServeur::WebFetchServers() {
    const int doneBefore = m_parts.web.FetchesDone();
    m_parts.web.FetchServersFromWeb();
    WaitForFetch(doneBefore);
    m_report.PublishedListsLoaded(m_parts.web.PublishedLoads());
    m_state.CountServers();
}

void TFLServeur::WebFetchPeers() {
    const int doneBefore = m_parts.web.FetchesDone();
    // The fetch replaces the peer list; when it brings no copy the next clean-up would keep (no
    // directory, a directory that does not answer, a page without peers, a page that lists only
    // this copy itself or local addresses), the peers the file held are kept rather than lost.
    const std::vector<PeerRow> known = m_state.Peers().Rows();
    m_state.Peers().Clear();
    m_parts.web.FetchPeersFromWeb();
    WaitForFetch(doneBefore);
    const std::vector<PeerRow>& fetched = m_state.Peers().Rows();
    const bool usable = std::any_of(fetched.begin(), fetched.end(), [this](const PeerRow& row) {
        return !IsUnwantedAddress(row.caption) && row.caption != m_services.ownAddress;
    });
    if (!usable) {
        m_state.Peers().Clear();
        for (const PeerRow& row : known) {
            if (m_state.Peers().AddPeerRow(row.caption)) {
                m_state.Peers().Row(m_state.Peers().Count() - 1).answered = row.answered;
            }
        }
    }
}

void TFLServeur::BtnAskPeerClick() {
    m_parts.peerServer.AskPeerForServers(m_state.Controls().hblServer);
}

void TFLServeur::CleanUp() {
    int filtered = 0;
    m_state.serverCounter = static_cast<int>(CleanUpTables(
        m_state.Servers(), m_state.Peers(), m_state.Gauge(), m_services.ownAddress, Blocked(), &filtered));
    m_report.Filtered(filtered);
}

void TFLServeur::CampaignStep(ProbeKind kind, bool resetAfter) {
    m_state.Controls().checked = kind;
    BtnLancerClick();
    if (resetAfter) {
        m_state.probedCounter = 0;
        m_state.Gauge().SetPosition(0);
    }
}

void TFLServeur::HandOffStep() {
    m_state.removedThisCycle = m_report.Removed(m_state.Servers());
    BtnSendToDonkeyClick();
    m_state.removedThisCycle = 0;
    m_report.HandedOff(m_parts.handOff.LastStatus());
}

void TFLServeur::BtnLancerClick() {
    m_parts.campaigns.SetWorkerLimit(m_state.Controls().nbThreads.Value());
    m_state.probedCounter = 0;
    m_state.Gauge().SetPosition(0);
    CleanUp();
    m_parts.campaigns.RunCampaign();
    CleanUp();
}

}  // namespace hublane::serverlist
