// Read-only access to the class registrations of link schemes (the client's "ed2k" registration).
#pragma once

#include <QString>
#include <memory>
#include <optional>

namespace hublane::platform {

/// The system's class registrations. Nothing here creates or changes a registration.
class ClassRegistration {
  public:
    virtual ~ClassRegistration() = default;
    /// The default value of the DefaultIcon key under the class key className ("ed2k"): on Windows
    /// the registered program file, perhaps in double quotes, usually followed by ",<icon index>".
    /// Elsewhere a local path in the same spirit (see ClassRegistrationLinux.h). nullopt when the
    /// class, its DefaultIcon key or the value is missing or cannot be read.
    virtual std::optional<QString> ReadDefaultIcon(const QString& className) = 0;
};

/// The class registrations of the system the program runs on.
std::unique_ptr<ClassRegistration> CreateSystemClassRegistration();

}  // namespace hublane::platform
