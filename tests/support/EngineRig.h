// A whole engine as the program builds it, on memory settings, recording prompts and its files in
// a folder of its own: for tests across the real parts (campaigns, cycle, peers, web).
#pragma once

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <memory>

#include "app/Engine.h"
#include "exchange/PeerServer.h"
#include "language/LanguageTable.h"
#include "platform/Clock.h"
#include "platform/MemorySettingsStore.h"
#include "probe/Campaigns.h"
#include "serverlist/CycleState.h"
#include "serverlist/TFLServeur.h"
#include "serverlist/UiWaits.h"
#include "support/Fakes.h"
#include "support/RecordingHandOffRunner.h"

namespace hublane::test {

class EngineRig {
  public:
    /// options.serverMetPath and peerListPath default to files in the rig's folder (and so does
    /// clientDir when options.client names a client), webUrl to a
    /// loopback port where nothing listens; the hand-off types into no window unless the options
    /// bring a runner (handOff records what it got).
    explicit EngineRig(app::EngineOptions options = {}, const platform::Clock* clock = nullptr) {
        language.Reset();
        for (int i = 1; i <= 15; ++i)
            language.Append(QStringLiteral("texte %1").arg(i));
        if (options.serverMetPath.isEmpty()) {
            options.serverMetPath = ServerMetPath();
        }
        // A client named by the test lives in the rig's folder, not in the user's.
        if (options.client && options.clientDir.isEmpty()) {
            options.clientDir = dir.path();
        }
        if (options.peerListPath == QLatin1String("serverHBL.met")) {
            options.peerListPath = PeerListPath();
        }
        // No test reaches the built-in directory: without one of its own, a rig's directory is a
        // loopback port where nothing listens.
        if (options.webUrl.isEmpty()) {
            options.webUrl = QStringLiteral("http://127.0.0.1:9/");
        }
        if (!options.handOffRunner) {
            options.handOffRunner = handOff;
        }
        engine =
            std::make_unique<app::Engine>(app::EngineDeps{settings, prompts, classes, language,
                                                          clock ? *clock : m_clock, gauge, status, owner},
                                          std::move(options));
    }

    // A copy on every address holds port 3077 on the whole of 127/8: another test's copy would fail
    // to bind beside it, or lose its datagrams to it. Each test gives its copy an address of its own.
    ~EngineRig() {
        exchange::PeerServer& peer = engine->PeerServer();
        EXPECT_FALSE(peer.Listening() && !peer.Address().HasOwnAddress())
            << "the copy listened on every address: give it one of its own (EngineOptions::address)";
    }
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;

    QString ServerMetPath() const { return dir.filePath(QStringLiteral("server.met")); }
    QString PeerListPath() const { return dir.filePath(QStringLiteral("serverHBL.met")); }

    serverlist::CycleState& State() { return engine->State(); }
    serverlist::UiWaits& Waits() { return engine->Waits(); }
    serverlist::TFLServeur& Window() { return engine->ServerList(); }
    probe::Campaigns& Campaigns() { return engine->Campaigns(); }

    QTemporaryDir dir;
    platform::MemorySettingsStore settings;
    language::LanguageTable language;
    FakePrompts prompts;
    FakeClassRegistration classes;
    FakeBusyOwner owner;
    serverlist::PlainGauge gauge;
    RecordingStatus status;
    std::shared_ptr<RecordingHandOffRunner> handOff = std::make_shared<RecordingHandOffRunner>();

  private:
    platform::SystemClock m_clock;

  public:
    std::unique_ptr<app::Engine> engine;
};

}  // namespace hublane::test
