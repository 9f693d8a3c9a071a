// The language file: choosing it, loading its texts into the texts table, and what depends on it.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace hublane::platform {
class SettingsStore;
class UserPrompts;
}  // namespace hublane::platform

namespace hublane::language {

class LanguageTable;

/// Where a language file name is found: a name with a folder as it is; a bare name in the
/// program's folder, then in the current folder; an empty text when it is in neither.
QString FindLanguageFile(const QString& name, const QString& programDir);

/// Fills texts from the resource module at path as the program loads it (numbers from 1 until
/// the first missing or empty one, each cut to 254 characters); false when it is not readable.
bool ReadLanguageModule(const QString& path, language::LanguageTable& texts);

/// Fills texts from a string table the same way.
void FillTexts(const std::map<std::uint16_t, std::string>& table, language::LanguageTable& texts);

/// The texts without any dialog or message, for the command-line companion: the file the setting
/// Langage names, else francais.lng, each looked up as the program does, else the built-in copy
/// of the default texts. Returns the path of the file read, or an empty text for the built-in
/// copy. Nothing is written to the settings.
QString LoadLanguageQuietly(platform::SettingsStore& settings, const QString& programDir,
                            language::LanguageTable& texts);

/// The language file steps of the main window's creation. The file named by the setting Langage
/// (default "francais.lng") is read as a resource module; when it cannot be, the user is told and
/// asked for another one with the open dialog, over and over until a file loads or the dialog is
/// cancelled. Ending the program is a request (requestQuit), never an immediate exit; once it
/// has been requested no further message is shown, since a box opened while the program ends
/// would be closed at once.
class LanguageLoader {
  public:
    /// programDir is where a file name without a folder is looked up first (then the current
    /// folder). requestQuit asks the message loop to end as soon as it runs.
    LanguageLoader(platform::SettingsStore& settings, platform::UserPrompts& prompts,
                   language::LanguageTable& texts, std::function<void()> requestQuit, QString programDir);

    /// Settles the file name from the settings, reads the file and applies text 1 to the open
    /// dialog's filter and the version label. False when it asked the program to end.
    bool LoadLanguage();
    /// Fills the texts table from the named file, or from a file the user chooses instead; true
    /// when the table was filled.
    bool ReadLanguageFile();
    /// Runs the open dialog; true when the user chose a file (whether or not it then loaded).
    bool ChooseLanguageFile();

    /// The language file name: a file name or a full path.
    const QString& FileName() const { return m_fileName; }
    /// The open dialog's filter, "Description|*.lng".
    const QString& OpenDialogFilter() const { return m_filter; }
    /// The main window's version label (Label8); empty until LoadLanguage has set it.
    const QString& VersionLabel() const { return m_versionLabel; }
    bool QuitRequested() const { return m_quitRequested; }

    /// A requestQuit for the real program: queues QCoreApplication::quit on the event loop.
    static void QueueApplicationQuit();

  private:
    QString ResolvePath() const;
    void ShowError(const QString& text, bool ownedByMainWindow);
    void RequestQuit();
    void DeleteLangage();

    platform::SettingsStore& m_settings;
    platform::UserPrompts& m_prompts;
    language::LanguageTable& m_texts;
    std::function<void()> m_requestQuit;
    QString m_programDir;
    QString m_fileName;
    QString m_filter;
    QString m_versionLabel;
    bool m_quitRequested = false;
};

}  // namespace hublane::language
