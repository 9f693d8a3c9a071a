// The dialogs and message boxes the engine needs, behind an interface so tests never open one.
#pragma once

#include <QString>
#include <optional>

namespace hublane::platform {

class UserPrompts {
  public:
    virtual ~UserPrompts() = default;
    /// A message box with the OK button and an error icon. ownedByMainWindow chooses its owner.
    virtual void ShowError(const QString& text, const QString& caption, bool ownedByMainWindow) = 0;
    /// The file-open dialog. filter is "Description|*.ext". Returns the chosen file's full path,
    /// or nullopt when cancelled.
    virtual std::optional<QString> ChooseOpenFile(const QString& filter) = 0;
    /// The modal folder dialog with a title, starting at startFolder when not empty. Returns the
    /// chosen folder's full path (no trailing separator needed), or nullopt when cancelled.
    virtual std::optional<QString> ChooseFolder(const QString& title, const QString& startFolder) = 0;
    /// The application-wide error box, captioned "Hublane", for an error that escaped a handler.
    virtual void ShowEscapedError(const QString& message) = 0;
};

/// A window that shows the busy cursor while an operation holds it.
class BusyOwner {
  public:
    virtual ~BusyOwner() = default;
    virtual void SetBusyCursor(bool busy) = 0;
};

}  // namespace hublane::platform
