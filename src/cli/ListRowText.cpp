// The line format of hublanectl's list verbs: tab-separated fields whose bytes pass unchanged.
#include "cli/ListRowText.h"

#include "platform/LangSource.h"

#include <QStringList>

namespace hublane::cli {
namespace {

std::string UnescapeBytes(const QByteArray& raw) {
    std::string out;
    out.reserve(static_cast<std::size_t>(raw.size()));
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw[i];
        if (c != '\\' || i + 1 == raw.size()) {
            out.push_back(c);
            continue;
        }
        switch (raw[i + 1]) {
            case '\\':
                out.push_back('\\');
                break;
            case 't':
                out.push_back('\t');
                break;
            case 'r':
                out.push_back('\r');
                break;
            case 'n':
                out.push_back('\n');
                break;
            default:
                out.push_back(c);
                continue;  // the next character is taken as it is
        }
        ++i;
    }
    return out;
}

}  // namespace

QString EscapeField(const std::string& bytes) {
    const std::string out = platform::EscapeLangText(bytes);
    return QString::fromLatin1(out.data(), static_cast<qsizetype>(out.size()));
}

std::string UnescapeField(const QString& field) {
    return UnescapeBytes(field.toLatin1());
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
