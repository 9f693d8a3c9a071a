// The version texts as the windows and the settings use them.
#pragma once

#include <QString>

#include "HublaneVersion.h"

namespace hublane::platform {

/// "0.2.1.0".
inline QString VersionText() {
    return QString::fromLatin1(kVersion.data(), static_cast<qsizetype>(kVersion.size()));
}

/// The text of both version labels: the credit text, "v " and the version.
inline QString VersionLabelText() {
    return QString::fromUtf8(kCreditText.data(), static_cast<qsizetype>(kCreditText.size())) +
           QStringLiteral("v ") + VersionText();
}

}  // namespace hublane::platform
