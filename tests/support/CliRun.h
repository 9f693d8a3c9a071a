// Runs one hublanectl command line in-process and keeps what it printed.
#pragma once

#include <QTextStream>

#include "cli/Commands.h"

namespace hublane::test {

struct CliOutcome {
    int status = -1;
    QString out;
    QString err;
};

/// Runs the command line; input, when given, is its standard input.
inline CliOutcome Hublanectl(const QStringList& args, const QString* input = nullptr) {
    CliOutcome r;
    QString inText = input ? *input : QString();
    QTextStream out(&r.out);
    QTextStream err(&r.err);
    QTextStream in(&inText);
    cli::Io io{out, err, input ? &in : nullptr};
    r.status = cli::RunCommandLine(args, io);
    out.flush();
    err.flush();
    return r;
}

}  // namespace hublane::test
