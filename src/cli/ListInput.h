// The rows hublanectl's write verbs read from standard input, each line checked,
// and the rules that keep a list file from being lost by a bad or empty input.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "serverlist/ListFiles.h"

namespace hublane::cli {

/// What one line gives: its fields (unescaped bytes), or the reason it cannot be a row.
struct InputLine {
    int number = 0;
    std::vector<std::string> fields;
};

/// Reads the non-empty lines of standard input (as bytes, through Latin-1) split into fields.
std::vector<InputLine> ReadInputLines(Io& io);

/// The write verbs' common end: reports each bad line (with its number) and fails unless
/// skipBadRows; refuses an empty list over a file that holds bytes unless allowEmpty; then
/// writes. `write` replaces the file; rows counts the rows to write.
int FinishListWrite(Io& io, const QString& path, const QStringList& badLines, std::size_t rows,
                    bool skipBadRows, bool allowEmpty, const std::function<serverlist::WriteResult()>& write);

}  // namespace hublane::cli
