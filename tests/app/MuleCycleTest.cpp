// Whole cycles on an aMule list against simulated servers on loopback: the entries the table
// cannot hold (a second port, a dynamic-IP server) and the tags it does not show come back as
// they were, a cycle that learns nothing changes no byte, and a running aMule is named.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QFile>

#include "clients/MuleServerMet.h"
#include "lab/Lab.h"
#include "support/EngineRig.h"
#include "support/MuleBytes.h"
#include "support/TestSupport.h"

namespace hublane::clients {
namespace {

using namespace std::string_literals;
using namespace test::mule;

const std::string kBom = "\xEF\xBB\xBF";

// aMule's way: the name twice (with and without a byte-order mark), a priority, a last ping.
const std::string kUn = Entry("\x7F\x00\x0A\x14"s, 4661, 5,
                              TextTag("\x01", kBom + "Un") + TextTag("\x01", "Un") +
                                  TextTag("\x0B", "premier") + IntTag("\x0E", 1) + IntTag("\x90", 77));
// A short string of the new style (type 0x80 | 0x14: four bytes, id 0x01), no description.
const std::string kDeux = Entry("\x7F\x00\x0A\x15"s, 4661, 1, "\x94\x01"s + "Deux");
// The first server's address on another port, and a dynamic-IP server.
const std::string kSecondPort = Entry("\x7F\x00\x0A\x14"s, 4662, 1, TextTag("\x01", "Un bis"));
const std::string kDynamic =
    Entry("\x00\x00\x00\x00"s, 4661, 2, TextTag("\x01", "Dyn") + TextTag("\x85", "dyn.example.org"));

std::string ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

std::vector<std::string> RawEntries(const std::string& bytes) {
    MuleServerMet doc;
    serverlist::PlainGauge gauge;
    EXPECT_TRUE(ReadMuleServerMet(bytes, doc, gauge).Ok());
    std::vector<std::string> raw;
    for (const MuleServerEntry& entry : doc.entries) {
        raw.emplace_back(doc.Bytes(entry.bytes));
    }
    return raw;
}

TEST(MuleCycleTest, KeepsWhatTheTableCannotHoldAndChangesOnlyWhatTheServersSay) {
    struct Case {
        const char* what;
        const char* lab;
        bool running;
        const char* ipFilter;  // ipfilter.dat in aMule's folder, or nullptr
        // The entries written back, as raw bytes; empty: the expected ones are checked below.
        std::vector<std::string> expected;
    };
    const std::string original = File(4, kUn + kDeux + kSecondPort + kDynamic);
    const char* both = "127.0.10.20 4661 answer name=Un desc=premier\n127.0.10.21 4661 answer name=Deux\n";
    const std::vector<Case> cases = {
        {"every server answers what the file holds",
         both,
         false,
         nullptr,
         {kUn, kDeux, kSecondPort, kDynamic}},
        {"a silent server goes, a running aMule is named",
         "127.0.10.20 4661 answer name=Un desc=premier\n127.0.10.21 4661 silent\n",
         true,
         nullptr,
         {kUn, kSecondPort, kDynamic}},
        {"aMule's ipfilter.dat keeps a server out",
         both,
         false,
         "127.0.10.21 - 127.0.10.21 , 0 , blocked\n",
         {kUn, kSecondPort, kDynamic}},
        {"a server answers another name",
         "127.0.10.20 4661 answer name=Neuf desc=premier\n127.0.10.21 4661 answer name=Deux\n",
         false,
         nullptr,
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const platform::FastClock fast(4);
        app::EngineOptions options;
        options.client = ClientKind::Amule;
        options.address.bind = QHostAddress(QStringLiteral("127.0.10.9"));
        test::EngineRig rig(options, &fast);
        ASSERT_TRUE(rig.dir.isValid());
        lab::Lab lab;
        QString error;
        // The second port listens too, to tell whether anything is sent to it.
        ASSERT_TRUE(lab.StartServers(QString::fromLatin1(c.lab) + QStringLiteral("127.0.10.20 4662 silent\n"),
                                     &error))
            << error.toStdString();
        {
            QFile file(rig.ServerMetPath());
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(original.data(), static_cast<qint64>(original.size()));
        }
        if (c.ipFilter != nullptr) {
            test::WriteWholeFile(rig.dir.filePath(QStringLiteral("ipfilter.dat")), c.ipFilter);
        }
        if (c.running) {
            QFile lock(rig.dir.filePath(QStringLiteral("muleLock")));
            ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
            lock.write(QByteArray::number(QCoreApplication::applicationPid()));
        }
        rig.settings.Values()[QStringLiteral("inter")] = 2;
        rig.settings.Values()[QStringLiteral("NbThreads")] = 10;
        rig.settings.Values()[QStringLiteral("Timeout")] = 1;
        rig.Window().Show();

        const std::string written = ReadBytes(rig.ServerMetPath());
        const std::vector<std::string> entries = RawEntries(written);
        if (!c.expected.empty()) {
            EXPECT_EQ(entries, c.expected);
        } else {
            // The new name replaces both of its tags and nothing else of the entry.
            ASSERT_EQ(entries.size(), 4u);
            EXPECT_EQ(entries[0],
                      Entry("\x7F\x00\x0A\x14"s, 4661, 5,
                            TextTag("\x01", kBom + "Neuf") + TextTag("\x01", "Neuf") +
                                TextTag("\x0B", "premier") + IntTag("\x0E", 1) + IntTag("\x90", 77)));
            EXPECT_EQ(std::vector<std::string>(entries.begin() + 1, entries.end()),
                      (std::vector<std::string>{kDeux, kSecondPort, kDynamic}));
        }
        if (c.expected.size() == 4) {
            EXPECT_EQ(written, original) << "a cycle that learned nothing changed the file";
        }
        // The carried second port was never probed, the first port was.
        EXPECT_GE(lab.Requests(QStringLiteral("127.0.10.20"), 4661).description, 1);
        EXPECT_EQ(lab.Requests(QStringLiteral("127.0.10.20"), 4662).Total(), 0);
        if (c.ipFilter != nullptr) {
            EXPECT_EQ(lab.Requests(QStringLiteral("127.0.10.21")).Total(), 0);
        }
        ASSERT_FALSE(rig.status.captions.isEmpty());
        const QString summary = rig.status.captions.last();
        EXPECT_TRUE(summary.contains(QStringLiteral("2 entrées gardées telles quelles")))
            << summary.toStdString();
        // aMule's lock names a live process but no EC port answers: the hand-off could not give it
        // the list, so the summary warns that aMule will overwrite the file.
        EXPECT_EQ(summary.contains(
                      QStringLiteral("aMule est lancé : la liste écrite sera remplacée à sa fermeture")),
                  c.running)
            << summary.toStdString();
        EXPECT_FALSE(summary.contains(QStringLiteral("transmise directement"))) << summary.toStdString();
        EXPECT_TRUE(test::WaitFor([&rig] { return !rig.Window().Visible(); }, 3000));
    }
}

}  // namespace
}  // namespace hublane::clients
