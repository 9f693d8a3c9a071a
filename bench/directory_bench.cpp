// hublane-directory under load on loopback: requests per second for liste.php with 1,000 listed
// servers, and for rcv.php with 50 entries (new servers, then servers it already has). The
// directory runs in this process on its own thread of events (the main one), the load from
// keep-alive connections on another thread; SQLite in a temporary folder; no probing. With
// --attacks: how often a normal client's liste.php is answered within 1 s while 300 and 2,000 slow
// connections are held open and while 250 connections pour 4 MB heads, and the resident memory of
// the process (the directory and the attack together).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "BenchParts.h"
#include "directory/Directory.h"
#include "directory/DirectoryStore.h"
#include "exchange/WebFormats.h"

namespace {

using namespace hublane;

constexpr int kConnections = 8;
constexpr int kSeconds = 5;
const QString kHost = QStringLiteral("127.31.9.1");

// Loopback addresses outside 127.0.0.x, one per index.
std::string Address(int i) {
    return "127." + std::to_string(1 + i / 62500) + "." + std::to_string(i / 250 % 250) + "." +
           std::to_string(i % 250 + 1);
}

// Keep-alive connections that each send the next request as soon as the last answer is whole.
// After requestsPerCopy answers a connection is closed and another one opened from the next
// loopback address: so many copies, each with its own count of pending candidates.
class Load {
  public:
    Load(quint16 port, long requestsPerCopy, std::function<QByteArray(long)> target)
        : m_port(port), m_requestsPerCopy(requestsPerCopy), m_target(std::move(target)) {}

    void Start(QObject* home) {
        for (int i = 0; i < kConnections; ++i) {
            Open(home);
        }
    }

    std::atomic<long> done{0};
    std::atomic<long> errors{0};
    std::atomic<bool> stop{false};

  private:
    void Open(QObject* home) {
        auto* socket = new QTcpSocket(home);
        auto buffer = std::make_shared<QByteArray>();
        auto answered = std::make_shared<long>(0);
        QObject::connect(socket, &QTcpSocket::connected, socket, [this, socket] { Send(socket); });
        QObject::connect(socket, &QIODevice::readyRead, socket, [this, home, socket, buffer, answered] {
            *buffer += socket->readAll();
            for (;;) {
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0) {
                    return;
                }
                const qsizetype at = buffer->indexOf("Content-Length: ");
                const qsizetype lineEnd = buffer->indexOf("\r\n", at);
                const qsizetype length = buffer->mid(at + 16, lineEnd - at - 16).toLongLong();
                if (buffer->size() < end + 4 + length) {
                    return;
                }
                if (!buffer->startsWith("HTTP/1.1 200")) {
                    ++errors;
                }
                buffer->remove(0, end + 4 + length);
                ++done;
                if (stop) {
                    return;
                }
                if (++*answered == m_requestsPerCopy) {
                    socket->disconnect();
                    socket->abort();
                    socket->deleteLater();
                    Open(home);
                    return;
                }
                Send(socket);
            }
        });
        const int copy = m_copies++;
        socket->bind(QHostAddress(QStringLiteral("127.31.%1.%2").arg(10 + copy / 250).arg(copy % 250 + 1)),
                     0);
        socket->connectToHost(kHost, m_port);
    }

    void Send(QTcpSocket* socket) {
        socket->write("GET " + m_target(m_sent++) + " HTTP/1.1\r\nHost: 127.31.9.1\r\n\r\n");
    }

    quint16 m_port;
    long m_requestsPerCopy;
    std::function<QByteArray(long)> m_target;
    long m_sent = 0;   // on the load's thread only
    int m_copies = 0;  // on the load's thread only
};

