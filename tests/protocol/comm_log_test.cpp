#include "protocol/comm_log.h"

#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace va48 {
namespace {

namespace fs = std::filesystem;

class CommLogTest : public ::testing::Test {
  protected:
    TempDir temp{"va48_log"};
    const fs::path& dir = temp.Path();
    fs::path path = temp / "VA-48Viewer.log";
};

TEST_F(CommLogTest, AppendsTextsAsGivenWithLineFeedsStoredAsCrLf) {
    CommLog log(path);
    log.Write("SendData -> 02 01 43 56 45 52 3F 03 00 0D 0A \n");
    log.Write("\t(Data) : VER?\n");
    log.Write("no line end");
    EXPECT_EQ(ReadFile(path), "SendData -> 02 01 43 56 45 52 3F 03 00 0D 0A \r\n"
                              "\t(Data) : VER?\r\n"
                              "no line end");
    EXPECT_EQ(log.BackupPath(), dir / "VA-48Viewer.log.bak");
}

TEST_F(CommLogTest, RotatesOnlyOnceTheFilePassesTheLimitReplacingTheOldBackup) {
    WriteFile(dir / "VA-48Viewer.log.bak", "old backup");
    CommLog log(path);
    log.Write(std::string(CommLog::kRotateAboveBytes - 1, 'a'));
    log.Write("b");
    ASSERT_TRUE(fs::exists(path)) << "exactly the limit stays";
    EXPECT_EQ(fs::file_size(path), CommLog::kRotateAboveBytes);
    EXPECT_EQ(ReadFile(log.BackupPath()), "old backup");

    log.Write("c"); // one byte past the limit: this text is the last of the backup
    EXPECT_FALSE(fs::exists(path));
    EXPECT_EQ(fs::file_size(log.BackupPath()), CommLog::kRotateAboveBytes + 1);
    EXPECT_EQ(ReadFile(log.BackupPath()).back(), 'c');

    log.Write("new\n");
    EXPECT_EQ(ReadFile(path), "new\r\n");
}

TEST_F(CommLogTest, WritesThatCannotBeStoredAreSilent) {
    // A folder that cannot be written to is the POSIX file modes' part (comm_log_posix_test).
    CommLog nowhere(dir / "missing" / "deeper" / "x.log");
    nowhere.Write("also lost\n");
    CommLog none;
    none.Write("nothing\n");
}

TEST_F(CommLogTest, TwoThreadsWritingAcrossARotationLoseAndTearNothing) {
    CommLog log(path);
    log.Write(std::string(CommLog::kRotateAboveBytes - 20'000, '.') + "\n");

    // 2 x 1000 lines of about 40 bytes push the file past the limit once, mid-way.
    constexpr int kLines = 1000;
    const auto writer = [&log](char who) {
        for (int i = 0; i < kLines; ++i) {
            log.Write(std::string("RecvData <- ") + who + " " + std::to_string(i) +
                      " 02 01 41 30 03 00 0D 0A \n");
        }
    };
    std::thread a(writer, 'A');
    std::thread b(writer, 'B');
    a.join();
    b.join();

    ASSERT_TRUE(fs::exists(log.BackupPath()));
    std::map<std::string, int> seen;
    for (const fs::path& file : {log.BackupPath(), path}) {
        std::istringstream lines(ReadFile(file));
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("RecvData <- ", 0) == 0) {
                ++seen[line];
            }
        }
    }
    EXPECT_EQ(seen.size(), 2u * kLines);
    for (const char who : {'A', 'B'}) {
        for (int i = 0; i < kLines; ++i) {
            const std::string line = std::string("RecvData <- ") + who + " " + std::to_string(i) +
                                     " 02 01 41 30 03 00 0D 0A \r";
            EXPECT_EQ(seen[line], 1) << line;
        }
    }
}

TEST(HexText, WritesTwoUpperCaseDigitsAndASpacePerByteCutTo2047Characters) {
    std::array<char, kHexTextSize> out{};
    const std::vector<std::uint8_t> ver = {0x02, 0x01, 0x43, 0x56, 0x45, 0x52,
                                           0x3F, 0x03, 0x00, 0x0D, 0x0A};
    EXPECT_EQ(HexText(ver, out), 33u);
    EXPECT_STREQ(out.data(), "02 01 43 56 45 52 3F 03 00 0D 0A ");
    EXPECT_EQ(HexText({}, out), 0u);
    EXPECT_STREQ(out.data(), "");

    const std::vector<std::uint8_t> frame(1024, 0xFE);
    EXPECT_EQ(HexText(frame, out), 2047u);
    EXPECT_EQ(std::string(out.data()).substr(2040), "FE FE F");
    std::array<char, 4> tiny{};
    EXPECT_EQ(HexText(frame, tiny), 3u);
    EXPECT_STREQ(tiny.data(), "FE ");
    EXPECT_EQ(HexText(frame, std::span<char>()), 0u);
}

} // namespace
} // namespace va48
