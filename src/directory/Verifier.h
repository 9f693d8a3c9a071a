// The directory's verification: servers due a check are taken from the store at a
// bounded rate, probed, and their outcome stored; copies not seen for long are forgotten.
#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "directory/DirectorySettings.h"
#include "directory/Prober.h"
#include "directory/TokenBucket.h"
#include "directory/Verification.h"

namespace hublane::directory {

class DirectoryStore;

class Verifier : public QObject {
    Q_OBJECT
  public:
    /// clock: wall-clock milliseconds since the epoch.
    Verifier(DirectoryStore& store, const DirectorySettings& settings, std::function<std::int64_t()> clock,
             QObject* parent = nullptr);
    ~Verifier() override;

    /// Looks for due servers every settings.verifierTickMs (nothing is probed when
    /// settings.probesPerSecond is 0; copies are still forgotten).
    void Start();
    /// Stops looking and ends the running probes; their servers are checked again once their
    /// claim runs out.
    void Stop();
    int InFlight() const { return m_prober.InFlight(); }
    /// One look for due servers (the timer calls it; tests may too).
    void Tick();

  signals:
    /// The list of servers changed (a server was listed, verified again, or dropped).
    void ListingChanged();

  private:
    struct Asked {
        ServerState state;
        int misses;
    };
    void Finished(const ProbeOutcome& outcome);
    bool MayProbe(const std::string& address, std::uint16_t port) const;

    DirectoryStore& m_store;
    const DirectorySettings& m_settings;
    std::function<std::int64_t()> m_clock;
    std::function<std::int64_t()> m_confirmDelay;
    CheckTimings m_timings;
    TokenBucket m_bucket;
    Prober m_prober;
    QTimer m_timer;
    std::unordered_map<std::string, Asked> m_asked;
    std::int64_t m_lastCopySweepMs = 0;
};

}  // namespace hublane::directory
