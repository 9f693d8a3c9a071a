// The hand-off part of the cycle and its status lines.
#include "clients/HandOff.h"

namespace hublane::clients {
namespace {

using Outcome = HandOffResult::Outcome;

QString Consoles(int n) {
    return n > 1 ? QStringLiteral("%1 consoles").arg(n) : QStringLiteral("%1 console").arg(n);
}

QString Detail(const HandOffResult& result) {
    return QString::fromStdString(result.detail);
}

}  // namespace

QString HandOffStatusLine(const HandOffResult& result, int rows) {
    switch (result.outcome) {
        case Outcome::Delivered:
            return QStringLiteral("Liste envoyée à eDonkey : %1 serveur%2 dans %3")
                .arg(rows)
                .arg(rows > 1 ? QStringLiteral("s") : QString())
                .arg(Consoles(result.consoles));
        case Outcome::NoClient:
            return QStringLiteral("Envoi vers eDonkey : aucun client eDonkey2000 en cours");
        case Outcome::NoConsole:
            return QStringLiteral("Envoi vers eDonkey : aucune console trouvée dans eDonkey2000");
        case Outcome::EmptyTable:
            return QStringLiteral(
                "Envoi vers eDonkey sauté : la liste est vide (l'envoyer viderait celle du client)");
        case Outcome::NotAnswering:
            return QStringLiteral("Envoi vers eDonkey interrompu : eDonkey2000 ne répond plus%1")
                .arg(result.consoles > 0
                         ? QStringLiteral(" (déjà envoyée dans %1)").arg(Consoles(result.consoles))
                         : QString());
        case Outcome::WindowGone:
            return QStringLiteral("Envoi vers eDonkey interrompu : la console d'eDonkey2000 a disparu");
        case Outcome::NoWine:
            return QStringLiteral("Envoi vers eDonkey impossible : Wine est introuvable (%1)")
                .arg(Detail(result));
        case Outcome::NoPrefix:
            return QStringLiteral("Envoi vers eDonkey impossible : aucun préfixe Wine trouvé (%1)")
                .arg(Detail(result));
        case Outcome::NoHelper:
            return QStringLiteral("Envoi vers eDonkey impossible : hublane-handoff.exe est introuvable (%1)")
                .arg(Detail(result));
        case Outcome::HelperFailed:
            return QStringLiteral("Envoi vers eDonkey échoué : %1").arg(Detail(result));
    }
    return {};
}

void HandOff::SendToDonkey() {
    std::vector<HandOffAddress> rows = HandOffAddresses(m_state.Servers());
    if (m_blocked) {
        std::erase_if(rows, [this](const HandOffAddress& row) { return m_blocked(row.ip); });
    }
    if (rows.empty()) {
        // The clearing commands alone would wipe the list of a running client.
        m_result = HandOffResult{};
        m_result.outcome = Outcome::EmptyTable;
    } else {
        m_result = m_runner.Run(rows, m_state.Gauge());
    }
    m_status = m_statusLine ? m_statusLine(m_result, rows, m_state.removedThisCycle)
                            : HandOffStatusLine(m_result, static_cast<int>(rows.size()));
    m_state.Caption().SetCaption(m_status);
}

}  // namespace hublane::clients
