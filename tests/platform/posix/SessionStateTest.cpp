#include "platform/SessionState.h"

#include "support/CapturedStderr.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

using testsupport::CapturedStderr;
using testsupport::TempDir;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

}  // namespace

TEST(SessionState, ATextIsKeptInAFolderOnlyTheUserMayOpen) {
    TempDir dir;
    const platform::SessionState state{dir.file("kestrune"), {}};
    EXPECT_EQ(state.read("record"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(dir.file("kestrune"))) << "a read makes nothing";
    ASSERT_TRUE(state.write("record", "one\ntwo\n"));
    EXPECT_EQ(modeOf(dir.file("kestrune")), 0700u);
    EXPECT_EQ(state.read("record"), "one\ntwo\n");
}

// The runtime folder is one others may make things in: a link in the place
// of the folder or of a record is never followed, and a folder others may
// open is refused, said once, and left as it is.
TEST(SessionState, ALinkOrAFolderOthersMayOpenIsRefusedInOneLine) {
    TempDir dir;
    const std::string elsewhere = dir.file("elsewhere");
    ASSERT_EQ(::mkdir(elsewhere.c_str(), 0755), 0);
    ASSERT_EQ(::symlink(elsewhere.c_str(), dir.file("kestrune").c_str()), 0);
    const platform::SessionState linked{dir.file("kestrune"), {}};
    CapturedStderr err;
    EXPECT_FALSE(linked.write("record", "x"));
    EXPECT_FALSE(linked.write("record", "x"));
    EXPECT_EQ(err.take(), "Kestrune keeps no record of idle applications: cannot open " + dir.file("kestrune") +
                              ": Not a directory.\n");
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere));
    EXPECT_EQ(modeOf(elsewhere), 0755u) << "its permissions are not changed through the link";

    const platform::SessionState open{elsewhere, {}};
    EXPECT_FALSE(open.write("record", "x"));
    EXPECT_EQ(err.take(), "Kestrune keeps no record of idle applications: " + elsewhere +
                              " is not a folder that only you may open; remove it, and Kestrune makes it anew.\n");
    EXPECT_EQ(open.read("record"), std::nullopt);

    ASSERT_EQ(::chmod(elsewhere.c_str(), 0700), 0);
    ASSERT_EQ(::symlink("/etc/hostname", (elsewhere + "/record").c_str()), 0);
    EXPECT_EQ(open.read("record"), std::nullopt) << "a record that is a link is not read";
}
