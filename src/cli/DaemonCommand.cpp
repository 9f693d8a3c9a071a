// hublanectl daemon: the program's countdown without its windows: a cycle at start, then one
// every 120 minutes after the last one closed, the peer server answering other copies between
// them, until SIGTERM or SIGINT.
#include <QEventLoop>
#include <QTimer>

#include "app/Engine.h"
#include "cli/Commands.h"
#include "cli/CycleSetup.h"
#include "cli/VerbLine.h"
#include "platform/Clock.h"
#include "platform/StopSignals.h"
#include "serverlist/TFLServeur.h"
#include "serverlist/UiWaits.h"

namespace hublane::cli {

/// The time between the end of one cycle and the start of the next, as the countdown counts it.
inline constexpr int kDaemonIntervalMs = 120 * 60 * 1000;

namespace {

int Daemon(const VerbLine& line, Io& io) {
    int status = kExitOk;
    const auto session = CycleSession::Make(line, io, true, &status);
    if (!session) {
        return status;
    }
    app::Engine& engine = session->Engine();
    serverlist::TFLServeur& cycle = engine.ServerList();

    QEventLoop loop;
    bool stopping = false;
    QTimer next;
    next.setSingleShot(true);
    next.setInterval(engine.Waits().Clock().RealMs(kDaemonIntervalMs));
    // The next cycle counts from the close of the last one, as the main window's countdown does.
    QObject::connect(&cycle, &serverlist::TFLServeur::Closed, &loop, [&] {
        session->PrintErrors(io);
        if (!stopping) {
            next.start();
        }
    });
    QObject::connect(&next, &QTimer::timeout, &loop, [&] {
        if (!stopping) {
            cycle.Show();
        }
    });
    const platform::StopSignals stop([&](int) {
        if (stopping) {
            return;
        }
        stopping = true;
        io.out << "Arrêt demandé\n";
        io.out.flush();
        next.stop();
        // Every wait ends at once and the cycle drops its remaining steps; a step that is
        // writing a file finishes it before the signal is even seen.
        engine.Waits().SetTerminating();
        loop.quit();
    });
    QTimer::singleShot(0, &loop, [&] { cycle.Show(); });
    loop.exec();
    session->PrintErrors(io);
    return kExitOk;
}

}  // namespace

std::vector<Verb> DaemonVerbs() {
    return {
        {{.name = "daemon",
          .summary = "a cycle at start, then one 120 minutes after the last one ended (--speed shortens that "
                     "too), the peer server up in between; each caption and summary with the date and time; "
                     "ends on SIGTERM/SIGINT within 2 s",
          .details =
              "Runs the update cycle as the program's countdown does, without a window: one cycle at "
              "start, then one 120 minutes after the last one ended, with the peer server answering "
              "other copies in between. Prints each step's caption and each cycle's summary with the "
              "date and time. SIGTERM or SIGINT ends it within two seconds: a cycle under way stops at "
              "its next step (a file being written is finished first, nothing is written after). Takes "
              "the options of cycle; --speed also shortens the 120 minutes.",
          .options = CycleOptions()},
         0,
         0,
         &Daemon},
    };
}

}  // namespace hublane::cli
