// Description requests to reported servers, each a blocking UDP exchange on a
// worker thread of a bounded pool, the outcome handed back on the owner's thread.
#pragma once

#include <QObject>
#include <QThreadPool>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace hublane::directory {

/// What one probe found out.
struct ProbeOutcome {
    std::string address;
    std::uint16_t port = 0;
    bool answered = false;
    std::string name;  // bytes of the name the server gave
    std::string description;
};

/// Runs at most maxInFlight probes at once. Created and used on one thread, whose event loop
/// receives the outcomes.
class Prober : public QObject {
    Q_OBJECT
  public:
    using Done = std::function<void(const ProbeOutcome&)>;
    Prober(int maxInFlight, int timeoutMs, Done done, QObject* parent = nullptr);
    /// Ends the running probes at once and waits for their threads.
    ~Prober() override;

    /// Asks address (listed at port) for its description on UDP port + 4. False, and nothing
    /// asked, when maxInFlight probes run or the prober was stopped.
    bool Start(const std::string& address, std::uint16_t port);
    int InFlight() const { return m_inFlight; }
    int FreeSlots() const { return m_maxInFlight - m_inFlight; }
    /// Ends the running probes (their outcomes are not delivered) and refuses new ones.
    void Stop();

  private:
    int m_maxInFlight;
    int m_timeoutMs;
    Done m_done;
    int m_inFlight = 0;
    std::shared_ptr<std::atomic<bool>> m_stop = std::make_shared<std::atomic<bool>>(false);
    QThreadPool m_pool;
};

}  // namespace hublane::directory
