// The status line of a hand-off to eMule.
#include "clients/EmuleStatus.h"

#include "clients/EmuleLinks.h"

namespace hublane::clients {
namespace {

using Outcome = clients::HandOffResult::Outcome;

QString Servers(int n) {
    return n > 1 ? QStringLiteral("%1 serveurs").arg(n) : QStringLiteral("%1 serveur").arg(n);
}

QString Sent(int n) {
    return Servers(n) + (n > 1 ? QStringLiteral(" envoyés") : QStringLiteral(" envoyé"));
}

QString Detail(const clients::HandOffResult& result) {
    return result.detail.empty() ? QString()
                                 : QStringLiteral(" (%1)").arg(QString::fromStdString(result.detail));
}

QString Main(const clients::HandOffResult& result, int links) {
    switch (result.outcome) {
        case Outcome::Delivered:
            return QStringLiteral("eMule : ") + Sent(result.consoles);
        case Outcome::NoClient:
            return QStringLiteral("eMule : aucun eMule en marche, rien n'a été envoyé") + Detail(result);
        case Outcome::NoConsole:
            return QStringLiteral("eMule : la fenêtre d'eMule est introuvable, rien n'a été envoyé");
        case Outcome::EmptyTable:
            return QStringLiteral("eMule : aucun serveur à envoyer");
        case Outcome::NotAnswering:
            return QStringLiteral("eMule : eMule n'a pas répondu à temps, %1 sur %2")
                .arg(Sent(result.consoles))
                .arg(links);
        case Outcome::WindowGone:
            return QStringLiteral("eMule : la fenêtre d'eMule a disparu, %1 sur %2")
                .arg(Sent(result.consoles))
                .arg(links);
        case Outcome::NoWine:
            return QStringLiteral("eMule : envoi impossible, Wine est introuvable") + Detail(result);
        case Outcome::NoPrefix:
            return QStringLiteral("eMule : envoi impossible, aucun préfixe Wine trouvé") + Detail(result);
        case Outcome::NoHelper:
            return QStringLiteral("eMule : envoi impossible, hublane-handoff.exe est introuvable") +
                   Detail(result);
        case Outcome::HelperFailed:
            return QStringLiteral("eMule : envoi échoué") + Detail(result);
    }
    return {};
}

}  // namespace

QString EmuleStatusLine(const clients::HandOffResult& result, int links, int removed) {
    QString line = Main(result, links);
    if (removed > 0) {
        line += QStringLiteral(
                    " ; %1 retiré%2 de la liste reste%3 dans eMule, qui ne peut en retirer par ce moyen")
                    .arg(Servers(removed), removed > 1 ? QStringLiteral("s") : QString(),
                         removed > 1 ? QStringLiteral("nt") : QString());
    }
    return line;
}

QString EmuleHandOffStatus(const clients::HandOffResult& result,
                           const std::vector<clients::HandOffAddress>& rows, int removed) {
    return EmuleStatusLine(result, static_cast<int>(PlanEmuleLinks(rows).links.size()), removed);
}

QString EmuleRunningNotice(const std::optional<clients::HandOffResult>& handOff,
                           const std::function<clients::HandOffResult()>& find) {
    const clients::HandOffResult result = handOff ? *handOff : (find ? find() : clients::HandOffResult{});
    if (result.clients == 0) {
        return {};
    }
    return handOff && result.outcome == Outcome::Delivered
               ? QStringLiteral("eMule est lancé : la liste lui est transmise directement")
               : QStringLiteral("eMule est lancé : la liste écrite sera remplacée à sa fermeture");
}

}  // namespace hublane::clients
