// The application object (an error that escapes an event handler is shown in a box
// captioned "Hublane" and the program goes on), the program's icon and its French Qt texts.
#pragma once

#include <QApplication>
#include <QIcon>

namespace hublane::platform {
class UserPrompts;
}

namespace hublane::ui {

class HublaneApplication : public QApplication {
  public:
    HublaneApplication(int& argc, char** argv);
    void SetPrompts(platform::UserPrompts* prompts) { m_prompts = prompts; }
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    platform::UserPrompts* m_prompts = nullptr;
};

/// The program's own icon, drawn for it, in every size it ships (window, tray, desktop entry).
QIcon ProgramIcon();

/// Names the application "Hublane" (window captions stay exactly the texts given to them: no
/// display name is appended), gives every window the program's icon, and loads Qt's French
/// texts for its own dialogs and buttons. Returns whether the French texts were found.
bool SetUpApplication(QApplication& app);

/// Puts the command line's own texts (the help and version options, "Usage", "Options", its
/// errors) in French, whatever translations the system has.
void InstallFrenchCommandLineTexts(QCoreApplication& app);

}  // namespace hublane::ui
