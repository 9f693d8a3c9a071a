// Program entry of Hublane: splash window, the three long-lived windows on one engine,
// the message loop.
#include <QDir>
#include <QThread>
#include <cstdio>
#include <memory>
#include <optional>
#include <string_view>

#include "app/Engine.h"
#include "app/SettingsUpgrade.h"
#include "clients/TPartInfo.h"
#include "language/Language.h"
#include "language/LanguageTable.h"
#include "platform/ClassRegistration.h"
#include "platform/Clock.h"
#include "platform/ExitStatus.h"
#include "platform/SettingsStoreFile.h"
#include "platform/SingleCopy.h"
#include "platform/UserSettingsStore.h"
#include "ui/Application.h"
#include "ui/ProgramCommandLine.h"
#include "ui/QtUserPrompts.h"
#include "ui/ServerListWindow.h"
#include "ui/TFAbout.h"
#include "ui/TFMain.h"
#include "ui/TFSplash.h"

namespace {

constexpr unsigned long kSplashMs = 2000;

// Where this copy's settings live: two copies on the same settings and address would write the
// same files behind each other's back.
QString SettingsLocation() {
#ifdef _WIN32
    return QStringLiteral("HKEY_CURRENT_USER/Software/Orvandels/Hublane");
#else
    return hublane::platform::SettingsStoreFile::DefaultPath();
#endif
}

// Whether the command line asks only for the help text, which needs no display.
bool AsksForHelp(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg(argv[i]);
        if (arg == "--help" || arg == "-h" || arg == "-?" || arg == "--help-all") {
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace hublane;
    if (AsksForHelp(argc, argv)) {
        QCoreApplication core(argc, argv);
        ui::InstallFrenchCommandLineTexts(core);
        ui::ReadProgramCommandLine(QCoreApplication::arguments());  // prints the help and ends the program
        return 0;
    }
    ui::HublaneApplication application(argc, argv);
    ui::SetUpApplication(application);
    ui::InstallFrenchCommandLineTexts(application);
    const std::optional<app::EngineOptions> options =
        ui::ReadProgramCommandLine(QCoreApplication::arguments());
    if (!options) {
        return platform::kExitUsage;
    }
    // One copy per settings and address: a second start brings the running copy's window forward
    // and ends. Other settings (XDG_CONFIG_HOME) or another --peer-address run side by side.
    const QString bindText = options->address.bind.isNull() ? QString() : options->address.bind.toString();
    platform::SingleCopy singleCopy(platform::SingleCopy::KeyFor(SettingsLocation(), bindText),
                                    platform::SingleCopy::DefaultFolder());
    if (!singleCopy.TryStart()) {
        std::fprintf(
            stderr, "%s\n",
            qUtf8Printable(QStringLiteral("hublane : une copie de Hublane tourne déjà avec ces réglages et "
                                          "cette adresse ; sa fenêtre est ramenée au premier plan.")));
        return platform::kExitFailure;
    }
    // Only "&Exit" ends the program: closing the last box shown while the main window sits in
    // the tray must not.
    QApplication::setQuitOnLastWindowClosed(false);
    ui::QtUserPrompts prompts;
    application.SetPrompts(&prompts);

    // The splash window, painted before the long steps start.
    auto splash = std::make_unique<ui::TFSplash>();
    splash->show();
    QCoreApplication::processEvents();

    const platform::SystemClock clock;
    std::unique_ptr<platform::SettingsStore> settings = platform::CreateUserSettingsStore();
    std::unique_ptr<platform::ClassRegistration> classes = platform::CreateSystemClassRegistration();
    language::LanguageTable language;
    const clients::PartInfoDeps partInfoDeps{*settings, prompts, *classes, language};
    language::LanguageLoader languageLoader(*settings, prompts, language,
                                            &language::LanguageLoader::QueueApplicationQuit,
                                            QCoreApplication::applicationDirPath());

    // The main window, then the about window, then the server list window on the engine.
    ui::TFMainHooks hooks;
    hooks.loadLanguage = [&languageLoader](ui::TFMain& main) {
        if (languageLoader.LoadLanguage()) {
            main.SetVersionLabel(languageLoader.VersionLabel());
        }
    };
    hooks.formCreate = [&partInfoDeps](ui::TFMain& main) { app::SettingsUpgradeStep(main, partInfoDeps); };
    // No box may hide behind the splash window: prompts take it out of the way first.
    prompts.SetSplash(splash.get());
    ui::TFMain mainWindow(*settings, clock, hooks);
    prompts.SetMainWindow(&mainWindow);
    ui::TFAbout about;

    app::Engine engine(app::EngineDeps{*settings, prompts, *classes, language, clock, mainWindow.Gauge(),
                                       mainWindow.Status(), mainWindow},
                       *options);
    // The server list window, seen only when the user asks for it ("Afficher la liste des serveurs").
    ui::ServerListWindow serverListWindow(engine.ServerList(), about);
    mainWindow.Attach(ui::TFMainLinks{about, engine.ServerList(), engine.Waits(), engine.Version(),
                                      [&serverListWindow] { serverListWindow.Open(); }});

    QObject::connect(&singleCopy, &platform::SingleCopy::ShowRequested, &mainWindow,
                     [&mainWindow] { mainWindow.TrayIcon1DblClick(); });

    QThread::msleep(kSplashMs);
    splash->hide();
    splash.reset();

    mainWindow.show();
    return QApplication::exec();
}
