#include "monitor/level_record.h"
#include "monitor/level_recorder.h"

#include "tests/monitor/monitor_device.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace va48 {
namespace {

using namespace monitor_setup;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts(1);
    for (const char c : text) {
        if (c == separator) {
            parts.emplace_back();
        } else {
            parts.back().push_back(c);
        }
    }
    return parts;
}

TEST(LocalIsoTime, MillisecondsRoundedDown) {
    std::tm local{};
    local.tm_year = 2026 - 1900;
    local.tm_mon = 11;
    local.tm_mday = 6;
    local.tm_hour = 14;
    local.tm_min = 3;
    local.tm_sec = 59;
    local.tm_isdst = -1;
    const auto second = WallClock::from_time_t(std::mktime(&local));
    using std::chrono::microseconds;
    EXPECT_EQ(LocalIsoTime(second), "2026-12-06T14:03:59.000");
    EXPECT_EQ(LocalIsoTime(second + microseconds(250'000)), "2026-12-06T14:03:59.250");
    EXPECT_EQ(LocalIsoTime(second + microseconds(999'999)), "2026-12-06T14:03:59.999");
}

TEST(RecordLine, LevelUnitAndLampPerRecordedChannel) {
    DeviceState device = TwoChannels();
    const RecordedChannels channels = PresentChannels(device);
    EXPECT_EQ(RecordHeader(channels), "Time,No.3 level,No.3 unit,No.3 lamp,No.9 level,No.9 unit,"
                                      "No.9 lamp\n");
    const std::string time = LocalIsoTime(PollTime(0));
    EXPECT_EQ(RecordLine(device, channels, PollTime(0)),
              time + ",90.5,dB,normal,5.5,m/s²,normal\n");
    SetLamps(device, kSound, 1, 1);
    SetLamps(device, kVibration, 0, 1);
    EXPECT_EQ(RecordLine(device, channels, PollTime(0)), time + ",90.5,dB,red,5.5,m/s²,cyan\n");
    // A module gone since the recording began; a reading whose scale is outside the tables.
    Channel(device, kSound).moduleKind = kNoModule;
    Channel(device, kVibration).reading.readingUnit = 4;
    EXPECT_EQ(RecordLine(device, channels, PollTime(0)), time + ",- - -,,normal,- - -,,cyan\n");
}

TEST(LevelRecorder, TenPollsReadBack) {
    TempDir folder;
    const auto path = folder / "levels.csv";
    DeviceState device = TwoChannels();
    LevelRecorder recorder;
    std::error_code why;
    ASSERT_TRUE(recorder.Start(path, device, why)) << why.message();
    for (int k = 0; k < 10; ++k) {
        Channel(device, kSound).reading.value = 900 + static_cast<std::uint32_t>(k);
        SetLamps(device, kSound, k == 2 || k == 6, k == 4 || k == 6);
        ASSERT_TRUE(recorder.Write(device, PollTime(k), why)) << why.message();
    }
    EXPECT_EQ(recorder.Lines(), 10u);
    recorder.Stop();

    const std::vector<std::string> lines = Split(ReadFile(path), '\n');
    ASSERT_EQ(lines.size(), 12u); // header, ten polls, nothing after the last line end
    EXPECT_EQ(lines[0] + "\n", RecordHeader(PresentChannels(device)));
    EXPECT_EQ(lines[11], "");
    for (int k = 0; k < 10; ++k) {
        const std::vector<std::string> fields = Split(lines[static_cast<std::size_t>(k) + 1], ',');
        ASSERT_EQ(fields.size(), 7u) << k;
        EXPECT_EQ(fields[0], LocalIsoTime(PollTime(k)));
        EXPECT_EQ(fields[1], "90." + std::to_string(k));
        EXPECT_EQ(fields[2], "dB");
        EXPECT_EQ(fields[3], k == 2 || k == 6 ? "red" : k == 4 ? "cyan" : "normal") << k;
        EXPECT_EQ(fields[4] + fields[5] + fields[6], "5.5m/s²normal");
    }
}

TEST(LevelRecorder, StopsWhenTheFileGoesAway) {
    TempDir folder;
    const auto path = folder / "levels.csv";
    const DeviceState device = TwoChannels();
    LevelRecorder recorder;
    std::error_code why;
    ASSERT_TRUE(recorder.Start(path, device, why));
    ASSERT_TRUE(recorder.Write(device, PollTime(0), why));
    std::error_code removed;
    if (!std::filesystem::remove(path, removed)) {
        GTEST_SKIP() << "this system keeps an open file from being removed";
    }
    EXPECT_FALSE(recorder.Write(device, PollTime(1), why));
    EXPECT_EQ(why, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(recorder.Recording());
    EXPECT_EQ(recorder.Lines(), 1u);
    EXPECT_TRUE(recorder.Write(device, PollTime(2), why)); // stopped: nothing to do
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(LevelRecorder, NothingRecordsWhenTheFileCannotBeMade) {
    TempDir folder;
    LevelRecorder recorder;
    std::error_code why;
    EXPECT_FALSE(recorder.Start(folder / "missing" / "levels.csv", TwoChannels(), why));
    EXPECT_EQ(why, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(recorder.Recording());
#ifndef _WIN32
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0500), 0);
    if (::geteuid() != 0) { // the superuser writes anywhere
        EXPECT_FALSE(recorder.Start(folder / "levels.csv", TwoChannels(), why));
        EXPECT_EQ(why, std::errc::permission_denied);
    }
    // A full disk: the header cannot be written.
    EXPECT_FALSE(recorder.Start("/dev/full", TwoChannels(), why));
    EXPECT_EQ(why, std::errc::no_space_on_device);
    EXPECT_FALSE(recorder.Recording());
#endif
}

} // namespace
} // namespace va48
