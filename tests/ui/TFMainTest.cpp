// The main window: its controls, the button that starts the first cycle, the countdown, the
// second press during a cycle, and the window coming back after each cycle.
#include "ui/TFMain.h"

#include <gtest/gtest.h>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QNetworkAccessManager>
#include <QProgressBar>
#include <QPushButton>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include "app/VersionCheck.h"
#include "support/CycleRig.h"
#include "support/PageServer.h"
#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/SkinnedWindow.h"
#include "ui/TFAbout.h"

namespace hublane::ui {
namespace {

class TFMainTest : public ::testing::Test {
  protected:
    void SetUp() override {
        versionServer.Html(QStringLiteral("versionHBL.txt"), QByteArray("0.2.1.0"));
        version = std::make_unique<app::VersionCheck>(
            network, clock, QUrl(versionServer.Url(QStringLiteral("versionHBL.txt"))));
        TFMainHooks hooks;
        hooks.openUrl = [this](const QUrl& url) { opened << url; };
        main = std::make_unique<TFMain>(settings, clock, hooks);
        about = std::make_unique<TFAbout>();
        // The cycle closes its window on a clock ten times faster than the real one.
        rig = std::make_unique<test::CycleRig>(&main->Gauge(), &main->Status(), &fast);
        ASSERT_TRUE(rig->dir.isValid());
        runner = &rig->runner;
        rig->peerServer.servers = 60;  // no web fetch, no extension blocks
        rig->peerServer.peers = 60;
        main->Attach(TFMainLinks{*about, rig->window, rig->waits, *version});
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
    QNetworkAccessManager network;
    test::PageServer versionServer{QStringLiteral("127.0.0.80")};
    std::unique_ptr<app::VersionCheck> version;
    QList<QUrl> opened;
    platform::FastClock fast{10};
    std::unique_ptr<TFMain> main;
    std::unique_ptr<TFAbout> about;
    std::unique_ptr<test::CycleRig> rig;
    test::RecordingRunner* runner = nullptr;
};

TEST_F(TFMainTest, StartsWithItsControlsInPlaceAndNoCountdown) {
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

TEST_F(TFMainTest, ButtonRunsACycleThenStartsTheCountdownAndStaysDisabled) {
    main->BtnServerClick();
    EXPECT_EQ(runner->kinds.size(), 2u);  // the two ping campaigns ran inside the press
    // Put away: without a notification area as an icon, never as nothing.
    EXPECT_TRUE(main->isMinimized());
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

TEST_F(TFMainTest, StatusLineWrapsOnTwoLinesThenEndsAtAWordWithAnEllipsis) {
    const QString longest = QStringLiteral(
        "Cycle terminé : 1 234 serveurs gardés, 567 retirés, 89 ajoutés ; 12 Hublane connus ; "
        "server.met introuvable ; server.met non écrit (liste vide) ; serverHBL.met introuvable ; "
        "serverHBL.met non écrit (liste vide) ; 3 adresses filtrées");
    const QString oneWord(400, QLatin1Char('x'));
    auto* label1 = Child<QLabel>("Label1");
    for (const QString& text : {QStringLiteral("Ping des Serveurs"), longest, oneWord}) {
        main->ShowStatusLine(text);
        EXPECT_EQ(label1->toolTip(), text);
        EXPECT_TRUE(label1->isVisible());
        const QString shown = label1->text();
        if (shown == text) {
            continue;  // fits whole
        }
        ASSERT_TRUE(shown.endsWith(QStringLiteral(" …"))) << shown.toStdString();
        EXPECT_TRUE(text.startsWith(shown.chopped(2) + QLatin1Char(' '))) << shown.toStdString();
        EXPECT_LE(label1->heightForWidth(label1->width()), label1->height()) << shown.toStdString();
    }
    main->ShowStatusLine(QStringLiteral("Ping des Serveurs"));
    EXPECT_EQ(label1->text(), QStringLiteral("Ping des Serveurs"));
    main->ShowStatusLine(longest);
    EXPECT_NE(label1->text(), longest);
}

TEST_F(TFMainTest, CountdownStartsACycleOnTheTickThatMakesZero) {
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

TEST_F(TFMainTest, CycleStartedByTheCountdownShowsAHiddenMainWindowAtItsEnd) {
    main->BtnServerClick();
    ASSERT_TRUE(WaitClosed());
    main->hide();
    for (int i = 0; i < 120; ++i)
        main->Timer1Timer();
    EXPECT_FALSE(main->isVisible());
    ASSERT_TRUE(WaitClosed());
    EXPECT_TRUE(main->isVisible());
}

TEST_F(TFMainTest, SecondPressDuringACycleStartsNothingNew) {
    int nestedRuns = 0;
    runner->onRun = [&](serverlist::ProbeKind) {
        if (nestedRuns++ == 0) {
            main->BtnServerClick();  // the server list window is shown: Show returns at once
            EXPECT_TRUE(main->isMinimized());
            EXPECT_EQ(Text("Label2"), QStringLiteral("120"));
            EXPECT_FALSE(Child<QPushButton>("BtnServer")->isEnabled());
        }
    };
    main->BtnServerClick();
    EXPECT_EQ(runner->kinds.size(), 2u);
    ASSERT_TRUE(WaitClosed());
}

TEST_F(TFMainTest, ClosingWithoutANotificationAreaIsExitAndStopsTheWorkers) {
    // The offscreen platform has no notification area: the window's close is "&Exit", so no
    // process is left running without a window.
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    main->close();
    EXPECT_TRUE(test::WaitFor([this] { return rig->waits.Terminating(); }, 2000));
    EXPECT_FALSE(main->isVisible());
}

// A main window on a desktop whose notification area comes and goes with `tray`.
struct TrayWindow {
    TrayWindow(platform::SettingsStore& settings, const platform::Clock& clock, const TFMainLinks& links)
        : window(settings, clock, Hooks()) {
        window.Attach(links);
        window.show();
    }
    TFMainHooks Hooks() {
        TFMainHooks hooks;
        hooks.openUrl = [](const QUrl&) {};
        hooks.trayAvailable = [this] { return tray; };
        return hooks;
    }
    bool tray = true;
    TFMain window;
};

TEST_F(TFMainTest, TheHideSpotAndMinimiseFallBackToAnIconWhenTheTrayGoesAway) {
    TrayWindow t(settings, clock, TFMainLinks{*about, rig->window, rig->waits, *version});
    TFMain& w = t.window;
    ASSERT_NE(w.TrayIcon1(), nullptr);
    w.Skin().Image1MouseUp(Qt::LeftButton, QPoint(650, 5));  // the hide spot, with a tray
    EXPECT_FALSE(w.isVisible());
    // The notification area goes away while the window sits in it: the window comes back as an
    // icon, since nothing else is left to click.
    t.tray = false;
    w.CheckTray();
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMinimized());
    w.TrayIcon1Click();
    EXPECT_FALSE(w.isMinimized());
    // Without the area the hide spot and a minimise leave an icon, never nothing.
    w.Skin().Image1MouseUp(Qt::LeftButton, QPoint(650, 5));
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.isMinimized());
    w.showNormal();
    w.showMinimized();
    QCoreApplication::processEvents();
    EXPECT_TRUE(w.isVisible());
    // With the area back, a minimise goes into it and one click on the icon brings the window
    // back in its normal state.
    t.tray = true;
    w.showNormal();
    w.showMinimized();
    ASSERT_TRUE(test::WaitFor([&w] { return !w.isVisible(); }, 2000));
    w.TrayIcon1Click();
    EXPECT_TRUE(w.isVisible());
    EXPECT_FALSE(w.isMinimized());
}

TEST_F(TFMainTest, AWindowHiddenInTheTrayStaysThereAtTheEndOfACycle) {
    TrayWindow t(settings, clock, TFMainLinks{*about, rig->window, rig->waits, *version});
    TFMain& w = t.window;
    w.BtnServerClick();  // shown when it started: shown again at its end
    ASSERT_TRUE(test::WaitFor([this, &w] { return !rig->window.Visible() && w.isVisible(); }, 3000));
    w.HideToTray();
    for (int i = 0; i < 120; ++i)
        w.Timer1Timer();
    ASSERT_TRUE(test::WaitFor([this] { return !rig->window.Visible(); }, 3000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible());
    // Shown when the next one starts: shown at its end, even when hidden meanwhile.
    w.TrayIcon1Click();
    for (int i = 0; i < 120; ++i)
        w.Timer1Timer();
    ASSERT_TRUE(test::WaitFor([this, &w] { return !rig->window.Visible() && w.isVisible(); }, 3000));
}

TEST_F(TFMainTest, ADoubleClickOnTheNoticeOrTheBannerOpensThePageOnce) {
    const auto send = [](QObject* target, QEvent::Type type) {
        QMouseEvent e(type, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &e);
    };
    for (const char* name : {"LVersion", "ImgPub"}) {
        opened.clear();
        QObject* link = Child<QLabel>(name);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            send(link, type);
        }
        EXPECT_EQ(opened.size(), 1) << name;
        send(link, QEvent::MouseButtonRelease);  // a release without its press
        EXPECT_EQ(opened.size(), 1) << name;
        send(link, QEvent::MouseButtonPress);
        send(link, QEvent::MouseButtonRelease);
        EXPECT_EQ(opened.size(), 2) << name;
    }
}

TEST_F(TFMainTest, TheProgramHasItsOwnIconInEverySize) {
    const QIcon icon = ProgramIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        EXPECT_FALSE(icon.pixmap(size, size).isNull()) << size;
    }
    EXPECT_FALSE(main->windowIcon().isNull());
}

TEST_F(TFMainTest, TheNoticeAppearsWhenAnotherVersionIsPublishedAndStays) {
    // The first showing asked the host, which publishes this version: no notice.
    ASSERT_TRUE(test::WaitFor([this] { return versionServer.Requests().size() == 1; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(Child<QLabel>("LVersion")->isVisible());
    versionServer.Html(QStringLiteral("versionHBL.txt"), QByteArray("0.2.1.0\n"));  // another text
    main->hide();
    main->show();
    EXPECT_TRUE(test::WaitFor([this] { return Child<QLabel>("LVersion")->isVisible(); }, 5000));
    versionServer.Html(QStringLiteral("versionHBL.txt"), QByteArray("0.2.1.0"));
    main->hide();
    main->show();
    ASSERT_TRUE(test::WaitFor([this] { return versionServer.Requests().size() == 3; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_TRUE(Child<QLabel>("LVersion")->isVisible());  // never hidden again
    // The notice and the banner open the home page.
    main->LVersionClick();
    main->ImgPubClick();
    EXPECT_EQ(opened, (QList<QUrl>{QUrl(QStringLiteral("http://hublane.orvandels.net/")),
                                   QUrl(QStringLiteral("http://hublane.orvandels.net/"))}));
}

TEST_F(TFMainTest, AFailedVersionRequestIsSaidOnceInTheStatusLineNeverInABox) {
    test::PageServer broken(QStringLiteral("127.0.0.81"));
    app::VersionCheck check(network, clock, QUrl(broken.Url(QStringLiteral("versionHBL.txt"))));  // 404
    TFMain other(settings, clock);
    other.Attach(TFMainLinks{*about, rig->window, rig->waits, check});
    other.show();
    auto* label1 = other.findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_TRUE(test::WaitFor([label1] { return label1->isVisible(); }, 5000));
    EXPECT_TRUE(label1->text().startsWith(QStringLiteral("Impossible de vérifier la version de Hublane")))
        << label1->text().toStdString();
    label1->hide();
    other.hide();
    other.show();
    ASSERT_TRUE(test::WaitFor([&broken] { return broken.Requests().size() == 2; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_FALSE(label1->isVisible());  // said once a run
    EXPECT_TRUE(rig->prompts.messages.empty());
}

TEST_F(TFMainTest, TheWindowTakesItsOutlineAndItsPicturesAndTheBannerPlays) {
    // A pixel past the stepped lower-right corner is not part of the window; the corner of the
    // left edge and the middle are.
    const QRegion mask = main->mask();
    EXPECT_FALSE(mask.contains(QPoint(657, 190)));
    EXPECT_FALSE(mask.contains(QPoint(650, 150)));
    EXPECT_TRUE(mask.contains(QPoint(2, 190)));
    EXPECT_TRUE(mask.contains(QPoint(400, 100)));
    EXPECT_TRUE(mask.contains(QPoint(657, 100)));
    auto* image1 = Child<QLabel>("Image1");
    ASSERT_NE(image1, nullptr);
    EXPECT_EQ(image1->pixmap().size(), QSize(660, 194));
    QMovie* banner = Child<QLabel>("ImgPub")->movie();
    ASSERT_NE(banner, nullptr);
    EXPECT_EQ(banner->frameCount(), 9);
    EXPECT_EQ(banner->state(), QMovie::Running);
    EXPECT_EQ(Child<QLabel>("ImgPub")->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(TFMainTest, TheSkinsHotSpotsShowTheirPressedLookAndActOnlyWhereReleased) {
    SkinnedWindow& skin = main->Skin();
    auto* imgMaxim = Child<QLabel>("ImgMaxim");
    skin.Image1MouseDown(Qt::LeftButton, QPoint(650, 5));  // the hide spot
    EXPECT_TRUE(imgMaxim->isVisible());
    skin.Image1MouseUp(Qt::LeftButton, QPoint(300, 60));  // released elsewhere: nothing happens
    EXPECT_FALSE(imgMaxim->isVisible());
    EXPECT_TRUE(main->isVisible());
    // The right button never drags; the left one in the title strip does, beyond the strip too.
    const QPoint start = main->pos();
    skin.Image1MouseDown(Qt::RightButton, QPoint(100, 5));
    EXPECT_FALSE(skin.Dragging());
    skin.Image1MouseDown(Qt::LeftButton, QPoint(100, 5));
    skin.Image1MouseMove(QPoint(130, 95));
    EXPECT_EQ(main->pos(), start + QPoint(30, 90));
    skin.Image1MouseUp(Qt::RightButton, QPoint(130, 95));
    EXPECT_FALSE(skin.Dragging());
    // Pressed elsewhere, released in the hide spot: without a notification area it minimises.
    skin.Image1MouseDown(Qt::LeftButton, QPoint(300, 60));
    skin.Image1MouseUp(Qt::LeftButton, QPoint(650, 5));
    EXPECT_TRUE(main->isMinimized() || !main->isVisible());
}

TEST_F(TFMainTest, SettingsResetLeavesOnlyLanguageAndVersion) {
    settings.Values()[QStringLiteral("Langage")] = QStringLiteral("francais.lng");
    settings.Values()[QStringLiteral("inter")] = 1;
    settings.Values()[QStringLiteral("PathDonkey")] = QStringLiteral("C:\\eDonkey\\");
    main->mnuRechRepClick();
    EXPECT_EQ(settings.Values().keys(), (QStringList{QStringLiteral("Langage"), QStringLiteral("Version")}));
    // And it says so.
    EXPECT_TRUE(Child<QLabel>("Label1")->isVisible());
    EXPECT_TRUE(Child<QLabel>("Label1")->toolTip().startsWith(QStringLiteral("Réglages remis à zéro")));
}

}  // namespace
}  // namespace hublane::ui
