#include "shell/program_paths.h"

#include "shell/settings_file.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

namespace fs = std::filesystem;

TEST(ProgramPaths, ChoosesTheFolderOfEachFile) {
    const fs::path exe = "/opt/va48/VA-48Viewer";
    const fs::path user = "/home/u/.config/VA-48Viewer";
    const fs::path besideIni = "/opt/va48/VA-48Viewer.ini";
    const fs::path besideLog = "/opt/va48/VA-48Viewer.log";
    const fs::path userIni = user / "VA-48Viewer.ini";
    const fs::path userLog = user / "VA-48Viewer.log";
    const struct {
        const char* what;
        ProgramFolderFacts facts; // settingsBeside, besideWritable, userFolderReady
        fs::path userFolder;
        fs::path settings;
        fs::path log;
    } cases[] = {
        {"run from its own folder", {false, true, true}, user, besideIni, besideLog},
        {"own folder with its file", {true, true, true}, user, besideIni, besideLog},
        {"installed, first start", {false, false, true}, user, userIni, userLog},
        {"installed, file put beside it", {true, false, true}, user, besideIni, userLog},
        {"installed, no user folder", {false, false, false}, user, besideIni, besideLog},
        {"installed, user folder unknown", {false, false, true}, {}, besideIni, besideLog},
    };
    for (const auto& row : cases) {
        const ProgramFiles files = ChooseProgramFiles(exe, row.userFolder, row.facts);
        EXPECT_EQ(files.settings, row.settings) << row.what;
        EXPECT_EQ(files.log, row.log) << row.what;
    }
    const ProgramFiles unknown = ChooseProgramFiles({}, user, {false, false, true});
    EXPECT_TRUE(unknown.settings.empty());
    EXPECT_TRUE(unknown.log.empty());
}

class ProgramFolderTest : public ::testing::Test {
  protected:
    ProgramFolderTest() {
        fs::create_directories(program);
        WriteFile(exe, "");
    }

    TempDir temp{"va48_paths"};
    fs::path program = temp / "opt" / "bin";
    fs::path exe = program / "VA-48Viewer";
    fs::path user = temp / "home" / ".config" / "VA-48Viewer";
};

TEST_F(ProgramFolderTest, AProgramInAWritableFolderLeavesTheUserFolderAlone) {
    const ProgramFolderFacts facts = ProbeProgramFolder(exe, temp / "usr" / "bin", user);
    EXPECT_TRUE(facts.besideWritable);
    EXPECT_FALSE(facts.settingsBeside);
    EXPECT_FALSE(fs::exists(temp / "home"));
    EXPECT_EQ(EntryCount(program), 1u) << "the probe file is removed";

    WriteFile(program / "VA-48Viewer.ini", "[LAN]\n");
    EXPECT_TRUE(ProbeProgramFolder(exe, {}, user).settingsBeside);
}

TEST_F(ProgramFolderTest, AnInstalledProgramKeepsItsSettingsInTheUserFolderAcrossStarts) {
    // The installed folder named another way still matches.
    const fs::path installed = program / ".." / "bin" / "";
    ProgramFolderFacts facts = ProbeProgramFolder(exe, installed, user);
    EXPECT_FALSE(facts.besideWritable);
    EXPECT_TRUE(facts.userFolderReady);
    ASSERT_TRUE(fs::is_directory(user)) << "made with its missing parents";

    ProgramFiles files = ChooseProgramFiles(exe, user, facts);
    SettingsFile settings(files.settings);
    ASSERT_TRUE(settings.WriteString("LAN", "IPAddr", "127.0.0.1"));
    EXPECT_EQ(EntryCount(program), 1u) << "nothing written beside the installed program";

    facts = ProbeProgramFolder(exe, installed, user);
    files = ChooseProgramFiles(exe, user, facts);
    EXPECT_EQ(SettingsFile(files.settings).ReadString("LAN", "IPAddr", ""), "127.0.0.1");

    // A settings file an administrator put beside the program wins; the log stays the user's.
    WriteFile(program / "VA-48Viewer.ini", "[LAN]\nIPAddr=10.0.0.5\n");
    files = ChooseProgramFiles(exe, user, ProbeProgramFolder(exe, installed, user));
    EXPECT_EQ(SettingsFile(files.settings).ReadString("LAN", "IPAddr", ""), "10.0.0.5");
    EXPECT_EQ(files.log, user / "VA-48Viewer.log");
}

TEST_F(ProgramFolderTest, FoldersThatCannotBeUsedAreReportedSo) {
    const ProgramFolderFacts missing =
        ProbeProgramFolder(temp / "gone" / "VA-48Viewer", {}, temp / "config");
    EXPECT_FALSE(missing.besideWritable);
    EXPECT_TRUE(missing.userFolderReady);

    WriteFile(temp / "file", "");
    EXPECT_FALSE(ProbeProgramFolder(exe, program, temp / "file" / "VA-48Viewer").userFolderReady);
    EXPECT_FALSE(ProbeProgramFolder(exe, program, {}).userFolderReady);
}

} // namespace
} // namespace va48
