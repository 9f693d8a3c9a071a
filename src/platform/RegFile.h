// The settings file codec: one registry key in the registry's own text export format (REGEDIT4).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

namespace hublane::platform {

/// The only key the settings file holds.
inline constexpr std::string_view kSettingsKeyPath = "HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane";

/// A value of another registry type, kept as its export text ("hex:01,02", "hex(7):..."), so that
/// a value added by hand survives our writes. Reading it as a string or an integer is a type error.
struct RegRawValue {
    std::string text;
    bool operator==(const RegRawValue&) const = default;
};

using RegValue = std::variant<std::string, std::int32_t, RegRawValue>;

/// The values of the settings key in file order. Names compare case-insensitively (ASCII) like
/// registry value names; the empty name is the key's default value ("@" in the file).
///
/// File format, UTF-8, LF or CRLF line ends:
///
///     REGEDIT4
///
///     [HKEY_CURRENT_USER\Software\Orvandels\Hublane]
///     "Langage"="francais.lng"
///     "NbThreads"=dword:00000014
///
/// In quoted names and strings a backslash escapes '\\' and '"'; "\n" and "\r" stand for line
/// breaks, which the registry's own export cannot carry on one line. Blank lines and ';' comments
/// are ignored; a raw value may continue on the next line after a trailing backslash, and is kept
/// without the spaces that end it (a line's end is never part of a value). When a name appears
/// twice, the later line wins, as on import.
class RegFile {
  public:
    struct Entry {
        std::string name;
        RegValue value;
        bool operator==(const Entry&) const = default;
    };

    /// Parses a settings file; nullopt when it is not one (wrong header, another key, a line
    /// that is no value, a bad escape or number).
    static std::optional<RegFile> Parse(std::string_view text);
    /// The file text; Parse(Serialize()) gives back an equal RegFile.
    std::string Serialize() const;

    const RegValue* Find(std::string_view name) const;
    /// Sets a value; an existing value of the same name keeps its place and its spelling.
    void Set(std::string_view name, RegValue value);
    /// Removes a value; false when there was none.
    bool Remove(std::string_view name);

    const std::vector<Entry>& Entries() const { return m_entries; }
    bool operator==(const RegFile& other) const { return m_entries == other.m_entries; }

  private:
    std::vector<Entry> m_entries;
    // Position of each name, letter case folded: a file of many values parses in linear time.
    std::unordered_map<std::string, std::size_t> m_index;
};

}  // namespace hublane::platform
