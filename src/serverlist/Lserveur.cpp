// TFLServeur: the server list window's state and the update cycle, without a visible window.
#include "serverlist/Lserveur.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <exception>

#include "app/CycleSettings.h"
#include "app/Language.h"
#include "app/LanguageTable.h"
#include "platform/UserPrompts.h"
#include "probe/Campaigns.h"
#include "serverlist/ListFiles.h"

namespace hublane::serverlist {
namespace {

// Exit codes of the local event loop of a wait; any other code means the application quits.
constexpr int kWaitTimedOut = 1001;
constexpr int kWaitWoken = 1002;
constexpr int kWebFetchWaits = 20;
constexpr int kWebFetchWaitMs = 1000;
constexpr int kCloseDelayMs = 1000;

}  // namespace

TFLServeur::TFLServeur(LserveurDeps deps, QObject* parent)
    : QObject(parent), m_deps(std::move(deps)), m_campaigns(std::make_unique<probe::Campaigns>(*this)) {
    m_runner = m_campaigns.get();
    m_timer2.setInterval(kCloseDelayMs);
    m_timer2.setSingleShot(false);
    connect(&m_timer2, &QTimer::timeout, this, &TFLServeur::Timer2Timer);
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TFLServeur::SetTerminating);
}

TFLServeur::~TFLServeur() {
    m_terminating = true;
    m_campaigns->StopWorkers();
}

void TFLServeur::SetCampaignRunner(CampaignRunner* runner) {
    m_runner = runner ? runner : m_campaigns.get();
}

void TFLServeur::SetTerminating() {
    m_terminating = true;
    m_campaigns->StopWorkers();
    emit StateChanged();
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
    app::WriteCycleSettings(m_deps.settings, m_controls);
    emit Closed();
}

void TFLServeur::Timer2Timer() {
    m_timer2.stop();
    Close();
}

void TFLServeur::FormShow() {
    m_timer2.stop();
    app::ReadCycleSettings(m_deps.settings, m_controls);
    QCoreApplication::processEvents();
    ApplyLanguage();
    RunCycle();
    // The window always closes a second later, whatever happened inside the cycle, so that a
    // failed step never leaves a window that blocks every later cycle.
    m_gauge->SetPosition(0);
    m_gauge->SetVisible(false);
    emit StateChanged();
    m_timer2.start();
}

void TFLServeur::ApplyLanguage() {
    m_label9 = app::VersionLabelText();
}

void TFLServeur::StepCaption(const QString& text) {
    if (m_status) {
        m_status->SetCaption(text);
    }
    QCoreApplication::processEvents();
}

