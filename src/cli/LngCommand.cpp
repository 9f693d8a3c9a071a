// hublanectl lng: dumps the texts of a language file and builds one from a text source.
#include <QFile>

#include "cli/Commands.h"
#include "platform/FileBytes.h"
#include "platform/LangSource.h"
#include "platform/PeStringTable.h"
#include "platform/PeWriter.h"

namespace hublane::cli {

namespace {

constexpr qint64 kMaxInputSize = 64LL * 1024 * 1024;

std::optional<QByteArray> ReadFile(const QString& path, Io& io) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        io.err << "hublanectl lng: cannot open " << path << ": " << file.errorString() << '\n';
        return std::nullopt;
    }
    if (file.size() > kMaxInputSize) {
        io.err << "hublanectl lng: " << path << " is too large\n";
        return std::nullopt;
    }
    return file.readAll();
}

std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString Utf8(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

void PrintText(Io& io, unsigned id, const std::string& text) {
    io.out << id << '\t' << Utf8(platform::EscapeLangText(text)) << '\n';
}

int Dump(const QStringList& args, Io& io) {
    QString path;
    bool all = false;
    for (const QString& a : args) {
        if (a == QLatin1String("--all")) {
            all = true;
        } else if (path.isEmpty() && !a.startsWith(QLatin1Char('-'))) {
            path = a;
        } else {
            io.err << "hublanectl lng dump: unexpected argument '" << a << "'\n";
            return 1;
        }
    }
    if (path.isEmpty()) {
        io.err << "usage: hublanectl lng dump FILE [--all]\n";
        return 1;
    }
    const auto bytes = ReadFile(path, io);
    if (!bytes) {
        return 1;
    }
    const auto table = platform::ReadStringTable(View(*bytes));
    if (!table) {
        io.err << "hublanectl lng: " << path << " is not a language file (no readable string table)\n";
        return 1;
    }
    if (all) {
        for (const auto& [id, text] : *table) {
            PrintText(io, id, text);
        }
    } else {
        unsigned id = 1;
        for (const std::string& text : platform::LoadableTexts(*table)) {
            PrintText(io, id++, text);
        }
    }
    return 0;
}

int Build(const QStringList& args, Io& io) {
    if (args.size() != 2) {
        io.err << "usage: hublanectl lng build SOURCE OUT\n";
        return 1;
    }
    const auto bytes = ReadFile(args[0], io);
    if (!bytes) {
        return 1;
    }
    const platform::LangSourceResult source = platform::ParseLangSource(View(*bytes));
    if (!source.table) {
        io.err << args[0] << ':' << source.errorLine << ": " << Utf8(source.error) << '\n';
        return 1;
    }
    const auto image = platform::WriteStringTableDll(*source.table);
    if (!image) {
        io.err << "hublanectl lng: a text is too long for a string resource\n";
        return 1;
    }
    QString error;
    if (!platform::WriteFileAtomically(args[1], std::string_view(image->data(), image->size()), &error)) {
        io.err << "hublanectl lng: cannot write " << args[1] << ": " << error << '\n';
        return 1;
    }
    return 0;
}

}  // namespace

int RunLng(const QStringList& args, Io& io) {
    const QString verb = args.value(0);
    if (verb == QLatin1String("dump")) {
        return Dump(args.mid(1), io);
    }
    if (verb == QLatin1String("build")) {
        return Build(args.mid(1), io);
    }
    io.err << "usage: hublanectl lng dump FILE [--all] | hublanectl lng build SOURCE OUT\n";
    return 1;
}

}  // namespace hublane::cli
