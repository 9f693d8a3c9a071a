// The server list window made visible.
#include "ui/ServerListWindow.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTimer>
#include <QTreeWidget>
#include <algorithm>
#include <exception>

#include "platform/SettingsKeys.h"
#include "platform/VersionText.h"
#include "serverlist/CycleState.h"
#include "serverlist/TFLServeur.h"
#include "ui/FlatStyle.h"
#include "ui/SkinnedWindow.h"
#include "ui/TFAbout.h"

namespace hublane::ui {
namespace {

using serverlist::Column;
using serverlist::ProbeKind;

constexpr int kRefreshMs = 1000;
constexpr int kLongestColumn = 220;
constexpr int kCellPadding = 14;
constexpr int kCheckBoxRoom = 36;
const QColor kAnsweredText(0, 96, 0);
const QColor kSilentText(110, 110, 110);

// Server names and descriptions are bytes as the servers wrote them: UTF-8 (with or without its
// byte order mark) when they are valid UTF-8, else the Windows code page of the older servers.
QString Text(const std::string& bytes) {
    QByteArrayView view(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (view.startsWith("\xEF\xBB\xBF")) {
        view = view.sliced(3);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(view);
    if (!utf8.hasError()) {
        return text;
    }
    QStringDecoder windows("windows-1252");
    return windows.isValid() ? QString(windows.decode(view)) : QString::fromLatin1(view);
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int width = 0) {
    auto* label = new QLabel(text, parent);
    label->move(x, y);
    if (width > 0) {
        label->setFixedWidth(width);
    } else {
        label->adjustSize();
    }
    return label;
}

QString Count(int n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n > 1 ? many : one);
}

QString Servers(int n) {
    return Count(n, "serveur", "serveurs");
}

// What a button did, in the words of its status line.
QString ReadLine(serverlist::TFLServeur& w) {
    const int rows = static_cast<int>(w.State().Servers().Count());
    switch (w.Report().ServerMet().read) {
        case serverlist::FileReport::Read::Whole:
            return QStringLiteral("server.met lu : ") + Servers(rows) + QLatin1Char('.');
        case serverlist::FileReport::Read::Missing:
            return QStringLiteral("server.met introuvable : la liste est vide.");
        default:
            return QStringLiteral("server.met illisible ou lu en partie : ") + Servers(rows) +
                   QLatin1Char('.');
    }
}

QString WriteLine(const serverlist::WriteResult& r) {
    switch (r.status) {
        case serverlist::WriteResult::Status::Written: {
            QString line = QStringLiteral("server.met écrit : ") + Servers(r.rowsWritten);
            if (r.rowsLeftOut > 0) {
                line +=
                    QStringLiteral(" ; %1 laissé(s) de côté (adresse ou port illisible)").arg(r.rowsLeftOut);
            }
            if (r.backedUp) {
                line += QStringLiteral(" ; l'ancien fichier est gardé en server.met.bak");
            }
            return line + QLatin1Char('.');
        }
        case serverlist::WriteResult::Status::NothingToWrite:
            return QStringLiteral("server.met non écrit : la liste est vide.");
        case serverlist::WriteResult::Status::Failed:
            break;
    }
    return QStringLiteral("server.met non écrit : ") + r.error;
}

QString GainLine(const QString& from, int before, int after) {
    if (after <= before) {
        return from + QStringLiteral(" : aucun nouveau serveur (") + Servers(after) +
               QStringLiteral(" dans la liste).");
    }
    return from + QStringLiteral(" : ") + Count(after - before, "nouveau serveur", "nouveaux serveurs") +
           QStringLiteral(", ") + Servers(after) + QStringLiteral(" dans la liste.");
}

struct Mode {
    const char* name;
    const char* caption;
    ProbeKind kind;
};

constexpr Mode kModes[] = {
    {"rbRechNew", "Recherche de nouveaux serveurs", ProbeKind::RechNew},
    {"rbRechFr", "Verification serveurs français", ProbeKind::RechFr},
    {"rbRechDesc", "Ping des serveurs", ProbeKind::RechDesc},
    {"rbPingHBL", "Ping des Hublane", ProbeKind::PingHBL},
    {"rbNewHBL", "Recherche de nouveaux serveurs par HBL", ProbeKind::AskCopiesForServers},
    {"rbNewHBL2", "Recherche de nouveaux serveurs", ProbeKind::AskCopiesForCopies},
};

}  // namespace

ServerListWindow::ServerListWindow(serverlist::TFLServeur& serverList, TFAbout& about, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::Window), m_serverList(serverList) {
    setObjectName(QStringLiteral("FLServeur"));
    setWindowTitle(QStringLiteral("Liste des serveurs"));
    setFixedSize(kClientWidth, kClientHeight);
    CentreOnScreen(*this);
    FillWithSkinColour(*this);
    m_skin = new SkinnedWindow(*this, QStringLiteral(":/pictures/skin-list.png"));
    m_skin->SetActions([&about] { about.exec(); }, [this] { hide(); });
    BuildControls();
    m_refresh = new QTimer(this);
    m_refresh->setInterval(kRefreshMs);
    connect(m_refresh, &QTimer::timeout, this, [this] {
        if (isVisible()) {
            Refresh();
        }
    });
    m_refresh->start();
    GiveChildrenSkinColours(*this);
}

QPushButton* ServerListWindow::Button(const char* name, const QString& text, int x, int y, int width,
                                      QString (*handler)(serverlist::TFLServeur&, int, int)) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, y, width, 21);
    button->setStyleSheet(QString::fromLatin1(kFlatButtonStyle));
    connect(button, &QPushButton::clicked, this, [this, handler] {
        ControlsToState();
        const auto& state = m_serverList.State();
        const int servers = static_cast<int>(state.Servers().Count());
        const int peers = static_cast<int>(state.Peers().Count());
        // An error is said where the user looks, not in a box behind this window.
        QString line;
        try {
            line = handler(m_serverList, servers, peers);
        } catch (const std::exception& e) {
            line = QString::fromUtf8(e.what());
        }
        Refresh();
        ShowStatusLine(line);
    });
    m_editable << button;
    return button;
}