// Runs the load for kSeconds while the directory answers on this thread; requests per second.
double Measure(directory::Directory& dir, long requestsPerCopy, std::function<QByteArray(long)> target,
               long* errors) {
    QThread thread;
    auto* home = new QObject;
    home->moveToThread(&thread);
    QObject::connect(&thread, &QThread::finished, home, &QObject::deleteLater);
    thread.start();
    Load load(dir.Port(), requestsPerCopy, std::move(target));
    QMetaObject::invokeMethod(home, [&load, home] { load.Start(home); });
    QElapsedTimer timer;
    timer.start();
    QEventLoop loop;
    QTimer::singleShot(kSeconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const long done = load.done;
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    load.stop = true;
    // Let the last answers go out before the load's sockets go.
    QTimer::singleShot(200, &loop, &QEventLoop::quit);
    loop.exec();
    thread.quit();
    thread.wait();
    *errors = load.errors;
    return static_cast<double>(done) / seconds;
}

// An attack held on another thread: `count` connections, one loopback address each, each either
// sending its request head one byte every 5 s (slow) or pouring header bytes in 64 KB pieces up to
// 4 MB (large); each one the directory closes is opened again at once.
class Attack {
  public:
    Attack(quint16 port, int count, bool large) : m_port(port), m_count(count), m_large(large) {}
    void Start(QObject* home) {
        auto* drip = new QTimer(home);
        QObject::connect(drip, &QTimer::timeout, home, [this] {
            for (QTcpSocket* s : m_open) {
                s->write("X", 1);
            }
        });
        drip->start(5000);
        for (int i = 0; i < m_count; ++i) {
            Open(home, i);
        }
    }
    std::atomic<long> reopened{0};

  private:
    void Open(QObject* home, int index) {
        auto* socket = new QTcpSocket(home);
        m_open.insert(socket);
        QObject::connect(socket, &QTcpSocket::connected, socket, [this, socket] {
            socket->write("GET /liste.php HTTP/1.1\r\nHost: 127.31.9.1\r\nX-Slow: ");
            if (m_large) {
                socket->write(QByteArray(64 * 1024, 'a'));
            }
        });
        auto sent = std::make_shared<qint64>(0);
        QObject::connect(socket, &QIODevice::bytesWritten, socket, [this, socket, sent](qint64 n) {
            *sent += n;
            if (m_large && socket->bytesToWrite() == 0 && *sent < 4 * 1024 * 1024) {
                socket->write(QByteArray(64 * 1024, 'a'));
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, home, [this, home, socket, index] {
            m_open.erase(socket);
            socket->deleteLater();
            ++reopened;
            Open(home, index);
        });
        const int a = index;
        socket->bind(QHostAddress(QStringLiteral("127.32.%1.%2").arg(a / 250).arg(a % 250 + 1)), 0);
        socket->connectToHost(kHost, m_port);
    }
    quint16 m_port;
    int m_count;
    bool m_large;
    std::set<QTcpSocket*> m_open;
};

// A normal client during an attack: `probes` liste.php requests, one at a time, each on a new
// connection from a new address; how many were answered whole within 1 s, and the slowest.
void UnderAttack(directory::Directory& dir, const char* what, int count, bool large, int probes) {
    QThread attackThread;
    auto* home = new QObject;
    home->moveToThread(&attackThread);
    QObject::connect(&attackThread, &QThread::finished, home, &QObject::deleteLater);
    attackThread.start();
    Attack attack(dir.Port(), count, large);
    QMetaObject::invokeMethod(home, [&attack, home] { attack.Start(home); });
    const long rssBefore = bench::RssKb();
    long peakRss = rssBefore;
    // Let the attack take hold before the first request.
    QEventLoop loop;
    QTimer::singleShot(2000, &loop, &QEventLoop::quit);
    loop.exec();
    std::atomic<int> within{0};
    std::atomic<int> done{0};
    std::atomic<long long> slowest{0};
    QThread* client = QThread::create([&] {
        for (int i = 0; i < probes; ++i) {
            QElapsedTimer t;
            t.start();
            QTcpSocket socket;
            socket.bind(QHostAddress(QStringLiteral("127.33.%1.%2").arg(i / 250).arg(i % 250 + 1)), 0);
            socket.connectToHost(kHost, dir.Port());
            QByteArray got;
            if (socket.waitForConnected(5000)) {
                socket.write("GET /liste.php HTTP/1.1\r\nHost: 127.31.9.1\r\nConnection: close\r\n\r\n");
                while (socket.state() == QAbstractSocket::ConnectedState && t.elapsed() < 5000 &&
                       socket.waitForReadyRead(static_cast<int>(5000 - t.elapsed()))) {
                    got += socket.readAll();
                }
                got += socket.readAll();
            }
            const long long ms = t.elapsed();
            if (got.startsWith("HTTP/1.1 200") && got.contains("</html>") && ms <= 1000) {
                ++within;
            }
            slowest = std::max<long long>(slowest, ms);
            ++done;
            QThread::msleep(50);
        }
    });
    client->start();
    while (done < probes) {
        QTimer::singleShot(100, &loop, &QEventLoop::quit);
        loop.exec();
        peakRss = std::max(peakRss, bench::RssKb());
    }
    client->wait();
    delete client;
    std::printf(
        "%s: liste.php answered within 1 s %d of %d (%.1f%%), slowest %lld ms; %ld attack connections "
        "closed and opened again; resident memory %ld KiB before, peak %ld KiB\n",
        what, within.load(), probes, 100.0 * within / probes, slowest.load(), attack.reopened.load(),
        rssBefore, peakRss);
    attackThread.quit();
    attackThread.wait();
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray RcvTarget(int first) {
    std::string url = "/rcv.php?nbips=50&ips=";
    for (int i = 0; i < 50; ++i) {
        url += (i > 0 ? "-" : "") + exchange::RcvEntry(Address(first + i), "4661").value();
    }
    return QByteArray::fromStdString(url);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // bench_directory [--attacks]: the attacks take about a minute more.
    const bool attacks = app.arguments().contains(QStringLiteral("--attacks"));
    QTemporaryDir folder;
    directory::DirectorySettings settings;
    settings.listen = {kHost.toStdString(), 0};
    settings.database.file = folder.filePath(QStringLiteral("bench.sqlite")).toStdString();
    settings.allowPrivate = true;
    settings.probesPerSecond = 0;
    settings.writeLimitPerMinute = 0;
    settings.readLimitPerMinute = 0;
    // Every other limit and cap as the program has them; the stored servers may grow past 20,000.
    settings.maxStoredServers = 10'000'000;
    settings.maxStoredPerNetwork = 10'000'000;
    // Each request's log line is made as the program makes it, then dropped.
    directory::Directory dir(settings, [](const QString& line) { (void)line.size(); });
    QString error;
    if (!dir.Start(&error)) {
        std::fprintf(stderr, "bench_directory: %s\n", qPrintable(error));
        return 1;
    }
    const std::int64_t now = dir.NowMs();
    for (int i = 0; i < 1000; ++i) {
        directory::StoredServer server;
        server.address = Address(i);
        server.port = 4661;
        server.state = directory::ServerState::Listed;
        server.name = "Serveur " + std::to_string(i) + " <bench> & co";
        server.verifiedAtMs = now - i;
        server.nextCheckMs = now + 3600000;
        server.reporter = "127.31.9.2";
        dir.Store().PutServer(server);
    }

    long errors = 0;
    std::printf("hublane-directory on loopback, SQLite, %d keep-alive connections, %d s each\n", kConnections,
                kSeconds);
    const double list = Measure(
        dir, 1'000'000, [](long) { return QByteArrayLiteral("/liste.php"); }, &errors);
    std::printf("liste.php, 1,000 listed servers:      %8.0f requests/s  (%ld errors)\n", list, errors);
    // Each copy sends 10 requests of 50 new servers: 500, its cap of pending candidates.
    const double fresh = Measure(
        dir, 10, [](long n) { return RcvTarget(100000 + static_cast<int>(n % 40000) * 50); }, &errors);
    std::printf("rcv.php, 50 new servers each:         %8.0f requests/s  (%ld errors)\n", fresh, errors);
    const long storedAfterNew = dir.Store().CountServers();
    const double known = Measure(
        dir, 1'000'000, [](long n) { return RcvTarget(static_cast<int>(n % 20) * 50); }, &errors);
    std::printf("rcv.php, 50 servers already listed:   %8.0f requests/s  (%ld errors)\n", known, errors);
    // One copy past its cap: each request counts its 500 pending candidates and stores nothing.
    const double capped = Measure(
        dir, 1'000'000, [](long n) { return RcvTarget(3'000'000 + static_cast<int>(n % 20000) * 50); },
        &errors);
    std::printf("rcv.php, 50 new from a copy at its cap: %6.0f requests/s  (%ld errors)\n", capped, errors);
    std::printf("stored servers: %ld after the new ones, %lld at the end\n", storedAfterNew,
                dir.Store().CountServers());
    if (attacks) {
        UnderAttack(dir, "300 slow connections from 300 addresses", 300, false, 200);
        UnderAttack(dir, "2,000 slow connections from 2,000 addresses", 2000, false, 200);
        UnderAttack(dir, "250 connections sending 4 MB heads", 250, true, 200);
    }
    dir.Stop();
    return 0;
}
