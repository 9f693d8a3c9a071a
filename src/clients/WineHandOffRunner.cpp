// The hand-off into a client that runs under Wine, through the Windows helper.
#include "clients/WineHandOffRunner.h"

#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QTimer>

#include "clients/HandOffLines.h"
#include "platform/WinePrefix.h"
#include "serverlist/UiWaits.h"

namespace hublane::clients {
using serverlist::UiWaits;
using serverlist::WorkGauge;

namespace {

using Outcome = HandOffResult::Outcome;

HandOffResult Failure(Outcome outcome, const QString& detail) {
    HandOffResult result;
    result.outcome = outcome;
    result.detail = detail.toStdString();
    return result;
}

// The last lines Wine or the helper wrote on standard error, for the status line.
QString LastLines(const QByteArray& text, int count) {
    QStringList lines = QString::fromLocal8Bit(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    lines = lines.mid(std::max<qsizetype>(0, lines.size() - count));
    return lines.join(QStringLiteral(" / ")).trimmed();
}

}  // namespace

std::optional<WineHandOffConfig> ChooseWineHandOff(const WineSearch& search, HandOffResult& failure) {
    WineHandOffConfig config;
    const QStringList pathDirs = search.pathVariable.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    config.wine = QStandardPaths::findExecutable(QStringLiteral("wine"), pathDirs);
    if (config.wine.isEmpty()) {
        failure = Failure(Outcome::NoWine, QStringLiteral("aucun programme wine dans le PATH"));
        return std::nullopt;
    }

    QStringList looked;
    auto consider = [&](const QString& candidate) {
        if (config.prefix.isEmpty() && !candidate.isEmpty()) {
            looked << candidate;
            config.prefix = platform::IsWinePrefix(candidate) ? candidate : QString();
        }
    };
    // A folder given as a Windows path ("C:\...") names no prefix of its own.
    consider(platform::PrefixHolding(search.clientFolder));
    consider(search.registeredProgram ? platform::PrefixHolding(*search.registeredProgram) : QString());
    consider(search.winePrefixVariable);
    consider(search.home.isEmpty() ? QString() : search.home + QStringLiteral("/.wine"));
    if (config.prefix.isEmpty()) {
        failure =
            Failure(Outcome::NoPrefix,
                    looked.isEmpty() ? QStringLiteral("ni dossier du client, ni WINEPREFIX, ni HOME")
                                     : QStringLiteral("cherché dans ") + looked.join(QStringLiteral(", ")));
        return std::nullopt;
    }

    const bool win32 = platform::PrefixArch(config.prefix) == platform::WineArch::Win32;
    const QString relative =
        win32 ? QStringLiteral("win32/hublane-handoff.exe") : QStringLiteral("win64/hublane-handoff.exe");
    QStringList tried;
    for (const QString& dir : search.helperDirs) {
        const QString candidate = QDir(dir).filePath(relative);
        if (QFileInfo(candidate).isFile()) {
            config.helper = candidate;
            return config;
        }
        tried << candidate;
    }
    failure =
        Failure(Outcome::NoHelper, QStringLiteral("le préfixe %1 %2 demande %3")
                                       .arg(win32 ? QStringLiteral("32 bits") : QStringLiteral("64 bits"),
                                            config.prefix, tried.join(QStringLiteral(" ou "))));
    return std::nullopt;
}

HandOffResult WineHandOffRunner::Run(const std::vector<HandOffAddress>& rows, WorkGauge& gauge) {
    QProcess helper;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WINEPREFIX"), m_config.prefix);
    // Wine's own notes stay quiet, its errors are kept for the status line; no prompt to
    // install Mono or Gecko if Wine updates the prefix.
    env.insert(QStringLiteral("WINEDEBUG"), QStringLiteral("fixme-all"));
    env.insert(QStringLiteral("WINEDLLOVERRIDES"), QStringLiteral("mscoree,mshtml="));
    helper.setProcessEnvironment(env);
    helper.setProgram(m_config.wine);
    helper.setArguments(
        {m_config.helper, QStringLiteral("--timeout-ms"), QString::number(m_config.messageTimeoutMs)});

    QEventLoop loop;
    QTimer silence;
    silence.setSingleShot(true);
    silence.setInterval(m_config.silenceLimitMs);
    bool silent = false;
    bool quitting = false;
    std::optional<HandOffResult> result;
    QByteArray pending;
    auto readLines = [&] {
        pending += helper.readAllStandardOutput();
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QByteArray line = pending.left(end);
            pending.remove(0, end + 1);
            const HelperLine parsed = ParseHelperLine(std::string_view(line.constData(), line.size()));
            switch (parsed.kind) {
                case HelperLine::Kind::GaugeMax:
                    gauge.SetMax(parsed.value);
                    break;
                case HelperLine::Kind::GaugePosition:
                    gauge.SetPosition(parsed.value);
                    break;
                case HelperLine::Kind::Result:
                    result = parsed.result;
                    break;
                case HelperLine::Kind::Other:
                    break;
            }
        }
    };
    QObject::connect(&helper, &QProcess::readyReadStandardOutput, &loop, [&] {
        readLines();
        silence.start();
    });
    QObject::connect(&helper, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&silence, &QTimer::timeout, &loop, [&] {
        silent = true;
        helper.kill();
    });
    if (m_waits != nullptr) {
        if (m_waits->Terminating()) {
            return Failure(Outcome::HelperFailed, QStringLiteral("le programme se ferme"));
        }
        QObject::connect(m_waits, &UiWaits::Terminated, &loop, [&] {
            quitting = true;
            helper.kill();
        });
    }

    helper.start();
    if (!helper.waitForStarted()) {
        return Failure(
            Outcome::HelperFailed,
            QStringLiteral("impossible de lancer %1 : %2").arg(m_config.wine, helper.errorString()));
    }
    QByteArray input;
    for (const HandOffAddress& row : rows) {
        input += QByteArray::fromStdString(RowLine(row)) + '\n';
    }
    helper.write(input);
    helper.closeWriteChannel();
    silence.start();
    if (helper.state() != QProcess::NotRunning) {
        loop.exec();
    }
    // A kill leaves the process to be reaped; the wait is short and bounded.
    helper.waitForFinished(5000);
    readLines();

    if (quitting) {
        return Failure(Outcome::HelperFailed, QStringLiteral("arrêté : le programme se ferme"));
    }
    if (silent) {
        return Failure(Outcome::HelperFailed, QStringLiteral("%1 n'a rien dit pendant %2 s et a été arrêté")
                                                  .arg(QFileInfo(m_config.helper).fileName())
                                                  .arg(m_config.silenceLimitMs / 1000));
    }
    if (result) {
        return *result;
    }
    // Wine may report success for a program it could not run at all: only the result line counts.
    QString detail = QStringLiteral("%1 n'a donné aucun résultat (code de sortie %2)")
                         .arg(QFileInfo(m_config.helper).fileName())
                         .arg(helper.exitStatus() == QProcess::NormalExit ? helper.exitCode() : -1);
    if (platform::PrefixArch(m_config.prefix) == platform::WineArch::Win32) {
        detail += QStringLiteral(" ; un préfixe 32 bits demande Wine 32 bits (wine32)");
    }
    const QString errors = LastLines(helper.readAllStandardError(), 2);
    if (!errors.isEmpty()) {
        detail += QStringLiteral(" : ") + errors;
    }
    return Failure(Outcome::HelperFailed, detail);
}

}  // namespace hublane::clients
