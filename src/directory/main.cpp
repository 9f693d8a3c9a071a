// hublane-directory: the web directory of Hublane copies, for anyone to host.
#include <sys/resource.h>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <variant>

#include "directory/Directory.h"
#include "directory/DirectoryCommandLine.h"
#include "platform/StopSignals.h"

namespace {

void PrintLine(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
}

// Descriptors kept aside from the connections: the database, the probes, the listening socket.
constexpr rlim_t kReservedDescriptors = 64;

// Raises the open-file limit to what the system allows and keeps the connections within it: a
// connection past the limit could not be accepted, and would stay queued.
void FitConnectionsToDescriptors(hublane::directory::DirectorySettings& settings) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) {
        return;
    }
    if (limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur > kReservedDescriptors) {
        const auto room = static_cast<long long>(limit.rlim_cur - kReservedDescriptors);
        settings.maxConnections = static_cast<int>(std::min<long long>(settings.maxConnections, room));
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace hublane::directory;
    QCoreApplication app(argc, argv);
    auto read = ReadDirectoryCommandLine(app.arguments().mid(1));
    if (const auto* exit = std::get_if<CommandLineExit>(&read)) {
        std::fputs(exit->text.toUtf8().constData(), exit->status == kExitOk ? stdout : stderr);
        return exit->status;
    }
    const auto log = [](const QString& line) { PrintLine(stderr, line); };
    const hublane::platform::StopSignals stopSignals([](int signalNumber) {
        PrintLine(stderr, QStringLiteral("hublane-directory: signal %1 (%2), stopping")
                              .arg(signalNumber)
                              .arg(hublane::platform::StopSignalName(signalNumber)));
        QCoreApplication::quit();
    });
    if (!stopSignals.Installed()) {
        PrintLine(stderr, QStringLiteral("hublane-directory: cannot catch SIGTERM and SIGINT"));
        return kExitFailure;
    }
    auto& settings = std::get<DirectorySettings>(read);
    FitConnectionsToDescriptors(settings);
    Directory directory(std::move(settings), log);
    QString error;
    if (!directory.Start(&error)) {
        PrintLine(stderr, QStringLiteral("hublane-directory: %1").arg(error));
        return kExitFailure;
    }
    PrintLine(stderr, QStringLiteral("hublane-directory: listening on %1:%2")
                          .arg(QString::fromStdString(directory.Settings().listen.host))
                          .arg(directory.Port()));
    const int status = QCoreApplication::exec();
    directory.Stop();
    PrintLine(stderr, QStringLiteral("hublane-directory: stopped"));
    return status;
}
