// The language file: choosing it, loading its texts into the texts table, and what depends on it.
#include "language/Language.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMetaObject>
#include <stdexcept>

#include "language/DefaultTexts.h"
#include "language/LanguageTable.h"
#include "language/PeStringTable.h"
#include "platform/FileBytes.h"
#include "platform/SettingsKeys.h"
#include "platform/SettingsStore.h"
#include "platform/UserPrompts.h"
#include "platform/VersionText.h"

namespace hublane::language {

namespace {

const QString kLangage = platform::settings::kLangage.Name();
const QString kDefaultFile = platform::settings::kLangage.Fallback();
const QString kErrorCaption = QStringLiteral("Erreur");
// A language module holds a few kilobytes of strings; anything far larger is not one.
constexpr qint64 kMaxFileSize = 64LL * 1024 * 1024;

QString MissingFileMessage() {
    return QStringLiteral("Le fichier de langage (*.lng), n'existe pas !");
}
QString DamagedFileMessage() {
    return QStringLiteral("Le fichier de langage (*.lng), contient une erreur !");
}

/// The string table of the file at path, or nullopt when it cannot be read as a resource module.
std::optional<language::StringTable> LoadModule(const QString& path) {
    const std::optional<QByteArray> read = platform::ReadRegularFile(path, kMaxFileSize);
    if (!read) {
        return std::nullopt;
    }
    const QByteArray& bytes = *read;
    return language::ReadStringTable(
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

}  // namespace

LanguageLoader::LanguageLoader(platform::SettingsStore& settings, platform::UserPrompts& prompts,
                               language::LanguageTable& texts, std::function<void()> requestQuit,
                               QString programDir)
    : m_settings(settings),
      m_prompts(prompts),
      m_texts(texts),
      m_requestQuit(std::move(requestQuit)),
      m_programDir(std::move(programDir)),
      m_fileName(kDefaultFile),
      m_filter(QStringLiteral("Fichier de language de Hublane|*.lng")) {}

void LanguageLoader::QueueApplicationQuit() {
    QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit, Qt::QueuedConnection);
}

bool LanguageLoader::LoadLanguage() {
    if (const auto key = m_settings.Open()) {
        QString name;
        if (key->ReadString(kLangage, name)) {
            if (name.isEmpty()) {
                if (key->WriteString(kLangage, kDefaultFile)) {
                    m_fileName = kDefaultFile;
                }
            } else {
                m_fileName = name;
            }
        }
    }
    if (!ReadLanguageFile()) {
        RequestQuit();
        return false;
    }
    try {
        m_filter = m_texts.LangText(1) + QStringLiteral("|*.lng");
        m_versionLabel = platform::VersionLabelText();
    } catch (const std::out_of_range&) {
        ShowError(DamagedFileMessage(), false);
        RequestQuit();
    }
    return !m_quitRequested;
}

bool LanguageLoader::ReadLanguageFile() {
    if (!ReadLanguageModule(ResolvePath(), m_texts)) {
        ShowError(MissingFileMessage(), true);
        m_fileName = kDefaultFile;
        return ChooseLanguageFile();
    }
    return true;
}

bool LanguageLoader::ChooseLanguageFile() {
    const std::optional<QString> chosen = m_prompts.ChooseOpenFile(m_filter);
    if (!chosen) {
        ShowError(MissingFileMessage(), true);
        DeleteLangage();
        return false;
    }
    // The name comes back from the store, as it was written; if the store fails, the choice is
    // still used for this run.
    m_fileName = *chosen;
    if (const auto key = m_settings.Open()) {
        QString stored;
        if (key->WriteString(kLangage, *chosen) && key->ReadString(kLangage, stored)) {
            m_fileName = stored;
        }
    }
    if (!ReadLanguageFile()) {
        DeleteLangage();
        RequestQuit();
    }
    return true;
}

QString LanguageLoader::ResolvePath() const {
    return FindLanguageFile(m_fileName, m_programDir);
}

QString FindLanguageFile(const QString& name, const QString& programDir) {
    // A bare name is looked up as the platform looks up libraries: the program's folder first.
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\'))) {
        return name;
    }
    // An installed program finds its shared files in ../share/hublane, as Unix layouts put them.
    const QString sharedDir =
        programDir.isEmpty() ? QString() : QDir(programDir).filePath(QStringLiteral("../share/hublane"));
    for (const QString& dir : {programDir, QDir::currentPath(), sharedDir}) {
        if (dir.isEmpty()) {
            continue;
        }
        QString candidate = QDir(dir).filePath(name);
        if (QFileInfo(candidate).isFile()) {
            return candidate;
        }
    }
    return QString();
}

bool ReadLanguageModule(const QString& path, language::LanguageTable& texts) {
    const auto table = LoadModule(path);
    if (!table) {
        return false;
    }
    FillTexts(*table, texts);
    return true;
}

void FillTexts(const language::StringTable& table, language::LanguageTable& texts) {
    texts.Reset();
    for (const std::string& text : language::LoadableTexts(table)) {
        texts.Append(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    }
}

QString LoadLanguageQuietly(platform::SettingsStore& settings, const QString& programDir,
                            language::LanguageTable& texts) {
    QString name;
    if (const auto key = settings.Open()) {
        key->ReadString(kLangage, name);
    }
    for (const QString& candidate : {name, kDefaultFile}) {
        if (candidate.isEmpty()) {
            continue;
        }
        const QString path = FindLanguageFile(candidate, programDir);
        if (!path.isEmpty() && ReadLanguageModule(path, texts)) {
            return path;
        }
    }
    FillTexts(language::DefaultFrenchTexts(), texts);
    return QString();
}

void LanguageLoader::ShowError(const QString& text, bool ownedByMainWindow) {
    if (!m_quitRequested) {
        m_prompts.ShowError(text, kErrorCaption, ownedByMainWindow);
    }
}

void LanguageLoader::RequestQuit() {
    if (!m_quitRequested) {
        m_quitRequested = true;
        if (m_requestQuit) {
            m_requestQuit();
        }
    }
}

void LanguageLoader::DeleteLangage() {
    if (const auto key = m_settings.Open()) {
        key->DeleteValue(kLangage);
    }
}

}  // namespace hublane::language
