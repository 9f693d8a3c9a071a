// Reading and writing the two list files against the tables.
#include "serverlist/ListFiles.h"

#include <QByteArray>
#include <QFileInfo>
#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "language/LanguageTable.h"
#include "platform/FileBytes.h"
#include "serverlist/PeerListCodec.h"

namespace hublane::serverlist {
namespace {

constexpr auto kPeerListName = "serverHBL.met";

// A list file far larger than any list is not one; a pipe or a device is never read.
constexpr qint64 kMaxListFileBytes = 64LL * 1024 * 1024;

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Logs "<file name> : <text><suffix>". LangText throws when the language file lacks the text;
// the caller's error handling deals with that, the rows read so far are already in the list.
void LogFailure(ReadContext& ctx, const char* fileName, const ListReadResult& result) {
    const QString label = ctx.fileLabel.isEmpty() ? QLatin1String(fileName) : ctx.fileLabel;
    ctx.errorLog.append(label + QStringLiteral(" : ") + ctx.language.LangText(result.errorText) +
                        QString::fromStdString(result.suffix));
}

template <typename List, typename Decode>
ReadOutcome ReadList(const QString& path, List& list, ReadContext& ctx, const char* fileName, Decode decode) {
    list.Clear();
    const std::optional<QByteArray> bytes = platform::ReadRegularFile(path, kMaxListFileBytes);
    const ListReadResult result = bytes ? decode(View(*bytes)) : ListReadResult{kTextCannotOpen, {}};
    ReadOutcome outcome;
    outcome.whole = result.Ok();
    outcome.leftBytesUnread = !result.Ok() && bytes && !bytes->isEmpty();
    if (!result.Ok()) {
        LogFailure(ctx, fileName, result);
    }
    return outcome;
}

template <typename List, typename CanEncode, typename Encode, typename OnWritten>
WriteResult WriteList(const QString& path, const List& list, WorkGauge& gauge, WriteOptions options,
                      CanEncode canEncode, Encode encode, OnWritten onWritten) {
    WriteResult result;
    const auto& rows = list.Rows();
    result.rowsLeftOut = static_cast<int>(
        std::count_if(rows.begin(), rows.end(), [&](const auto& r) { return !canEncode(r); }));
    result.rowsWritten = static_cast<int>(rows.size()) - result.rowsLeftOut;
    // The cycle never replaces the client's list, whatever it holds and whether or not this
    // program can read it, by a list without a single server.
    if (options.keepFileWhenEmpty && result.rowsWritten == 0) {
        gauge.SetPosition(0);
        result.status = WriteResult::Status::NothingToWrite;
        return result;
    }
    if (options.backUpOld && QFileInfo(path).isFile() && QFileInfo(path).size() > 0) {
        result.backedUp = platform::KeepBackup(path, path + QStringLiteral(".bak"), &result.error);
        if (!result.backedUp) {
            // Without its backup the old file must not be replaced.
            gauge.SetPosition(0);
            result.error = QStringLiteral("no backup of %1: %2").arg(path, result.error);
            return result;
        }
    }
    const std::string bytes = encode();
    if (!platform::WriteFileAtomically(path, bytes, &result.error)) {
        gauge.SetPosition(0);
        return result;
    }
    result.status = WriteResult::Status::Written;
    onWritten(bytes);
    return result;
}

}  // namespace

ReadOutcome ReadServerMet(const QString& path, ServerTable& table, ReadContext& ctx, int* serverCounter,
                          const ServerListCodec& codec) {
    StatelessDialect dialect(codec);
    return ReadServerMet(path, table, ctx, serverCounter, dialect);
}

ReadOutcome ReadServerMet(const QString& path, ServerTable& table, ReadContext& ctx, int* serverCounter,
                          ServerListDialect& dialect) {
    // A file that cannot be opened leaves nothing to write against, not the list of an older read.
    dialect.Forget();
    const ReadOutcome outcome = ReadList(path, table, ctx, dialect.FileName(), [&](std::string_view bytes) {
        return dialect.Decode(bytes, table, ctx.gauge);
    });
    if (outcome.whole && serverCounter != nullptr) {
        *serverCounter = static_cast<int>(table.Count());
    }
    return outcome;
}

ReadOutcome ReadPeerList(const QString& path, PeerList& peers, ReadContext& ctx) {
    return ReadList(path, peers, ctx, kPeerListName,
                    [&](std::string_view bytes) { return DecodePeerList(bytes, peers, ctx.gauge); });
}

WriteResult WriteServerMet(const QString& path, const ServerTable& table, WorkGauge& gauge,
                           WriteOptions options, const ServerListCodec& codec) {
    StatelessDialect dialect(codec);
    return WriteServerMet(path, table, gauge, options, dialect);
}

WriteResult WriteServerMet(const QString& path, const ServerTable& table, WorkGauge& gauge,
                           WriteOptions options, ServerListDialect& dialect) {
    return WriteList(
        path, table, gauge, options, [&](const ServerRow& row) { return dialect.CanEncode(row); },
        [&] { return dialect.Encode(table, gauge); },
        [&](std::string_view bytes) { dialect.Written(bytes); });
}

WriteResult WritePeerList(const QString& path, const PeerList& peers, WorkGauge& gauge,
                          WriteOptions options) {
    return WriteList(
        path, peers, gauge, options, CanEncodePeerRow, [&] { return EncodePeerList(peers, gauge); },
        [](std::string_view /*bytes*/) {});
}

}  // namespace hublane::serverlist
