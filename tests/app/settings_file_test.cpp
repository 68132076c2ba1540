#include "app/settings_file.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace va48 {
namespace {

namespace fs = std::filesystem;

struct FindCase {
    std::string name;
    std::string text;
    std::string section;
    std::string key;
    std::optional<std::string> expected;
};

class FindProfileValueTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindProfileValueTest, ReadsLikeAProfileReader) {
    const FindCase& row = GetParam();
    EXPECT_EQ(FindProfileValue(row.text, row.section, row.key), row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, FindProfileValueTest,
    ::testing::Values(
        FindCase{"NamesIgnoreCase", "[lan]\nipaddress=1.2.3.4\n", "LAN", "IPAddress", "1.2.3.4"},
        FindCase{"BlanksAroundNamesAndValue", "  [ LAN ]  \r\n\t PortNo =  2255 \t\r\n", "LAN",
                 "PortNo", "2255"},
        FindCase{"CommentIsNoKey", "[A]\n;k=1\n  ; k=2\nk=3\n", "A", "k", "3"},
        FindCase{"FirstDuplicateWins", "[A]\nk=1\nk=2\n", "A", "k", "1"},
        FindCase{"SecondSectionOfTheSameName", "[A]\nx=1\n[B]\nk=2\n[a]\nk=3\n", "A", "k", "3"},
        FindCase{"KeyBeforeAnySectionIgnored", "k=0\n[A]\nk=1\n", "A", "k", "1"},
        FindCase{"KeyOfAnotherSection", "[B]\nk=1\n[A]\nx=2\n", "A", "k", std::nullopt},
        FindCase{"NoFinalNewline", "[A]\nk=last", "A", "k", "last"},
        FindCase{"EmptyValueIsAValue", "[A]\nk=\n", "A", "k", ""},
        FindCase{"ValueMayHoldEquals", "[A]\nk=a=b\n", "A", "k", "a=b"},
        FindCase{"ByteOrderMarkSkipped", "\xEF\xBB\xBF[A]\r\nk=1\r\n", "A", "k", "1"},
        FindCase{"UnclosedHeaderIsNoSection", "[B]\n[A\nk=1\n", "A", "k", std::nullopt},
        FindCase{"KeyIsNotAPrefixMatch", "[A]\nkey2=1\n", "A", "key", std::nullopt}),
    [](const ::testing::TestParamInfo<FindCase>& info) { return info.param.name; });

struct SetCase {
    std::string name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

class SetProfileValueTest : public ::testing::TestWithParam<SetCase> {};

TEST_P(SetProfileValueTest, ChangesOnlyTheOneKey) {
    const SetCase& row = GetParam();
    const std::string after = SetProfileValue(row.before, row.section, row.key, row.value);
    EXPECT_EQ(after, row.after);
    EXPECT_EQ(FindProfileValue(after, row.section, row.key), row.value);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SetProfileValueTest,
    ::testing::Values(
        SetCase{"ReplacesInPlace",
                "; top\r\n[LAN]\r\n  IPAddress = 1.2.3.4  \r\nPortNo=2255\r\n\r\n[TIMEOUT]\r\n",
                "lan", "ipaddress", "10.0.0.1",
                "; top\r\n[LAN]\r\n  IPAddress = 10.0.0.1\r\nPortNo=2255\r\n\r\n[TIMEOUT]\r\n"},
        SetCase{"ReplacesTheFirstDuplicate", "[A]\nk=1\nk=2\n", "A", "k", "9", "[A]\nk=9\nk=2\n"},
        SetCase{"ReplacesAnEmptyValue", "[A]\nk=\nx=1", "A", "k", "7", "[A]\nk=7\nx=1"},
        SetCase{"AddsKeyAfterTheSectionsLastLine", "[A]\nx=1\n\n[B]\ny=2\n", "A", "k", "5",
                "[A]\nx=1\nk=5\n\n[B]\ny=2\n"},
        SetCase{"AddsKeyToAnEmptySection", "[A]\n[B]\n", "A", "k", "5", "[A]\nk=5\n[B]\n"},
        SetCase{"AddsKeyAfterALastLineWithoutNewline", "[A]\r\nx=1", "A", "k", "5",
                "[A]\r\nx=1\r\nk=5\r\n"},
        SetCase{"AddsKeyToTheFirstOfTwoSections", "[A]\nx=1\n[A]\ny=2\n", "A", "k", "5",
                "[A]\nx=1\nk=5\n[A]\ny=2\n"},
        SetCase{"KeyBeforeAnySectionIsNotReused", "k=0\n[A]\n", "A", "k", "1", "k=0\n[A]\nk=1\n"},
        SetCase{"AddsSectionWithTheFilesLineEnd", "[A]\r\nx=1\r\n", "B", "k", "5",
                "[A]\r\nx=1\r\n\r\n[B]\r\nk=5\r\n"},
        SetCase{"AddsSectionAfterALastLineWithoutNewline", "[A]\nx=1", "B", "k", "5",
                "[A]\nx=1\n\n[B]\nk=5\n"},
        SetCase{"StartsAnEmptyFile", "", "B", "k", "5", "[B]\r\nk=5\r\n"},
        SetCase{"KeepsTheByteOrderMark", "\xEF\xBB\xBF[A]\nk=1\n", "A", "k", "2",
                "\xEF\xBB\xBF[A]\nk=2\n"}),
    [](const ::testing::TestParamInfo<SetCase>& info) { return info.param.name; });

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
    static std::string Read(const fs::path& file) { return ReadFile(file); }
    static void Write(const fs::path& file, const std::string& text) {
        std::ofstream(file, std::ios::binary) << text;
    }
    std::size_t EntriesInDir() const {
        return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
    }