void ServerListWindow::BuildControls() {
    m_serverTable = new QTreeWidget(this);
    m_serverTable->setObjectName(QStringLiteral("lvip"));
    m_serverTable->setGeometry(8, 24, 560, 286);
    m_serverTable->setRootIsDecorated(false);
    m_serverTable->setUniformRowHeights(true);
    m_serverTable->setHeaderLabels({QStringLiteral("IP"), QStringLiteral("Port"), QStringLiteral("Util."),
                                    QStringLiteral("Fichiers"), QStringLiteral("Nom"),
                                    QStringLiteral("Description"), QStringLiteral("Home")});
    // All seven columns, users and files included: this window is for a person to read. Their
    // widths follow what they hold (RefreshTables).
    // A click on a column sorts the table by it, in the program's own text order.
    m_serverTable->header()->setSectionsClickable(true);
    connect(m_serverTable->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        if (!m_serverList.CycleRunning()) {
            m_serverList.State().Servers().SortByColumn(column);
            Refresh();
        }
    });

    m_peerList = new QTreeWidget(this);
    m_peerList->setObjectName(QStringLiteral("lvHBL"));
    m_peerList->setGeometry(576, 24, 180, 200);
    m_peerList->setRootIsDecorated(false);
    m_peerList->setHeaderLabels({QStringLiteral("IP")});
    m_peerList->setSelectionBehavior(QAbstractItemView::SelectRows);

    // Each counter right after its caption, whatever width the font gives the caption.
    const auto besideOf = [](const QLabel* caption) { return caption->x() + caption->width() + 4; };
    const QLabel* serversCaption = MakeLabel(this, QStringLiteral("Nombre de serveur :"), 8, 314);
    m_serverCount = MakeLabel(this, QStringLiteral("0"), besideOf(serversCaption), 314, 50);
    m_serverCount->setObjectName(QStringLiteral("Label8"));
    const QLabel* probedCaption = MakeLabel(this, QStringLiteral("Serveurs interrogés :"), 190, 314);
    m_probedCount = MakeLabel(this, QStringLiteral("0"), besideOf(probedCaption), 314, 50);
    m_probedCount->setObjectName(QStringLiteral("Label6"));
    // One line under the table: what the last button did, or, while a cycle runs, that the list
    // cannot be changed.
    m_statusLine = MakeLabel(this, QString(), 8, 332, 560);
    m_statusLine->setObjectName(QStringLiteral("StatusLine"));
    m_readOnlyNote =
        MakeLabel(this, QStringLiteral("Cycle en cours : la liste ne peut pas être modifiée."), 8, 332, 560);
    m_readOnlyNote->setObjectName(QStringLiteral("ReadOnlyNote"));
    m_readOnlyNote->setStyleSheet(QStringLiteral("color: rgb(160,0,0);"));
    m_readOnlyNote->hide();

    MakeLabel(this, QStringLiteral("Serveur Web :"), 576, 232);
    m_serverWeb = new QLineEdit(this);
    m_serverWeb->setObjectName(QStringLiteral("TServerWeb"));
    m_serverWeb->setGeometry(576, 248, 180, 21);
    MakeLabel(this, QStringLiteral("Serveur Hublane :"), 576, 276);
    m_hblServer = new QLineEdit(this);
    m_hblServer->setObjectName(QStringLiteral("HBLServer"));
    m_hblServer->setGeometry(576, 292, 180, 21);
    m_editable << m_serverWeb << m_hblServer;

    int y = 352;
    for (const Mode& mode : kModes) {
        auto* radio = new QRadioButton(QString::fromUtf8(mode.caption), this);
        radio->setObjectName(QString::fromLatin1(mode.name));
        radio->setGeometry(8, y, 280, 18);
        y += 20;
        m_modes << radio;
        m_editable << radio;
        connect(radio, &QRadioButton::toggled, this, [this](bool) { ControlsToState(); });
    }

    // The spin boxes after the longer caption, whatever width the font gives it.
    const QLabel* threadsCaption = MakeLabel(this, QStringLiteral("Nombre de threads :"), 300, 354);
    const QLabel* timeoutCaption = MakeLabel(this, QStringLiteral("Timeout :"), 300, 382);
    const int spinX = std::max(besideOf(threadsCaption), besideOf(timeoutCaption)) + 4;
    m_nbThreads = new QSpinBox(this);
    m_nbThreads->setObjectName(QStringLiteral("SpinNbThreads"));
    m_nbThreads->setRange(platform::settings::kNbThreads.min, platform::settings::kNbThreads.max);
    m_nbThreads->setGeometry(spinX, 352, 60, 21);
    m_timeout = new QSpinBox(this);
    m_timeout->setObjectName(QStringLiteral("SpinTimeout"));
    m_timeout->setRange(platform::settings::kTimeout.min, platform::settings::kTimeout.max);
    m_timeout->setGeometry(spinX, 380, 60, 21);
    m_editable << m_nbThreads << m_timeout;
    for (QLineEdit* edit : {m_serverWeb, m_hblServer}) {
        connect(edit, &QLineEdit::editingFinished, this, [this] { ControlsToState(); });
    }
    for (QSpinBox* spin : {m_nbThreads, m_timeout}) {
        connect(spin, &QSpinBox::valueChanged, this, [this](int) { ControlsToState(); });
    }

    using W = serverlist::TFLServeur;
    Button("BtnLServerMet", QStringLiteral("Lire server.met"), 576, 322, 180, [](W& w, int, int) {
        w.BtnLServerMetClick();
        return ReadLine(w);
    });
    Button("BtnEServerMet", QStringLiteral("Ecrire Server.met"), 576, 346, 180,
           [](W& w, int, int) { return WriteLine(w.BtnEServerMetClick()); });
    Button("BtnStartSrv", QStringLiteral("Relancer serveur Hublane"), 576, 370, 180, [](W& w, int, int) {
        return w.BtnStartSrvClick() ? QStringLiteral("Serveur Hublane à l'écoute.")
                                    : w.Status().peerServerProblem;
    });
    Button("FlatButton1", QStringLiteral("Récupère à partir d'une URL"), 576, 394, 180,
           [](W& w, int before, int) {
               w.BtnWebFetchClick();
               return GainLine(w.State().Controls().serverWeb, before,
                               static_cast<int>(w.State().Servers().Count()));
           });
    Button("FlatButton2", QStringLiteral("Transmettre Serveur Web"), 300, 412, 230,
           [](W& w, int servers, int) {
               w.BtnWebSendClick();
               return Servers(servers) + QStringLiteral(" transmis à ") + w.State().Controls().serverWeb +
                      QLatin1Char('.');
           });
    Button("FlatButton3", QStringLiteral("Demander des Serveurs à un autre HBL"), 300, 436, 230,
           [](W& w, int before, int) {
               w.BtnAskPeerClick();
               return GainLine(w.State().Controls().hblServer, before,
                               static_cast<int>(w.State().Servers().Count()));
           });
    Button("BtnLancer", QStringLiteral("Lancer"), 300, 460, 84, [](W& w, int servers, int peers) {
        w.BtnLancerClick();
        const serverlist::ProbeKind kind = w.State().Controls().checked;
        QString mode;
        for (const Mode& m : kModes) {
            if (m.kind == kind) {
                mode = QString::fromUtf8(m.caption);
            }
        }
        // The peer modes change the peer list, the others the server table.
        const bool onPeers =
            kind == serverlist::ProbeKind::PingHBL || kind == serverlist::ProbeKind::AskCopiesForCopies;
        const int before = onPeers ? peers : servers;
        const int after = static_cast<int>(onPeers ? w.State().Peers().Count() : w.State().Servers().Count());
        const char* one = onPeers ? "Hublane" : "serveur";
        const char* many = onPeers ? "Hublane" : "serveurs";
        return mode + QStringLiteral(" : ") + Count(before, one, many) + QStringLiteral(" avant, ") +
               QString::number(after) + QStringLiteral(" après.");
    });
    Button("FlatButton4", QStringLiteral("Envoyer à eDonkey"), 390, 460, 140, [](W& w, int, int) {
        w.BtnSendToDonkeyClick();
        const QString status = w.Status().handOffStatus;
        return status.isEmpty() ? QStringLiteral("Envoi à eDonkey terminé.") : status;
    });

    m_versionLabel = MakeLabel(this, platform::VersionLabelText(), 8, 478, 280);
    m_versionLabel->setObjectName(QStringLiteral("Label9"));
}