namespace {

// When a step of the cycle runs: always, or on the row counts at the moment it is reached.
enum class When { Always, AtMost5Servers, AtMost5Peers, Below50Peers, Below50Servers, NoServer };

struct CycleStep {
    const char* caption;  // nullptr: the step writes no caption
    When when;
    int block;  // steps sharing a non-zero block test their condition once, before the first
    std::function<void(TFLServeur&)> action;
};

bool Holds(When when, TFLServeur& w) {
    switch (when) {
        case When::Always:
            return true;
        case When::AtMost5Servers:
            return w.lvip().Count() <= 5;
        case When::AtMost5Peers:
            return w.lvHBL().Count() <= 5;
        case When::Below50Peers:
            return w.lvHBL().Count() < 50;
        case When::Below50Servers:
            return w.lvip().Count() < 50;
        case When::NoServer:
            return w.lvip().Count() < 1;
    }
    return false;
}

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

const std::vector<CycleStep>& CycleSteps() {
    static const std::vector<CycleStep> steps = {
        {"Lecture du Server.met", When::Always, 0, [](TFLServeur& w) { w.ReadServerMet(); }},
        {"Lecture du ServerHBL.met", When::Always, 0, [](TFLServeur& w) { w.ReadPeerList(); }},
        {nullptr, When::Always, 0, [](TFLServeur& w) { ClearAnsweredFlags(w.lvip(), w.lvHBL()); }},
        {"Lancement du Serveur Hublane", When::Always, 0, [](TFLServeur& w) { w.StartPeerServer(); }},
        {"Récupère à partir d'une URL", When::AtMost5Servers, 0, [](TFLServeur& w) { w.WebFetchServers(); }},
        {"Récupère les HBL à partir d'une URL", When::AtMost5Peers, 0,
         [](TFLServeur& w) { w.WebFetchPeers(); }},
        {"Ping des Serveurs", When::Always, 0,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::RechDesc, true); }},
        {"Ping des Hublane", When::Always, 0,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::PingHBL, true); }},
        {"Recherche de nouveaux Hublane", When::Below50Peers, 1,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::NewHBL2, false); }},
        {"Ping des nouveaux Hublane", When::Below50Peers, 1,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::PingHBL, true); }},
        {"Recherche de nouveaux serveurs par Hublane", When::Below50Servers, 2,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::NewHBL, false); }},
        {"Ping les nouveaux serveurs", When::Below50Servers, 2,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::RechDesc, false); }},
        {"Recherche de nouveaux serveurs", When::Below50Servers, 3,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::RechNew, false); }},
        {"Ping les nouveaux serveurs", When::Below50Servers, 3,
         [](TFLServeur& w) { w.CampaignStep(ProbeKind::RechDesc, false); }},
        {"Récupère à partir d'une URL", When::NoServer, 0, [](TFLServeur& w) { w.WebFetchServers(); }},
        // An empty list never replaces a file that holds entries: a cycle with the network down
        // would otherwise wipe the client's list.
        {"Ecriture de server.met", When::Always, 0, [](TFLServeur& w) { w.WriteServerMet(true); }},
        {"Ecriture de serverHBL.met", When::Always, 0, [](TFLServeur& w) { w.WritePeerList(true); }},
        {"Envoi des serveurs vers eDonkey", When::Always, 0, [](TFLServeur& w) { w.SendToDonkey(); }},
    };
    return steps;
}

}  // namespace

void TFLServeur::RunCycle() {
    int currentBlock = 0;
    bool blockHolds = true;
    for (const CycleStep& step : CycleSteps()) {
        // Once the application quits, the rest of the cycle is dropped: a half-run campaign
        // must not be written over the client's list.
        if (m_terminating) {
            return;
        }
        bool runs = false;
        if (step.block != 0) {
            if (step.block != currentBlock) {
                currentBlock = step.block;
                blockHolds = Holds(step.when, *this);
            }
            runs = blockHolds;
        } else {
            currentBlock = 0;
            runs = Holds(step.when, *this);
        }
        if (!runs) {
            continue;
        }
        const QString caption = step.caption ? Text(step.caption) : QString();
        if (step.caption) {
            StepCaption(caption);
        }
        // An error that escapes a step is reported and abandons that step only; the cycle goes
        // on with the next step and the window still closes at the end.
        try {
            step.action(*this);
        } catch (const std::exception& e) {
            const QString message = QString::fromLocal8Bit(e.what());
            emit StepFailed(caption, message);
            m_deps.prompts.ShowEscapedError(message);
        } catch (...) {
            const QString message = QStringLiteral("Erreur inconnue");
            emit StepFailed(caption, message);
            m_deps.prompts.ShowEscapedError(message);
        }
    }
}

void TFLServeur::UiWait(int ms, const std::function<bool()>& until) {
    ++m_waitCounter;
    if (m_terminating) {
        return;
    }
    if (until && until()) {
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, &loop, [&loop] { loop.exit(kWaitTimedOut); });
    QMetaObject::Connection wake;
    if (until) {
        wake = connect(this, &TFLServeur::StateChanged, &loop, [&loop, &until] {
            if (until()) {
                loop.exit(kWaitWoken);
            }
        });
    } else {
        wake = connect(this, &TFLServeur::StateChanged, &loop, [this, &loop] {
            if (m_terminating) {
                loop.exit(kWaitWoken);
            }
        });
    }
    timer.start(ms);
    const int code = loop.exec();
    disconnect(wake);
    if (code != kWaitTimedOut && code != kWaitWoken) {
        // The application's exit ends every local loop; the wait then ends at once.
        SetTerminating();
    }
}

