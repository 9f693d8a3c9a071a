// The application object: an error that escapes an event handler is shown in a box captioned
// "Hublane" and the program goes on.
#pragma once

#include <QApplication>

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

}  // namespace hublane::ui
