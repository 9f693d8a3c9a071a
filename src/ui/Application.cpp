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

}  // namespace hublane::ui
