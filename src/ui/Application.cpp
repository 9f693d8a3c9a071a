// The application object: an error that escapes an event handler is shown in a box captioned
// "Hublane" and the program goes on.
#include "ui/Application.h"

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

}  // namespace hublane::ui
