// TScanFiles: the probe worker, a thread that sends one request to one server or peer, applies
// the answer to the tables and hands its slot back.
#include "probe/TScanFiles.h"

#include "platform/Clock.h"
#include "probe/Campaigns.h"
#include "probe/Ed2kMessages.h"
#include "probe/Merge.h"
#include "probe/UdpExchange.h"
#include "probe/WorkerLink.h"
#include "serverlist/CycleState.h"
#include "serverlist/UiWaits.h"

namespace hublane::probe {
namespace {

constexpr int kStepMs = 100;
constexpr int kLingerWaitMs = 200;
constexpr int kIdleWaitMs = 500;
constexpr int kGraceMs = 1000;

QByteArray ToBytes(const std::string& s) {
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string_view View(const QByteArray& b) {
    return {b.constData(), static_cast<std::size_t>(b.size())};
}

}  // namespace

TScanFiles::TScanFiles(int slot, unsigned generation, std::shared_ptr<WorkerLink> link, Campaigns& campaigns)
    : m_slot(slot), m_generation(generation), m_link(std::move(link)), m_campaigns(campaigns) {}

TScanFiles::~TScanFiles() {
    requestInterruption();
    wait();
}

std::int64_t TScanFiles::Now() const {
    return m_campaigns.Waits().Clock().NowMs();
}

void TScanFiles::WorkerWait(int ms) {
    const std::int64_t deadline = Now() + ms;
    do {
        QThread::msleep(static_cast<unsigned long>(m_campaigns.Waits().Clock().RealMs(kStepMs)));
        if (StopRequested()) {
            return;
        }
        if (Now() > m_startTick + TimeoutMs + kGraceMs) {
            Finish();
            return;
        }
    } while (Now() < deadline);
}

void TScanFiles::run() {
    m_startTick = Now();
    if (!StopRequested()) {
        switch (Mode) {
            case ProbeMode::ModeServerList:
                ProbeServerList();
                break;
            case ProbeMode::ModeDescription:
                ProbeDescription();
                break;
            case ProbeMode::ModePeerPing:
                ProbePeerPing();
                break;
            case ProbeMode::ModePeerServers:
                ProbePeerServers();
                break;
            case ProbeMode::ModePeerPeers:
                ProbePeerPeers();
                break;
            case ProbeMode::ModeNone:
                Finish();
                break;
        }
    }
    while (!StopRequested() && !Finished()) {
        WorkerWait(kIdleWaitMs);
    }
    // The hand-back: exactly once, unless the program quits first.
    const int slot = m_slot;
    const unsigned generation = m_generation;
    Campaigns* campaigns = &m_campaigns;
    m_link->Synchronize([campaigns, slot, generation] { campaigns->WorkerFinished(slot, generation); },
                        [this] { return isInterruptionRequested(); });
}

QByteArray TScanFiles::Exchange(const QByteArray& request, bool expectAnswer) {
    bool ok = false;
    const quint16 port = static_cast<quint16>(Port.toUInt(&ok));
    if (!ok) {
        return {};
    }
    UdpExchange socket;
    if (!socket.Open(Host, port, m_campaigns.Address().bind) || !socket.Send(request) || !expectAnswer) {
        return {};
    }
    return socket.Receive(m_campaigns.Waits().Clock().RealMs(kReceiveWaitMs),
                          [this] { return isInterruptionRequested(); });
}

void TScanFiles::MergeServers(int count) {
    Campaigns* campaigns = &m_campaigns;
    const serverlist::EntryTable* entries = &m_entries;
    m_link->Synchronize(
        [campaigns, entries, count] {
            campaigns->State().serverCounter +=
                MergeServerEntries(campaigns->State().Servers(), *entries, count, campaigns->Blocked());
        },
        [this] { return isInterruptionRequested(); });
}

void TScanFiles::ProbeServerList() {
    const QByteArray answer = Exchange(ToBytes(ServerListRequest()), true);
    if (IsServerListAnswer(View(answer))) {
        MergeServers(ParseServerList(View(answer), m_entries));
    }
    // The worker keeps its slot until the probe's time is over, answer or not.
    while (!Finished() && !StopRequested()) {
        WorkerWait(kLingerWaitMs);
    }
    Finish();
}

void TScanFiles::ProbeDescription() {
    const QByteArray answer = Exchange(ToBytes(DescriptionRequest()), true);
    if (IsDescriptionAnswer(View(answer))) {
        const Description d = ParseDescription(View(answer));
        serverlist::CycleState* state = &m_campaigns.State();
        const std::string host = Host.toStdString();
        m_link->Synchronize(
            [state, host, d] { ApplyDescription(state->Servers(), host, d.name, d.description); },
            [this] { return isInterruptionRequested(); });
    }
    Finish();
}

void TScanFiles::ProbePeerPing() {
    Exchange(ToBytes(PeerRequest(PeerKind::Ping)), false);
    Finish();
}

void TScanFiles::ProbePeerServers() {
    const QByteArray answer = Exchange(ToBytes(PeerRequest(PeerKind::GetServers)), true);
    if (IsPeerMessage(View(answer), PeerKind::Servers)) {
        MergeServers(ParseServerList(View(answer), m_entries));
    }
    Finish();
}

void TScanFiles::ProbePeerPeers() {
    const QByteArray answer = Exchange(ToBytes(PeerRequest(PeerKind::GetPeers)), true);
    if (IsPeerMessage(View(answer), PeerKind::Peers)) {
        const int count = ParseServerList(View(answer), m_entries);
        Campaigns* campaigns = &m_campaigns;
        const serverlist::EntryTable* entries = &m_entries;
        m_link->Synchronize(
            [campaigns, entries, count] {
                MergePeerEntries(campaigns->State().Peers(), *entries, count, campaigns->Blocked());
            },
            [this] { return isInterruptionRequested(); });
    }
    Finish();
}

}  // namespace hublane::probe
