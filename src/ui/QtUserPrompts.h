// The real dialogs and message boxes behind UserPrompts.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/UserPrompts.h"

namespace hublane::ui {

class QtUserPrompts : public platform::UserPrompts {
  public:
    /// mainWindow may be set later; boxes owned by the main window use it when it exists.
    void SetMainWindow(QWidget* mainWindow) { m_mainWindow = mainWindow; }
    /// The splash window while it exists: it is hidden before any box or dialog opens.
    void SetSplash(QWidget* splash) { m_splash = splash; }

    void ShowError(const QString& text, const QString& caption, bool ownedByMainWindow) override;
    std::optional<QString> ChooseOpenFile(const QString& filter) override;
    std::optional<QString> ChooseFolder(const QString& title, const QString& startFolder) override;
    void ShowEscapedError(const QString& message) override;

  private:
    void ClearTheWay();

    QPointer<QWidget> m_mainWindow;
    QPointer<QWidget> m_splash;
};

/// Turns a filter "Description|*.ext|Other|*.x" into Qt's "Description (*.ext);;Other (*.x)".
QString ToQtFilter(const QString& filter);

}  // namespace hublane::ui
