// hublanectl: the command-line companion of Hublane.
#include <QCoreApplication>
#include <cstdio>

#include "cli/Commands.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QTextStream in(stdin);
    hublane::cli::Io io{out, err, &in};
    const int status = hublane::cli::RunCommandLine(app.arguments().mid(1), io);
    out.flush();
    err.flush();
    return status;
}
