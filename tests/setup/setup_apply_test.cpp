#include "setup/setup_apply.h"

#include "protocol/request_builders.h"
#include "tests/support/sample_device.h"

#include <gtest/gtest.h>

namespace va48 {
namespace {

AmplifierSetup SampleSetup() {
    return SetupFromDevice(SampleDevice(), "2026-12-06T17:30:01Z");
}

std::vector<std::string> Texts(const std::vector<SetupRequest>& requests) {
    std::vector<std::string> texts;
    for (const SetupRequest& request : requests) {
        texts.push_back(request.text);
    }
    return texts;
}

TEST(SetupApplyTest, SendsSetPerPresentChannelAndOnlyTheUserFiltersThatDiffer) {
    const DeviceState device = SampleDevice();
    // The same setup: one SET per present channel, with the device's first flag sent as 0.
    EXPECT_EQ(Texts(ApplyRequests(SampleSetup(), device)),
              (std::vector<std::string>{"SET 1 0 0 0 0 0 1 1 1 1 250 0 2 -1 -1",
                                        "SET 2 0 0 0 0 0 1 1 1 1 250 0 2 -1 -1",
                                        "SET 9 0 0 0 1 0 2 1 1 12 512 1 4 -1 -2"}));

    AmplifierSetup changed = SampleSetup();
    changed.channels[1].userHpf.enabled = 1;
    changed.channels[1].userHpf.cutoff = 300;
    changed.channels[1].userHpf.coef = {5, 4, 3, 2, 1};
    changed.channels[8].userLpf.coef[0] = 9;
    changed.channels[8].setup.rangeIndex = 5;
    const std::vector<SetupRequest> requests = ApplyRequests(changed, device);
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0], (SetupRequest{CommandCode::UHC, 2, "UHC 2 1 300 5 4 3 2 1"}));
    EXPECT_EQ(requests[1],
              (SetupRequest{CommandCode::ULC, 9, "ULC 9 1 1575 9 2 3 4 281474976710655"}));
    EXPECT_EQ(requests[4].text, "SET 9 0 0 0 1 0 2 1 1 12 512 1 5 -1 -2");

    // Filters that are off are the same whatever they hold: nothing to send.
    DeviceState off = device;
    off.channels[0].deviceUserHpf.cutoff = 700;
    EXPECT_EQ(ApplyRequests(SampleSetup(), off).size(), 3u);
}

TEST(SetupApplyTest, LoadingMarksWhatTheViewerSends) {
    DeviceState device = SampleDevice();
    AmplifierSetup setup = SampleSetup();
    setup.channels[0].setup.sensitivity = 300;
    setup.channels[8].userLpf.enabled = 0;
    setup.channels[8].setup.lpfMode = 1;
    LoadIntoEditCopies(setup, device);
    EXPECT_EQ(device.channels[0].editSetup.sensitivity, 300);
    EXPECT_EQ(device.channels[0].edited, 1u);
    EXPECT_EQ(device.channels[1].edited, 0u);
    EXPECT_EQ(device.channels[8].editUserLpf.sendPending, 1u);
    EXPECT_EQ(device.channels[8].editUserHpf.sendPending, 0u);
    EXPECT_EQ(device.channels[0].deviceSetup.sensitivity, 250) << "the device copy stays";
}

TEST(SetupApplyTest, ComparisonListsEachDifferingFieldByChannel) {
    const AmplifierSetup wanted = SampleSetup();
    EXPECT_TRUE(CompareSetups(wanted, wanted).empty());

    AmplifierSetup readBack = wanted;
    readBack.channels[1].setup.freqWeightUnit = 2;
    readBack.channels[8].userLpf.cutoff = 1600;
    const std::vector<SetupDifference> differences = CompareSetups(wanted, readBack);
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_EQ(DescribeDifference(differences[0]),
              "channel 2, \"frequencyWeighting\": expected \"A\", found \"C\"");
    EXPECT_EQ(differences[1], (SetupDifference{9, "userLowPass.frequency", "1.575", "1.6"}));

    // On the TEDS connector the sensor decides the sensitivity; the range position still counts.
    AmplifierSetup teds = wanted;
    teds.channels[0].setup.rear = teds.channels[0].setup.ccld = teds.channels[0].setup.teds = 1;
    AmplifierSetup sensed = teds;
    sensed.channels[0].setup.sensitivity = 468;
    EXPECT_TRUE(CompareSetups(teds, sensed).empty());
    sensed.channels[0].setup.rangeIndex = 3;
    ASSERT_EQ(CompareSetups(teds, sensed).size(), 1u);
    EXPECT_EQ(CompareSetups(teds, sensed)[0].field, "range");
}

} // namespace
} // namespace va48
