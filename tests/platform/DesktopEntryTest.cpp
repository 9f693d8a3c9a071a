// The default handler lists of mimeapps.list and the program of a desktop entry's Exec key.
#include "platform/DesktopEntry.h"

#include <gtest/gtest.h>

namespace hublane::platform {
namespace {

using Ids = std::vector<std::string>;

TEST(DesktopEntryTest, ReadsDefaultApplicationsOfTheType) {
    const std::string_view text =
        "# comment\n"
        "[Added Associations]\n"
        "x-scheme-handler/ed2k=added.desktop;\n"
        "[Default Applications]\n"
        "text/html=browser.desktop\n"
        " x-scheme-handler/ed2k = first.desktop; second.desktop;;odd\\;name.desktop\r\n"
        "x-scheme-handler/ed2k=later.desktop\n";
    EXPECT_EQ(DefaultApplications(text, "x-scheme-handler/ed2k"),
              (Ids{"first.desktop", "second.desktop", "odd;name.desktop"}));
    EXPECT_EQ(DefaultApplications(text, "text/html"), Ids{"browser.desktop"});
    EXPECT_TRUE(DefaultApplications(text, "x-scheme-handler/magnet").empty());
    EXPECT_TRUE(DefaultApplications("[Added Associations]\nx-scheme-handler/ed2k=a.desktop\n",
                                    "x-scheme-handler/ed2k")
                    .empty());
    EXPECT_EQ(DefaultApplications("[Default Applications]\nx=a.desktop\\", "x"), Ids{"a.desktop\\"});
}

TEST(DesktopEntryTest, TakesTheFirstWordOfExec) {
    const struct {
        const char* exec;
        std::optional<std::string> program;
    } cases[] = {
        {"Exec=/opt/client/bin/client %u", "/opt/client/bin/client"},
        {"Exec=client", "client"},
        {R"(Exec="/opt/My Client/client" %u)", "/opt/My Client/client"},
        {R"(Exec="/opt/My\sClient/client")", "/opt/My Client/client"},
        // \s is a space, which then separates words like any other.
        {R"(Exec=/opt/My\sClient/client)", "/opt/My"},
        {R"(Exec="/opt/a\\\\b/\\$x" %u)", R"(/opt/a\b/$x)"},
        {R"(Exec=env WINEPREFIX="/home/u/.wine" LANG=C /usr/bin/wine start %u)", "/usr/bin/wine"},
        {"Exec=/usr/bin/env A=1", std::nullopt},
        {"Exec=env -i client", std::nullopt},
        {R"(Exec="/opt/client %u)", std::nullopt},
        {"Exec=   ", std::nullopt},
        {R"(Exec="" %u)", std::nullopt},
    };
    for (const auto& c : cases) {
        const std::string text = std::string("[Desktop Entry]\nName=Client\n") + c.exec + "\n";
        EXPECT_EQ(DesktopExecProgram(text), c.program) << c.exec;
    }
}

TEST(DesktopEntryTest, ReadsExecOnlyFromTheDesktopEntryGroup) {
    EXPECT_EQ(DesktopExecProgram("[Desktop Action New]\nExec=/bin/other\n[Desktop Entry]\nExec[de]=/bin/de\n"
                                 "Exec=/bin/main\n"),
              "/bin/main");
    EXPECT_FALSE(DesktopExecProgram("[Desktop Action New]\nExec=/bin/other\n"));
    EXPECT_FALSE(DesktopExecProgram("Exec=/bin/nogroup\n"));
    EXPECT_FALSE(DesktopExecProgram(""));
}

}  // namespace
}  // namespace hublane::platform
