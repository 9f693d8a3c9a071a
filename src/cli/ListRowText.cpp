// The line format of hublanectl's list verbs: tab-separated fields whose bytes pass unchanged.
#include "cli/ListRowText.h"

#include <QStringList>

#include "text/Escapes.h"

namespace hublane::cli {

QString EscapeField(const std::string& bytes) {
    const std::string out = text::Escape(bytes, text::kFieldEscapes);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

std::string UnescapeField(const QString& field) {
    const QByteArray raw = field.toLatin1();
    return *text::Unescape(std::string_view(raw.constData(), static_cast<std::size_t>(raw.size())),
                           text::kFieldEscapes, text::UnknownEscape::Keep);
}

std::vector<std::string> SplitFields(const QString& line) {
    std::vector<std::string> fields;
    for (const QString& part : line.split(QLatin1Char('\t'))) {
        fields.push_back(UnescapeField(part));
    }
    return fields;
}

Latin1Stream::Latin1Stream(QTextStream* stream) : m_stream(stream) {
    if (m_stream != nullptr) {
        m_stream->flush();
        m_previous = m_stream->encoding();
        m_stream->setEncoding(QStringConverter::Latin1);
    }
}

Latin1Stream::~Latin1Stream() {
    if (m_stream != nullptr) {
        m_stream->flush();
        m_stream->setEncoding(m_previous);
    }
}

void PrintServerRows(const serverlist::ServerTable& table, QTextStream& out) {
    const Latin1Stream bytesOut(&out);
    for (const serverlist::ServerRow& row : table.Rows()) {
        out << EscapeField(row.caption);
        for (const std::string& sub : row.subItems) {
            out << '\t' << EscapeField(sub);
        }
        out << '\n';
    }
}

}  // namespace hublane::cli
