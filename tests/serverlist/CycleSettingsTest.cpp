// The cycle settings read and write and the settings reset against the store's rules.
#include "serverlist/CycleSettings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <functional>

#include "platform/MemorySettingsStore.h"
#include "platform/SettingsStoreFile.h"

namespace hublane::serverlist {
namespace {

using platform::MemorySettingsStore;

/// Controls that differ from every stored value below, so each applied value shows.
CycleControls Marked() {
    CycleControls c;
    c.checked = ProbeKind::PingHBL;
    c.serverWeb = QStringLiteral("web-before");
    c.hblServer = QStringLiteral("hbl-before");
    c.nbThreads.text = QStringLiteral("7");
    c.timeout.text = QStringLiteral("9");
    return c;
}

void StoreAll(MemorySettingsStore& store, std::int32_t inter) {
    store.Values() = {{QStringLiteral("inter"), inter},
                      {QStringLiteral("ServeurWeb"), QStringLiteral("http://web/")},
                      {QStringLiteral("ServeurHBL"), QStringLiteral("10.1.2.3")},
                      {QStringLiteral("NbThreads"), 30},
                      {QStringLiteral("Timeout"), 5}};
}

TEST(CycleSettingsTest, InterChoosesTheRadioButton) {
    const struct {
        std::int32_t inter;
        ProbeKind checked;
    } cases[] = {{0, ProbeKind::RechNew},
                 {1, ProbeKind::RechFr},
                 {2, ProbeKind::RechDesc},
                 {7, ProbeKind::PingHBL},
                 {-1, ProbeKind::PingHBL}};
    for (const auto& c : cases) {
        MemorySettingsStore store;
        StoreAll(store, c.inter);
        CycleControls controls = Marked();
        ReadCycleSettings(store, controls);
        EXPECT_EQ(controls.checked, c.checked) << c.inter;
        // The other four values are read whatever the mode.
        EXPECT_EQ(controls.serverWeb, QStringLiteral("http://web/")) << c.inter;
        EXPECT_EQ(controls.hblServer, QStringLiteral("10.1.2.3")) << c.inter;
        EXPECT_EQ(controls.nbThreads.Value(), 30) << c.inter;
        EXPECT_EQ(controls.timeout.Value(), 5) << c.inter;
    }
}

TEST(CycleSettingsTest, SpinValuesAreClampedIntoTheirRanges) {
    const struct {
        std::int32_t threads, timeout;
        int shownThreads, shownTimeout;
    } cases[] = {{99, 99, 40, 50}, {0, 0, 1, 1}, {-5, 51, 1, 50}, {40, 50, 40, 50}, {1, 1, 1, 1}};
    for (const auto& c : cases) {
        MemorySettingsStore store;
        StoreAll(store, 2);
        store.Values()[QStringLiteral("NbThreads")] = c.threads;
        store.Values()[QStringLiteral("Timeout")] = c.timeout;
        CycleControls controls = Marked();
        ReadCycleSettings(store, controls);
        EXPECT_EQ(controls.nbThreads.Value(), c.shownThreads) << c.threads;
        EXPECT_EQ(controls.timeout.Value(), c.shownTimeout) << c.timeout;
    }
}

TEST(CycleSettingsTest, AStoreErrorEndsTheReadKeepingWhatWasApplied) {
    const QString kNbThreads = QStringLiteral("NbThreads");
    const QString kTimeout = QStringLiteral("Timeout");
    const QString kServeurWeb = QStringLiteral("ServeurWeb");
    // How many of the five were applied, in read order: inter, ServeurWeb, ServeurHBL, NbThreads, Timeout.
    const struct {
        const char* why;
        std::function<void(MemorySettingsStore&)> damage;
        int applied;
    } cases[] = {
        {"no inter", [](MemorySettingsStore& s) { s.Values().remove(QStringLiteral("inter")); }, 0},
        {"inter is a string",
         [](MemorySettingsStore& s) { s.Values()[QStringLiteral("inter")] = QStringLiteral("1"); }, 0},
        {"ServeurWeb is an integer", [&](MemorySettingsStore& s) { s.Values()[kServeurWeb] = 3; }, 1},
        {"NbThreads absent", [&](MemorySettingsStore& s) { s.Values().remove(kNbThreads); }, 3},
        {"NbThreads is a string",
         [&](MemorySettingsStore& s) { s.Values()[kNbThreads] = QStringLiteral("20"); }, 3},
        {"Timeout absent", [&](MemorySettingsStore& s) { s.Values().remove(kTimeout); }, 4},
        {"nothing wrong", [](MemorySettingsStore&) {}, 5},
    };
    for (const auto& c : cases) {
        MemorySettingsStore store;
        StoreAll(store, 1);
        c.damage(store);
        CycleControls controls = Marked();
        ReadCycleSettings(store, controls);
        EXPECT_EQ(controls.checked, c.applied >= 1 ? ProbeKind::RechFr : ProbeKind::PingHBL) << c.why;
        EXPECT_EQ(controls.serverWeb,
                  c.applied >= 2 ? QStringLiteral("http://web/") : QStringLiteral("web-before"))
            << c.why;
        EXPECT_EQ(controls.hblServer,
                  c.applied >= 3 ? QStringLiteral("10.1.2.3") : QStringLiteral("hbl-before"))
            << c.why;
        EXPECT_EQ(controls.nbThreads.Value(), c.applied >= 4 ? 30 : 7) << c.why;
        EXPECT_EQ(controls.timeout.Value(), c.applied >= 5 ? 5 : 9) << c.why;
    }
}

TEST(CycleSettingsTest, AbsentStringsEmptyTheEditBoxes) {
    MemorySettingsStore store;
    StoreAll(store, 0);
    store.Values().remove(QStringLiteral("ServeurWeb"));
    store.Values().remove(QStringLiteral("ServeurHBL"));
    CycleControls controls = Marked();
    ReadCycleSettings(store, controls);
    EXPECT_TRUE(controls.serverWeb.isEmpty());
    EXPECT_TRUE(controls.hblServer.isEmpty());
    EXPECT_EQ(controls.nbThreads.Value(), 30);
}

TEST(CycleSettingsTest, WriteStoresTheControlsAndKeepsInterForOtherModes) {
    const struct {
        ProbeKind checked;
        std::int32_t stored;
    } cases[] = {{ProbeKind::RechNew, 0},
                 {ProbeKind::RechFr, 1},
                 {ProbeKind::RechDesc, 2},
                 {ProbeKind::AskCopiesForServers, 7},
                 {ProbeKind::None, 7}};
    for (const auto& c : cases) {
        MemorySettingsStore store;
        store.Values()[QStringLiteral("inter")] = 7;
        CycleControls controls = Marked();
        controls.checked = c.checked;
        controls.nbThreads.text = QStringLiteral("99");  // stored as it is, unclamped
        controls.timeout.text = QStringLiteral("abc");   // not a number: the minimum
        WriteCycleSettings(store, controls);
        EXPECT_EQ(store.Values().value(QStringLiteral("inter")), MemorySettingsStore::Value(c.stored));
        EXPECT_EQ(store.Values().value(QStringLiteral("ServeurWeb")),
                  MemorySettingsStore::Value(QStringLiteral("web-before")));
        EXPECT_EQ(store.Values().value(QStringLiteral("ServeurHBL")),
                  MemorySettingsStore::Value(QStringLiteral("hbl-before")));
        EXPECT_EQ(store.Values().value(QStringLiteral("NbThreads")), MemorySettingsStore::Value(99));
        EXPECT_EQ(store.Values().value(QStringLiteral("Timeout")), MemorySettingsStore::Value(1));
    }
}

TEST(CycleSettingsTest, WrittenSettingsReadBackThroughTheSettingsFile) {
    QTemporaryDir dir;
    platform::SettingsStoreFile store(dir.filePath(QStringLiteral("Hublane.reg")));
    CycleControls written;
    written.checked = ProbeKind::RechNew;
    written.serverWeb = QStringLiteral("http://répertoire.example/\"liste\"");
    written.hblServer = QStringLiteral("192.0.2.7");
    written.nbThreads.SetValue(33);
    written.timeout.SetValue(12);
    WriteCycleSettings(store, written);

    CycleControls read = Marked();
    ReadCycleSettings(store, read);
    EXPECT_EQ(read.checked, written.checked);
    EXPECT_EQ(read.serverWeb, written.serverWeb);
    EXPECT_EQ(read.hblServer, written.hblServer);
    EXPECT_EQ(read.nbThreads.Value(), 33);
    EXPECT_EQ(read.timeout.Value(), 12);
}

TEST(CycleSettingsTest, TheCommandLinesDirectoryStandsInTheBoxAndIsNeverStored) {
    MemorySettingsStore store;
    StoreAll(store, 1);
    const MemorySettingsStore::Value stored = store.Values().value(QStringLiteral("ServeurWeb"));
    CycleControls controls = Marked();
    controls.webFromCommandLine = QStringLiteral("http://127.0.0.1:8031/");
    ReadCycleSettings(store, controls);
    EXPECT_EQ(controls.serverWeb, QStringLiteral("http://127.0.0.1:8031/"));
    WriteCycleSettings(store, controls);
    EXPECT_EQ(store.Values().value(QStringLiteral("ServeurWeb")), stored);
    // Without any stored setting it stands in the box too.
    MemorySettingsStore empty;
    CycleControls fresh;
    fresh.webFromCommandLine = QStringLiteral("http://127.0.0.1:8031/");
    ReadCycleSettings(empty, fresh);
    EXPECT_EQ(fresh.serverWeb, QStringLiteral("http://127.0.0.1:8031/"));
    // An address typed over it is the user's and is stored.
    controls.serverWeb = QStringLiteral("http://typed.example/");
    WriteCycleSettings(store, controls);
    EXPECT_EQ(store.Values().value(QStringLiteral("ServeurWeb")),
              MemorySettingsStore::Value(QStringLiteral("http://typed.example/")));
}

TEST(CycleSettingsTest, ResetLeavesOnlyLangageAndVersion) {
    MemorySettingsStore store;
    StoreAll(store, 1);
    store.Values()[QStringLiteral("Langage")] = QStringLiteral("francais.lng");
    store.Values()[QStringLiteral("PathDonkey")] = QStringLiteral("C:\\eDonkey2000\\");
    store.Values()[QStringLiteral("Version")] = QStringLiteral("0.1.0.0");
    ResetSettings(store);
    EXPECT_EQ(store.Values().keys(), (QStringList{QStringLiteral("Langage"), QStringLiteral("Version")}));
    EXPECT_EQ(store.Values().value(QStringLiteral("Version")),
              MemorySettingsStore::Value(QStringLiteral("0.2.1.0")));
    EXPECT_EQ(store.Deletions(), (QStringList{QStringLiteral("inter"), QStringLiteral("NbThreads"),
                                              QStringLiteral("ServeurHBL"), QStringLiteral("ServeurWeb"),
                                              QStringLiteral("PathDonkey"), QStringLiteral("Timeout")}));

    // The next cycle reads nothing and keeps what the window shows.
    CycleControls controls = Marked();
    ReadCycleSettings(store, controls);
    EXPECT_EQ(controls.serverWeb, QStringLiteral("web-before"));
    EXPECT_EQ(controls.checked, ProbeKind::PingHBL);
}

TEST(CycleSettingsTest, AnUnreachableStoreChangesNothing) {
    MemorySettingsStore store;
    StoreAll(store, 0);
    store.SetFailOpen(true);
    CycleControls controls = Marked();
    ReadCycleSettings(store, controls);
    WriteCycleSettings(store, controls);
    ResetSettings(store);
    EXPECT_EQ(controls.checked, ProbeKind::PingHBL);
    EXPECT_EQ(store.Values().value(QStringLiteral("inter")), MemorySettingsStore::Value(0));
    EXPECT_TRUE(store.Deletions().isEmpty());
}

}  // namespace
}  // namespace hublane::serverlist
