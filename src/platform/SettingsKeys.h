// The keys of the program's settings, with the value each has before one is stored and,
// for numbers, the range the program keeps it in: the one place that names them.
#pragma once

#include <QLatin1String>
#include <QString>

namespace hublane::platform::settings {

/// A text setting and its text before one is stored.
struct TextKey {
    QLatin1String name;
    QLatin1String fallback;

    QString Name() const { return name; }
    QString Fallback() const { return fallback; }
};

/// A whole-number setting, the range it is kept in and its value before one is stored.
struct NumberKey {
    QLatin1String name;
    int min;
    int max;
    int fallback;

    QString Name() const { return name; }
};

/// Whether the cycle settings were ever stored, and the campaign mode: 0 ask for servers,
/// 1 French check, 2 descriptions.
inline constexpr NumberKey kInter{QLatin1String("inter"), 0, 2, 2};
/// The web directory.
inline constexpr TextKey kServeurWeb{QLatin1String("ServeurWeb"),
                                     QLatin1String("http://hublane.orvandels.net/")};
/// The copy asked for servers.
inline constexpr TextKey kServeurHbl{QLatin1String("ServeurHBL"), QLatin1String("127.0.0.1")};
/// Workers at once.
inline constexpr NumberKey kNbThreads{QLatin1String("NbThreads"), 1, 40, 20};
/// Probe timeout in seconds.
inline constexpr NumberKey kTimeout{QLatin1String("Timeout"), 1, 50, 2};
/// The client's folder, as the user chose it (empty: not chosen yet).
inline constexpr TextKey kPathDonkey{QLatin1String("PathDonkey"), QLatin1String("")};
/// The version that last wrote the settings.
inline constexpr TextKey kVersion{QLatin1String("Version"), QLatin1String("")};
/// The language file beside the program.
inline constexpr TextKey kLangage{QLatin1String("Langage"), QLatin1String("francais.lng")};
/// The IP filter list: a file, or empty for none.
inline constexpr TextKey kIpFilter{QLatin1String("IpFilter"), QLatin1String("")};
/// Where the IP filter list is downloaded from (empty: never).
inline constexpr TextKey kIpFilterUrl{QLatin1String("IpFilterUrl"), QLatin1String("")};
// New keys go here, each with its value before one is stored and, for a number, its range.

}  // namespace hublane::platform::settings
