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

#include "support/CycleRig.h"
#include "support/TestSupport.h"
#include "ui/About.h"

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

}  // namespace
}  // namespace hublane::ui
