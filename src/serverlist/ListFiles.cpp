// Reading and writing the two list files (server.met and serverHBL.met) against the tables:
// gauge, error log lines and the atomic replacement of the old file.
#include "serverlist/ListFiles.h"

#include <QByteArray>
#include <QFile>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileBytes.h"
#include "platform/LanguageTable.h"
#include "serverlist/PeerListCodec.h"
#include "serverlist/ServerMetCodec.h"

namespace hublane::serverlist {
namespace {

constexpr auto kServerMetName = "server.met";
constexpr auto kPeerListName = "serverHBL.met";

// A list file far larger than any list is not one; a pipe or a device is never read.
constexpr qint64 kMaxListFileBytes = 64LL * 1024 * 1024;

std::optional<QByteArray> ReadFileBytes(const QString& path) {
    return platform::ReadRegularFile(path, kMaxListFileBytes);
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Logs "<file name> : <text><suffix>". LangText throws when the language file lacks the text;
// the caller's error handling deals with that, the rows read so far are already in the list.
void LogFailure(ReadContext& ctx, const char* fileName, const ListReadResult& result) {
    ctx.errorLog.append(QLatin1String(fileName) + QStringLiteral(" : ") +
                        ctx.language.LangText(result.errorText) + QString::fromStdString(result.suffix));
}

// Writes the file through a temporary file in the same folder that replaces the old one only
// once it is complete and flushed; on any failure the old file stays as it was. encode runs only
// when the temporary file could be created.
template <typename Encode>
bool SaveAtomically(const QString& path, WorkGauge& gauge, Encode encode) {
    if (!platform::WriteFileAtomically(path, encode())) {
        gauge.SetPosition(0);
        return false;
    }
    return true;
}

}  // namespace

bool ReadServerMet(const QString& path, ServerTable& table, ReadContext& ctx, int* serverCounter) {
    table.Clear();
    const std::optional<QByteArray> bytes = ReadFileBytes(path);
    const ListReadResult result =
        bytes ? DecodeServerMet(View(*bytes), table, ctx.gauge) : ListReadResult{kTextCannotOpen, {}};
    if (!result.Ok()) {
        LogFailure(ctx, kServerMetName, result);
        return false;
    }
    if (serverCounter != nullptr) {
        *serverCounter = static_cast<int>(table.Count());
    }
    return true;
}

bool WriteServerMet(const QString& path, const ServerTable& table, WorkGauge& gauge, bool keepFileWhenEmpty) {
    // The cycle never replaces the client's list, whatever it holds and whether or not this
    // program can read it, by a list without a single server.
    if (keepFileWhenEmpty && std::none_of(table.Rows().begin(), table.Rows().end(), CanEncodeServerRow)) {
        gauge.SetPosition(0);
        return false;
    }
    return SaveAtomically(path, gauge, [&] { return EncodeServerMet(table, gauge); });
}

bool ReadPeerList(const QString& path, PeerList& peers, ReadContext& ctx) {
    peers.Clear();
    const std::optional<QByteArray> bytes = ReadFileBytes(path);
    const ListReadResult result =
        bytes ? DecodePeerList(View(*bytes), peers, ctx.gauge) : ListReadResult{kTextCannotOpen, {}};
    if (!result.Ok()) {
        LogFailure(ctx, kPeerListName, result);
        return false;
    }
    return true;
}

bool WritePeerList(const QString& path, const PeerList& peers, WorkGauge& gauge, bool keepFileWhenEmpty) {
    if (keepFileWhenEmpty && std::none_of(peers.Rows().begin(), peers.Rows().end(), CanEncodePeerRow)) {
        gauge.SetPosition(0);
        return false;
    }
    return SaveAtomically(path, gauge, [&] { return EncodePeerList(peers, gauge); });
}

}  // namespace hublane::serverlist
