// The line format of hublanectl's list verbs: tab-separated fields whose bytes pass unchanged,
// with backslash, tab, CR and LF escaped, and the streams switched to Latin-1 meanwhile.
#pragma once

#include <QString>
#include <QStringConverter>
#include <QTextStream>
#include <string>
#include <vector>

#include "serverlist/ServerTable.h"

namespace hublane::cli {

/// The bytes as one field: "\\" "\t" "\r" "\n" for backslash, tab, CR and LF, "\xNN" for every
/// other control byte (a server name must not retitle or clear a terminal), every other byte as
/// the character of the same value (so a Latin-1 stream writes the bytes back unchanged).
QString EscapeField(const std::string& bytes);

/// The bytes of one escaped field (the inverse of EscapeField). An unknown escape keeps its
/// backslash; characters above 255 (never read from a Latin-1 stream) become "?".
std::string UnescapeField(const QString& field);

/// The fields of one line: split at tabs, each unescaped back to bytes.
std::vector<std::string> SplitFields(const QString& line);

/// Prints each server row as one line of seven escaped fields in table order: IP, Port, Util.,
/// Fichiers, Nom, Description, Home.
void PrintServerRows(const serverlist::ServerTable& table, QTextStream& out);

/// Switches a stream to Latin-1 for its lifetime, so that one byte is one character in and out;
/// the stream's pending text is written first and its encoding given back at the end.
class Latin1Stream {
  public:
    explicit Latin1Stream(QTextStream* stream);
    ~Latin1Stream();
    Latin1Stream(const Latin1Stream&) = delete;
    Latin1Stream& operator=(const Latin1Stream&) = delete;

  private:
    QTextStream* m_stream;
    QStringConverter::Encoding m_previous = QStringConverter::Utf8;
};

}  // namespace hublane::cli
