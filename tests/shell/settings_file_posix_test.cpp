// The settings file on POSIX file systems: permission bits, symbolic links.

#include "shell/settings_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace va48 {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFilePosixTest, ReadOnlyFolderOrFileRefusesTheWriteAndKeepsTheFile) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "permissions do not stop root";
    }
    TempDir temp{"va48_ini_modes"};
    const fs::path path = temp / "VA-48Viewer.ini";
    const std::string before = "[LAN]\nPortNo=2255\n";
    WriteFile(path, before);
    SettingsFile file(path);
    fs::permissions(temp.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(file.WriteString("LAN", "PortNo", "1")) << "read-only directory";
    fs::permissions(temp.Path(), fs::perms::owner_all);
    fs::permissions(path, fs::perms::owner_read);
    EXPECT_FALSE(file.WriteString("LAN", "PortNo", "1")) << "read-only file";
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(EntryCount(temp.Path()), 1u) << "no temporary file left behind";
}

TEST(SettingsFilePosixTest, WriteKeepsPermissionsAndFollowsALink) {
    TempDir temp{"va48_ini_link"};
    const fs::path& dir = temp.Path();
    const fs::path path = temp / "VA-48Viewer.ini";
    const fs::path target = dir / "real.ini";
    WriteFile(target, "[A]\nk=1\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, path);
    ASSERT_TRUE(SettingsFile(path).WriteString("A", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(ReadFile(target), "[A]\nk=2\n");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

} // namespace
} // namespace va48
