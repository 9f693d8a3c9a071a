// The application object, the program's icon and its French Qt texts.
#include "ui/Application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <exception>

#include "platform/UserPrompts.h"

namespace hublane::ui {

HublaneApplication::HublaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool HublaneApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        if (m_prompts) {
            m_prompts->ShowEscapedError(QString::fromLocal8Bit(e.what()));
        }
    } catch (...) {
        if (m_prompts) {
            m_prompts->ShowEscapedError(QStringLiteral("Erreur inconnue"));
        }
    }
    return false;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/pictures/hublane-icon-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

bool SetUpApplication(QApplication& app) {
    QCoreApplication::setApplicationName(QStringLiteral("Hublane"));
    QApplication::setWindowIcon(ProgramIcon());
    // Lets desktops match the windows to the installed hublane.desktop entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("hublane"));
    // Qt's own dialogs and standard buttons in French, as the rest of the program.
    auto* translator = new QTranslator(&app);
    const bool loaded =
        translator->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (loaded) {
        QCoreApplication::installTranslator(translator);
    } else {
        delete translator;
    }
    return loaded;
}

namespace {

class CommandLineTexts : public QTranslator {
  public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char* /*disambiguation*/,
                      int /*n*/) const override {
        if (qstrcmp(context, "QCommandLineParser") != 0) {
            return {};
        }
        static const struct {
            const char* english;
            const char* french;
        } kTexts[] = {
            {"Displays help on commandline options.",
             "Affiche l'aide sur les options de la ligne de commande."},
            {"Displays help, including Qt specific options.",
             "Affiche l'aide, options propres à Qt comprises."},
            {"Displays help including Qt specific options.",
             "Affiche l'aide, options propres à Qt comprises."},
            {"Displays version information.", "Affiche la version."},
            {"Usage: %1", "Utilisation : %1"},
            {"Options:", "Options :"},
            {"Arguments:", "Arguments :"},
            {"[options]", "[options]"},
            {"Unknown option '%1'.", "Option inconnue « %1 »."},
            {"Unknown options: %1.", "Options inconnues : %1."},
            {"Missing value after '%1'.", "Valeur manquante après « %1 »."},
            {"Unexpected value after '%1'.", "Valeur inattendue après « %1 »."},
            {"Unexpected argument '%1'.", "Argument inattendu « %1 »."},
            {"Unexpected arguments: %1.", "Arguments inattendus : %1."},
        };
        for (const auto& t : kTexts) {
            if (qstrcmp(source, t.english) == 0) {
                return QString::fromUtf8(t.french);
            }
        }
        return {};
    }
};

}  // namespace

void InstallFrenchCommandLineTexts(QCoreApplication& app) {
    QCoreApplication::installTranslator(new CommandLineTexts(&app));
}

}  // namespace hublane::ui
