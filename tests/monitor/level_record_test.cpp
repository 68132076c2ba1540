#include "monitor/level_record.h"
#include "monitor/level_recorder.h"

#include "tests/monitor/monitor_device.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <ctime>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace va48 {
namespace {

using namespace monitor_setup;

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
    EXPECT_EQ(LocalIsoTime(second + std::chrono::microseconds(999'999)), "2026-12-06T14:03:59.999");
    EXPECT_EQ(LocalIsoTime(second + std::chrono::milliseconds(7)), "2026-12-06T14:03:59.007");
}

TEST(RecordLine, LevelUnitAndLampPerRecordedChannel) {
    DeviceState device = TwoChannels();
    const RecordedChannels channels = PresentChannels(device);
    EXPECT_EQ(RecordHeader(channels),
              "Time,No.3 level,No.3 unit,No.3 lamp,No.9 level,No.9 unit,No.9 lamp\n");
    const std::string time = LocalIsoTime(PollTime(0));
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
    DeviceState device = TwoChannels();
    LevelRecorder recorder;
    std::error_code why;
    ASSERT_TRUE(recorder.Start(folder / "levels.csv", device, why)) << why.message();
    std::string expected = RecordHeader(PresentChannels(device));
    for (int k = 0; k < 10; ++k) {
        Channel(device, kSound).reading.value = 900 + static_cast<std::uint32_t>(k);
        SetLamps(device, kSound, k == 2 || k == 6, k == 4 || k == 6);
        ASSERT_TRUE(recorder.Write(device, PollTime(k), why)) << why.message();
        expected += RecordLine(device, PresentChannels(device), PollTime(k));
    }
    EXPECT_EQ(recorder.Lines(), 10u);
    EXPECT_EQ(ReadFile(folder / "levels.csv"), expected) << "each line on disk once written";
    recorder.Stop();
}

TEST(LevelRecorder, StopsWhenTheFileGoesAway) {
    TempDir folder;
    const DeviceState device = TwoChannels();
    LevelRecorder recorder;
    std::error_code why;
    ASSERT_TRUE(recorder.Start(folder / "levels.csv", device, why));
    ASSERT_TRUE(recorder.Write(device, PollTime(0), why));
    std::error_code removed;
    if (!std::filesystem::remove(folder / "levels.csv", removed)) {
        GTEST_SKIP() << "this system keeps an open file from being removed";
    }
    EXPECT_FALSE(recorder.Write(device, PollTime(1), why));
    EXPECT_EQ(why, std::errc::no_such_file_or_directory);
    EXPECT_FALSE(recorder.Recording());
    EXPECT_TRUE(recorder.Write(device, PollTime(2), why)); // stopped: nothing to do
    EXPECT_EQ(recorder.Lines(), 1u);
}

TEST(LevelRecorder, NothingRecordsWhenTheFileCannotBeWritten) {
    TempDir folder;
    LevelRecorder recorder;
    std::error_code why;
    EXPECT_FALSE(recorder.Start(folder / "missing" / "levels.csv", TwoChannels(), why));
    EXPECT_EQ(why, std::errc::no_such_file_or_directory);
#ifndef _WIN32
    ASSERT_EQ(::chmod(folder.Path().c_str(), 0500), 0);
    if (::geteuid() != 0) { // the superuser writes anywhere
        EXPECT_FALSE(recorder.Start(folder / "levels.csv", TwoChannels(), why));
        EXPECT_EQ(why, std::errc::permission_denied);
    }
    EXPECT_FALSE(recorder.Start("/dev/full", TwoChannels(), why)); // a full disk
    EXPECT_EQ(why, std::errc::no_space_on_device);
#endif
    EXPECT_FALSE(recorder.Recording());
}

} // namespace
} // namespace va48