void TFLServeur::SetFetchDone(bool done) {
    m_fetchDone = done;
    emit StateChanged();
}

void TFLServeur::RaiseServerCounter() {
    m_label8 = QString::number(m_label8.toInt() + 1);
}

bool TFLServeur::ReadServerMet() {
    const QString path = m_deps.serverMetPath ? m_deps.serverMetPath(true) : QStringLiteral("server.met");
    ReadContext ctx{*m_gauge, m_deps.language, m_errorLog};
    return serverlist::ReadServerMet(path, m_lvip, ctx, &m_label8);
}

void TFLServeur::WriteServerMet(bool keepFileWhenEmpty) {
    const QString path = m_deps.serverMetPath ? m_deps.serverMetPath(false) : QStringLiteral("server.met");
    serverlist::WriteServerMet(path, m_lvip, *m_gauge, keepFileWhenEmpty);
}

bool TFLServeur::ReadPeerList() {
    ReadContext ctx{*m_gauge, m_deps.language, m_errorLog};
    return serverlist::ReadPeerList(m_deps.peerListPath, m_lvHBL, ctx);
}

void TFLServeur::WritePeerList(bool keepFileWhenEmpty) {
    serverlist::WritePeerList(m_deps.peerListPath, m_lvHBL, *m_gauge, keepFileWhenEmpty);
}

void TFLServeur::StartPeerServer() {
    if (m_peerServer) {
        m_peerServer->StartPeerServer(*this);
    }
}

void TFLServeur::WebFetchServers() {
    m_fetchDone = false;
    if (m_web) {
        m_web->FetchServersFromWeb(*this);
        ResetWaitCounter();
        while (!m_fetchDone && m_waitCounter < kWebFetchWaits && !m_terminating) {
            UiWait(kWebFetchWaitMs, [this] { return m_fetchDone; });
        }
    }
    m_fetchDone = false;
    m_label8 = QString::number(m_lvip.Count());
}

void TFLServeur::WebFetchPeers() {
    m_fetchDone = false;
    m_lvHBL.Clear();
    if (m_web) {
        m_web->FetchPeersFromWeb(*this);
        ResetWaitCounter();
        while (!m_fetchDone && m_waitCounter < kWebFetchWaits && !m_terminating) {
            UiWait(kWebFetchWaitMs, [this] { return m_fetchDone; });
        }
    }
}

void TFLServeur::SendServersToWeb() {
    if (m_web) {
        m_web->SendServersToWeb(*this);
    }
}

void TFLServeur::SendToDonkey() {
    if (m_handOff) {
        m_handOff->SendToDonkey(*this);
    }
}

void TFLServeur::CleanUp() {
    m_label8 = QString::number(CleanUpTables(m_lvip, m_lvHBL, *m_gauge));
}

void TFLServeur::CampaignStep(ProbeKind kind, bool resetAfter) {
    m_runner->SetWorkerLimit(m_controls.nbThreads.Value());
    m_controls.checked = kind;
    m_label6 = QStringLiteral("0");
    m_gauge->SetPosition(0);
    CleanUp();
    m_runner->RunCampaign();
    CleanUp();
    if (resetAfter) {
        m_label6 = QStringLiteral("0");
        m_gauge->SetPosition(0);
    }
}

void TFLServeur::BtnLancerClick() {
    m_runner->SetWorkerLimit(m_controls.nbThreads.Value());
    m_label6 = QStringLiteral("0");
    m_gauge->SetPosition(0);
    CleanUp();
    m_runner->RunCampaign();
    CleanUp();
}

void TFLServeur::RunCampaign() {
    m_runner->RunCampaign();
}

}  // namespace hublane::serverlist
