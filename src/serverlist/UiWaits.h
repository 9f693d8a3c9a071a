// The waits of the GUI thread: each one processes events until its deadline, counts
// in the wait counter, ends at once when the program quits, and may end early once what its caller
// waits for has come true.
#pragma once

#include <QObject>
#include <functional>

namespace hublane::platform {
class Clock;
}

namespace hublane::serverlist {

/// Everything that waits on the GUI thread waits here. Because a wait processes events, datagrams,
/// page loads, hand-backs of workers and clicks all run inside it: whoever waits must not hold a
/// reference to a table row across the wait.
class UiWaits : public QObject {
    Q_OBJECT
  public:
    explicit UiWaits(const platform::Clock& clock, QObject* parent = nullptr);

    /// The UI wait: waits ms on the clock while processing events and counts in the wait counter.
    /// Ends at once when the program is quitting, and early as soon as `until` (when given) holds
    /// after a state change (NotifyStateChanged).
    void UiWait(int ms, const std::function<bool()>& until = {});
    int WaitCounter() const { return m_waitCounter; }
    void ResetWaitCounter() { m_waitCounter = 0; }

    /// True once the program has been asked to quit; every loop stops at its next test.
    bool Terminating() const { return m_terminating; }
    /// Marks the program as quitting, tells Terminated() once and wakes every wait.
    void SetTerminating();

    /// Tells waiting callers that something they may poll has changed (a hand-back, a flag).
    void NotifyStateChanged() { emit StateChanged(); }

    const platform::Clock& Clock() const { return m_clock; }

  signals:
    void StateChanged();
    /// The program quits: workers are to be stopped.
    void Terminated();

  private:
    const platform::Clock& m_clock;
    int m_waitCounter = 0;
    bool m_terminating = false;
};

}  // namespace hublane::serverlist
