// The server.met of eMule or aMule on disk.
#include "clients/MuleServerMetFile.h"

#include <QByteArray>
#include <QFileInfo>
#include <optional>
#include <string_view>

#include "language/LanguageTable.h"
#include "platform/FileBytes.h"

namespace hublane::clients {
namespace {

constexpr qint64 kMaxListFileBytes = 64LL * 1024 * 1024;

}  // namespace

serverlist::ReadOutcome ReadMuleServerMetFile(const QString& path, MuleServerMet& doc,
                                              serverlist::ServerTable& table, serverlist::ReadContext& ctx,
                                              int* serverCounter) {
    table.Clear();
    doc = MuleServerMet{};
    const std::optional<QByteArray> bytes = platform::ReadRegularFile(path, kMaxListFileBytes);
    const serverlist::ListReadResult result =
        bytes
            ? ReadMuleServerMet(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())),
                                doc, ctx.gauge)
            : serverlist::ListReadResult{serverlist::kTextCannotOpen, {}};
    FillServerTable(doc, table);
    serverlist::ReadOutcome outcome;
    outcome.whole = result.Ok();
    outcome.leftBytesUnread = !result.Ok() && bytes && !bytes->isEmpty();
    if (!result.Ok()) {
        const QString label = ctx.fileLabel.isEmpty() ? QStringLiteral("server.met") : ctx.fileLabel;
        ctx.errorLog.append(label + QStringLiteral(" : ") + ctx.language.LangText(result.errorText) +
                            QString::fromStdString(result.suffix));
    } else if (serverCounter != nullptr) {
        *serverCounter = static_cast<int>(table.Count());
    }
    return outcome;
}

serverlist::WriteResult WriteMuleServerMetFile(const QString& path, const MuleServerMet& doc,
                                               const serverlist::ServerTable& table,
                                               serverlist::WorkGauge& gauge, serverlist::WriteOptions options,
                                               MuleWriteCounts* counts) {
    MuleWriteCounts local;
    MuleWriteCounts& n = counts != nullptr ? *counts : local;
    const std::string bytes = WriteMuleServerMet(doc, table, gauge, &n);
    serverlist::WriteResult result;
    result.rowsWritten = static_cast<int>(n.kept + n.changed + n.added);
    result.rowsLeftOut = static_cast<int>(n.leftOut);
    if (options.keepFileWhenEmpty && result.rowsWritten == 0) {
        result.status = serverlist::WriteResult::Status::NothingToWrite;
        return result;
    }
    if (options.backUpOld && QFileInfo(path).isFile() && QFileInfo(path).size() > 0) {
        result.backedUp = platform::KeepBackup(path, path + QStringLiteral(".bak"), &result.error);
        if (!result.backedUp) {
            result.error = QStringLiteral("no backup of %1: %2").arg(path, result.error);
            return result;
        }
    }
    if (platform::WriteFileAtomically(path, bytes, &result.error)) {
        result.status = serverlist::WriteResult::Status::Written;
    }
    return result;
}

}  // namespace hublane::clients
