// The directory's verification of reported servers and forgetting of old copies.
#include "directory/Verifier.h"

#include <QRandomGenerator>
#include <algorithm>

#include "directory/AddressRules.h"
#include "directory/DirectoryStore.h"

namespace hublane::directory {
namespace {

// A probe's claim on a server outlasts its answer wait by this, so that a directory that stopped
// in the middle leaves the server to be asked again soon, never lost.
constexpr std::int64_t kClaimMarginMs = 60000;
// Copies not seen within the listing time are forgotten this often.
constexpr std::int64_t kCopySweepMs = 60000;
// Probes that may start at once after a quiet while.
constexpr double kProbeBurst = 10;

std::int64_t RandomConfirmDelay() {
    // The system's generator: the wait must not be foreseeable from earlier ones.
    return QRandomGenerator::system()->bounded(static_cast<qint64>(kConfirmDelayMinMs),
                                               static_cast<qint64>(kConfirmDelayMaxMs) + 1);
}

}  // namespace

Verifier::Verifier(DirectoryStore& store, const DirectorySettings& settings,
                   std::function<std::int64_t()> clock, QObject* parent)
    : QObject(parent),
      m_store(store),
      m_settings(settings),
      m_clock(std::move(clock)),
      m_confirmDelay(settings.confirmDelay ? settings.confirmDelay : RandomConfirmDelay),
      m_timings(CheckTimings::ForRecheck(settings.recheckMs)),
      m_bucket(settings.probesPerSecond, std::max(kProbeBurst, settings.probesPerSecond)),
      m_prober(settings.maxProbesInFlight, settings.probeTimeoutMs,
               [this](const ProbeOutcome& outcome) { Finished(outcome); }) {
    m_timer.setInterval(std::max(settings.verifierTickMs, 1));
    connect(&m_timer, &QTimer::timeout, this, &Verifier::Tick);
}

Verifier::~Verifier() {
    Stop();
}

void Verifier::Start() {
    m_timer.start();
    Tick();
}

void Verifier::Stop() {
    m_timer.stop();
    m_prober.Stop();
}

bool Verifier::MayProbe(const std::string& address, std::uint16_t port) const {
    return IsListable(m_settings, address) && IsListablePort(port) &&
           !(m_settings.blocked && m_settings.blocked(address));
}

void Verifier::Tick() {
    const std::int64_t now = m_clock();
    if (now - m_lastCopySweepMs >= kCopySweepMs) {
        m_lastCopySweepMs = now;
        m_store.ForgetCopiesBefore(now - m_settings.peerTtlMs);
    }
    if (m_settings.probesPerSecond <= 0 || m_prober.FreeSlots() <= 0) {
        return;
    }
    // Dropped servers whose time is up are forgotten here too, so look a little further.
    const auto due = m_store.DueServers(now, static_cast<std::size_t>(m_prober.FreeSlots()) + 16);
    bool changed = false;
    for (const StoredServer& server : due) {
        if (m_asked.count(server.address) != 0) {
            continue;
        }
        if (server.state == ServerState::Dropped || !MayProbe(server.address, server.port)) {
            // Its forgetting time came, or it may not be asked (rules changed since it was stored).
            changed = changed || server.state == ServerState::Listed;
            m_store.Forget(server.address);
            continue;
        }
        if (m_prober.FreeSlots() <= 0 || m_bucket.Take(1, now) == 0) {
            break;
        }
        const std::int64_t lease = now + m_settings.probeTimeoutMs + kClaimMarginMs;
        if (!m_store.Claim(server.address, server.nextCheckMs, lease)) {
            continue;  // another instance sharing the database took it
        }
        if (m_prober.Start(server.address, server.port)) {
            m_asked.emplace(server.address, Asked{server.state, server.misses});
        }
    }
    if (changed) {
        emit ListingChanged();
    }
}

void Verifier::Finished(const ProbeOutcome& outcome) {
    const auto it = m_asked.find(outcome.address);
    if (it == m_asked.end()) {
        return;
    }
    const Asked asked = it->second;
    m_asked.erase(it);
    const CheckStep step =
        AfterProbe(asked.state, asked.misses, outcome.answered, m_clock(), m_timings, m_confirmDelay());
    m_store.SaveCheck(outcome.address, step, outcome.name, outcome.description, m_clock());
    if (step.verified || (asked.state == ServerState::Listed) != (step.state == ServerState::Listed)) {
        emit ListingChanged();
    }
}

}  // namespace hublane::directory
