// hublane-directory: the web directory of Hublane copies, for anyone to host.
#include <QCoreApplication>
#include <cstdio>
#include <variant>

#include "directory/Directory.h"
#include "directory/DirectoryCommandLine.h"
#include "directory/TermSignals.h"

namespace {

void PrintLine(std::FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fputc('\n', stream);
    std::fflush(stream);
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
    TermSignals termSignals;
    if (!termSignals.Installed()) {
        PrintLine(stderr, QStringLiteral("hublane-directory: cannot catch SIGTERM and SIGINT"));
        return kExitFailure;
    }
    Directory directory(std::get<DirectorySettings>(std::move(read)), log);
    QString error;
    if (!directory.Start(&error)) {
        PrintLine(stderr, QStringLiteral("hublane-directory: %1").arg(error));
        return kExitFailure;
    }
    QObject::connect(&termSignals, &TermSignals::Received, &app, [](int signalNumber) {
        PrintLine(stderr, QStringLiteral("hublane-directory: signal %1, stopping").arg(signalNumber));
        QCoreApplication::quit();
    });
    PrintLine(stderr, QStringLiteral("hublane-directory: listening on %1:%2")
                          .arg(QString::fromStdString(directory.Settings().listen.host))
                          .arg(directory.Port()));
    const int status = QCoreApplication::exec();
    directory.Stop();
    PrintLine(stderr, QStringLiteral("hublane-directory: stopped"));
    return status;
}
