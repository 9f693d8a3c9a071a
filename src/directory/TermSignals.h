// SIGTERM and SIGINT turned into a quit of the event loop, so that the directory
// ends through its normal path (the database flushed and closed).
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <memory>

namespace hublane::directory {

/// One per process. While it lives, SIGTERM and SIGINT emit Received on the thread that made it.
class TermSignals : public QObject {
    Q_OBJECT
  public:
    explicit TermSignals(QObject* parent = nullptr);
    ~TermSignals() override;
    /// False when the signal handlers could not be set up.
    bool Installed() const { return m_notifier != nullptr; }

  signals:
    void Received(int signalNumber);

  private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};

}  // namespace hublane::directory
