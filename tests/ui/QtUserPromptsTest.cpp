// The real prompts: no box ever sits behind the splash window, boxes carry exactly their
// captions, and Qt's own buttons speak French.
#include "ui/QtUserPrompts.h"

#include <gtest/gtest.h>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "support/TestSupport.h"
#include "ui/Application.h"
#include "ui/TFSplash.h"

namespace hublane::ui {
namespace {

// Closes the modal box as soon as it is open, remembering its caption and whether the splash was
// still shown then.
struct BoxWatcher {
    QString caption;
    bool splashShown = true;
    void Arm(QWidget& splash) {
        QTimer::singleShot(0, [this, &splash] {
            QWidget* box = QApplication::activeModalWidget();
            ASSERT_NE(box, nullptr);
            caption = box->windowTitle();
            splashShown = splash.isVisible();
            box->close();
        });
    }
};

TEST(QtUserPromptsTest, BoxesCloseTheSplashFirstAndKeepTheirCaption) {
    TFSplash splash;
    splash.show();
    QtUserPrompts prompts;
    prompts.SetSplash(&splash);
    BoxWatcher watcher;
    watcher.Arm(splash);
    prompts.ShowError(QStringLiteral("Le fichier de langage (*.lng), n'existe pas !"),
                      QStringLiteral("Erreur"), false);
    EXPECT_FALSE(watcher.splashShown);
    EXPECT_EQ(watcher.caption, QStringLiteral("Erreur"));
    // The application adds nothing to the captions it is given.
    EXPECT_TRUE(QGuiApplication::applicationDisplayName() == QCoreApplication::applicationName());
}

TEST(QtUserPromptsTest, QtsOwnButtonsSpeakFrench) {
    ASSERT_TRUE(SetUpApplication(*qApp)) << "Qt's French texts (qt6-translations-l10n) are missing";
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Annuler"));
    EXPECT_EQ(QCoreApplication::applicationName(), QStringLiteral("Hublane"));
}

}  // namespace
}  // namespace hublane::ui
