#include "shell/sequence_jobs.h"

#include "protocol/frame.h"
#include "protocol/value_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace va48 {
namespace {

// The request texts of a job, in order.
std::vector<std::string> Texts(const CommandJob& job) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < job.count; ++i) {
        const JobEntry& entry = job.entries[i];
        texts.emplace_back(FrameText({entry.frame.data(), entry.frameLength}));
    }
    return texts;
}

DeviceState Layout(const std::string& kinds) {
    DeviceState device;
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        device.channels[i].moduleKind = kinds[i] == 'S'   ? kSoundModule
                                        : kinds[i] == 'V' ? kVibrationModule
                                                          : kNoModule;
    }
    return device;
}

TEST(SequenceJobs, PerChannelStepsRunOverThePresentChannelsInOrder) {
    const DeviceState device = Layout("S0V0000000000000");
    CommandJob job;
    BuildSettingsQueryJob(device, job);
    EXPECT_EQ(Texts(job), (std::vector<std::string>{"SET? 1", "SET? 3"}));
    EXPECT_EQ(job.entries[1].channel, 3);
    EXPECT_EQ(job.entries[1].expectsData, 1);
    BuildUserFilterQueryJob(device, job);
    EXPECT_EQ(Texts(job), (std::vector<std::string>{"UHC? 1", "ULC? 1", "UHC? 3", "ULC? 3"}));
    BuildTedsExecuteJob(device, job);
    EXPECT_EQ(Texts(job), (std::vector<std::string>{"TEC 1", "TEC 3"}));
    EXPECT_EQ(job.entries[0].expectsData, 0);
    EXPECT_FALSE(AnyChannelPresent(Layout("0000000000000000")));
}

TEST(SequenceJobs, SingleRequestSteps) {
    CommandJob job;
    const std::pair<void (*)(CommandJob&), std::string> cases[] = {
        {BuildDeviceIndexJob, "DID?"},
        {BuildPollJob, "DOD?"},
        {BuildVersionJob, "VER?"},
        {BuildLanQueryJob, "IPA?"},
        {BuildResetJob, "RES"},
        {BuildRebootJob, "UPD 3"},
        {BuildReplyTestJob, std::string(kTestText)},
    };
    for (const auto& [build, text] : cases) {
        build(job);
        EXPECT_EQ(Texts(job), std::vector<std::string>{text});
    }
    BuildCalibrationJob(false, job);
    EXPECT_EQ(Texts(job), std::vector<std::string>{"CAL 0 0"});
}

TEST(SequenceJobs, SendingSettingsWatchesChannelsSetToTheirTedsConnector) {
    // The edit setups go out (their text is the request builder's); a TEDS connector is watched.
    DeviceState device = Layout("SV00000000000000");
    device.channels[0].editSetup = {.rear = 1, .ccld = 1, .teds = 1, .sensitivity = 250};
    device.channels[1].editSetup = {.charge = 1, .sensitivity = 500};
    std::array<bool, kChannelCount> watch{};
    CommandJob job;
    BuildSendSettingsJob(device, watch, job);
    EXPECT_EQ(Texts(job), (std::vector<std::string>{"SET 1 0 1 0 1 1 0 0 0 0 250 0 0 0 0",
                                                    "SET 2 0 0 1 0 0 0 0 0 0 500 0 0 0 0"}));
    EXPECT_TRUE(watch[0]);
    EXPECT_FALSE(watch[1]);
}

TEST(SequenceJobs, UserFiltersAreSentOnlyWhenMarked) {
    DeviceState device = Layout("SS00000000000000");
    device.channels[1].editUserLpf.sendPending = 1;
    CommandJob job;
    BuildSendUserFiltersJob(device, true, job);
    EXPECT_EQ(Texts(job), std::vector<std::string>{"ULC 2 0 0 0 0 0 0 0"});
    BuildSendUserFiltersJob(device, false, job);
    EXPECT_EQ(job.count, 0);
}

