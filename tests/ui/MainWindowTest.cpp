// The main window: its controls, the button that starts the first cycle, the countdown, the
// second press during a cycle, and the window coming back after each cycle.
#include "ui/MainWindow.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include "support/CycleRig.h"
#include "support/TestSupport.h"
#include "ui/About.h"
#include "ui/Application.h"

namespace hublane::ui {
namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        main = std::make_unique<TFMain>(settings, clock);
        about = std::make_unique<TFAbout>();
        // The cycle closes its window on a clock ten times faster than the real one.
        rig = std::make_unique<test::CycleRig>(&main->Gauge(), &main->Status(), &fast);
        ASSERT_TRUE(rig->dir.isValid());
        runner = &rig->runner;
        rig->peerServer.servers = 60;  // no web fetch, no extension blocks
        rig->peerServer.peers = 60;
        main->Attach(*about, rig->window, rig->waits);
        main->show();
    }

    template <typename T>
    T* Child(const char* name) {
        return main->findChild<T*>(QString::fromLatin1(name));
    }
    QString Text(const char* name) { return Child<QLabel>(name)->text(); }
    bool WaitClosed() {
        return test::WaitFor([this] { return !rig->window.Visible() && main->isVisible(); }, 3000);
    }

    platform::MemorySettingsStore settings;
    platform::SystemClock clock;
    platform::FastClock fast{10};
    std::unique_ptr<TFMain> main;
    std::unique_ptr<TFAbout> about;
    std::unique_ptr<test::CycleRig> rig;
    test::RecordingRunner* runner = nullptr;
};

TEST_F(MainWindowTest, StartsWithItsControlsInPlaceAndNoCountdown) {
    EXPECT_EQ(main->size(), QSize(659, 194));
    EXPECT_EQ(Child<QPushButton>("BtnServer")->geometry(), QRect(170, 28, 159, 21));
    EXPECT_EQ(Child<QPushButton>("BtnServer")->text(), QStringLiteral("Liste de serveurs"));
    EXPECT_EQ(Child<QPushButton>("FlatButton1")->geometry(), QRect(8, 16, 41, 17));
    EXPECT_EQ(Child<QProgressBar>("CGauge1")->geometry(), QRect(107, 69, 298, 13));
    EXPECT_EQ(Child<QLabel>("Label1")->pos(), QPoint(8, 52));
    EXPECT_EQ(Child<QLabel>("Label1")->width(), 481);
    EXPECT_EQ(Child<QLabel>("Label2")->pos(), QPoint(344, 32));
    EXPECT_EQ(Child<QLabel>("Label3")->pos(), QPoint(376, 32));
    EXPECT_EQ(Child<QLabel>("Label8")->pos(), QPoint(412, 168));
    EXPECT_EQ(Child<QLabel>("LVersion")->pos(), QPoint(132, 84));
    EXPECT_EQ(Child<QLabel>("ImgAbout")->geometry(), QRect(634, 3, 10, 9));
    EXPECT_EQ(Child<QLabel>("ImgMaxim")->geometry(), QRect(646, 3, 10, 9));
    EXPECT_EQ(Child<QWidget>("Panel1")->geometry(), QRect(16, 100, 468, 60));
    // FormShow hid the status label and the gauge.
    EXPECT_FALSE(Child<QLabel>("Label1")->isVisible());
    EXPECT_FALSE(Child<QProgressBar>("CGauge1")->isVisible());
    EXPECT_FALSE(Child<QLabel>("LVersion")->isVisible());
    EXPECT_EQ(Text("Label1"), QStringLiteral("Vérifie la version de Hublane"));
    EXPECT_TRUE(Text("Label2").isEmpty());
    EXPECT_TRUE(Text("Label3").isEmpty());
    EXPECT_FALSE(main->Timer1().isActive());
    EXPECT_EQ(main->Timer1().interval(), 60000);
}