void ServerListWindow::ShowStatusLine(const QString& text) {
    m_statusLine->setText(
        m_statusLine->fontMetrics().elidedText(text, Qt::ElideRight, m_statusLine->width()));
    m_statusLine->setToolTip(text);
}

void ServerListWindow::Open() {
    Refresh();
    show();
    raise();
    activateWindow();
}

void ServerListWindow::Refresh() {
    RefreshTables();
    RefreshControls();
    SetReadOnly(m_serverList.CycleRunning());
}

void ServerListWindow::RefreshTables() {
    const serverlist::CycleState& state = m_serverList.State();
    const auto paint = [](QTreeWidgetItem* item, bool answered, int columns) {
        item->setCheckState(0, answered ? Qt::Checked : Qt::Unchecked);
        for (int c = 0; c < columns; ++c) {
            item->setForeground(c, answered ? kAnsweredText : kSilentText);
        }
    };
    // Whole lists are rebuilt only when their rows changed; the flags are repainted each time.
    if (m_serverRevision != state.Servers().Revision() ||
        m_serverTable->topLevelItemCount() != static_cast<int>(state.Servers().Count())) {
        m_serverRevision = state.Servers().Revision();
        m_serverTable->clear();
        QList<QTreeWidgetItem*> items;
        items.reserve(static_cast<qsizetype>(state.Servers().Count()));
        for (const serverlist::ServerRow& row : state.Servers().Rows()) {
            QStringList texts{Text(row.caption)};
            for (const std::string& sub : row.subItems) {
                texts << Text(sub);
            }
            items << new QTreeWidgetItem(texts);
        }
        m_serverTable->addTopLevelItems(items);
        // Each column as wide as what it holds (addresses, counts); names, descriptions and home
        // pages up to a bound, the rest seen by widening the column.
        for (int c = 0; c < m_serverTable->columnCount(); ++c) {
            // Measured from every row: the view's own measure sees only the rows on screen, none
            // while the window is hidden.
            int width = m_serverTable->header()->sectionSizeHint(c);
            for (const QTreeWidgetItem* item : items) {
                width = std::max(width, m_serverTable->fontMetrics().horizontalAdvance(item->text(c)) +
                                            (c == 0 ? kCheckBoxRoom : kCellPadding));
            }
            m_serverTable->setColumnWidth(c, width);
            if (c >= static_cast<int>(Column::Name) + 1 && m_serverTable->columnWidth(c) > kLongestColumn) {
                m_serverTable->setColumnWidth(c, kLongestColumn);
            }
        }
    }
    for (int i = 0; i < m_serverTable->topLevelItemCount(); ++i) {
        paint(m_serverTable->topLevelItem(i), state.Servers().Row(static_cast<std::size_t>(i)).answered, 7);
    }
    if (m_peerRevision != state.Peers().Revision() ||
        m_peerList->topLevelItemCount() != static_cast<int>(state.Peers().Count())) {
        m_peerRevision = state.Peers().Revision();
        m_peerList->clear();
        for (const serverlist::PeerRow& row : state.Peers().Rows()) {
            m_peerList->addTopLevelItem(new QTreeWidgetItem(QStringList{Text(row.caption)}));
        }
    }
    for (int i = 0; i < m_peerList->topLevelItemCount(); ++i) {
        paint(m_peerList->topLevelItem(i), state.Peers().Row(static_cast<std::size_t>(i)).answered, 1);
    }
    if (state.focusRow >= 0 && state.focusRow < m_serverTable->topLevelItemCount()) {
        m_serverTable->scrollToItem(m_serverTable->topLevelItem(state.focusRow));
        m_serverTable->setCurrentItem(m_serverTable->topLevelItem(state.focusRow));
    }
    m_serverCount->setText(QString::number(state.serverCounter));
    m_probedCount->setText(QString::number(state.probedCounter));
}

