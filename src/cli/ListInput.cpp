// The rows hublanectl's write verbs read from standard input.
#include "cli/ListInput.h"

#include <QFileInfo>

#include "cli/ListRowText.h"
#include "cli/VerbLine.h"

namespace hublane::cli {

std::vector<InputLine> ReadInputLines(Io& io) {
    std::vector<InputLine> lines;
    const Latin1Stream bytesIn(io.in);
    int number = 0;
    while (!io.in->atEnd()) {
        const QString line = io.in->readLine();
        ++number;
        if (!line.isEmpty()) {
            lines.push_back(InputLine{number, SplitFields(line)});
        }
    }
    return lines;
}

int FinishListWrite(Io& io, const QString& path, const QStringList& badLines, std::size_t rows,
                    bool skipBadRows, bool allowEmpty,
                    const std::function<serverlist::WriteResult()>& write) {
    for (const QString& bad : badLines) {
        io.err << "hublanectl: " << bad << (skipBadRows ? QStringLiteral(" (skipped)") : QString()) << '\n';
    }
    if (!badLines.isEmpty() && !skipBadRows) {
        return Fail(io,
                    QStringLiteral("%1 bad line(s); %2 left as it was (--skip-bad-rows writes the others)")
                        .arg(badLines.size())
                        .arg(path));
    }
    if (rows == 0 && !allowEmpty && QFileInfo(path).exists() && QFileInfo(path).size() > 0) {
        return Fail(io, QStringLiteral("no row to write; %1 holds a list and stays as it was (--allow-empty "
                                       "replaces it with an empty one)")
                            .arg(path));
    }
    const serverlist::WriteResult result = write();
    if (!result.Written()) {
        return Fail(io, QStringLiteral("cannot write %1: %2").arg(path, result.error));
    }
    return kExitOk;
}

}  // namespace hublane::cli
