// Where the running step's caption and the cycle's last line are shown.
#pragma once

#include <QString>

namespace hublane::serverlist {

/// The main window's status label as the cycle sees it.
class StatusCaption {
  public:
    virtual ~StatusCaption() = default;
    /// Shows the text at once (repaints).
    virtual void SetCaption(const QString& text) = 0;
};

/// A caption nobody sees: the cycle's parts run without a window.
class NoStatusCaption final : public StatusCaption {
  public:
    void SetCaption(const QString& /*text*/) override {}
};

}  // namespace hublane::serverlist
