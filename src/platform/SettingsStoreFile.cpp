// The settings key kept in a text file in the registry's export format (Linux and tests).
#include "platform/SettingsStoreFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtGlobal>

#include "platform/FileBytes.h"
#include "platform/RegFile.h"

namespace hublane::platform {

namespace {

constexpr qint64 kMaxFileSize = 16LL * 1024 * 1024;
constexpr int kMaxBadCopies = 10;

std::string ToBytes(const QString& s) {
    const QByteArray utf8 = s.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

QString FromBytes(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

}  // namespace

// The values last read or written, with the file's size and time when they were.
struct SettingsStoreFile::Snapshot {
    qint64 size = -1;
    QDateTime modified;
    RegFile values;

    bool Matches(const QFileInfo& info) const {
        return size == info.size() && modified == info.lastModified().toUTC();
    }
    void Take(const QString& path, RegFile v) {
        const QFileInfo info(path);
        size = info.size();
        modified = info.lastModified().toUTC();
        values = std::move(v);
    }
};

namespace {

class FileKey : public SettingsKey {
  public:
    FileKey(QString path, RegFile values, std::shared_ptr<SettingsStoreFile::Snapshot> snapshot)
        : m_path(std::move(path)), m_values(std::move(values)), m_snapshot(std::move(snapshot)) {}
    ~FileKey() override {
        if (m_changed) {
            Save();
        }
    }
    FileKey(const FileKey&) = delete;
    FileKey& operator=(const FileKey&) = delete;

    bool ReadString(const QString& name, QString& value) override {
        const RegValue* v = m_values.Find(ToBytes(name));
        if (v == nullptr) {
            value.clear();
            return true;
        }
        const auto* s = std::get_if<std::string>(v);
        if (s == nullptr) {
            return false;
        }
        value = FromBytes(*s);
        return true;
    }
    std::optional<std::int32_t> ReadInteger(const QString& name) override {
        const RegValue* v = m_values.Find(ToBytes(name));
        if (v == nullptr || !std::holds_alternative<std::int32_t>(*v)) {
            return std::nullopt;
        }
        return std::get<std::int32_t>(*v);
    }
    bool WriteString(const QString& name, const QString& value) override {
        return Write(name, ToBytes(value));
    }
    bool WriteInteger(const QString& name, std::int32_t value) override { return Write(name, value); }
    bool DeleteValue(const QString& name) override {
        if (m_values.Remove(ToBytes(name))) {
            m_changed = true;
        }
        return true;
    }
    bool ValueExists(const QString& name) override { return m_values.Find(ToBytes(name)) != nullptr; }

  private:
    bool Write(const QString& name, RegValue value) {
        const std::string key = ToBytes(name);
        const RegValue* old = m_values.Find(key);
        if (old == nullptr || !(*old == value)) {
            m_values.Set(key, std::move(value));
            m_changed = true;
        }
        return true;
    }

    void Save() {
        QString error;
        if (!WriteFileAtomically(m_path, m_values.Serialize(), &error)) {
            qWarning("settings not saved to %s: %s", qUtf8Printable(m_path), qUtf8Printable(error));
            return;
        }
        m_snapshot->Take(m_path, std::move(m_values));
    }

    QString m_path;
    RegFile m_values;
    std::shared_ptr<SettingsStoreFile::Snapshot> m_snapshot;
    bool m_changed = false;
};

/// Moves a damaged settings file to the first free ".bad" name; false when none could be used.
bool MoveAside(const QString& path) {
    for (int i = 0; i < kMaxBadCopies; ++i) {
        const QString target =
            path + QStringLiteral(".bad") + (i == 0 ? QString() : QStringLiteral(".%1").arg(i));
        if (QFileInfo::exists(target)) {
            continue;
        }
        return QFile::rename(path, target);
    }
    return false;
}

}  // namespace

SettingsStoreFile::SettingsStoreFile() : SettingsStoreFile(DefaultPath()) {}

SettingsStoreFile::SettingsStoreFile(QString path)
    : m_path(std::move(path)), m_snapshot(std::make_shared<Snapshot>()) {}

QString SettingsStoreFile::DefaultPath() {
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty()) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/Orvandels/Hublane.reg");
}

std::unique_ptr<SettingsKey> SettingsStoreFile::Open() {
    const QFileInfo info(m_path);
    if (!QDir().mkpath(info.absolutePath())) {
        return nullptr;
    }
    if (!QFileInfo::exists(m_path)) {
        return std::make_unique<FileKey>(m_path, RegFile(), m_snapshot);
    }
    if (m_snapshot->Matches(QFileInfo(m_path))) {
        return std::make_unique<FileKey>(m_path, m_snapshot->values, m_snapshot);
    }
    const std::optional<QByteArray> read = ReadRegularFile(m_path, kMaxFileSize);
    if (!read) {
        return nullptr;
    }
    const QByteArray& bytes = *read;
    auto values = RegFile::Parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!values) {
        if (MoveAside(m_path)) {
            qWarning("damaged settings file moved aside: %s", qUtf8Printable(m_path));
        }
        return nullptr;
    }
    m_snapshot->Take(m_path, *values);
    return std::make_unique<FileKey>(m_path, std::move(*values), m_snapshot);
}

}  // namespace hublane::platform
