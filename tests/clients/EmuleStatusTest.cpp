// The status lines of the hand-off to eMule: each outcome, singular and plural, and the note on
// the servers eMule keeps although the cycle removed them.
#include <gtest/gtest.h>

#include "clients/EmuleStatus.h"

namespace hublane::clients {
namespace {

using clients::HandOffResult;
using Outcome = HandOffResult::Outcome;

TEST(EmuleStatusTest, SaysWhatHappenedOrWhyNot) {
    const struct {
        HandOffResult result;
        int links;
        int removed;
        const char* line;
    } cases[] = {
        {{Outcome::Delivered, 1, 12, {}}, 12, 0, "eMule : 12 serveurs envoyés"},
        {{Outcome::Delivered, 1, 1, {}}, 1, 0, "eMule : 1 serveur envoyé"},
        {{Outcome::Delivered, 1, 12, {}},
         12,
         3,
         "eMule : 12 serveurs envoyés ; 3 serveurs retirés de la liste restent dans eMule, qui ne peut en "
         "retirer par ce moyen"},
        {{Outcome::Delivered, 1, 2, {}},
         2,
         1,
         "eMule : 2 serveurs envoyés ; 1 serveur retiré de la liste reste dans eMule, qui ne peut en retirer "
         "par ce moyen"},
        {{Outcome::NoClient, 0, 0, {}}, 5, 0, "eMule : aucun eMule en marche, rien n'a été envoyé"},
        {{Outcome::NoClient, 0, 0, "1 fenêtre n'a pas répondu à temps"},
         5,
         2,
         "eMule : aucun eMule en marche, rien n'a été envoyé (1 fenêtre n'a pas répondu à temps) ; 2 "
         "serveurs "
         "retirés de la liste restent dans eMule, qui ne peut en retirer par ce moyen"},
        {{Outcome::NotAnswering, 1, 4, {}},
         10,
         0,
         "eMule : eMule n'a pas répondu à temps, 4 serveurs envoyés sur 10"},
        {{Outcome::NotAnswering, 1, 0, {}},
         10,
         0,
         "eMule : eMule n'a pas répondu à temps, 0 serveur envoyé sur 10"},
        {{Outcome::WindowGone, 1, 1, {}},
         3,
         0,
         "eMule : la fenêtre d'eMule a disparu, 1 serveur envoyé sur 3"},
        {{Outcome::EmptyTable, 0, 0, {}}, 0, 0, "eMule : aucun serveur à envoyer"},
        {{Outcome::NoWine, 0, 0, "aucun programme wine dans le PATH"},
         3,
         0,
         "eMule : envoi impossible, Wine est introuvable (aucun programme wine dans le PATH)"},
        {{Outcome::NoPrefix, 0, 0, "cherché dans /h/.wine"},
         3,
         0,
         "eMule : envoi impossible, aucun préfixe Wine trouvé (cherché dans /h/.wine)"},
        {{Outcome::NoHelper, 0, 0, "x"},
         3,
         0,
         "eMule : envoi impossible, hublane-handoff.exe est introuvable (x)"},
        {{Outcome::HelperFailed, 0, 0, "code 3"}, 3, 0, "eMule : envoi échoué (code 3)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EmuleStatusLine(c.result, c.links, c.removed).toStdString(), c.line);
    }
}

// The hand-off's own result tells whether eMule runs; only a cycle without one looks for it.
TEST(EmuleStatusTest, RunningNoticeFollowsTheHandOffElseTheLook) {
    const QString direct = QStringLiteral("eMule est lancé : la liste lui est transmise directement");
    const QString replaced =
        QStringLiteral("eMule est lancé : la liste écrite sera remplacée à sa fermeture");
    const HandOffResult found{Outcome::Delivered, 1, 0, {}};
    const HandOffResult none{Outcome::NoClient, 0, 0, {}};
    const struct {
        const char* name;
        std::optional<HandOffResult> handOff;
        HandOffResult look;
        QString notice;
        int looks;
    } cases[] = {
        {"HandedOver", HandOffResult{Outcome::Delivered, 1, 12, {}}, none, direct, 0},
        {"StoppedPartWay", HandOffResult{Outcome::NotAnswering, 1, 3, {}}, found, replaced, 0},
        {"WentAway", HandOffResult{Outcome::WindowGone, 1, 0, {}}, found, replaced, 0},
        {"NotRunning", none, found, QString(), 0},
        {"HelperFailed", HandOffResult{Outcome::HelperFailed, 0, 0, "x"}, found, QString(), 0},
        {"NoHandOffEmuleFound", std::nullopt, found, replaced, 1},
        {"NoHandOffNoEmule", std::nullopt, none, QString(), 1},
    };
    for (const auto& c : cases) {
        int looks = 0;
        const QString notice = EmuleRunningNotice(c.handOff, [&] {
            ++looks;
            return c.look;
        });
        EXPECT_EQ(notice, c.notice) << c.name;
        EXPECT_EQ(looks, c.looks) << c.name;
    }
}

}  // namespace
}  // namespace hublane::clients
