// Shared helpers of the tests: bounded waits, sandbox folders, the real-data folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <ostream>
#include <string>

#include "support/Hex.h"

/// Readable failures: gtest prints a QString as its text.
void PrintTo(const QString& text, std::ostream* os);

namespace hublane::test {

/// Pumps the event loop until pred() holds or timeoutMs has passed; returns pred().
bool WaitFor(const std::function<bool()>& pred, int timeoutMs);

/// The folder of real third-party files beside the repository, or an empty text when absent.
QString RealDataDir();

QByteArray ReadWholeFile(const QString& path);
void WriteWholeFile(const QString& path, const QByteArray& bytes);

}  // namespace hublane::test
