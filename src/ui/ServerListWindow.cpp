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

#include "platform/VersionText.h"
#include "serverlist/CycleState.h"
#include "serverlist/Lserveur.h"
#include "ui/About.h"
#include "ui/FlatStyle.h"
#include "ui/SkinnedWindow.h"

namespace hublane::ui {
namespace {

using serverlist::Column;
using serverlist::ProbeKind;

constexpr int kRefreshMs = 1000;
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
    {"rbNewHBL", "Recherche de nouveaux serveurs par HBL", ProbeKind::NewHBL},
    {"rbNewHBL2", "Recherche de nouveaux serveurs", ProbeKind::NewHBL2},
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
}

QPushButton* ServerListWindow::Button(const char* name, const QString& text, int x, int y, int width,
                                      void (*handler)(serverlist::TFLServeur&)) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(x, y, width, 21);
    button->setStyleSheet(QString::fromLatin1(kFlatButtonStyle));
    connect(button, &QPushButton::clicked, this, [this, handler] {
        ControlsToState();
        handler(m_serverList);
        Refresh();
    });
    m_editable << button;
    return button;
}

void ServerListWindow::BuildControls() {
    m_serverTable = new QTreeWidget(this);
    m_serverTable->setObjectName(QStringLiteral("lvip"));
    m_serverTable->setGeometry(8, 24, 560, 300);
    m_serverTable->setRootIsDecorated(false);
    m_serverTable->setUniformRowHeights(true);
    m_serverTable->setHeaderLabels({QStringLiteral("IP"), QStringLiteral("Port"), QStringLiteral("Util."),
                                    QStringLiteral("Fichiers"), QStringLiteral("Nom"),
                                    QStringLiteral("Description"), QStringLiteral("Home")});
    // All seven columns, users and files included: this window is for a person to read.
    const int widths[] = {95, 40, 45, 55, 130, 120, 70};
    for (int c = 0; c < 7; ++c) {
        m_serverTable->setColumnWidth(c, widths[c]);
    }
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
    const QLabel* serversCaption = MakeLabel(this, QStringLiteral("Nombre de serveur :"), 8, 330);
    m_serverCount = MakeLabel(this, QStringLiteral("0"), besideOf(serversCaption), 330, 50);
    m_serverCount->setObjectName(QStringLiteral("Label8"));
    const QLabel* probedCaption = MakeLabel(this, QStringLiteral("Serveurs interrogés :"), 190, 330);
    m_probedCount = MakeLabel(this, QStringLiteral("0"), besideOf(probedCaption), 330, 50);
    m_probedCount->setObjectName(QStringLiteral("Label6"));
    m_readOnlyNote = MakeLabel(this, QStringLiteral("Cycle en cours : la liste ne peut pas être modifiée."),
                               380, 330, 188);
    m_readOnlyNote->setObjectName(QStringLiteral("ReadOnlyNote"));
    m_readOnlyNote->setStyleSheet(QStringLiteral("color: rgb(160,0,0);"));
    m_readOnlyNote->setWordWrap(true);
    m_readOnlyNote->setFixedHeight(30);
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

    MakeLabel(this, QStringLiteral("Nombre de threads :"), 300, 354);
    m_nbThreads = new QSpinBox(this);
    m_nbThreads->setObjectName(QStringLiteral("SpinNbThreads"));
    m_nbThreads->setRange(1, 40);
    m_nbThreads->setGeometry(420, 352, 60, 21);
    MakeLabel(this, QStringLiteral("Timeout :"), 300, 382);
    m_timeout = new QSpinBox(this);
    m_timeout->setObjectName(QStringLiteral("SpinTimeout"));
    m_timeout->setRange(1, 50);
    m_timeout->setGeometry(420, 380, 60, 21);
    m_editable << m_nbThreads << m_timeout;
    for (QLineEdit* edit : {m_serverWeb, m_hblServer}) {
        connect(edit, &QLineEdit::editingFinished, this, [this] { ControlsToState(); });
    }
    for (QSpinBox* spin : {m_nbThreads, m_timeout}) {
        connect(spin, &QSpinBox::valueChanged, this, [this](int) { ControlsToState(); });
    }

    using W = serverlist::TFLServeur;
    Button("BtnLServerMet", QStringLiteral("Lire server.met"), 576, 322, 180,
           [](W& w) { w.BtnLServerMetClick(); });
    Button("BtnEServerMet", QStringLiteral("Ecrire Server.met"), 576, 346, 180,
           [](W& w) { w.BtnEServerMetClick(); });
    Button("BtnStartSrv", QStringLiteral("Relancer serveur Hublane"), 576, 370, 180,
           [](W& w) { w.BtnStartSrvClick(); });
    Button("FlatButton1", QStringLiteral("Récupère à partir d'une URL"), 576, 394, 180,
           [](W& w) { w.FlatButton1Click(); });
    Button("FlatButton2", QStringLiteral("Transmettre Serveur Web"), 300, 412, 230,
           [](W& w) { w.FlatButton2Click(); });
    Button("FlatButton3", QStringLiteral("Demander des Serveurs à un autre HBL"), 300, 436, 230,
           [](W& w) { w.FlatButton3Click(); });
    Button("BtnLancer", QStringLiteral("Lancer"), 300, 460, 84, [](W& w) { w.BtnLancerClick(); });
    Button("FlatButton4", QStringLiteral("Envoyer à eDonkey"), 390, 460, 140,
           [](W& w) { w.FlatButton4Click(); });

    m_versionLabel = MakeLabel(this, platform::VersionLabelText(), 8, 478, 280);
    m_versionLabel->setObjectName(QStringLiteral("Label9"));
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
    controls.serverWeb = m_serverWeb->text();
    controls.hblServer = m_hblServer->text();
    controls.nbThreads.SetValue(m_nbThreads->value());
    controls.timeout.SetValue(m_timeout->value());
    for (std::size_t i = 0; i < std::size(kModes); ++i) {
        if (m_modes[static_cast<qsizetype>(i)]->isChecked()) {
            controls.checked = kModes[i].kind;
        }
    }
}

void ServerListWindow::SetReadOnly(bool readOnly) {
    for (QWidget* w : m_editable) {
        w->setEnabled(!readOnly);
    }
    m_serverTable->header()->setSectionsClickable(!readOnly);
    m_readOnlyNote->setVisible(readOnly);
}

}  // namespace hublane::ui
