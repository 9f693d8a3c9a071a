// The description of a lab of simulated eD2k servers: one server per line, read from text.
#include "lab/LabConfig.h"

#include <QHostAddress>
#include <QStringList>

#include "probe/Ed2kMessages.h"

namespace hublane::lab {
namespace {

constexpr std::size_t kMaxEntries = 255;

struct Fail {
    QString message;
};

int HexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Splits a line into words at blanks; a double-quoted part (escapes \" \\ \n \r \t \0 \xHH)
// belongs to its word and may hold blanks. Each character of a word stands for one byte
// (Latin-1), so \xHH gives any byte.
QStringList SplitWords(const QString& line) {
    QStringList words;
    QString word;
    bool inWord = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (c == u'"') {
            inWord = true;
            for (++i;; ++i) {
                if (i >= line.size()) {
                    throw Fail{QStringLiteral("unterminated quote")};
                }
                QChar q = line[i];
                if (q == u'"') {
                    break;
                }
                if (q == u'\\') {
                    if (++i >= line.size()) {
                        throw Fail{QStringLiteral("unterminated quote")};
                    }
                    q = line[i];
                    if (q == u'n')
                        q = u'\n';
                    else if (q == u'r')
                        q = u'\r';
                    else if (q == u't')
                        q = u'\t';
                    else if (q == u'0')
                        q = QChar(0);
                    else if (q == u'x') {
                        const int hi = i + 1 < line.size() ? HexDigit(line[i + 1]) : -1;
                        const int lo = i + 2 < line.size() ? HexDigit(line[i + 2]) : -1;
                        if (hi < 0 || lo < 0) {
                            throw Fail{QStringLiteral("\\x needs two hex digits")};
                        }
                        q = QChar(static_cast<char16_t>(hi * 16 + lo));
                        i += 2;
                    } else if (q != u'"' && q != u'\\') {
                        throw Fail{QStringLiteral("unknown escape \\") + q};
                    }
                }
                word += q;
            }
        } else if (c.isSpace()) {
            if (inWord) {
                words << word;
                word.clear();
                inWord = false;
            }
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord) {
        words << word;
    }
    return words;
}

int Number(const QString& text, int min, int max, const QString& what) {
    bool ok = false;
    const int v = text.toInt(&ok, 0);  // 0x.. accepted
    if (!ok || v < min || v > max) {
        throw Fail{what + QStringLiteral(" must be a number from ") + QString::number(min) +
                   QStringLiteral(" to ") + QString::number(max) + QStringLiteral(": ") + text};
    }
    return v;
}

std::string Bytes(const QString& text) {
    const QByteArray latin = text.toLatin1();
    return std::string(latin.constData(), static_cast<std::size_t>(latin.size()));
}

serverlist::SERVEUR Entry(const QString& text) {
    const qsizetype colon = text.lastIndexOf(u':');
    serverlist::SERVEUR e{Bytes(text.mid(colon + 1)), Bytes(text.left(colon))};
    std::string probe;
    if (colon < 0 || !probe::AppendListEntry(probe, e)) {
        throw Fail{QStringLiteral("a list entry is ADDRESS:PORT with four numbers: ") + text};
    }
    return e;
}

// ADDRESS:PORT*COUNT: COUNT entries with consecutive addresses from ADDRESS, all at PORT.
void AppendRange(const QString& text, std::vector<serverlist::SERVEUR>& entries) {
    const qsizetype star = text.indexOf(u'*');
    if (star < 0) {
        throw Fail{QStringLiteral("a range is ADDRESS:PORT*COUNT: ") + text};
    }
    const serverlist::SERVEUR first = Entry(text.left(star));
    const int count =
        Number(text.mid(star + 1), 0, static_cast<int>(kMaxEntries), QStringLiteral("a range count"));
    quint32 address = QHostAddress(QString::fromLatin1(first.ip)).toIPv4Address();
    for (int i = 0; i < count; ++i, ++address) {
        entries.push_back({first.port, Bytes(QHostAddress(address).toString())});
    }
}

// The two documentation ranges a real client takes as internet servers: they can only be bound
// inside a private network namespace that routes them to its loopback (scripts/netns-run).
bool InDocumentationRange(const QHostAddress& address) {
    return address.isInSubnet(QHostAddress(QStringLiteral("198.51.100.0")), 24) ||
           address.isInSubnet(QHostAddress(QStringLiteral("203.0.113.0")), 24);
}

LabServerConfig ParseWords(const QStringList& words) {
    if (words.size() < 3) {
        throw Fail{QStringLiteral("a server line is ADDRESS PORT BEHAVIOUR [KEY=VALUE...]")};
    }
    LabServerConfig s;
    QHostAddress address;
    if (!address.setAddress(words[0]) || address.protocol() != QAbstractSocket::IPv4Protocol ||
        !(address.isLoopback() || InDocumentationRange(address))) {
        throw Fail{QStringLiteral("the address must be a loopback IPv4 address (127.x.x.x) or one of "
                                  "198.51.100.0/24 and 203.0.113.0/24: ") +
                   words[0]};
    }
    s.address = address.toString();
    s.peer = words[1] == QLatin1String("peer");
    if (s.peer) {
        s.listedPort = kLabPeerPort;
        s.udpPort = kLabPeerPort;
    } else {
        s.listedPort = static_cast<quint16>(Number(words[1], 1, 65535 - 4, QStringLiteral("the port")));
        s.udpPort = static_cast<quint16>(s.listedPort + probe::kServerUdpPortOffset);
    }
    const std::optional<Behaviour> behaviour = BehaviourFromWord(words[2]);
    if (!behaviour || (s.peer && *behaviour != Behaviour::Answer && *behaviour != Behaviour::Silent)) {
        throw Fail{QStringLiteral("unknown behaviour: ") + words[2]};
    }
    s.behaviour = *behaviour;
    for (qsizetype i = 3; i < words.size(); ++i) {
        const qsizetype eq = words[i].indexOf(u'=');
        if (eq <= 0) {
            throw Fail{QStringLiteral("expected KEY=VALUE: ") + words[i]};
        }
        const QString key = words[i].left(eq);
        const QString value = words[i].mid(eq + 1);
        if (key == QLatin1String("name")) {
            s.name = Bytes(value);
        } else if (key == QLatin1String("desc")) {
            s.description = Bytes(value);
        } else if (key == QLatin1String("peers") && s.peer) {
            for (const QString& item : value.split(u',', Qt::SkipEmptyParts)) {
                s.peers.push_back(Bytes(item));
            }
        } else if ((key == QLatin1String("list") || key == QLatin1String("servers"))) {
            for (const QString& item : value.split(u',', Qt::SkipEmptyParts)) {
                s.entries.push_back(Entry(item));
            }
        } else if (key == QLatin1String("range")) {
            AppendRange(value, s.entries);
        } else if (key == QLatin1String("delay")) {
            s.delayMs = Number(value, 0, 600000, key);
        } else if (key == QLatin1String("cut")) {
            s.cutBytes = Number(value, 0, 65535, key);
        } else if (key == QLatin1String("size")) {
            s.garbageBytes = Number(value, 0, 65507, key);  // the largest UDP payload
        } else if (key == QLatin1String("byte0")) {
            s.byte0 = static_cast<std::uint8_t>(Number(value, 0, 255, key));
        } else if (key == QLatin1String("udp")) {
            s.udpPort = static_cast<quint16>(Number(value, 1, 65535, key));
        } else {
            throw Fail{QStringLiteral("unknown key: ") + key};
        }
        if (s.entries.size() > kMaxEntries) {
            throw Fail{QStringLiteral("a server lists at most 255 entries")};
        }
    }
    return s;
}

}  // namespace

std::optional<Behaviour> BehaviourFromWord(const QString& word) {
    for (const Behaviour b : {Behaviour::Answer, Behaviour::Silent, Behaviour::Late, Behaviour::WrongCode,
                              Behaviour::Truncated, Behaviour::Garbage}) {
        if (word == BehaviourWord(b)) {
            return b;
        }
    }
    return std::nullopt;
}

QString BehaviourWord(Behaviour behaviour) {
    switch (behaviour) {
        case Behaviour::Answer:
            return QStringLiteral("answer");
        case Behaviour::Silent:
            return QStringLiteral("silent");
        case Behaviour::Late:
            return QStringLiteral("late");
        case Behaviour::WrongCode:
            return QStringLiteral("wrongcode");
        case Behaviour::Truncated:
            return QStringLiteral("truncated");
        case Behaviour::Garbage:
            return QStringLiteral("garbage");
    }
    return {};
}

std::optional<LabServerConfig> ParseLabLine(const QString& line, QString* error) {
    try {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u'#')) {
            return std::nullopt;
        }
        return ParseWords(SplitWords(trimmed));
    } catch (const Fail& f) {
        if (error) {
            *error = f.message;
        }
        return std::nullopt;
    }
}

bool ParseLabConfig(const QString& text, std::vector<LabServerConfig>& servers, QString* error) {
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString message;
        std::optional<LabServerConfig> s = ParseLabLine(lines[i], &message);
        if (s) {
            servers.push_back(std::move(*s));
        } else if (!message.isEmpty()) {
            if (error) {
                *error = QStringLiteral("line ") + QString::number(i + 1) + QStringLiteral(": ") + message;
            }
            return false;
        }
    }
    return true;
}

}  // namespace hublane::lab