TEST(SequenceJobs, TedsEvaluationWatchesReadingChannelsAndReportsWatchedFailures) {
    DeviceState device = Layout("SSSSS00000000000");
    std::array<bool, kChannelCount> watch{};
    device.channels[2].deviceSetup.tedsState = 1;
    device.channels[4].deviceSetup.tedsState = 1;
    device.channels[1].deviceSetup.tedsState = 3; // failed, but never watched: not reported
    TedsEvaluation first = EvaluateTeds(device, watch);
    EXPECT_EQ(first.pending, 2);
    EXPECT_TRUE(watch[2] && watch[4]);
    EXPECT_FALSE(first.failed[1]);

    device.channels[2].deviceSetup.tedsState = 3;
    device.channels[4].deviceSetup.tedsState = 3;
    const TedsEvaluation second = EvaluateTeds(device, watch);
    EXPECT_EQ(second.pending, 0);
    EXPECT_EQ(TedsFailureText(second, "TEDS Mode failed.", "  No. : %d\n"),
              "TEDS Mode failed.\n  No. : 3\n  No. : 5\n");
    CommandJob job;
    BuildTedsRetryJob(second, watch, job);
    EXPECT_EQ(Texts(job), (std::vector<std::string>{"TEC 3", "TEC 5"}));
    EXPECT_FALSE(watch[2] || watch[4]);
}

TEST(SequenceJobs, UserFilterCheckFindsTheFirstContradiction) {
    struct Case {
        std::uint8_t kind;
        std::uint8_t hpfMode, lpfMode;
        std::int8_t hpfIndex, lpfIndex;
        std::uint8_t hpfEnabled, lpfEnabled;
        ResultCode expected;
        std::string log;
    };
    const Case cases[] = {
        {kSoundModule, 3, 1, -1, 0, 0, 0, ResultCode::HpfContradiction,
         "HPF Setting Illigal Value ( HPF=3 UHF=-1 UHC Set=0 )\n"},
        {kSoundModule, 3, 1, -2, 0, 0, 0, ResultCode::HpfContradiction,
         "HPF Setting Illigal Value ( HPF=3 UHF=-2 UHC Set=0 )\n"},
        {kSoundModule, 3, 1, -2, 0, 1, 0, ResultCode::Success, ""},
        {kSoundModule, 3, 1, 5, 0, 0, 0, ResultCode::Success, ""},
        {kVibrationModule, 1, 12, 0, -1, 0, 1, ResultCode::LpfContradiction,
         "LPF Setting Illigal Value ( LPF=12 ULF=-1 ULC Set=1 )\n"},
        {kVibrationModule, 3, 1, -1, 0, 0, 0, ResultCode::Success, ""}, // 3 is not "other" here
        {kNoModule, 0, 0, 0, 0, 0, 0, ResultCode::Success, ""},
    };
    for (const Case& c : cases) {
        ChannelSettings channel;
        channel.moduleKind = c.kind;
        channel.deviceSetup.hpfMode = c.hpfMode;
        channel.deviceSetup.lpfMode = c.lpfMode;
        channel.deviceSetup.hpfIndex = c.hpfIndex;
        channel.deviceSetup.lpfIndex = c.lpfIndex;
        channel.deviceUserHpf.enabled = c.hpfEnabled;
        channel.deviceUserLpf.enabled = c.lpfEnabled;
        const UserFilterCheck check = CheckUserFilter(channel);
        EXPECT_EQ(check.result, c.expected) << c.log;
        EXPECT_EQ(check.logLine, c.log);
    }
    DeviceState device = Layout("SSS0000000000000");
    device.channels[2].deviceSetup.lpfMode = kSoundOtherFilterMode;
    device.channels[2].deviceSetup.lpfIndex = -1;
    const UserFilterCheckResult result = CheckUserFilters(device);
    EXPECT_EQ(result.channel, 3);
    EXPECT_EQ(result.check.result, ResultCode::LpfContradiction);
}

} // namespace
} // namespace va48
