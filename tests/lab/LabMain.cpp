// hublane-lab: runs simulated eD2k servers on loopback addresses for a bounded time.
#include <sys/resource.h>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

#include "lab/Lab.h"

namespace {

QString KindWord(hublane::lab::RequestKind kind) {
    switch (kind) {
        case hublane::lab::RequestKind::Description:
            return QStringLiteral("description");
        case hublane::lab::RequestKind::ServerList:
            return QStringLiteral("server-list");
        case hublane::lab::RequestKind::Other:
            return QStringLiteral("other");
    }
    return {};
}

QString Where(const hublane::lab::LabServerConfig& s) {
    return s.address + u' ' + QString::number(s.listedPort) + QStringLiteral(" (udp ") +
           QString::number(s.udpPort) + QStringLiteral(") ") + hublane::lab::BehaviourWord(s.behaviour);
}

}  // namespace

namespace {

// One socket a server: a lab of a thousand servers needs more descriptors than the usual
// default of 1024, so the soft limit is raised to the hard one.
void RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    RaiseDescriptorLimit();
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated eD2k servers on loopback addresses. Each FILE holds one server per line\n"
                       "(see tests/lab/README.md); '-' reads standard input."));
    parser.addHelpOption();
    const QCommandLineOption seconds(QStringLiteral("seconds"),
                                     QStringLiteral("Stop after N seconds (default 60)."),
                                     QStringLiteral("N"), QStringLiteral("60"));
    const QCommandLineOption server(QStringLiteral("server"), QStringLiteral("One server line (repeatable)."),
                                    QStringLiteral("LINE"));
    const QCommandLineOption log(QStringLiteral("log"), QStringLiteral("Print every request as it comes."));
    parser.addOptions({seconds, server, log});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Lab description files."));
    parser.process(app);

    bool ok = false;
    const int runSeconds = parser.value(seconds).toInt(&ok);
    if (!ok || runSeconds < 1 || runSeconds > 86400) {
        err << "hublane-lab: --seconds needs a number from 1 to 86400\n";
        return 1;
    }
    QString config;
    for (const QString& path : parser.positionalArguments()) {
        QFile f(path);
        const bool opened =
            path == QLatin1String("-") ? f.open(stdin, QIODevice::ReadOnly) : f.open(QIODevice::ReadOnly);
        if (!opened) {
            err << "hublane-lab: cannot read " << path << '\n';
            return 1;
        }
        config += QString::fromUtf8(f.readAll()) + u'\n';
    }
    for (const QString& line : parser.values(server)) {
        config += line + u'\n';
    }

    hublane::lab::Lab lab;
    QString error;
    if (!lab.StartServers(config, &error)) {
        err << "hublane-lab: " << error << '\n';
        return 1;
    }
    if (lab.ServerCount() == 0) {
        err << "hublane-lab: no server described (give a FILE or --server)\n";
        return 1;
    }
    for (int i = 0; i < lab.ServerCount(); ++i) {
        out << "listening: " << Where(lab.Server(i)) << '\n';
    }
    out.flush();
    if (parser.isSet(log)) {
        QObject::connect(&lab, &hublane::lab::Lab::RequestReceived, &app,
                         [&](int index, hublane::lab::RequestKind kind, const QString& sender) {
                             out << lab.Server(index).address << ' ' << lab.Server(index).listedPort << ": "
                                 << KindWord(kind) << " from " << sender << '\n';
                             out.flush();
                         });
    }
    QTimer::singleShot(runSeconds * 1000, &app, &QCoreApplication::quit);
    app.exec();

    for (int i = 0; i < lab.ServerCount(); ++i) {
        const hublane::lab::RequestCounts c = lab.Requests(i);
        out << "requests: " << Where(lab.Server(i)) << ": description " << c.description << ", server-list "
            << c.serverList << ", other " << c.other << '\n';
    }
    return 0;
}
