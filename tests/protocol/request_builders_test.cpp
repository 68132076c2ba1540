#include "protocol/request_builders.h"

#include "protocol/frame.h"
#include "protocol/value_tables.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace va48 {
namespace {

template <typename Build>
std::string Text(Build build) {
    std::array<char, kRequestTextSize> buffer{};
    const int length = build(std::span<char>(buffer));
    EXPECT_GE(length, 0);
    const std::string text(buffer.data());
    EXPECT_EQ(static_cast<int>(text.size()), length);
    return text;
}

TEST(RequestBuilders, WriteEachRequestTextWithItsFieldsInOrder) {
    DeviceLan lan;
    lan.address = {192, 168, 1, 10};
    lan.mask = {255, 255, 255, 0};
    lan.gateway = {192, 168, 1, 1};
    ChannelSettings vibration;
    vibration.moduleKind = kVibrationModule;
    vibration.editSetup = {.firstFlag = 1,
                           .ccld = 1,
                           .timeWeightDetection = 1,
                           .freqWeightUnit = 2,
                           .hpfMode = 12,
                           .lpfMode = 12,
                           .sensitivity = 512,
                           .sensitivityExp = 1,
                           .rangeIndex = 4,
                           .hpfIndex = 10,
                           .lpfIndex = -2,
                           .tedsState = 3};
    ChannelSettings sound;
    sound.moduleKind = kSoundModule;
    sound.editSetup = {.rear = 1,
                       .ccld = 1,
                       .teds = 1,
                       .timeWeightDetection = 2,
                       .freqWeightUnit = 1,
                       .hpfMode = 1,
                       .lpfMode = 3,
                       .sensitivity = 999,
                       .hpfIndex = -1,
                       .lpfIndex = 26};
    UserFilter hpf;
    hpf.enabled = 1;
    hpf.cutoff = 300;
    hpf.coef = {1, 2, 3, 4, 5};
    UserFilter off = hpf;
    off.enabled = 0; // sends no coefficients
    UserFilter widest;
    widest.enabled = 1;
    widest.cutoff = 50000;
    widest.coef.fill(281474976710655);
    const std::pair<std::string, std::string> cases[] = {
        {Text([](auto out) { return BuildQuery(CommandCode::DID, 0, out); }), "DID?"},
        {Text([](auto out) { return BuildQuery(CommandCode::SET, 5, out); }), "SET? 5"},
        {Text([](auto out) { return BuildQuery(CommandCode::UHC, 16, out); }), "UHC? 16"},
        {Text([](auto out) { return BuildQuery(CommandCode::SET, 0, out); }), "SET?"},
        {Text([](auto out) { return BuildTedsExecute(5, out); }), "TEC 5"},
        {Text([](auto out) { return BuildCalibration(0, 1, out); }), "CAL 0 1"},
        {Text([&](auto out) { return BuildLanSetting(lan, out); }),
         "IPA 192 168 1 10 255 255 255 0 192 168 1 1"},
        {Text([&](auto out) { return BuildSetup(3, vibration, out); }),
         "SET 3 0 0 0 1 0 2 1 12 12 512 1 4 10 -2"},
        {Text([&](auto out) { return BuildSetup(16, sound, out); }),
         "SET 16 0 1 0 1 1 2 1 1 3 999 0 0 -1 26"},
        {Text([&](auto out) { return BuildUserFilter(0, 2, hpf, out); }), "UHC 2 1 300 1 2 3 4 5"},
        {Text([&](auto out) { return BuildUserFilter(1, 2, off, out); }), "ULC 2 0 0 0 0 0 0 0"},
        {Text([&](auto out) { return BuildUserFilter(1, 16, widest, out); }),
         "ULC 16 1 50000 281474976710655 281474976710655 281474976710655 281474976710655 "
         "281474976710655"},
        {Text([](auto out) { return BuildUpdate(1, "", 0, out); }), "UPD 1"},
        {Text([](auto out) { return BuildUpdate(4, "S00600004844521B", 0, out); }), "UPD 4"},
        {Text([](auto out) { return BuildUpdate(4, "S00600004844521B", 8, out); }),
         "UPD 4 S0060000"},
        {Text([](auto out) { return BuildUpdate(4, "S1", 40, out); }), "UPD 4 S1"},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(text, expected);
    }
}

TEST(RequestBuilders, EmptyBufferIsUntouchedAndShortBufferIsRefused) {
    std::array<char, 4> tiny;
    tiny.fill('#');
    EXPECT_EQ(BuildQuery(CommandCode::DID, 0, std::span<char>(tiny.data(), 0)), -1);
    EXPECT_EQ(tiny[0], '#');

    EXPECT_EQ(BuildQuery(CommandCode::DID, 0, tiny), -1); // "DID?" needs 5 with its NUL
    EXPECT_EQ(std::string(tiny.data(), 4), std::string(4, '\0'));

    std::array<char, 5> fits;
    fits.fill('#');
    EXPECT_EQ(BuildQuery(CommandCode::DID, 0, fits), 4);
    EXPECT_STREQ(fits.data(), "DID?");
    std::array<char, kRequestTextSize> room{};
    EXPECT_EQ(BuildSetup(1, ChannelSettings{}, room), -1); // no module, no setup
}

} // namespace
} // namespace va48
