// Reading and writing the two list files (server.met and serverHBL.met) against the tables:
// gauge, error log lines and the atomic replacement of the old file.
#include "serverlist/ListFiles.h"

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "app/LanguageTable.h"
#include "serverlist/PeerListCodec.h"
#include "serverlist/ServerMetCodec.h"

namespace hublane::serverlist {
namespace {

constexpr auto kServerMetName = "server.met";
constexpr auto kPeerListName = "serverHBL.met";

std::optional<QByteArray> ReadFileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    return file.readAll();
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
    QSaveFile file(path);
    // Unbuffered: a buffered write that the system takes only in part (file size limit) can be
    // lost in the flush inside commit() without commit() failing, which would put a cut file in
    // place of the old one. Written straight through, a short write shows in write()'s result.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        gauge.SetPosition(0);
        return false;
    }
    const std::string bytes = encode();
    const auto size = static_cast<qint64>(bytes.size());
    if (file.write(bytes.data(), size) != size || file.size() != size) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}  // namespace

bool ReadServerMet(const QString& path, ServerTable& table, ReadContext& ctx, QString* serverCounter) {
    table.Clear();
    const std::optional<QByteArray> bytes = ReadFileBytes(path);
    const ListReadResult result =
        bytes ? DecodeServerMet(View(*bytes), table, ctx.gauge) : ListReadResult{kTextCannotOpen, {}};
    if (!result.Ok()) {
        LogFailure(ctx, kServerMetName, result);
        return false;
    }
    if (serverCounter != nullptr) {
        *serverCounter = QString::number(table.Count());
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
