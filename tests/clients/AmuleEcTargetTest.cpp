// Where the hand-off reaches aMule: the settings in front of amule.conf, their mistakes, and the
// EC password that only ever reaches the settings file as its hash.
#include "clients/AmuleEcTarget.h"

#include <gtest/gtest.h>
#include <QDir>
#include <QTemporaryDir>

#include "platform/MemorySettingsStore.h"
#include "platform/SettingsStoreFile.h"
#include "support/TestSupport.h"

namespace hublane::clients {
namespace {

// hex(MD5("hublane")) and hex(MD5("secret")).
constexpr const char* kHublaneHash = "5febc38ef02954d03e4d18fb1d131eb7";
constexpr const char* kSecretHash = "5ebe2294ecd0e0f08eab7690d2a6ee69";

struct TargetCase {
    const char* name;
    QByteArray conf;   // amule.conf in the folder; empty: none
    QString ec;        // the AmuleEc setting; null: absent
    QString password;  // the AmuleEcPassword setting; null: absent
    const char* target;
    std::string hash;
    const char* problem;
};

void PrintTo(const TargetCase& c, std::ostream* os) {
    *os << c.name;
}

class EcTargets : public ::testing::TestWithParam<TargetCase> {};

TEST_P(EcTargets, ComeFromTheSettingsThenAmuleConf) {
    const TargetCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    if (!c.conf.isEmpty()) {
        test::WriteWholeFile(dir.filePath(QStringLiteral("amule.conf")), c.conf);
    }
    platform::MemorySettingsStore settings;
    {
        const auto key = settings.Open();
        if (!c.ec.isNull()) {
            key->WriteString(QString::fromLatin1(kAmuleEcSetting), c.ec);
        }
        if (!c.password.isNull()) {
            key->WriteString(QString::fromLatin1(kAmuleEcPasswordSetting), c.password);
        }
    }
    const EcTargetChoice choice = ChooseEcTarget(settings, dir.path());
    if (c.target == nullptr) {
        EXPECT_FALSE(choice.target.has_value());
        EXPECT_TRUE(choice.problem.contains(QString::fromUtf8(c.problem))) << choice.problem.toStdString();
        return;
    }
    ASSERT_TRUE(choice.target.has_value()) << choice.problem.toStdString();
    EXPECT_EQ(choice.target->Text(), QString::fromUtf8(c.target));
    EXPECT_EQ(choice.target->passwordMd5Hex, c.hash);
}

const QByteArray kConf =
    "[ExternalConnect]\nAcceptExternalConnections=1\nECPort=24712\nECPassword="
    "5febc38ef02954d03e4d18fb1d131eb7\n";
const QByteArray kRefusing = "[ExternalConnect]\nAcceptExternalConnections=0\nECPort=24712\n";

INSTANTIATE_TEST_SUITE_P(
    Choices, EcTargets,
    ::testing::Values(
        TargetCase{"ConfAlone", kConf, {}, {}, "127.0.0.1:24712", kHublaneHash, nullptr},
        TargetCase{"SettingOverConf",
                   kConf,
                   QStringLiteral(" 10.0.0.5:4712 "),
                   {},
                   "10.0.0.5:4712",
                   kHublaneHash,
                   nullptr},
        TargetCase{"SettingWithoutConf", {}, QStringLiteral("nas:4712"), {}, "nas:4712", "", nullptr},
        TargetCase{"SettingWhereConfRefuses", kRefusing, QStringLiteral("127.0.0.1:24712"),
                   QString::fromLatin1(kSecretHash), "127.0.0.1:24712", kSecretHash, nullptr},
        TargetCase{"HashInUpperCase",
                   kConf,
                   {},
                   QString::fromLatin1(kSecretHash).toUpper(),
                   "127.0.0.1:24712",
                   kSecretHash,
                   nullptr},
        TargetCase{"PlainPasswordIsHashed",
                   kConf,
                   {},
                   QStringLiteral("secret"),
                   "127.0.0.1:24712",
                   kSecretHash,
                   nullptr},
        TargetCase{"EmptySettingsStandAside", kConf, QStringLiteral(""), QStringLiteral(""),
                   "127.0.0.1:24712", kHublaneHash, nullptr},
        TargetCase{"ConfRefuses", kRefusing, {}, {}, nullptr, "", "AcceptExternalConnections=1 manque"},
        TargetCase{
            "NoConf", {}, {}, QStringLiteral("secret"), nullptr, "", "AcceptExternalConnections=1 manque"},
        TargetCase{"BadSetting",
                   kConf,
                   QStringLiteral("127.0.0.1"),
                   {},
                   nullptr,
                   "",
                   "le réglage AmuleEc doit être HÔTE:PORT, pas « 127.0.0.1 »"}),
    [](const ::testing::TestParamInfo<TargetCase>& p) { return std::string(p.param.name); });

TEST(EcPasswordTest, APlainPasswordInTheSettingsFileIsReplacedByItsHash) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Hublane.reg"));
    test::WriteWholeFile(path,
                         "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Orvandels\\Hublane]\n"
                         "\"ServeurWeb\"=\"http://example.org/\"\n\"AmuleEcPassword\"=\"secret\"\n");
    platform::SettingsStoreFile settings(path);
    SealEcPassword(settings);
    const QByteArray sealed = test::ReadWholeFile(path);
    EXPECT_FALSE(sealed.contains("\"secret\"")) << sealed.toStdString();
    EXPECT_TRUE(sealed.contains(QByteArray("\"AmuleEcPassword\"=\"") + kSecretHash + '"'))
        << sealed.toStdString();
    EXPECT_TRUE(sealed.contains("\"ServeurWeb\"=\"http://example.org/\"")) << sealed.toStdString();

    // A hash stays as it is: sealing twice changes nothing more.
    SealEcPassword(settings);
    EXPECT_EQ(test::ReadWholeFile(path), sealed);
    const EcTargetChoice choice = ChooseEcTarget(settings, dir.path());
    EXPECT_FALSE(choice.target.has_value());  // no amule.conf there, no AmuleEc
}

}  // namespace
}  // namespace hublane::clients
