// Ending a command-line run cleanly on SIGINT and SIGTERM (Ctrl+C and the like on
// Windows): the handler only wakes the event loop, which then runs the given function.
#pragma once

#include <QObject>
#include <functional>

namespace hublane::platform {

/// While it lives, a stop signal runs onStop on the thread that made it (through its event loop).
class StopSignals : public QObject {
  public:
    explicit StopSignals(std::function<void()> onStop, QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    struct Impl;
    std::function<void()> m_onStop;
    Impl* m_impl = nullptr;
};

}  // namespace hublane::platform