TEST_F(MainWindowTest, ButtonRunsACycleThenStartsTheCountdownAndStaysDisabled) {
    main->BtnServerClick();
    EXPECT_EQ(runner->kinds.size(), 2u);  // the two ping campaigns ran inside the press
    EXPECT_FALSE(main->isVisible());
    EXPECT_EQ(Text("Label2"), QStringLiteral("120"));
    EXPECT_EQ(Text("Label3"), QStringLiteral("minutes restantes"));
    EXPECT_TRUE(main->Timer1().isActive());
    EXPECT_FALSE(Child<QPushButton>("BtnServer")->isEnabled());
    // The status line says what the cycle did instead of its last step's caption.
    EXPECT_TRUE(
        Text("Label1").startsWith(QStringLiteral("Cycle terminé : 0 serveur gardé, 0 retiré, 60 ajoutés")))
        << Text("Label1").toStdString();
    // About a second later the server list window closes and the main window comes back, its
    // status line still saying what the cycle did (rather than hiding it or a stale caption).
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(Child<QLabel>("Label1")->isVisible());
    EXPECT_TRUE(Text("Label1").startsWith(QStringLiteral("Cycle terminé : ")));
    EXPECT_FALSE(Child<QProgressBar>("CGauge1")->isVisible());
    EXPECT_EQ(Text("Label2"), QStringLiteral("120"));
}

TEST_F(MainWindowTest, CountdownStartsACycleOnTheTickThatMakesZero) {
    main->BtnServerClick();
    ASSERT_TRUE(WaitClosed());
    runner->kinds.clear();
    for (int i = 0; i < 119; ++i)
        main->Timer1Timer();
    EXPECT_EQ(Text("Label2"), QStringLiteral("1"));
    EXPECT_TRUE(runner->kinds.empty());
    main->Timer1Timer();
    EXPECT_EQ(runner->kinds.size(), 2u);
    EXPECT_EQ(Text("Label2"), QStringLiteral("120"));
    EXPECT_EQ(Text("Label3"), QStringLiteral("minutes restantes"));
    EXPECT_TRUE(main->Timer1().isActive());
    EXPECT_TRUE(main->isVisible());  // this path does not hide the main window
    ASSERT_TRUE(WaitClosed());
}

TEST_F(MainWindowTest, CycleStartedByTheCountdownShowsAHiddenMainWindowAtItsEnd) {
    main->BtnServerClick();
    ASSERT_TRUE(WaitClosed());
    main->hide();
    for (int i = 0; i < 120; ++i)
        main->Timer1Timer();
    EXPECT_FALSE(main->isVisible());
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(main->isVisible());
}

TEST_F(MainWindowTest, SecondPressDuringACycleStartsNothingNew) {
    int nestedRuns = 0;
    runner->onRun = [&](serverlist::ProbeKind) {
        if (nestedRuns++ == 0) {
            main->BtnServerClick();  // the server list window is shown: Show returns at once
            EXPECT_FALSE(main->isVisible());
            EXPECT_EQ(Text("Label2"), QStringLiteral("120"));
            EXPECT_FALSE(Child<QPushButton>("BtnServer")->isEnabled());
        }
    };
    main->BtnServerClick();
    EXPECT_EQ(runner->kinds.size(), 2u);
    ASSERT_TRUE(WaitClosed());
}

TEST_F(MainWindowTest, ClosingWithoutANotificationAreaIsExitAndStopsTheWorkers) {
    // The offscreen platform has no notification area: the window's close is "&Exit", so no
    // process is left running without a window.
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    main->close();
    EXPECT_TRUE(test::WaitFor([this] { return rig->waits.Terminating(); }, 2000));
    EXPECT_FALSE(main->isVisible());
}

TEST_F(MainWindowTest, TheProgramHasItsOwnIconInEverySize) {
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        EXPECT_FALSE(icon.pixmap(size, size).isNull()) << size;
    }
    EXPECT_FALSE(main->windowIcon().isNull());
}

TEST_F(MainWindowTest, SettingsResetLeavesOnlyLanguageAndVersion) {
    settings.Values()[QStringLiteral("Langage")] = QStringLiteral("francais.lng");
    settings.Values()[QStringLiteral("inter")] = 1;
    settings.Values()[QStringLiteral("PathDonkey")] = QStringLiteral("C:\\eDonkey\\");
    main->mnuRechRepClick();
    EXPECT_EQ(settings.Values().keys(), (QStringList{QStringLiteral("Langage"), QStringLiteral("Version")}));
}

}  // namespace
}  // namespace hublane::ui
