#include "platform/Autostart.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include <sys/stat.h>

using platform::Autostart;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

// XDG_CONFIG_HOME pointed into a fresh folder for one test.
struct ConfigHome {
    TempDir dir;
    std::string config = dir.file("config");
    ConfigHome() { setenv("XDG_CONFIG_HOME", config.c_str(), 1); }
    ~ConfigHome() { unsetenv("XDG_CONFIG_HOME"); }
    std::string entry() const { return config + "/autostart/kestrune.desktop"; }
};

std::size_t filesIn(const std::string& folder) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

}  // namespace

TEST(Autostart, TurningOnWritesAnEntryThatStartsMinimisedAndTurningOffRemovesIt) {
    ConfigHome home;
    const Autostart autostart("/usr/bin/kestrune");
    EXPECT_EQ(autostart.path(), home.entry());
    EXPECT_FALSE(autostart.enabled());
    ASSERT_TRUE(autostart.setEnabled(true));  // the folders do not exist yet
    ASSERT_TRUE(autostart.enabled());
    const std::string entry = readFile(home.entry());
    EXPECT_NE(entry.find("[Desktop Entry]\n"), std::string::npos);
    EXPECT_NE(entry.find("\nExec=/usr/bin/kestrune --minimized\n"), std::string::npos);
    // A purged program's entry is passed over at login, not started and failed.
    EXPECT_NE(entry.find("\nTryExec=/usr/bin/kestrune\n"), std::string::npos);
    EXPECT_NE(entry.find("\nType=Application\n"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(stat(home.entry().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0644u);
    EXPECT_EQ(filesIn(home.config + "/autostart"), 1u);  // no temporary file left beside it

    ASSERT_TRUE(autostart.setEnabled(false));
    EXPECT_FALSE(autostart.enabled());
    EXPECT_FALSE(std::filesystem::exists(home.entry()));
    EXPECT_TRUE(autostart.setEnabled(false));
}

TEST(Autostart, AnEntrySwitchedOffInsideReadsAsOffAndTheUsersOwnEntryIsKept) {
    ConfigHome home;
    const Autostart autostart("/usr/bin/kestrune");
    std::filesystem::create_directories(home.config + "/autostart");
    writeFile(home.entry(), "[Desktop Entry]\nExec=kestrune\n Hidden = true \n");
    EXPECT_FALSE(autostart.enabled());
    writeFile(home.entry(), "[Desktop Entry]\nX-GNOME-Autostart-enabled=false\n");
    EXPECT_FALSE(autostart.enabled());
    writeFile(home.entry(), "[Desktop Entry]\nExec=kestrune\n[Desktop Action x]\nHidden=true\n");
    EXPECT_TRUE(autostart.enabled());  // another group's key says nothing of the entry

    const std::string own = "[Desktop Entry]\nType=Application\nExec=nice kestrune --minimized\n";
    writeFile(home.entry(), own);
    ASSERT_TRUE(autostart.setEnabled(true));
    EXPECT_EQ(readFile(home.entry()), own);
    writeFile(home.entry(), "[Desktop Entry]\nHidden=true\n");
    ASSERT_TRUE(autostart.setEnabled(true));  // switched off by the desktop's settings: written anew
    EXPECT_TRUE(autostart.enabled());
}

TEST(Autostart, OnlyARegularFileThatStartsKestruneCountsAsOn) {
    ConfigHome home;
    const Autostart autostart("/opt/k/kestrune");
    const std::string folder = home.config + "/autostart";
    std::filesystem::create_directories(home.entry());  // a folder at the entry's place
    EXPECT_FALSE(autostart.enabled());
    std::filesystem::remove(home.entry());
    ASSERT_EQ(mkfifo(home.entry().c_str(), 0600), 0);  // no writer: an open for reading would wait
    EXPECT_FALSE(autostart.enabled());
    std::filesystem::remove(home.entry());
    std::filesystem::create_symlink("/dev/zero", home.entry());
    EXPECT_FALSE(autostart.enabled());
    std::filesystem::remove(home.entry());
    for (const char* other : {"", "[Desktop Entry]\n", "[Desktop Entry]\nExec=kestrune-helper\n",
                              "[Other]\nExec=kestrune\n", "Exec=kestrune\n"}) {
        writeFile(home.entry(), other);
        EXPECT_FALSE(autostart.enabled()) << other;
    }
    for (const char* ours : {"[Desktop Entry]\nExec=\"/opt/my apps/kestrune\" --minimized\n",
                             "[Desktop Entry]\nExec=env LANG=C /opt/k/kestrune\n"}) {
        writeFile(home.entry(), ours);
        EXPECT_TRUE(autostart.enabled()) << ours;
    }
    std::filesystem::remove(home.entry());
    writeFile(folder + "/real.desktop", "[Desktop Entry]\nExec=kestrune\n");
    std::filesystem::create_symlink(folder + "/real.desktop", home.entry());
    EXPECT_TRUE(autostart.enabled());  // a link to the entry is the entry
}

TEST(Autostart, TheProgramsPathIsQuotedAsDesktopEntriesNeed) {
    EXPECT_EQ(Autostart::execLine("/usr/bin/kestrune"), "/usr/bin/kestrune --minimized");
    EXPECT_EQ(Autostart::execLine("/opt/my apps/kestrune"), "\"/opt/my apps/kestrune\" --minimized");
    // In quotes a $ and a backslash are escaped; then every backslash again
    // and every percent sign are escaped for the value itself.
    EXPECT_EQ(Autostart::execLine("/x/$a\\b/100%"), "\"/x/\\\\$a\\\\\\\\b/100%%\" --minimized");
    EXPECT_EQ(Autostart::execLine("/x/100%/k"), "/x/100%%/k --minimized");
    EXPECT_THROW(Autostart::execLine("/x/new\nline"), std::runtime_error);
    // TryExec is a plain string: no quotes, only its backslashes escaped.
    EXPECT_EQ(Autostart::tryExecValue("/opt/my apps/100%/a\\b"), "/opt/my apps/100%/a\\\\b");
    EXPECT_THROW(Autostart::tryExecValue("/x/new\nline"), std::runtime_error);
}

TEST(Autostart, AFailureSaysWhereAndWhyAndWritesNothing) {
    ConfigHome home;
    std::filesystem::create_directories(home.config);
    writeFile(home.config + "/autostart", "not a folder");
    const Autostart autostart("/usr/bin/kestrune");
    const platform::Result<void> set = autostart.setEnabled(true);
    ASSERT_FALSE(set) << "no error";
    EXPECT_NE(set.error().text.find(home.config + "/autostart"), std::string::npos) << set.error().text;
    EXPECT_EQ(readFile(home.config + "/autostart"), "not a folder");
    EXPECT_FALSE(autostart.enabled());
    EXPECT_FALSE(Autostart("/usr/bin/kestrune\n").setEnabled(true));
}
