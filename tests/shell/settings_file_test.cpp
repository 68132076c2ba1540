#include "shell/settings_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <string>

namespace va48 {
namespace {

namespace fs = std::filesystem;

TEST(FindProfileValueTest, ReadsLikeAProfileReader) {
    const struct {
        std::string text;
        std::string section;
        std::string key;
        std::optional<std::string> expected;
    } rows[] = {
        {"  [ lan ]  \r\n\t portno =  2255 \t\r\n", "LAN", "PortNo", "2255"},
        {"k=0\n[A]\n;k=1\n  ; k=2\nk=3\n", "A", "k", "3"},
        {"[A]\nx=1\n[B]\nk=2\n[a]\nk=3\nk=4\n", "A", "k", "3"},
        {"[B]\nk=1\n[A]\nx=2\n", "A", "k", std::nullopt},
        {"[A]\nk=a=b", "A", "k", "a=b"},
        {"[A]\nk=\n", "A", "k", ""},
        {"\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "1"},
        {"[B]\n[A\nk=1\n", "A", "k", std::nullopt},
        {"[A]\nkey2=1\n", "A", "key", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(FindProfileValue(row.text, row.section, row.key), row.expected) << row.text;
    }
}

TEST(SetProfileValueTest, ChangesOnlyTheOneKey) {
    const struct {
        std::string before;
        std::string section;
        std::string key;
        std::string value;
        std::string after;
    } rows[] = {
        {"[A]\nk=\nk=2\n", "A", "k", "9", "[A]\nk=9\nk=2\n"},
        {"[A]\nx=1\n\n[B]\ny=2\n", "A", "k", "5", "[A]\nx=1\nk=5\n\n[B]\ny=2\n"},
        {"k=0\n[A]\n[B]\n", "A", "k", "5", "k=0\n[A]\nk=5\n[B]\n"},
        {"[A]\r\nx=1", "A", "k", "5", "[A]\r\nx=1\r\nk=5\r\n"},
        {"[A]\nx=1\n[A]\ny=2\n", "A", "k", "5", "[A]\nx=1\nk=5\n[A]\ny=2\n"},
        {"[A]\r\nx=1", "B", "k", "5", "[A]\r\nx=1\r\n\r\n[B]\r\nk=5\r\n"},
        {"", "B", "k", "5", "[B]\r\nk=5\r\n"},
        {"\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "2", "\xEF\xBB\xBF[A]\nk=2\n"},
        {"[A]\nx=1\r", "A", "k", "5", "[A]\nx=1\r\r\nk=5\n"}, // x keeps its CR
    };
    for (const auto& row : rows) {
        const std::string after = SetProfileValue(row.before, row.section, row.key, row.value);
        EXPECT_EQ(after, row.after) << row.before;
        EXPECT_EQ(FindProfileValue(after, row.section, row.key), row.value) << row.before;
    }
    // A value with blanks around it is stored as it reads back: writing it again changes nothing.
    const std::string once = SetProfileValue("[A]\nk= 1\n", "A", "k", " \t2 ");
    EXPECT_EQ(once, "[A]\nk= 2\n");
    EXPECT_EQ(SetProfileValue(once, "A", "k", " \t2 "), once);
}

TEST(IsStorableSettingTest, RefusesWhatWouldNotReadBackAsWritten) {
    using namespace std::string_literals;
    EXPECT_TRUE(IsStorableSetting("TIMEOUT", "Recv", "30000"));
    EXPECT_TRUE(IsStorableSetting("A", "k", ""));
    EXPECT_TRUE(IsStorableSetting("A", "k", "a=b;c[d]"));
    EXPECT_FALSE(IsStorableSetting("", "k", "1"));
    EXPECT_FALSE(IsStorableSetting("A", "", "1"));
    EXPECT_FALSE(IsStorableSetting("A]", "k", "1"));
    EXPECT_FALSE(IsStorableSetting("A", "k=x", "1"));
    EXPECT_FALSE(IsStorableSetting("A", ";k", "1"));
    EXPECT_FALSE(IsStorableSetting("A", "k ", "1"));
    EXPECT_FALSE(IsStorableSetting("A", "k", "1\r\n[B]"));
    EXPECT_FALSE(IsStorableSetting("A", "k", "1\0"s));
}

class SettingsFileTest : public ::testing::Test {
  protected:
    TempDir temp{"va48_ini"};
    const fs::path& dir = temp.Path();
    fs::path path = temp / "VA-48Viewer.ini";
};

TEST_F(SettingsFileTest, ReadsDefaultsForAMissingFileAndCutsValuesTo99Bytes) {
    EXPECT_EQ(SettingsFile(path).ReadString("LAN", "PortNo", "2255"), "2255");
    EXPECT_EQ(SettingsFile().ReadString("LAN", "PortNo", "2255"), "2255");
    WriteFile(path, "[HWID]\nCode=" + std::string(150, 'x') + "\n");
    const SettingsFile file(path);
    EXPECT_EQ(file.ReadString("hwid", "code", ""), std::string(kSettingValueMaxBytes, 'x'));
    EXPECT_EQ(file.ReadString("HWID", "Other", std::string(150, 'y')),
              std::string(kSettingValueMaxBytes, 'y'));
}

TEST_F(SettingsFileTest, SingleKeyWriteKeepsEveryOtherByte) {
    const std::string before = "; VA-48 Viewer settings\r\n[LAN]\r\nIPAddress=192.168.0.10\r\n"
                               "  PortNo = 2255  \r\n\r\n[TIMEOUT]\r\n; milliseconds\r\n"
                               "Recv=30000\r\nUpdate=60000";
    WriteFile(path, before);
    SettingsFile file(path);
    ASSERT_TRUE(file.WriteString("lan", "portno", "2256"));
    std::string expected = before;
    expected.replace(expected.find("2255  "), 6, "2256");
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(file.ReadString("LAN", "PortNo", ""), "2256");
    EXPECT_EQ(EntryCount(dir), 1u) << "no temporary file left behind";
}

TEST_F(SettingsFileTest, FailedWriteLeavesTheFileAsItWas) {
    const std::string before = "[LAN]\nPortNo=2255\n";
    WriteFile(path, before);
    SettingsFile file(path);
    std::error_code why;
    EXPECT_FALSE(file.WriteString("LAN", "PortNo", "1\n[USB]", &why)) << "unstorable value";
    EXPECT_EQ(why, std::errc::invalid_argument);
    EXPECT_FALSE(SettingsFile(dir / "missing" / "x.ini").WriteString("LAN", "PortNo", "1", &why));
    EXPECT_EQ(why, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(SettingsFile().WriteString("LAN", "PortNo", "1"));

    // A path that exists but cannot be read must not be taken for an empty file.
    const fs::path directory = dir / "dir.ini";
    fs::create_directory(directory);
    EXPECT_FALSE(SettingsFile(directory).WriteString("LAN", "PortNo", "1", &why));
    EXPECT_EQ(why, std::errc::is_a_directory);
    EXPECT_TRUE(fs::is_directory(directory));

    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(EntryCount(dir), 2u) << "no temporary file left behind";
}

TEST(SettingsPathTest, ReplacesTheFileNamesExtensionOnly) {
    const struct {
        std::string executable;
        std::string settings;
        std::string log;
    } rows[] = {
        {"/opt/va48/VA-48Viewer.exe", "/opt/va48/VA-48Viewer.ini", "/opt/va48/VA-48Viewer.log"},
        {"/opt/v1.2/VA-48Viewer", "/opt/v1.2/VA-48Viewer.ini", "/opt/v1.2/VA-48Viewer.log"},
        {"VA-48Viewer", "VA-48Viewer.ini", "VA-48Viewer.log"},
        {"/opt/va.48.viewer", "/opt/va.48.ini", "/opt/va.48.log"},
        {"/opt/.va48", "/opt/.va48.ini", "/opt/.va48.log"},
        {"/opt/va48/", "", ""},
        {"", "", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(SettingsPathFor(row.executable), fs::path(row.settings)) << row.executable;
        EXPECT_EQ(LogPathFor(row.executable), fs::path(row.log)) << row.executable;
    }
}

TEST(ExecutablePathTest, NamesThisProcessesExecutable) {
    const fs::path path = ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(path.is_absolute());
    EXPECT_EQ(path.stem(), "va48_shell_tests");
    EXPECT_TRUE(fs::is_regular_file(path));
}

} // namespace
} // namespace va48
