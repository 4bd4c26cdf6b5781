#include "shell/desktop_files.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <map>
#include <sstream>

#include "shell/app_icon.hpp"
#include "shell/desktop_entry.hpp"
#include "shell/login_item.hpp"
#include "shell/put_file.hpp"

namespace tessarin {
namespace {

namespace fs = std::filesystem;
using test::putFile;
using test::readText;

class DesktopFilesTest : public ::testing::Test {
  protected:
    test::TempFolder home;
    std::map<std::string, std::string> vars{{"HOME", home.path()}};
    Paths::Environment env = [this](const std::string& name) -> std::optional<std::string> {
        auto it = vars.find(name);
        return it == vars.end() ? std::nullopt : std::optional(it->second);
    };
    fs::path apps = home.path() / ".local/share/applications";
    fs::path entry = apps / "tessarin.desktop";
    fs::path icon = home.path() / ".local/share/icons/hicolor/scalable/apps/tessarin.svg";
    fs::path mimeApps = home.path() / ".config/mimeapps.list";
    fs::path autostart = home.path() / ".config/autostart/tessarin.desktop";
};

TEST(DesktopEntryTest, ExecArgumentsAreQuotedOnlyWhenTheyMustBe) {
    const std::pair<std::string, std::string> cases[] = {
        {"/usr/bin/tessarin", "/usr/bin/tessarin"},
        {"/opt/my apps/tessarin", R"("/opt/my apps/tessarin")"},
        {"/opt/100%/tessarin", "/opt/100%%/tessarin"},
        {"/opt/a$b/t", R"("/opt/a\\$b/t")"},
        {R"(/opt/a\b/t)", R"("/opt/a\\\\b/t")"},
    };
    for (const auto& [argument, written] : cases)
        EXPECT_EQ(execArgument(argument), written) << argument;
    EXPECT_EQ(execArgument("/opt/a\nb"), std::nullopt);
}

TEST(DesktopEntryTest, TheSchemeHandlerLineComesAndGoesLeavingEveryOtherLine) {
    const std::string ours = "x-scheme-handler/tessarin=tessarin.desktop\n";
    const std::pair<std::string, std::string> cases[] = {
        {"", "[Default Applications]\n" + ours},
        {"[Added Associations]\ntext/plain=gedit.desktop;\n",
         "[Added Associations]\ntext/plain=gedit.desktop;\n\n[Default Applications]\n" + ours},
        {"[Default Applications]\ntext/html=firefox.desktop\n\n[Other]\nx-scheme-handler/"
         "tessarin=x\n",
         "[Default Applications]\n" + ours +
             "text/html=firefox.desktop\n\n[Other]\nx-scheme-handler/tessarin=x\n"},
    };
    for (const auto& [before, after] : cases) {
        EXPECT_EQ(DesktopFiles::withHandler(before), after);
        EXPECT_EQ(DesktopFiles::withoutHandler(after), before);
    }
    // Installing takes the scheme over; uninstalling leaves another program's handler.
    const std::string other = "[Default Applications]\nx-scheme-handler/tessarin = other.desktop\n";
    EXPECT_EQ(DesktopFiles::withHandler(other), "[Default Applications]\n" + ours);
    EXPECT_EQ(DesktopFiles::withoutHandler(other), other);
    EXPECT_EQ(DesktopFiles::withoutHandler(
                  "[Default Applications]\nx-scheme-handler/tessarin=tessarin.desktop;\na=b\n"),
              "[Default Applications]\na=b\n");
}

TEST_F(DesktopFilesTest, InstallWritesTheEntryTheIconAndTheHandler) {
    std::ostringstream out;
    EXPECT_EQ(installDesktopFiles(env, "/opt/t/tessarin", out), 0);
    const std::string text = readText(entry);
    for (const char* line : {"Exec=/opt/t/tessarin %u\n", "MimeType=x-scheme-handler/tessarin;\n",
                             "NoDisplay=false\n", "Icon=tessarin\n", "Name=Tessarin\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;
    EXPECT_EQ(readText(icon), appIconSvg);
    EXPECT_EQ(readText(icon).rfind("<svg", 0), 0u);
    EXPECT_EQ(readText(mimeApps), DesktopFiles::withHandler(""));
    EXPECT_EQ(out.str().find("updated the desktop database"), std::string::npos);  // no PATH
    EXPECT_EQ(installDesktopFiles(env, "tessarin", out), 1);  // not an absolute path
}

TEST_F(DesktopFilesTest, UninstallRemovesOnlyWhatIsOurs) {
    std::ostringstream out;
    ASSERT_EQ(installDesktopFiles(env, "/usr/bin/tessarin", out), 0);
    ASSERT_TRUE(LoginItem(env, "/usr/bin/tessarin").registerItem());
    putFile(apps / "other.desktop", "x");
    EXPECT_EQ(uninstallDesktopFiles(env, out), 0);
    for (const auto& file : {entry, icon, mimeApps, autostart})
        EXPECT_FALSE(fs::exists(file)) << file;
    EXPECT_TRUE(fs::exists(apps / "other.desktop"));

    // Files of the same names from elsewhere stay.
    for (const auto& file : {entry, icon, autostart})
        putFile(file, "the user's\n");
    EXPECT_EQ(uninstallDesktopFiles(env, out), 0);
    for (const auto& file : {entry, icon, autostart})
        EXPECT_EQ(readText(file), "the user's\n") << file;
}

TEST_F(DesktopFilesTest, TheDesktopDatabaseIsUpdatedWhenTheToolIsThere) {
    const fs::path bin = home.path() / "bin";
    putFile(bin / "update-desktop-database", "#!/bin/sh\necho \"$1\" > \"$0.ran\"\n");
    fs::permissions(bin / "update-desktop-database", fs::perms::owner_all);
    vars["PATH"] = "relative:" + bin.string();
    std::ostringstream out;
    EXPECT_EQ(installDesktopFiles(env, "/usr/bin/tessarin", out), 0);
    EXPECT_EQ(readText(bin / "update-desktop-database.ran"), apps.string() + "\n");
}

TEST_F(DesktopFilesTest, TheLoginItemIsOnlyEverOurOwnFile) {
    vars["XDG_CONFIG_HOME"] = (home.path() / "cfg").string();
    autostart = home.path() / "cfg/autostart/tessarin.desktop";
    LoginItem item(env, "/usr/bin/tessarin");
    EXPECT_EQ(item.path(), autostart);
    EXPECT_EQ(item.status(), LoginItem::Status::disabled);
    ASSERT_TRUE(item.registerItem());
    EXPECT_EQ(item.status(), LoginItem::Status::enabled);
    EXPECT_NE(readText(autostart).find("\nExec=/usr/bin/tessarin\n"), std::string::npos);
    EXPECT_TRUE(item.unregisterItem());
    EXPECT_FALSE(fs::exists(autostart));

    putFile(autostart, "[Desktop Entry]\nHidden=true\n");
    EXPECT_EQ(item.status(), LoginItem::Status::foreign);
    EXPECT_TRUE(item.unregisterItem());
    EXPECT_TRUE(fs::exists(autostart));
}

}  // namespace
}  // namespace tessarin
