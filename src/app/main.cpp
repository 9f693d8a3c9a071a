// Program entry of Hublane: splash window, the three long-lived windows, the message loop.
#include <QDir>
#include <QThread>
#include <memory>

#include "app/About.h"
#include "app/Application.h"
#include "app/Language.h"
#include "app/LanguageTable.h"
#include "app/MainWindow.h"
#include "app/PartInfo.h"
#include "app/QtUserPrompts.h"
#include "app/SettingsUpgrade.h"
#include "app/Splash.h"
#include "platform/ClassRegistration.h"
#include "platform/UserSettingsStore.h"
#include "serverlist/Lserveur.h"

namespace {

// The server list window is never seen: the hourglass it would show while it reads server.met
// has nowhere to appear.
class InvisibleOwner : public hublane::platform::BusyOwner {
  public:
    void SetBusyCursor(bool /*busy*/) override {}
};

constexpr unsigned long kSplashMs = 2000;

}  // namespace

int main(int argc, char** argv) {
    using namespace hublane;
    app::HublaneApplication application(argc, argv);
    // Only "&Exit" ends the program: closing the last box shown while the main window sits in
    // the tray must not.
    QApplication::setQuitOnLastWindowClosed(false);
    app::QtUserPrompts prompts;
    application.SetPrompts(&prompts);

    // The splash window, painted before the long steps start.
    auto splash = std::make_unique<app::TFSplash>();
    splash->show();
    QCoreApplication::processEvents();

    QCoreApplication::setApplicationName(QStringLiteral("Hublane"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Hublane"));

    std::unique_ptr<platform::SettingsStore> settings = platform::CreateUserSettingsStore();
    std::unique_ptr<platform::ClassRegistration> classes = platform::CreateSystemClassRegistration();
    app::LanguageTable language;
    const app::PartInfoDeps partInfoDeps{*settings, prompts, *classes, language};
    app::LanguageLoader languageLoader(*settings, prompts, language,
                                       &app::LanguageLoader::QueueApplicationQuit,
                                       QCoreApplication::applicationDirPath());

    // The main window, then the about window, then the server list window.
    app::TFMainHooks hooks;
    hooks.loadLanguage = [&languageLoader](app::TFMain& main) {
        if (languageLoader.LoadLanguage()) {
            main.SetVersionLabel(languageLoader.VersionLabel());
        }
    };
    hooks.formCreate = [&partInfoDeps](app::TFMain& main) { app::SettingsUpgradeStep(main, partInfoDeps); };
    app::TFMain mainWindow(*settings, hooks);
    prompts.SetMainWindow(&mainWindow);
    app::TFAbout about;

    InvisibleOwner serverListOwner;
    serverlist::TFLServeur serverList(serverlist::LserveurDeps{
        *settings, language, prompts,
        [&](bool forReading) {
            return app::ServerMetPath(forReading ? static_cast<platform::BusyOwner&>(serverListOwner)
                                                 : static_cast<platform::BusyOwner&>(mainWindow),
                                      partInfoDeps);
        },
        QStringLiteral("serverHBL.met")});
    mainWindow.Attach(about, serverList);

    QThread::msleep(kSplashMs);
    splash->hide();
    splash.reset();

    mainWindow.show();
    return QApplication::exec();
}
