// The options an update cycle takes on the command line (hublanectl cycle and daemon) and the
// engine they build: the user's settings read, never changed (a plain-text EC password aside, which
// is replaced by its hash), with the options in front of them.
#pragma once

#include <QString>
#include <QTextStream>
#include <memory>
#include <optional>
#include <vector>

#include "cli/Commands.h"
#include "serverlist/StatusCaption.h"

namespace hublane::app {
class Engine;
struct EngineOptions;
}  // namespace hublane::app

namespace hublane::cli {

class VerbLine;

/// The options of the cycle, which cycle and daemon take.
std::vector<text::OptionHelp> CycleOptions();
/// Takes --client and --client-dir (or --donkey-dir) into the options; false after printing a
/// usage error (the caller exits with kExitUsage).
bool ReadClientOptions(const VerbLine& line, Io& io, app::EngineOptions& options);

/// Each step's caption on a line of its own, as it starts; the last line says what the cycle did.
/// With stamps, each line starts with the local date and time ("2026-12-09 05:02:03 ").
class PrintedCaption final : public serverlist::StatusCaption {
  public:
    PrintedCaption(QTextStream& out, bool stamps) : m_out(out), m_stamps(stamps) {}
    void SetCaption(const QString& text) override;

  private:
    QTextStream& m_out;
    bool m_stamps;
};

/// An engine built from a parsed command line, and everything it is built on.
class CycleSession {
  public:
    ~CycleSession();
    CycleSession(const CycleSession&) = delete;
    CycleSession& operator=(const CycleSession&) = delete;

    /// Builds the engine from the cycle's options; nullopt-like (null) after printing the reason
    /// and the usage line, with the exit status in *status.
    static std::unique_ptr<CycleSession> Make(const VerbLine& line, Io& io, bool stamps, int* status);

    app::Engine& Engine();
    /// How many times faster than real the cycle's fixed waits run (--speed).
    int Speed() const;
    /// Prints the cycle's error log on standard error, and forgets it.
    void PrintErrors(Io& io);
    /// server.met could not be opened by the last cycle.
    bool ServerMetMissing();

  private:
    CycleSession();
    struct Parts;
    std::unique_ptr<Parts> m_parts;
};

}  // namespace hublane::cli
