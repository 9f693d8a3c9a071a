// The link between probe workers and the window's thread: one blocking call onto that thread per
// look-up-and-change, released when the program quits.
#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>

namespace hublane::probe {

class WorkerLink {
  public:
    /// context lives on the window's thread; the calls run there, inside its event processing.
    explicit WorkerLink(QObject* context) : m_context(context) {}

    /// From a worker thread: runs fn on the window's thread and waits until it has run. Returns
    /// false without running fn when the link is closed first (the program quits) or when stop()
    /// holds while the call is still waiting; fn then never runs.
    bool Synchronize(const std::function<void()>& fn, const std::function<bool()>& stop = {});

    /// Releases every waiting worker; later calls return false at once. Window's thread only.
    void Close() { m_closed.store(true); }
    bool Closed() const { return m_closed.load(); }

  private:
    QPointer<QObject> m_context;
    std::atomic<bool> m_closed{false};
};

}  // namespace hublane::probe
