// hublanectl cycle: one whole update cycle on the program's own engine, without its windows, on
// the user's settings (read, never changed).
#include "app/Engine.h"
#include "cli/Commands.h"
#include "cli/CycleSetup.h"
#include "cli/VerbLine.h"
#include "serverlist/TFLServeur.h"

namespace hublane::cli {

namespace {

int Cycle(const VerbLine& line, Io& io) {
    int status = kExitOk;
    const auto session = CycleSession::Make(line, io, false, &status);
    if (!session) {
        return status;
    }
    session->Engine().ServerList().Show();
    session->PrintErrors(io);
    return session->ServerMetMissing() ? kExitFailure : kExitOk;
}

}  // namespace

std::vector<Verb> CycleVerbs() {
    return {
        {{.name = "cycle",
          .summary =
              "one whole update cycle without windows: prints each step's caption as it starts and what "
              "the cycle did; exit status 1 when server.met could not be opened (the cycle still runs)",
          .details = "Runs one whole update cycle as the program does, without its windows: reads the "
                     "client's server.met "
                     "from DIR (default: the folder the program found) and serverHBL.met from the current "
                     "folder, runs every step with the same rules, writes the files, and prints each step's "
                     "caption as it starts and the line that says what the cycle did. The settings are read, "
                     "not changed (a plain-text EC password aside, which is replaced by its MD5).",
          .options = CycleOptions(),
          .epilog = "Exit status 1 when server.met could not be opened (the cycle still runs and creates it "
                    "when it has servers to write)."},
         0,
         0,
         &Cycle},
    };
}

}  // namespace hublane::cli