void ServerListWindow::RefreshControls() {
    const serverlist::CycleControls& controls = m_serverList.State().Controls();
    m_updatingControls = true;
    if (!m_serverWeb->hasFocus()) {
        m_serverWeb->setText(controls.serverWeb);
    }
    m_serverWeb->setToolTip(!controls.webFromCommandLine.isEmpty() &&
                                    controls.serverWeb == controls.webFromCommandLine
                                ? QStringLiteral("Annuaire donné par --web pour cette session")
                                : QString());
    if (!m_hblServer->hasFocus()) {
        m_hblServer->setText(controls.hblServer);
    }
    m_nbThreads->setValue(controls.nbThreads.Value());
    m_timeout->setValue(controls.timeout.Value());
    for (std::size_t i = 0; i < std::size(kModes); ++i) {
        m_modes[static_cast<qsizetype>(i)]->setAutoExclusive(false);
        m_modes[static_cast<qsizetype>(i)]->setChecked(kModes[i].kind == controls.checked);
        m_modes[static_cast<qsizetype>(i)]->setAutoExclusive(true);
    }
    m_updatingControls = false;
}

void ServerListWindow::ControlsToState() {
    if (m_updatingControls || m_serverList.CycleRunning()) {
        return;
    }
    serverlist::CycleControls& controls = m_serverList.State().Controls();
    const QString web = m_serverWeb->text().trimmed();
    if (web != controls.serverWeb) {
        // Typed over the command line's directory: the user's choice from now on.
        controls.serverWeb = web;
        controls.webFromCommandLine.clear();
    }
    controls.hblServer = m_hblServer->text();
    controls.nbThreads.SetValue(m_nbThreads->value());
    controls.timeout.SetValue(m_timeout->value());
    for (std::size_t i = 0; i < std::size(kModes); ++i) {
        if (m_modes[static_cast<qsizetype>(i)]->isChecked()) {
            controls.checked = kModes[i].kind;
        }
    }
    m_serverList.ControlsChanged();
}

void ServerListWindow::SetReadOnly(bool readOnly) {
    for (QWidget* w : m_editable) {
        w->setEnabled(!readOnly);
    }
    m_serverTable->header()->setSectionsClickable(!readOnly);
    m_readOnlyNote->setVisible(readOnly);
    m_statusLine->setVisible(!readOnly);
}

}  // namespace hublane::ui
