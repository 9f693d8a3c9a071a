// hublanectl probe: asks one eD2k server for its description or its server list over UDP.
#include <QByteArray>
#include <string_view>

#include "cli/Commands.h"
#include "probe/Ed2kMessages.h"
#include "probe/UdpExchange.h"

namespace hublane::cli {
namespace {

constexpr int kNoAnswer = 2;

// Windows-1252, the code page servers write their texts in: Latin-1 except 0x80 to 0x9F.
QString FromWindows1252(std::string_view bytes) {
    static const char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                       0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString out;
    out.reserve(static_cast<qsizetype>(bytes.size()));
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        out += (b >= 0x80 && b < 0xA0) ? QChar(kHigh[b - 0x80]) : QChar(static_cast<char16_t>(b));
    }
    return out;
}

// One field of a tab-separated line: backslash, tab, CR and LF written as \\ \t \r \n.
QString Escaped(std::string_view bytes) {
    QString out;
    for (const QChar c : FromWindows1252(bytes)) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\t')
            out += QStringLiteral("\\t");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

// Sends one request to HOST at the listed PORT + 4 and returns the one datagram that came back.
QByteArray Exchange(const QString& host, quint16 udpPort, const std::string& request) {
    probe::UdpExchange exchange;
    if (!exchange.Open(host, udpPort) ||
        !exchange.Send(QByteArray(request.data(), static_cast<qsizetype>(request.size())))) {
        return {};
    }
    return exchange.Receive(probe::kReceiveWaitMs);
}

std::string_view View(const QByteArray& bytes) {
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace

int RunProbe(const QStringList& args, Io& io) {
    bool ok = false;
    const int listedPort = args.size() == 3 ? args[2].toInt(&ok) : -1;
    const bool desc = args.size() == 3 && args[0] == QLatin1String("desc");
    const bool list = args.size() == 3 && args[0] == QLatin1String("list");
    if ((!desc && !list) || !ok || listedPort < 0 || listedPort > 65535 - probe::kServerUdpPortOffset) {
        io.err << "usage: hublanectl probe desc|list HOST PORT (PORT: the server's listed port)\n";
        return 1;
    }
    const QString& host = args[1];
    const auto udpPort = static_cast<quint16>(listedPort + probe::kServerUdpPortOffset);

    if (desc) {
        const QByteArray answer = Exchange(host, udpPort, probe::DescriptionRequest());
        if (!probe::IsDescriptionAnswer(View(answer))) {
            io.err << "hublanectl: no description answer from " << host << ':' << udpPort << '\n';
            return kNoAnswer;
        }
        const probe::Description d = probe::ParseDescription(View(answer));
        io.out << Escaped(d.name) << '\t' << Escaped(d.description) << '\n';
        return 0;
    }

    const QByteArray answer = Exchange(host, udpPort, probe::ServerListRequest());
    if (!probe::IsServerListAnswer(View(answer))) {
        io.err << "hublanectl: no server list answer from " << host << ':' << udpPort << '\n';
        return kNoAnswer;
    }
    serverlist::EntryTable entries{};
    const int filled = probe::ParseServerList(View(answer), entries);
    for (int i = 0; i < filled; ++i) {
        const serverlist::SERVEUR& e = entries[static_cast<std::size_t>(i)];
        if (probe::IsUsableEntry(e)) {
            io.out << QString::fromStdString(e.ip) << ':' << QString::fromStdString(e.port) << '\n';
        }
    }
    return 0;
}

}  // namespace hublane::cli
