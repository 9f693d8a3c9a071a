// Ending a command-line run or a server cleanly on SIGINT and SIGTERM (Ctrl+C and the
// like on Windows): the handler only wakes the event loop, which then runs the given function.
#pragma once

#include <QObject>
#include <QString>
#include <csignal>
#include <functional>
#include <memory>

namespace hublane::platform {

/// While it lives, a stop signal runs onStop, with the signal's number (SIGINT or SIGTERM), on the
/// thread that made it, through that thread's event loop. One lives at a time: the handlers it
/// sets are the process's, and it puts back the ones it found.
class StopSignals : public QObject {
  public:
    explicit StopSignals(std::function<void(int signalNumber)> onStop, QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    /// False when the handlers could not be set up (then onStop never runs).
    bool Installed() const;

  private:
    struct Impl;
    std::function<void(int)> m_onStop;
    std::unique_ptr<Impl> m_impl;
};

/// "SIGINT", "SIGTERM", or "signal N" for another number.
inline QString StopSignalName(int signalNumber) {
    switch (signalNumber) {
        case SIGINT:
            return QStringLiteral("SIGINT");
        case SIGTERM:
            return QStringLiteral("SIGTERM");
        default:
            return QStringLiteral("signal %1").arg(signalNumber);
    }
}

}  // namespace hublane::platform
