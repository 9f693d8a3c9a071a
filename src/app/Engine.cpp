// The composition root of one copy of the program.
#include "app/Engine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QNetworkAccessManager>

#include "app/IpFilterSource.h"
#include "app/VersionCheck.h"

#include "clients/ClientChoice.h"
#include "clients/HandOff.h"
#include "clients/HandOffRunner.h"
#include "clients/ServerMetAddressList.h"
#include "exchange/PeerServer.h"
#include "exchange/WebDirectory.h"
#include "platform/UserPrompts.h"
#include "probe/Campaigns.h"
#include "serverlist/AddressFilter.h"
#include "serverlist/CycleParts.h"
#include "serverlist/CycleState.h"
#include "serverlist/TFLServeur.h"
#include "serverlist/UiWaits.h"

namespace hublane::app {
namespace {

// The server list window is never seen: the hourglass it would show while it reads server.met
// has nowhere to appear.
class InvisibleOwner final : public platform::BusyOwner {
  public:
    void SetBusyCursor(bool /*busy*/) override {}
};

}  // namespace

// Members in the order they are built; each may use those above it.
struct Engine::Parts {
    Parts(EngineDeps d, EngineOptions o)
        : deps(d),
          options(std::move(o)),
          client(clients::CreateClient(
              clients::ChooseClientKind(options.client, deps.settings, deps.classes, GivenFolder()),
              clients::PartInfoDeps{deps.settings, deps.prompts, deps.classes, deps.language},
              QCoreApplication::applicationDirPath(), options.clientDir)),
          state(deps.gauge, deps.caption),
          waits(deps.clock),
          filterSource(deps.settings, filter, network, waits, options.ipFilterPath,
                       options.ipFilterDownloadPath.isEmpty() ? IpFilterSource::DefaultDownloadPath()
                                                              : options.ipFilterDownloadPath,
                       [this] { return client->KnownFolder(); }),
          campaigns(state, waits, options.address, filter.Test()),
          web(state, waits, network, filter.Test(), QString(), options.pageLimitMs),
          peerServer(state, waits, web, options.address, filter.Test()),
          versionCheck(network, deps.clock,
                       QUrl(options.versionUrl.isEmpty() ? QString::fromLatin1(kDefaultVersionUrl)
                                                         : options.versionUrl)),
          handOffRunner(options.handOffRunner ? options.handOffRunner : client->CreateHandOffRunner(waits)),
          handOff(state, *handOffRunner, filter.Test(), client->HandOffStatus()),
          clientHandOff(options.handOff ? client->CreateHandOffPart(state, waits, filter.Test()) : nullptr),
          serverList(state, waits, serverlist::CycleParts{campaigns, peerServer, web, CycleHandOff()},
                     serverlist::CycleServices{
                         deps.settings, deps.language, deps.prompts, ServerMetPathFunction(),
                         client->ServerList(), options.peerListPath, OwnAddress(), &filter,
                         [this] { filterSource.Refresh(); }, [this] { return client->RunningNotice(); }}),
          publishedLists([this] { return ListFolder(); }, deps.language) {
        // The command line's directory stands in the web directory box, which the web operations
        // always use: what the box shows is what they reach.
        if (!options.webUrl.isEmpty()) {
            state.Controls().webFromCommandLine = options.webUrl;
            state.Controls().serverWeb = options.webUrl;
        }
        web.SetPublishedLists(&publishedLists);
        // The list is loaded at once, so the peer server keeps blocked senders out from its start.
        filterSource.Refresh();
    }

    std::string OwnAddress() const {
        return options.address.HasOwnAddress() ? options.address.bind.toString().toStdString()
                                               : std::string();
    }

    // The folder given for the client's list, on its own or as the folder of its file.
    QString GivenFolder() const {
        if (!options.clientDir.isEmpty() || options.serverMetPath.isEmpty()) {
            return options.clientDir;
        }
        return QFileInfo(options.serverMetPath).absolutePath();
    }

    // The folder the client's server.met is in, as given or known, never asked for: a fetch must
    // not bring up the folder dialog that a read already showed.
    QString ListFolder() {
        if (!options.serverMetPath.isEmpty()) {
            return QFileInfo(options.serverMetPath).absolutePath();
        }
        return client->KnownFolder();
    }

    // The client's own hand-off part when it has one, else the runner's typing.
    serverlist::HandOffPart& CycleHandOff() {
        if (!options.handOff) {
            return noHandOff;
        }
        return clientHandOff ? *clientHandOff : static_cast<serverlist::HandOffPart&>(handOff);
    }

    std::function<QString(bool)> ServerMetPathFunction() {
        if (!options.serverMetPath.isEmpty()) {
            return [path = options.serverMetPath](bool) { return path; };
        }
        return [this](bool forReading) {
            return client->ServerMetPath(forReading ? static_cast<platform::BusyOwner&>(readerOwner)
                                                    : deps.writerOwner);
        };
    }

    EngineDeps deps;
    EngineOptions options;
    InvisibleOwner readerOwner;
    // The client this copy serves, chosen once for the engine's life.
    std::unique_ptr<clients::Client> client;
    QNetworkAccessManager network;
    serverlist::CycleState state;
    serverlist::UiWaits waits;
    serverlist::AddressFilter filter;
    IpFilterSource filterSource;
    probe::Campaigns campaigns;
    exchange::WebDirectory web;
    exchange::PeerServer peerServer;
    app::VersionCheck versionCheck;
    std::shared_ptr<clients::HandOffRunner> handOffRunner;
    clients::HandOff handOff;
    std::unique_ptr<serverlist::HandOffPart> clientHandOff;
    serverlist::NoHandOff noHandOff;
    serverlist::TFLServeur serverList;
    // The published server.met files listed beside the client's list (addresses.dat).
    clients::ServerMetAddressList publishedLists;
};

Engine::Engine(EngineDeps deps, EngineOptions options)
    : m_parts(std::make_unique<Parts>(deps, std::move(options))) {}

Engine::~Engine() {
    // Workers first: they hand back into the state and the waits.
    m_parts->waits.SetTerminating();
    m_parts->campaigns.StopWorkers();
}

serverlist::CycleState& Engine::State() {
    return m_parts->state;
}

serverlist::UiWaits& Engine::Waits() {
    return m_parts->waits;
}

probe::Campaigns& Engine::Campaigns() {
    return m_parts->campaigns;
}

serverlist::TFLServeur& Engine::ServerList() {
    return m_parts->serverList;
}

exchange::PeerServer& Engine::PeerServer() {
    return m_parts->peerServer;
}

exchange::WebDirectory& Engine::WebDirectory() {
    return m_parts->web;
}

VersionCheck& Engine::Version() {
    return m_parts->versionCheck;
}

clients::HandOff& Engine::HandOff() {
    return m_parts->handOff;
}

clients::Client& Engine::Client() {
    return *m_parts->client;
}

const EngineOptions& Engine::Options() const {
    return m_parts->options;
}

}  // namespace hublane::app
