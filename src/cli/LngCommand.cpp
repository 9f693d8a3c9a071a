// hublanectl lng: dumps the texts of a language file and builds one from a text source.
#include <QFile>

#include "cli/Commands.h"
#include "cli/VerbLine.h"
#include "language/LangSource.h"
#include "language/PeStringTable.h"
#include "language/PeWriter.h"
#include "platform/FileBytes.h"

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
    io.out << id << '\t' << Utf8(language::EscapeLangText(text)) << '\n';
}

int Dump(const VerbLine& line, Io& io) {
    const QString path = line.Args().at(0);
    const bool all = line.IsSet(QStringLiteral("all"));
    const auto bytes = ReadFile(path, io);
    if (!bytes) {
        return 1;
    }
    const auto table = language::ReadStringTable(View(*bytes));
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
        for (const std::string& text : language::LoadableTexts(*table)) {
            PrintText(io, id++, text);
        }
    }
    return 0;
}

int Build(const VerbLine& line, Io& io) {
    const QStringList& args = line.Args();
    const auto bytes = ReadFile(args[0], io);
    if (!bytes) {
        return 1;
    }
    const language::LangSourceResult source = language::ParseLangSource(View(*bytes));
    if (!source.table) {
        io.err << args[0] << ':' << source.errorLine << ": " << Utf8(source.error) << '\n';
        return 1;
    }
    const auto image = language::WriteStringTableDll(*source.table);
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

std::vector<Verb> LngVerbs() {
    return {
        {{.name = "lng dump",
          .arguments = "FILE",
          .summary = "print the texts of a language file, N<TAB>text a line (\\\\ \\t \\r \\n escaped)",
          .options = {{"all", {}, "every string of the file, not only those the program loads"}}},
         1,
         1,
         &Dump},
        {{.name = "lng build",
          .arguments = "SOURCE OUT",
          .summary = "build a language file from a text source of N<TAB>text lines"},
         2,
         2,
         &Build},
    };
}

}  // namespace hublane::cli
