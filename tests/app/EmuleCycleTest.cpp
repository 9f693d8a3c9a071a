// Whole cycles on an eMule list against simulated servers on loopback, handed to eMule by a
// recording runner: the hand-off step's line says what eMule took and that the server the cycle
// removed stays in eMule, and the summary says whether eMule got the list or will replace it.
#include <gtest/gtest.h>
#include <QFile>

#include "lab/Lab.h"
#include "support/EngineRig.h"
#include "support/MuleBytes.h"
#include "support/TestSupport.h"

namespace hublane::clients {
namespace {

using namespace std::string_literals;
using namespace test::mule;
using Outcome = HandOffResult::Outcome;

const QString kKept =
    QStringLiteral(" ; 1 serveur retiré de la liste reste dans eMule, qui ne peut en retirer par ce moyen");

TEST(EmuleCycleTest, HandOffSaysWhatEmuleTookAndTheSummaryWhetherItRuns) {
    const QString direct = QStringLiteral("eMule est lancé : la liste lui est transmise directement");
    const QString replaced =
        QStringLiteral("eMule est lancé : la liste écrite sera remplacée à sa fermeture");
    const struct {
        const char* what;
        HandOffResult answer;
        QString notice;  // empty: none
        QString line;    // the hand-off's, which ends the summary
    } cases[] = {
        {"eMule takes every link",
         {Outcome::Delivered, 1, 2, {}},
         direct,
         QStringLiteral("eMule : 2 serveurs envoyés") + kKept},
        {"eMule stops answering part-way",
         {Outcome::NotAnswering, 1, 1, {}},
         replaced,
         QStringLiteral("eMule : eMule n'a pas répondu à temps, 1 serveur envoyé sur 2") + kKept},
        {"no eMule runs",
         {Outcome::NoClient, 0, 0, {}},
         QString(),
         QStringLiteral("eMule : aucun eMule en marche, rien n'a été envoyé") + kKept},
    };
    const std::string original = File(3, Entry("\x7F\x00\x0B\x01"s, 4661, 1, TextTag("\x01", "Un")) +
                                             Entry("\x7F\x00\x0B\x02"s, 4661, 1, TextTag("\x01", "Deux")) +
                                             Entry("\x7F\x00\x0B\x03"s, 4661, 1, TextTag("\x01", "Trois")));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const platform::FastClock fast(4);
        app::EngineOptions options;
        options.client = ClientKind::Emule;
        options.address.bind = QHostAddress(QStringLiteral("127.0.11.9"));
        test::EngineRig rig(options, &fast);
        lab::Lab lab;
        QString error;
        ASSERT_TRUE(lab.StartServers(QStringLiteral("127.0.11.1 4661 answer name=Un\n"
                                                    "127.0.11.2 4661 answer name=Deux\n"
                                                    "127.0.11.3 4661 silent\n"),
                                     &error))
            << error.toStdString();
        test::WriteWholeFile(rig.ServerMetPath(), QByteArray::fromStdString(original));
        rig.handOff->answer = c.answer;
        rig.settings.Values()[QStringLiteral("inter")] = 2;
        rig.settings.Values()[QStringLiteral("NbThreads")] = 10;
        rig.settings.Values()[QStringLiteral("Timeout")] = 1;
        rig.Window().Show();

        ASSERT_EQ(rig.handOff->calls.size(), 1u);
        EXPECT_EQ(rig.handOff->calls[0],
                  (std::vector<HandOffAddress>{{"127.0.11.1", "4661"}, {"127.0.11.2", "4661"}}));
        ASSERT_FALSE(rig.status.captions.isEmpty());
        const QString summary = rig.status.captions.last();
        EXPECT_TRUE(summary.startsWith(QStringLiteral("Cycle terminé : 2 serveurs gardés, 1 retiré")))
            << summary.toStdString();
        EXPECT_TRUE(summary.endsWith(QStringLiteral(" ; ") + c.line)) << summary.toStdString();
        EXPECT_EQ(summary.contains(QStringLiteral("eMule est lancé")), !c.notice.isEmpty())
            << summary.toStdString();
        if (!c.notice.isEmpty()) {
            EXPECT_TRUE(summary.contains(QStringLiteral(" ; ") + c.notice + QStringLiteral(" ; ") + c.line))
                << summary.toStdString();
        }
        EXPECT_TRUE(test::WaitFor([&rig] { return !rig.Window().Visible(); }, 3000));
    }
}

}  // namespace
}  // namespace hublane::clients
