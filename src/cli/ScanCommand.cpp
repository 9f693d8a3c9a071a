// hublanectl scan: the "Lancer" button on the rows of a server.met file, without the window.
#include <QStringList>

#include "cli/CliLanguage.h"
#include "cli/Commands.h"
#include "cli/ListRowText.h"
#include "platform/MemorySettingsStore.h"
#include "platform/UserPrompts.h"
#include "serverlist/ListFiles.h"
#include "serverlist/Lserveur.h"

namespace hublane::cli {
namespace {

using serverlist::ProbeKind;

// No dialog ever opens here: whatever would be shown goes to standard error.
class ConsolePrompts : public platform::UserPrompts {
  public:
    explicit ConsolePrompts(QTextStream& err) : m_err(err) {}
    void ShowError(const QString& text, const QString&, bool) override { m_err << text << '\n'; }
    void ShowErrorOkCancel(const QString& text, const QString&) override { m_err << text << '\n'; }
    std::optional<QString> ChooseOpenFile(const QString&) override { return std::nullopt; }
    std::optional<QString> ChooseFolder(const QString&, const QString&) override { return std::nullopt; }
    void ShowEscapedError(const QString& message) override { m_err << "hublanectl: " << message << '\n'; }

  private:
    QTextStream& m_err;
};

int Usage(Io& io) {
    io.err << "usage: hublanectl scan FILE [--mode desc|list|fr] [--threads N] [--timeout S] [--write]\n";
    return 2;
}

bool ReadNumber(const QStringList& args, qsizetype& i, int& value) {
    if (i + 1 >= args.size()) {
        return false;
    }
    bool ok = false;
    value = args[++i].toInt(&ok);
    return ok;
}

}  // namespace

int RunScan(const QStringList& args, Io& io) {
    if (args.isEmpty()) {
        return Usage(io);
    }
    QString path = args.first();
    ProbeKind kind = ProbeKind::RechDesc;
    int threads = 20;
    int timeout = 2;
    bool write = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--mode") && i + 1 < args.size()) {
            const QString& mode = args[++i];
            if (mode == QLatin1String("desc")) {
                kind = ProbeKind::RechDesc;
            } else if (mode == QLatin1String("list")) {
                kind = ProbeKind::RechNew;
            } else if (mode == QLatin1String("fr")) {
                kind = ProbeKind::RechFr;
            } else {
                return Usage(io);
            }
        } else if (a == QLatin1String("--threads")) {
            if (!ReadNumber(args, i, threads))
                return Usage(io);
        } else if (a == QLatin1String("--timeout")) {
            if (!ReadNumber(args, i, timeout))
                return Usage(io);
        } else if (a == QLatin1String("--write")) {
            write = true;
        } else {
            return Usage(io);
        }
    }

    // The user's own settings are left alone: the window gets a store of its own.
    platform::MemorySettingsStore settings;
    ConsolePrompts prompts(io.err);
    serverlist::TFLServeur window(
        serverlist::LserveurDeps{settings, CliLanguage(), prompts, [path](bool) { return path; }, QString()});
    const bool read = window.ReadServerMet();
    for (const QString& line : window.ErrorLog()) {
        io.err << line << '\n';
    }
    if (!read) {
        return 1;
    }
    window.Controls().nbThreads.SetValue(threads);
    window.Controls().timeout.SetValue(timeout);
    window.Controls().checked = kind;
    if (kind == ProbeKind::RechNew) {
        // The list request goes to servers that answered; every row of the file counts as one.
        for (std::size_t i = 0; i < window.lvip().Count(); ++i) {
            window.lvip().Row(i).answered = true;
        }
    }
    window.BtnLancerClick();
    PrintServerRows(window.lvip(), io.out);
    if (write) {
        serverlist::PlainGauge gauge;
        if (!serverlist::WriteServerMet(path, window.lvip(), gauge, false)) {
            io.err << "hublanectl: cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}

}  // namespace hublane::cli
