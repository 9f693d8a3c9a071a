// The server list window made visible: it shows the lists a cycle left with their flags, sorts by
// a column, hands the controls' values to the cycle, runs its buttons' handlers, and stays
// read-only while a cycle runs.
#include "ui/ServerListWindow.h"

#include <gtest/gtest.h>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <cmath>
#include <string>

#include <QApplication>
#include <QPalette>
#include "support/CycleRig.h"
#include "support/TestSupport.h"
#include "ui/TFAbout.h"
#include "ui/TFMain.h"

namespace hublane::ui {
namespace {

class ServerListWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(rig.dir.isValid());
        auto& servers = rig.state.Servers();
        servers.AddServerRow("198.51.100.9", "4661", "12", "n/a", "Neuf", "le neuvième");
        servers.AddServerRow("198.51.100.10", "80", "n/a", "n/a", "Dix \xE9t\xE9",
                             "n/a");  // Windows code page
        servers.Row(0).answered = true;
        rig.state.Peers().AddPeerRow("198.51.100.7");
        rig.state.serverCounter = 2;
        window = std::make_unique<ServerListWindow>(rig.window, about);
        window->Open();
    }
    template <typename T>
    T* Child(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    test::CycleRig rig;
    TFAbout about;
    std::unique_ptr<ServerListWindow> window;
};

TEST_F(ServerListWindowTest, ShowsTheListsTheirFlagsAndTheCounters) {
    auto* lvip = Child<QTreeWidget>("lvip");
    ASSERT_EQ(lvip->topLevelItemCount(), 2);
    EXPECT_EQ(lvip->topLevelItem(0)->text(0), QStringLiteral("198.51.100.9"));
    EXPECT_EQ(lvip->topLevelItem(0)->text(4), QStringLiteral("Neuf"));
    EXPECT_EQ(lvip->topLevelItem(0)->text(5), QStringLiteral("le neuvième"));  // UTF-8
    EXPECT_EQ(lvip->topLevelItem(1)->text(4), QStringLiteral("Dix été"));
    EXPECT_EQ(lvip->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_EQ(lvip->topLevelItem(1)->checkState(0), Qt::Unchecked);
    EXPECT_NE(lvip->topLevelItem(0)->foreground(0).color(), lvip->topLevelItem(1)->foreground(0).color());
    // Seven columns, every one shown.
    EXPECT_EQ(lvip->columnCount(), 7);
    for (int c = 0; c < 7; ++c)
        EXPECT_FALSE(lvip->isColumnHidden(c)) << c;
    EXPECT_EQ(Child<QTreeWidget>("lvHBL")->topLevelItem(0)->text(0), QStringLiteral("198.51.100.7"));
    EXPECT_EQ(Child<QLabel>("Label8")->text(), QStringLiteral("2"));
    // The skin outline is the windows' own: the stepped lower-right corner is cut away.
    EXPECT_FALSE(window->mask().contains(QPoint(762, 497)));
    EXPECT_TRUE(window->mask().contains(QPoint(5, 497)));
}

TEST_F(ServerListWindowTest, TheAddressColumnFitsTheLongestAddressWhileHidden) {
    // Opening the window fills the list before it is on screen: the width must come from the rows
    // themselves, not from what happens to be on screen.
    // The longest address sits below many short ones, out of the view's sight.
    window->hide();
    for (int i = 1; i <= 60; ++i) {
        rig.state.Servers().AddServerRow("10.0.0." + std::to_string(i), "4661");
    }
    rig.state.Servers().AddServerRow("198.51.100.200", "4661", "n/a", "n/a", "Deux cents", "n/a");
    window->Open();
    auto* lvip = Child<QTreeWidget>("lvip");
    ASSERT_EQ(lvip->topLevelItemCount(), 63);
    const int needed = lvip->fontMetrics().horizontalAdvance(QStringLiteral("198.51.100.200"));
    EXPECT_GT(lvip->columnWidth(0), needed);
    // The port column fits its text too, and the description stays within its bound.
    EXPECT_GE(lvip->columnWidth(1), lvip->fontMetrics().horizontalAdvance(QStringLiteral("4661")));
    EXPECT_LE(lvip->columnWidth(5), 220);
}

TEST_F(ServerListWindowTest, AColumnClickSortsInTheProgramsTextOrder) {
    auto* lvip = Child<QTreeWidget>("lvip");
    lvip->header()->sectionClicked(1);  // Port: text order, "4661" before "80"
    EXPECT_EQ(lvip->topLevelItem(0)->text(1), QStringLiteral("4661"));
    lvip->header()->sectionClicked(0);  // IP: "198.51.100.10" before "198.51.100.9"
    EXPECT_EQ(lvip->topLevelItem(0)->text(0), QStringLiteral("198.51.100.10"));
    EXPECT_EQ(rig.state.Servers().SortColumn(), 0);
}

TEST_F(ServerListWindowTest, ControlsAndButtonsReachTheCycle) {
    Child<QLineEdit>("HBLServer")->setText(QStringLiteral("198.51.100.8"));
    Child<QSpinBox>("SpinNbThreads")->setValue(7);
    Child<QRadioButton>("rbRechNew")->setChecked(true);
    Child<QPushButton>("FlatButton3")->click();  // asks the copy in HBLServer
    EXPECT_EQ(rig.peerServer.asked, QStringList{QStringLiteral("198.51.100.8")});
    Child<QPushButton>("BtnLancer")->click();
    EXPECT_EQ(rig.runner.kinds, std::vector<serverlist::ProbeKind>{serverlist::ProbeKind::RechNew});
    EXPECT_EQ(rig.runner.limits, std::vector<int>{7});
    Child<QPushButton>("FlatButton2")->click();
    EXPECT_EQ(rig.web.sends, 1);
}

TEST_F(ServerListWindowTest, IsReadOnlyWhileACycleRuns) {
    bool checked = false;
    rig.runner.onRun = [&](serverlist::ProbeKind) {
        if (checked) {
            return;
        }
        checked = true;
        window->Refresh();
        EXPECT_FALSE(Child<QPushButton>("BtnLancer")->isEnabled());
        EXPECT_FALSE(Child<QLineEdit>("TServerWeb")->isEnabled());
        EXPECT_TRUE(Child<QLabel>("ReadOnlyNote")->isVisible());
        // A click on a column sorts nothing meanwhile.
        const auto before = rig.state.Servers().Revision();
        Child<QTreeWidget>("lvip")->header()->sectionClicked(4);
        EXPECT_EQ(rig.state.Servers().Revision(), before);
    };
    rig.window.Show();
    EXPECT_TRUE(checked);
    window->Refresh();
    EXPECT_TRUE(Child<QPushButton>("BtnLancer")->isEnabled());
    EXPECT_FALSE(Child<QLabel>("ReadOnlyNote")->isVisible());
}

// WCAG contrast ratio of two colours.
double Contrast(const QColor& a, const QColor& b) {
    const auto lum = [](const QColor& c) {
        const auto ch = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
    };
    const double la = lum(a) + 0.05;
    const double lb = lum(b) + 0.05;
    return la > lb ? la / lb : lb / la;
}

TEST_F(ServerListWindowTest, UnderADarkDesktopThemeTheWindowsKeepTheSkinsColours) {
    // A dark theme, set before the windows are made, as a desktop would.
    const QPalette before = QApplication::palette();
    QPalette dark(QColor(53, 53, 53), QColor(40, 40, 40));
    dark.setColor(QPalette::WindowText, QColor(220, 220, 220));
    dark.setColor(QPalette::Text, QColor(220, 220, 220));
    dark.setColor(QPalette::Base, QColor(30, 30, 30));
    QApplication::setPalette(dark);
    platform::MemorySettingsStore settings;
    const platform::SystemClock clock;
    {
        TFMain main(settings, clock);
        ServerListWindow list(rig.window, about);
        list.Open();
        const QColor skin(171, 209, 195);
        for (const char* name : {"Label1", "Label2", "Label3"}) {
            const auto* label = main.findChild<QLabel*>(QString::fromLatin1(name));
            EXPECT_GE(Contrast(label->palette().color(QPalette::WindowText), skin), 7.0) << name;
        }
        const auto* status = list.findChild<QLabel*>(QStringLiteral("StatusLine"));
        EXPECT_GE(Contrast(status->palette().color(QPalette::WindowText), skin), 7.0);
        const auto* lvip = list.findChild<QTreeWidget*>(QStringLiteral("lvip"));
        const QColor base = lvip->viewport()->palette().color(QPalette::Base);
        for (int row = 0; row < lvip->topLevelItemCount(); ++row) {
            EXPECT_GE(Contrast(lvip->topLevelItem(row)->foreground(0).color(), base), 4.5) << row;
        }
        EXPECT_GE(Contrast(lvip->palette().color(QPalette::Text), base), 7.0);
        EXPECT_EQ(list.palette().color(QPalette::Window), skin);
    }
    QApplication::setPalette(before);
}

TEST_F(ServerListWindowTest, TheStatusLineSaysWhatEachButtonDid) {
    auto* status = Child<QLabel>("StatusLine");
    Child<QRadioButton>("rbRechFr")->setChecked(true);
    rig.runner.onRun = [this](serverlist::ProbeKind) { rig.state.Servers().Clear(); };
    Child<QPushButton>("BtnLancer")->click();
    EXPECT_EQ(status->text(), QStringLiteral("Verification serveurs français : 2 serveurs avant, 0 après."));
    Child<QPushButton>("BtnEServerMet")->click();  // an empty list never replaces the file
    EXPECT_EQ(status->text(), QStringLiteral("server.met non écrit : la liste est vide."));
    rig.peerServer.fail = true;
    Child<QPushButton>("BtnStartSrv")->click();
    EXPECT_EQ(status->text(), QStringLiteral("port 3077 in use"));
    EXPECT_TRUE(rig.prompts.escaped.isEmpty());
    // The columns are as wide as the addresses they hold.
    rig.state.Servers().AddServerRow("198.51.100.200", "4661");
    window->Refresh();
    auto* lvip = Child<QTreeWidget>("lvip");
    EXPECT_GE(lvip->columnWidth(0), lvip->fontMetrics().horizontalAdvance(QStringLiteral("198.51.100.200")));
}

TEST_F(ServerListWindowTest, TheWebBoxShowsAndDrivesTheAddressInForce) {
    auto& controls = rig.state.Controls();
    controls.webFromCommandLine = QStringLiteral("http://127.0.0.1:8031/");
    controls.serverWeb = controls.webFromCommandLine;
    window->Refresh();
    auto* box = Child<QLineEdit>("TServerWeb");
    EXPECT_EQ(box->text(), QStringLiteral("http://127.0.0.1:8031/"));
    box->setText(QStringLiteral("http://127.0.0.2:8031/"));
    emit box->editingFinished();
    EXPECT_EQ(controls.serverWeb, QStringLiteral("http://127.0.0.2:8031/"));
    EXPECT_TRUE(controls.webFromCommandLine.isEmpty());
    // Stored at once: the next cycle, which reads the settings, keeps the typed address.
    EXPECT_EQ(rig.settings.Values().value(QStringLiteral("ServeurWeb")),
              platform::MemorySettingsStore::Value(QStringLiteral("http://127.0.0.2:8031/")));
    Child<QPushButton>("FlatButton1")->click();
    EXPECT_TRUE(Child<QLabel>("StatusLine")->text().startsWith(QStringLiteral("http://127.0.0.2:8031/ : ")));
}

}  // namespace
}  // namespace hublane::ui
