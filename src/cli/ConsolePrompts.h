// What hublanectl shows instead of boxes and dialogs: every message goes to
// standard error, every dialog is cancelled.
#pragma once

#include <QTextStream>

#include "platform/UserPrompts.h"

namespace hublane::cli {

class ConsolePrompts final : public platform::UserPrompts {
  public:
    explicit ConsolePrompts(QTextStream& err) : m_err(err) {}
    void ShowError(const QString& text, const QString& /*caption*/, bool /*owned*/) override {
        m_err << "hublanectl: " << text << '\n';
    }
    std::optional<QString> ChooseOpenFile(const QString& /*filter*/) override { return std::nullopt; }
    std::optional<QString> ChooseFolder(const QString& /*title*/, const QString& /*start*/) override {
        return std::nullopt;
    }
    void ShowEscapedError(const QString& message) override { m_err << "hublanectl: " << message << '\n'; }

  private:
    QTextStream& m_err;
};

/// No window shows a busy cursor here.
class NoBusyOwner final : public platform::BusyOwner {
  public:
    void SetBusyCursor(bool /*busy*/) override {}
};

}  // namespace hublane::cli
