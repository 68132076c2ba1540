#include "shell/version_info.h"

#include "shell/version_record.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <clocale>

namespace va48 {
namespace {

TEST(VersionInfo, ReshapesProductVersion) {
    const struct {
        std::string_view productVersion;
        std::string_view expected;
    } cases[] = {
        {"1, 0, 1, 0", "1.01"},
        {"2, 1, 3, 4", "2.134"},
        {"3", "3."},
        {"1, 2", "1.2"},
        {"1,0,1,0", "1.01"},
        {"  1 ,, 0\t1 , 0  ", "1.01"},
        {"1, 0, 1, 0, 5", "1.01"},
        {"1, 0, 1, 2, 5", "1.0125"},
        {"1, 0, 1, 00", "1.0100"},
        {"", ""},
        {" , ", ""},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(ReshapeVersionText(row.productVersion), row.expected) << row.productVersion;
    }
}

TEST(VersionInfo, FitsTextsIntoTheFieldWithoutSplittingCharacters) {
    const std::string ascii(120, 'x');
    EXPECT_EQ(FitVersionText(ascii), std::string(99, 'x'));
    EXPECT_EQ(FitVersionText(std::string(99, 'x')), std::string(99, 'x'));

    std::string kana; // 34 three-byte characters: 102 bytes
    for (int i = 0; i < 34; ++i) {
        kana += "\xE3\x81\x82";
    }
    EXPECT_EQ(FitVersionText(kana), kana.substr(0, 99));
    EXPECT_EQ(FitVersionText("x" + kana), "x" + kana.substr(0, 96));
    EXPECT_EQ(FitVersionText("xy" + kana), "xy" + kana.substr(0, 96));

    // Malformed text is still cut to length rather than emptied.
    const std::string continuations(120, '\x80');
    EXPECT_EQ(FitVersionText(continuations).size(), 96u);
}

std::time_t LocalTime(int year, int month, int day) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = 12;
    local.tm_isdst = -1;
    return std::mktime(&local);
}

TEST(VersionInfoFile, ReadsRecordAndFileDate) {
    TempDir temp{"va48_version_info"};
    const std::filesystem::path path = temp / "VA-48Viewer";
    WriteFile(path, "x");
    const std::time_t mtime = LocalTime(1999, 12, 31);
    std::filesystem::last_write_time(
        path, std::chrono::file_clock::from_sys(std::chrono::system_clock::from_time_t(mtime)));

    VersionInfo info;
    EXPECT_TRUE(ReadVersionInfo(path, true, info));
    EXPECT_EQ(info.productName, version_record::kProductName);
    EXPECT_EQ(info.versionText, ReshapeVersionText(version_record::kProductVersion));
    EXPECT_EQ(info.comments, version_record::kComments);
    EXPECT_EQ(info.legalNotice, version_record::kLegalCopyright);
    EXPECT_EQ(info.fileDate, "1999/12/31");

    ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
    EXPECT_TRUE(ReadVersionInfo(path, false, info));
    EXPECT_EQ(info.fileDate, "12/31/99");

    // A missing executable: the record still, no date.
    VersionInfo missing;
    missing.fileDate = "stale";
    EXPECT_TRUE(ReadVersionInfo(path / "missing", true, missing));
    EXPECT_TRUE(missing.fileDate.empty());
    EXPECT_EQ(missing.productName, version_record::kProductName);
}

} // namespace
} // namespace va48
