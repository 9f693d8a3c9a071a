// Stand-ins for the parts of the update cycle, for tests of the cycle and of the main window.
#pragma once

#include <QStringList>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "serverlist/Lserveur.h"

namespace hublane::test {

using serverlist::CampaignRunner;
using serverlist::PeerServerPart;
using serverlist::ProbeKind;
using serverlist::StatusLabel;
using serverlist::TFLServeur;
using serverlist::WebDirectoryPart;

class RecordingStatus : public StatusLabel {
  public:
    void SetCaption(const QString& text) override { captions << text; }
    QStringList captions;
};

// Stands in for the campaigns: records the mode of each campaign and can change the tables.
class RecordingRunner : public CampaignRunner {
  public:
    explicit RecordingRunner(TFLServeur& w) : m_w(w) {}
    void SetWorkerLimit(int limit) override { limits.push_back(limit); }
    void RunCampaign() override {
        kinds.push_back(m_w.Controls().checked);
        if (onRun) {
            onRun(m_w.Controls().checked);
        }
    }
    std::vector<ProbeKind> kinds;
    std::vector<int> limits;
    std::function<void(ProbeKind)> onRun;

  private:
    TFLServeur& m_w;
};

// Fills the tables at the peer server step, where the cycle has read both files.
class FillingPeerServer : public PeerServerPart {
  public:
    void StartPeerServer(TFLServeur& w) override {
        ++starts;
        if (fail) {
            throw std::runtime_error("port 3077 in use");
        }
        for (int i = 0; i < servers; ++i)
            w.lvip().AddServerRow("80.0.0." + std::to_string(i), "4661");
        for (int i = 0; i < peers; ++i)
            w.lvHBL().AddPeerRow("81.0.0." + std::to_string(i));
    }
    int servers = 0;
    int peers = 0;
    bool fail = false;
    int starts = 0;
};

class FakeWeb : public WebDirectoryPart {
  public:
    void FetchServersFromWeb(TFLServeur& w) override {
        ++serverFetches;
        if (answer)
            w.SetFetchDone(true);
    }
    void FetchPeersFromWeb(TFLServeur& w) override {
        ++peerFetches;
        if (answer)
            w.SetFetchDone(true);
    }
    void SendServersToWeb(TFLServeur&) override {}
    int serverFetches = 0;
    int peerFetches = 0;
    bool answer = true;
};

}  // namespace hublane::test
