// Probe campaigns against a lab of simulated servers in another process: wall time, CPU time and
// peak memory of a description campaign over answering servers and over silent ones.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <cstdio>

#include "BenchParts.h"
#include "app/Engine.h"
#include "language/LanguageTable.h"
#include "platform/Clock.h"
#include "platform/MemorySettingsStore.h"
#include "serverlist/CycleState.h"
#include "serverlist/TFLServeur.h"

namespace {

using namespace hublane;

using bench::CpuMs;
using bench::NoClasses;
using bench::NoOwner;
using bench::NoPrompts;
using bench::PeakRssKb;

// Loopback addresses outside 127.0.0.x, so the clean-up keeps them all.
QString Address(int i) {
    return QStringLiteral("127.1.%1.%2").arg(i / 250).arg(i % 250 + 1);
}

struct Figures {
    qint64 wallMs;
    double cpuMs;
    std::size_t rowsLeft;
};

Figures RunCampaign(const QString& behaviour, int servers, int threads) {
    QTemporaryDir dir;
    QString config;
    for (int i = 0; i < servers; ++i) {
        config += Address(i) + QStringLiteral(" 4661 ") + behaviour +
                  QStringLiteral(" name=\"Lab %1\" desc=\"bench\"\n").arg(i);
    }
    QFile file(dir.filePath(QStringLiteral("lab.txt")));
    file.open(QIODevice::WriteOnly);
    file.write(config.toUtf8());
    file.close();

    QProcess lab;
    lab.start(QStringLiteral(HUBLANE_LAB_PROGRAM),
              {QStringLiteral("--seconds"), QStringLiteral("120"), file.fileName()});
    int listening = 0;
    QElapsedTimer startup;
    startup.start();
    while (listening < servers && startup.elapsed() < 30000) {
        lab.waitForReadyRead(1000);
        while (lab.canReadLine()) {
            if (lab.readLine().startsWith("listening:"))
                ++listening;
        }
        if (lab.state() == QProcess::NotRunning)
            break;
    }
    if (listening < servers) {
        std::fprintf(stderr, "lab did not start: %s\n", lab.readAllStandardError().constData());
        std::exit(1);
    }

    platform::MemorySettingsStore settings;
    language::LanguageTable language;
    language.Reset();
    NoPrompts prompts;
    NoClasses classes;
    NoOwner owner;
    const platform::SystemClock systemClock;
    serverlist::PlainGauge gauge;
    serverlist::NoStatusCaption caption;
    app::EngineOptions options;
    options.serverMetPath = dir.filePath(QStringLiteral("s.met"));
    options.peerListPath = dir.filePath(QStringLiteral("p.met"));
    app::Engine engine(
        app::EngineDeps{settings, prompts, classes, language, systemClock, gauge, caption, owner}, options);
    serverlist::CycleState& state = engine.State();
    for (int i = 0; i < servers; ++i)
        state.Servers().AddServerRow(Address(i).toStdString(), "4661");
    state.Controls().nbThreads.SetValue(threads);
    state.Controls().timeout.SetValue(2);
    state.Controls().checked = serverlist::ProbeKind::RechDesc;

    const double cpu0 = CpuMs();
    QElapsedTimer clock;
    clock.start();
    engine.ServerList().BtnLancerClick();
    Figures f{clock.elapsed(), CpuMs() - cpu0, state.Servers().Count()};
    lab.kill();
    lab.waitForFinished(5000);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int answering = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int silent = argc > 2 ? std::atoi(argv[2]) : 200;
    const Figures a = RunCampaign(QStringLiteral("answer"), answering, 40);
    std::printf(
        "description campaign, %d answering servers, 40 workers: %lld ms wall, %.0f ms CPU, %zu rows kept\n",
        answering, static_cast<long long>(a.wallMs), a.cpuMs, a.rowsLeft);
    const Figures s = RunCampaign(QStringLiteral("silent"), silent, 40);
    std::printf(
        "description campaign, %d silent servers, 40 workers: %lld ms wall, %.0f ms CPU, %zu rows kept\n",
        silent, static_cast<long long>(s.wallMs), s.cpuMs, s.rowsLeft);
    std::printf("peak resident memory of the program side: %ld KiB\n", PeakRssKb());
    return 0;
}
