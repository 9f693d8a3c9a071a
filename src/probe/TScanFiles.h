// TScanFiles: the probe worker, a thread that sends one request to one server or peer, applies
// the answer to the tables and hands its slot back.
#pragma once

#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <memory>

#include "serverlist/ServerTable.h"

namespace hublane::probe {

class WorkerLink;
class Campaigns;

enum class ProbeMode {
    ModeServerList,
    ModeDescription,
    ModePeerPing,
    ModePeerServers,
    ModePeerPeers,
    ModeNone
};

/// One probe on its own thread. Created for a slot, configured, started once (Resume), and
/// deleted by its campaign once its thread has ended. Every change to shared state is one
/// blocking call onto the window's thread through the link.
class TScanFiles : public QThread {
    Q_OBJECT
  public:
    /// The campaign gives its clock, its copy's address and, for each hand-back, itself.
    TScanFiles(int slot, unsigned generation, std::shared_ptr<WorkerLink> link, Campaigns& campaigns);
    ~TScanFiles() override;

    // Set by the campaign before Resume(); the worker alone uses them afterwards.
    QString Host;
    QString Port;
    ProbeMode Mode = ProbeMode::ModeNone;
    int TimeoutMs = 2000;

    int Slot() const { return m_slot; }
    unsigned Generation() const { return m_generation; }
    bool Finished() const { return m_finished.load(); }
    /// Starts the thread (the worker is created suspended).
    void Resume() { start(); }

  protected:
    /// Execute: the probe of Mode, then the hand-back.
    void run() override;

  private:
    bool StopRequested() const { return m_stop.load() || isInterruptionRequested(); }
    void Finish() {
        m_stop.store(true);
        m_finished.store(true);
    }
    /// The worker wait: sleeps in 100 ms steps until ms have passed, the stop request is set, or
    /// the probe's time (StartTick + TimeoutMs + 1000) is over, which finishes the probe.
    void WorkerWait(int ms);
    std::int64_t Now() const;

    void ProbeServerList();
    void ProbeDescription();
    void ProbePeerPing();
    void ProbePeerServers();
    void ProbePeerPeers();
    /// One request and at most one answer on a socket of the worker's own.
    QByteArray Exchange(const QByteArray& request, bool expectAnswer);
    void MergeServers(int count);

    const int m_slot;
    const unsigned m_generation;
    std::shared_ptr<WorkerLink> m_link;
    Campaigns& m_campaigns;
    serverlist::EntryTable m_entries{};
    std::int64_t m_startTick = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
};

}  // namespace hublane::probe
