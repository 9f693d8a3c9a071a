// An IP filter list read from a file, plain or gzip-compressed.
#include "serverlist/IpFilterFile.h"

#include <QFileInfo>

#include "platform/FileBytes.h"

namespace hublane::serverlist {

IpFilterLoad IpFilterFile::Read(const QString& path) {
    const QFileInfo info(path);
    const auto fail = [](std::string reason) {
        IpFilterLoad load;
        load.error = std::move(reason);
        return load;
    };
    if (path.isEmpty() || !info.exists()) {
        return fail("no such file");
    }
    if (!info.isFile()) {
        return fail("not a regular file");
    }
    if (info.size() > kMaxFileBytes) {
        return fail("larger than " + std::to_string(kMaxFileBytes) + " bytes, not a filter list");
    }
    const std::optional<QByteArray> bytes = platform::ReadRegularFile(path, kMaxFileBytes);
    if (!bytes) {
        return fail("cannot read the file");
    }
    return IpFilter::Parse(std::string_view(bytes->constData(), static_cast<std::size_t>(bytes->size())));
}

}  // namespace hublane::serverlist
