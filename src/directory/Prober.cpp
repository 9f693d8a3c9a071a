// Description requests to reported servers on a bounded pool of worker threads.
#include "directory/Prober.h"

#include <QByteArray>
#include <QString>
#include <algorithm>

#include "probe/Ed2kMessages.h"
#include "probe/UdpExchange.h"

namespace hublane::directory {

Prober::Prober(int maxInFlight, int timeoutMs, Done done, QObject* parent)
    : QObject(parent),
      m_maxInFlight(std::max(maxInFlight, 1)),
      m_timeoutMs(timeoutMs),
      m_done(std::move(done)) {
    m_pool.setMaxThreadCount(m_maxInFlight);
    // Idle threads go after a while; the pool is sized for a burst, not kept at it.
    m_pool.setExpiryTimeout(30000);
}

Prober::~Prober() {
    Stop();
}

void Prober::Stop() {
    m_stop->store(true);
    m_pool.waitForDone();
}

bool Prober::Start(const std::string& address, std::uint16_t port) {
    if (m_stop->load() || m_inFlight >= m_maxInFlight) {
        return false;
    }
    ++m_inFlight;
    const auto stop = m_stop;
    const int timeoutMs = m_timeoutMs;
    Prober* owner = this;
    m_pool.start([owner, stop, timeoutMs, address, port] {
        ProbeOutcome outcome{address, port, false, {}, {}};
        // A socket of its own for each probe (a fresh local port), answered from port + 4 only.
        probe::UdpExchange exchange;
        exchange.AnswerFromAskedPortOnly(true);
        const auto udpPort = static_cast<quint16>(port + probe::kServerUdpPortOffset);
        const std::string request = probe::DescriptionRequest();
        if (exchange.Open(QString::fromStdString(address), udpPort) &&
            exchange.Send(QByteArray(request.data(), static_cast<qsizetype>(request.size())))) {
            const QByteArray reply = exchange.Receive(timeoutMs, [stop] { return stop->load(); });
            const std::string_view bytes(reply.constData(), static_cast<std::size_t>(reply.size()));
            if (probe::IsDescriptionAnswer(bytes)) {
                outcome.answered = true;
                probe::Description description = probe::ParseDescription(bytes);
                outcome.name = std::move(description.name);
                outcome.description = std::move(description.description);
            }
        }
        if (stop->load()) {
            return;
        }
        // The owner outlives the pool's tasks (its destructor waits for them), and an event posted
        // to it is dropped should it go before the event is delivered.
        QMetaObject::invokeMethod(
            owner,
            [owner, outcome] {
                --owner->m_inFlight;
                if (owner->m_done && !owner->m_stop->load()) {
                    owner->m_done(outcome);
                }
            },
            Qt::QueuedConnection);
    });
    return true;
}

}  // namespace hublane::directory
