// Stand-ins for the parts of the update cycle, and a rig that builds the cycle on them: for tests
// of the cycle's steps and of the main window.
#pragma once

#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "clients/ServerMetCodec.h"
#include "language/LanguageTable.h"
#include "platform/Clock.h"
#include "platform/MemorySettingsStore.h"
#include "serverlist/CycleParts.h"
#include "serverlist/CycleState.h"
#include "serverlist/TFLServeur.h"
#include "serverlist/UiWaits.h"
#include "support/Fakes.h"

namespace hublane::test {

/// The eDonkey2000 dialect of server.met, which keeps nothing between a read and a write.
inline serverlist::ServerListDialect& DonkeyDialect() {
    static serverlist::StatelessDialect dialect(clients::kServerMetCodec);
    return dialect;
}

using serverlist::CampaignRunner;
using serverlist::CycleState;
using serverlist::PeerServerPart;
using serverlist::ProbeKind;
using serverlist::PublishedListLoad;
using serverlist::TFLServeur;
using serverlist::WebDirectoryPart;

// Stands in for the campaigns: records the mode of each campaign and can change the tables.
class RecordingRunner : public CampaignRunner {
  public:
    explicit RecordingRunner(CycleState& s) : m_s(s) {}
    void SetWorkerLimit(int limit) override { limits.push_back(limit); }
    void RunCampaign() override {
        kinds.push_back(m_s.Controls().checked);
        if (onRun) {
            onRun(m_s.Controls().checked);
        }
    }
    std::vector<ProbeKind> kinds;
    std::vector<int> limits;
    std::function<void(ProbeKind)> onRun;

  private:
    CycleState& m_s;
};

// Fills the tables at the peer server step, where the cycle has read both files.
class FillingPeerServer : public PeerServerPart {
  public:
    explicit FillingPeerServer(CycleState& s) : m_s(s) {}
    void StartPeerServer() override {
        ++starts;
        if (fail) {
            throw std::runtime_error("port 3077 in use");
        }
        for (int i = 0; i < servers; ++i)
            m_s.Servers().AddServerRow("80.0.0." + std::to_string(i), "4661");
        for (int i = 0; i < peers; ++i)
            m_s.Peers().AddPeerRow("81.0.0." + std::to_string(i));
    }
    void AskPeerForServers(const QString& host) override { asked << host; }
    int servers = 0;
    int peers = 0;
    bool fail = false;
    int starts = 0;
    QStringList asked;

  private:
    CycleState& m_s;
};

class FakeWeb : public WebDirectoryPart {
  public:
    explicit FakeWeb(CycleState& s) : m_s(s) {}
    void FetchServersFromWeb() override {
        ++serverFetches;
        const std::size_t at = static_cast<std::size_t>(serverFetches) - 1;
        m_loads = at < publishedLoads.size() ? publishedLoads[at] : std::vector<PublishedListLoad>{};
        if (answer) {
            FetchEnded();
        }
    }
    void FetchPeersFromWeb() override {
        ++peerFetches;
        for (const std::string& peer : peersOnPage)
            m_s.Peers().Append(peer);
        if (answer) {
            FetchEnded();
        }
    }
    void SendServersToWeb() override { ++sends; }
    void AnnounceToWeb() override { ++announces; }
    const std::vector<PublishedListLoad>& PublishedLoads() const override { return m_loads; }
    int serverFetches = 0;
    int peerFetches = 0;
    int sends = 0;
    int announces = 0;
    bool answer = true;
    std::vector<std::string> peersOnPage;  ///< the copies listeHBL.php lists
    /// How the published lists of each fetch of servers go, fetch after fetch.
    std::vector<std::vector<PublishedListLoad>> publishedLoads;

  private:
    CycleState& m_s;
    std::vector<PublishedListLoad> m_loads;
};

/// The update cycle on stand-in parts, its files in a folder of its own. The gauge and the
/// caption are a window's when given (the main window's), else plain ones.
class CycleRig {
  public:
    explicit CycleRig(serverlist::WorkGauge* gauge = nullptr, serverlist::StatusCaption* caption = nullptr,
                      const platform::Clock* clock = nullptr)
        : state(gauge ? *gauge : m_gauge, caption ? *caption : status),
          waits(clock ? *clock : m_clock),
          runner(state),
          peerServer(state),
          web(state),
          window(
              state, waits, serverlist::CycleParts{runner, peerServer, web, handOff},
              serverlist::CycleServices{settings, language, prompts, [this](bool) { return ServerMetPath(); },
                                        DonkeyDialect(), PeerListPath()}) {
        language.Reset();
        for (int i = 1; i <= 15; ++i)
            language.Append(QStringLiteral("texte %1").arg(i));
    }

    QString ServerMetPath() const { return dir.filePath(QStringLiteral("server.met")); }
    QString PeerListPath() const { return dir.filePath(QStringLiteral("serverHBL.met")); }

    QTemporaryDir dir;
    platform::MemorySettingsStore settings;
    language::LanguageTable language;
    FakePrompts prompts;
    RecordingStatus status;

  private:
    serverlist::PlainGauge m_gauge;
    platform::SystemClock m_clock;

  public:
    CycleState state;
    serverlist::UiWaits waits;
    RecordingRunner runner;
    FillingPeerServer peerServer;
    FakeWeb web;
    serverlist::NoHandOff handOff;
    TFLServeur window;
};

}  // namespace hublane::test