    TempDir temp{"va48_ini"};
    const fs::path& dir = temp.Path();
    fs::path path = temp / "VA-48Viewer.ini";
};

TEST_F(SettingsFileTest, MissingFileGivesDefaults) {
    const SettingsFile file(path);
    EXPECT_EQ(file.ReadString("LAN", "PortNo", "2255"), "2255");
    EXPECT_EQ(SettingsFile().ReadString("LAN", "PortNo", "2255"), "2255");
}

TEST_F(SettingsFileTest, ValuesAndDefaultsAreCutTo99Bytes) {
    Write(path, "[HWID]\nCode=" + std::string(150, 'x') + "\n");
    const SettingsFile file(path);
    EXPECT_EQ(file.ReadString("hwid", "code", ""), std::string(kSettingValueMaxBytes, 'x'));
    EXPECT_EQ(file.ReadString("HWID", "Other", std::string(150, 'y')),
              std::string(kSettingValueMaxBytes, 'y'));
}

TEST_F(SettingsFileTest, SingleKeyWriteKeepsEveryOtherByte) {
    const std::string before = "; VA-48 Viewer settings\r\n"
                               "[LAN]\r\n"
                               "IPAddress=192.168.0.10\r\n"
                               "  PortNo = 2255\r\n"
                               "\r\n"
                               "[TIMEOUT]\r\n"
                               "; milliseconds\r\n"
                               "Recv=30000\r\n"
                               "Update=60000";
    Write(path, before);
    SettingsFile file(path);
    ASSERT_TRUE(file.WriteString("TIMEOUT", "Recv", "45000"));
    std::string expected = before;
    expected.replace(expected.find("30000"), 5, "45000");
    EXPECT_EQ(Read(path), expected);
    EXPECT_EQ(file.ReadString("timeout", "recv", ""), "45000");
    EXPECT_EQ(EntriesInDir(), 1u) << "no temporary file left behind";
}

TEST_F(SettingsFileTest, WriteCreatesTheFileThenAddsSectionsAndKeys) {
    SettingsFile file(path);
    ASSERT_TRUE(file.WriteString("LAN", "IPAddress", "10.1.2.3"));
    ASSERT_TRUE(file.WriteString("TIMEOUT", "Recv", "5000"));
    ASSERT_TRUE(file.WriteString("LAN", "PortNo", "2256"));
    EXPECT_EQ(Read(path), "[LAN]\r\nIPAddress=10.1.2.3\r\nPortNo=2256\r\n\r\n"
                          "[TIMEOUT]\r\nRecv=5000\r\n");
}

TEST_F(SettingsFileTest, FailedWriteLeavesTheFileAsItWas) {
    const std::string before = "[LAN]\nPortNo=2255\n";
    Write(path, before);
    SettingsFile file(path);
    EXPECT_FALSE(file.WriteString("LAN", "PortNo", "1\n[USB]")) << "unstorable value";
    EXPECT_FALSE(SettingsFile(dir / "missing" / "x.ini").WriteString("LAN", "PortNo", "1"));
    EXPECT_FALSE(SettingsFile().WriteString("LAN", "PortNo", "1"));

    // A path that exists but cannot be read must not be taken for an empty file.
    const fs::path directory = dir / "dir.ini";
    fs::create_directory(directory);
    EXPECT_FALSE(SettingsFile(directory).WriteString("LAN", "PortNo", "1"));
    EXPECT_TRUE(fs::is_directory(directory));

    if (::geteuid() != 0) { // permissions do not stop root
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(file.WriteString("LAN", "PortNo", "1")) << "read-only directory";
        fs::permissions(dir, fs::perms::owner_all);
        fs::permissions(path, fs::perms::owner_read);
        EXPECT_FALSE(file.WriteString("LAN", "PortNo", "1")) << "read-only file";
    }
    EXPECT_EQ(Read(path), before);
    EXPECT_EQ(EntriesInDir(), 2u) << "no temporary file left behind";
}

TEST_F(SettingsFileTest, WriteKeepsPermissionsAndFollowsALink) {
    const fs::path target = dir / "real.ini";
    Write(target, "[A]\nk=1\n");
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(target, path);
    ASSERT_TRUE(SettingsFile(path).WriteString("A", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_EQ(Read(target), "[A]\nk=2\n");
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

struct PathCase {
    std::string executable;
    std::string settings;
    std::string log;
};

class SettingsPathTest : public ::testing::TestWithParam<PathCase> {};

TEST_P(SettingsPathTest, ReplacesTheFileNamesExtensionOnly) {
    const PathCase& row = GetParam();
    EXPECT_EQ(SettingsPathFor(row.executable), fs::path(row.settings)) << row.executable;
    EXPECT_EQ(LogPathFor(row.executable), fs::path(row.log)) << row.executable;
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SettingsPathTest,
    ::testing::Values(
        PathCase{"/opt/va48/VA-48Viewer.exe", "/opt/va48/VA-48Viewer.ini",
                 "/opt/va48/VA-48Viewer.log"},
        PathCase{"C:\\Tools\\VA-48Viewer.exe", "C:\\Tools\\VA-48Viewer.ini",
                 "C:\\Tools\\VA-48Viewer.log"},
        PathCase{"/usr/bin/VA-48Viewer", "/usr/bin/VA-48Viewer.ini", "/usr/bin/VA-48Viewer.log"},
        PathCase{"/opt/v1.2/VA-48Viewer", "/opt/v1.2/VA-48Viewer.ini", "/opt/v1.2/VA-48Viewer.log"},
        PathCase{"VA-48Viewer", "VA-48Viewer.ini", "VA-48Viewer.log"},
        PathCase{"/opt/va.48.viewer", "/opt/va.48.ini", "/opt/va.48.log"},
        PathCase{"/opt/.va48", "/opt/.va48.ini", "/opt/.va48.log"}, PathCase{"/opt/va48/", "", ""},
        PathCase{"", "", ""}));

TEST(ExecutablePathTest, NamesThisProcessesExecutable) {
    const fs::path path = ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(fs::equivalent(path, "/proc/self/exe"));
}

} // namespace
} // namespace va48
