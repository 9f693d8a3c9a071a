// The server list window made visible: the server table and the peer list a cycle
// left, the counters, the settings-bearing controls and every button of the window, wired to the
// cycle's handlers. Read-only while a cycle runs.
#pragma once

#include <QWidget>
#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;
class QTreeWidget;

namespace hublane::serverlist {
class TFLServeur;
}

namespace hublane::ui {

class SkinnedWindow;
class TFAbout;

class ServerListWindow : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 765;
    static constexpr int kClientHeight = 500;

    ServerListWindow(serverlist::TFLServeur& serverList, TFAbout& about, QWidget* parent = nullptr);

    /// Shows the window with what the lists hold now.
    void Open();
    /// Brings the views up to date with the cycle state (the lists, counters and controls).
    void Refresh();
    SkinnedWindow& Skin() { return *m_skin; }

  private:
    void BuildControls();
    // The handler is a plain function, not a pointer to member: GCC 12's vptr check reads an unset
    // register on calls through member pointers, which stops the sanitizer build.
    // Each handler returns the line the window's status line then shows.
    QPushButton* Button(const char* name, const QString& text, int x, int y, int width,
                        QString (*handler)(serverlist::TFLServeur&, int serversBefore, int peersBefore));
    /// Shows what a button did on the window's own status line (elided; the tooltip holds it whole).
    void ShowStatusLine(const QString& text);
    void RefreshTables();
    void RefreshControls();
    void ControlsToState();
    void SetReadOnly(bool readOnly);

    serverlist::TFLServeur& m_serverList;
    // The controls: descriptive names here, the original names (Label8, lvip, ...) as their Qt
    // object names, by which tests find them.
    SkinnedWindow* m_skin = nullptr;
    QTreeWidget* m_serverTable = nullptr;
    QTreeWidget* m_peerList = nullptr;
    QLabel* m_serverCount = nullptr;
    QLabel* m_probedCount = nullptr;
    QLabel* m_versionLabel = nullptr;
    QLabel* m_readOnlyNote = nullptr;
    QLabel* m_statusLine = nullptr;
    QLineEdit* m_serverWeb = nullptr;
    QLineEdit* m_hblServer = nullptr;
    QSpinBox* m_nbThreads = nullptr;
    QSpinBox* m_timeout = nullptr;
    QList<QRadioButton*> m_modes;
    QList<QWidget*> m_editable;
    QTimer* m_refresh = nullptr;
    std::uint64_t m_serverRevision = ~0ULL;
    std::uint64_t m_peerRevision = ~0ULL;
    bool m_updatingControls = false;
};

}  // namespace hublane::ui
