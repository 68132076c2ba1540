#include "protocol/reply_parsers.h"

#include "protocol/value_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace va48 {
namespace {

// A data reply for `command` on `channel` with `text` as its fields, e.g. "1,2,3".
ReplyRecord Reply(CommandCode command, std::uint8_t channel, std::string_view text) {
    std::vector<std::uint8_t> frame = {kStx, 0x01, 0x41};
    frame.insert(frame.end(), text.begin(), text.end());
    frame.insert(frame.end(), {kEtx, 0, kCr, kLf});
    ReplyRecord record;
    record.command = command;
    record.expectsData = 1;
    record.channel = channel;
    EXPECT_EQ(SplitReply(frame, record), 0);
    return record;
}

std::string Join(const std::vector<std::string>& fields) {
    std::string text;
    for (const std::string& field : fields) {
        text += (text.empty() ? "" : ",") + field;
    }
    return text;
}

// A DID reply: the status, then the module kinds from channel 1 on, the rest empty.
std::string Did(const std::vector<int>& kinds, std::string status = "0") {
    std::vector<std::string> fields = {std::move(status)};
    for (int kind : kinds) {
        fields.push_back(std::to_string(kind));
    }
    fields.resize(17, "0");
    return Join(fields);
}

// The DOD fields of all channels: channel 1 sound, 2 vibration, the rest empty.
std::vector<std::string> AllDod() {
    std::vector<std::string> fields;
    for (int n = 1; n <= kChannelCount; ++n) {
        const std::array<int, 6> own = n == 1   ? std::array{1234, 1, 0, 0, 5, 0}
                                       : n == 2 ? std::array{567, 0, 1, 2, 6, 3}
                                                : std::array{0, 0, 0, 0, 0, 0};
        for (const int field : {own[0], 1, 2, 3, 4, own[1], own[2], own[3], own[4], own[5], 9}) {
            fields.push_back(std::to_string(field));
        }
    }
    return fields;
}

// AllDod with field `field` (0..10) of channel `channel` set to `value`.
std::string DodWith(int channel, std::size_t field, std::string value) {
    auto fields = AllDod();
    fields[11 * static_cast<std::size_t>(channel - 1) + field] = std::move(value);
    return Join(fields);
}

class ParsersTest : public ::testing::Test {
  protected:
    // Channel 1 sound, channel 2 vibration, the rest empty.
    void SetUp() override {
        ASSERT_EQ(ParseDid(Reply(CommandCode::DID, 0, Did({14, 15})), state), ResultCode::Success);
    }

    ResultCode Judge(const ReplyRecord& record) { return JudgeReply(record, state); }
    ResultCode Judge(CommandCode command, std::uint8_t channel, std::string_view text) {
        return Judge(Reply(command, channel, text));
    }

    DeviceState state;
};

TEST_F(ParsersTest, WritesAndCommandsWithoutDataAcceptAnyPositiveReply) {
    ReplyRecord record = Reply(CommandCode::SET, 1, "junk");
    record.expectsData = 0;
    EXPECT_EQ(Judge(record), ResultCode::Success);
    for (CommandCode command : {CommandCode::CAL, CommandCode::TEC, CommandCode::RES,
                                CommandCode::SES, CommandCode::UPD, CommandCode::TST}) {
        EXPECT_EQ(Judge(command, 0, "x,y"), ResultCode::Success);
    }
}

TEST_F(ParsersTest, StatusRepliesNeverSucceed) {
    ReplyRecord record = Reply(CommandCode::DID, 0, "0002");
    record.replyKind = kNak;
    EXPECT_EQ(Judge(record), ResultCode::StatusParameter);
    record.command = static_cast<CommandCode>(99);
    EXPECT_EQ(Judge(record), ResultCode::StatusParameter);
    record.replyKind = 0x41;
    EXPECT_EQ(Judge(record), ResultCode::CommunicationError);
}

TEST_F(ParsersTest, RefusesEachBadReplyWithItsCodeAndStoresNothing) {
    const std::string uhc = "1,1250,1,2,3,4,281474976710655";
    const struct {
        CommandCode command;
        std::uint8_t channel;
        std::string text;
        ResultCode expected;
    } rows[] = {
        {CommandCode::DID, 0, "1,2", ResultCode::IllegalDataDid},
        {CommandCode::DID, 0, Did({15, 15}, "0001"), ResultCode::DeviceError},
        {CommandCode::TDS, 1, "1,2", ResultCode::IllegalDataTds},
        {CommandCode::TDS, 2, "4", ResultCode::IllegalValueTds},
        {CommandCode::TDS, 2, "-1", ResultCode::IllegalValueTds},
        {CommandCode::TDS, 17, "1", ResultCode::IllegalValueTds}, // channels are 1..16
        {CommandCode::TDS, 0, "1", ResultCode::IllegalValueTds},
        {CommandCode::DOD, 0, Join(std::vector<std::string>(175, "0")), ResultCode::IllegalDataDod},
        {CommandCode::DOD, 0, DodWith(1, 8, "6"), ResultCode::IllegalValueDod}, // sound range
        {CommandCode::DOD, 0, DodWith(1, 9, "1"), ResultCode::IllegalValueDod}, // sound unit
        {CommandCode::DOD, 0, DodWith(2, 9, "0"), ResultCode::IllegalValueDod}, // vibration unit
        {CommandCode::DOD, 0, DodWith(3, 7, "3"), ResultCode::IllegalValueDod}, // exponent
        {CommandCode::DOD, 0, DodWith(3, 6, "2"), ResultCode::IllegalValueDod}, // cyan lamp
        {CommandCode::IPA, 0, "1", ResultCode::IllegalDataIpa},
        {CommandCode::IPA, 0, "10,168,1,10,255,255,255,0,192,168,1,256",
         ResultCode::IllegalValueIpa},
        {CommandCode::SET, 1, "1", ResultCode::IllegalDataSet},
        {CommandCode::VER, 0, "1,2", ResultCode::IllegalDataVer},
        {CommandCode::VER, 0, "", ResultCode::IllegalDataVer},
        {CommandCode::VER, 0, "1.02.003", ResultCode::IllegalDataVer}, // over 7 characters
        {CommandCode::VER, 0, "12345678901234567890", ResultCode::IllegalDataVer},
        {CommandCode::UHC, 1, "1", ResultCode::IllegalDataUhc},
        {CommandCode::UHC, 1, "1,299,1,2,3,4,5", ResultCode::IllegalValueUhc},
        {CommandCode::UHC, 1, "1,20001,1,2,3,4,5", ResultCode::IllegalValueUhc},
        {CommandCode::UHC, 1, "2,1250,1,2,3,4,5", ResultCode::IllegalValueUhc},
        {CommandCode::UHC, 1, "1,1250,281474976710656,2,3,4,5", ResultCode::IllegalValueUhc},
        {CommandCode::UHC, 1, "1,1250,1,2,3,4,-1", ResultCode::IllegalValueUhc},
        {CommandCode::ULC, 1, "1", ResultCode::IllegalDataUlc},
        {CommandCode::ULC, 2, "1,50000,0,0,0,0,0", ResultCode::IllegalValueUlc}, // vibration
        {CommandCode::ULC, 1, "1,50000,0,281474976710656,0,0,0", ResultCode::IllegalValueUlc},
    };
    // What a refused reply must leave as it was; the DOD rows differ from it in one field only.
    ASSERT_EQ(Judge(CommandCode::DOD, 0, Join(AllDod())), ResultCode::Success);
    ASSERT_EQ(Judge(CommandCode::VER, 0, "2.0"), ResultCode::Success);
    ASSERT_EQ(Judge(CommandCode::UHC, 1, uhc), ResultCode::Success);
    ASSERT_EQ(Judge(CommandCode::IPA, 0, "192,168,1,10,255,255,255,0,192,168,1,1"),
              ResultCode::Success);
    const DeviceState before = state;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text.substr(0, 60));
        EXPECT_EQ(Judge(row.command, row.channel, row.text), row.expected);
        EXPECT_EQ(state.channels, before.channels);
        EXPECT_EQ(DeviceVersion(state), "2.0");
        EXPECT_EQ(state.deviceLan.address, before.deviceLan.address);
        EXPECT_EQ(state.deviceLan.gateway, before.deviceLan.gateway);
    }
}

TEST_F(ParsersTest, DidSetsModuleKindsAndClearsEveryChannel) {
    state.channels[0].editSetup.sensitivity = 321;
    state.channels[0].editUserHpf.enabled = 1;
    state.channels[0].reading.value = 99;
    ASSERT_EQ(Judge(CommandCode::DID, 0, Did({14, 15})), ResultCode::Success);
    ChannelSettings fresh;
    fresh.moduleKind = kSoundModule;
    fresh.lamp = kLampNormal;
    EXPECT_EQ(state.channels[0], fresh);
    EXPECT_EQ(state.channels[1].moduleKind, kVibrationModule);
    EXPECT_EQ(state.channels[2], ChannelSettings{});

    ASSERT_EQ(Judge(CommandCode::DID, 0, Did({})), ResultCode::Success);
    for (const ChannelSettings& channel : state.channels) {
        EXPECT_EQ(channel, ChannelSettings{});
    }
}

TEST_F(ParsersTest, ABadValueStopsTheParseAndTheChannelsBeforeItKeepTheirNewValues) {
    EXPECT_EQ(Judge(CommandCode::DID, 0, Did({15, 14, 16, 14})), ResultCode::IllegalValueDid);
    EXPECT_EQ(state.channels[0].moduleKind, kVibrationModule);
    EXPECT_EQ(state.channels[1].moduleKind, kSoundModule);
    EXPECT_EQ(state.channels[2].moduleKind, kNoModule);
    EXPECT_EQ(state.channels[3].moduleKind, kNoModule);

    ASSERT_EQ(Judge(CommandCode::DID, 0, Did({14, 15})), ResultCode::Success);
    auto fields = AllDod();
    for (int n = 0; n < 4; ++n) {
        fields[11 * n] = "777";
    }
    fields[11 * 5] = "888";
    fields[11 * 4 + 5] = "2"; // red lamp of channel 5
    EXPECT_EQ(Judge(CommandCode::DOD, 0, Join(fields)), ResultCode::IllegalValueDod);
    EXPECT_EQ(state.channels[3].reading.value, 777u);
    EXPECT_EQ(state.channels[4].reading.value, 0u);
    EXPECT_EQ(state.channels[5].reading.value, 0u);
}

TEST_F(ParsersTest, StoresWhatEachQueryReads) {
    EXPECT_EQ(Judge(CommandCode::TDS, 2, "3"), ResultCode::Success);
    EXPECT_EQ(state.channels[1].deviceSetup.tedsState, 3);
    EXPECT_EQ(state.channels[1].editSetup.tedsState, 3);

    ASSERT_EQ(Judge(CommandCode::DOD, 0, Join(AllDod())), ResultCode::Success);
    EXPECT_EQ(state.channels[0].reading, (ChannelReading{1234, 1, 2, 3, 4, 1, 0, 0, 5, 0, 9}));
    EXPECT_EQ(state.channels[1].reading.readingUnit, 3);
    EXPECT_EQ(state.channels[1].reading.lampCyan, 1);
    EXPECT_EQ(Judge(CommandCode::DOD, 0, DodWith(2, 8, "6")), ResultCode::Success);
    EXPECT_EQ(Judge(CommandCode::DOD, 0, DodWith(3, 8, "200")), ResultCode::Success);
    EXPECT_EQ(Judge(CommandCode::DOD, 0, DodWith(3, 9, "9")), ResultCode::Success);

    ASSERT_EQ(Judge(CommandCode::IPA, 0, "192,168,1,10,255,255,255,0,192,168,1,1"),
              ResultCode::Success);
    EXPECT_EQ(state.deviceLan.address, (std::array<std::uint8_t, 4>{192, 168, 1, 10}));
    EXPECT_EQ(state.deviceLan.mask, (std::array<std::uint8_t, 4>{255, 255, 255, 0}));
    EXPECT_EQ(state.deviceLan.gateway, (std::array<std::uint8_t, 4>{192, 168, 1, 1}));
    EXPECT_EQ(state.deviceLan.known, 0u);

    ASSERT_EQ(Judge(CommandCode::VER, 0, "1.02.03"), ResultCode::Success);
    EXPECT_EQ(DeviceVersion(state), "1.02.03");
    ASSERT_EQ(Judge(CommandCode::VER, 0, "2.0"), ResultCode::Success);
    EXPECT_EQ(DeviceVersion(state), "2.0");
}

TEST_F(ParsersTest, SetStoresBothCopiesWithWeightingsByModuleKind) {
    state.channels[1].edited = 1;
    state.channels[1].editSetup.tedsState = 2;
    ASSERT_EQ(Judge(CommandCode::SET, 2, "1,0,0,1,1,2,1,12,3,512,1,4,10,-2"), ResultCode::Success);
    const ChannelSettings& vibration = state.channels[1];
    EXPECT_EQ(vibration.deviceSetup, vibration.editSetup);
    EXPECT_EQ(vibration.editSetup.freqWeightUnit, 2);      // mm/s
    EXPECT_EQ(vibration.editSetup.timeWeightDetection, 1); // RMS
    EXPECT_EQ(vibration.editSetup.sensitivity, 512);
    EXPECT_EQ(vibration.editSetup.hpfIndex, 10);
    EXPECT_EQ(vibration.editSetup.lpfIndex, -2);
    EXPECT_EQ(vibration.editSetup.tedsState, 0);
    EXPECT_EQ(vibration.tedsInput, 1u); // ccld + teds = 12
    EXPECT_EQ(vibration.edited, 0u);

    ASSERT_EQ(Judge(CommandCode::SET, 1, "0,0,0,0,0,2,1,1,2,250,0,5,-1,26"), ResultCode::Success);
    EXPECT_EQ(state.channels[0].editSetup.timeWeightDetection, 2); // S
    EXPECT_EQ(state.channels[0].editSetup.freqWeightUnit, 1);      // A
    EXPECT_EQ(state.channels[0].tedsInput, 0u);
}

TEST_F(ParsersTest, SetChecksEveryFieldAgainstTheModuleKindAndStoresNothingOnFailure) {
    const std::vector<std::string> good = {"0", "0", "0",   "1", "0", "1",  "1",
                                           "3", "3", "300", "0", "5", "21", "22"};
    struct Case {
        std::size_t field;
        std::string value;
        ResultCode sound;
        ResultCode vibration;
    };
    const Case cases[] = {
        {0, "2", ResultCode::IllegalValueSet, ResultCode::IllegalValueSet},
        {5, "0", ResultCode::IllegalValueSet, ResultCode::IllegalValueSet},
        {7, "12", ResultCode::IllegalValueSet, ResultCode::Success},
        {8, "13", ResultCode::IllegalValueSet, ResultCode::IllegalValueSet},
        {9, "70000", ResultCode::Success, ResultCode::Success},
        {10, "2", ResultCode::IllegalValueSet, ResultCode::Success},
        {11, "6", ResultCode::IllegalValueSet, ResultCode::Success},
        {11, "7", ResultCode::IllegalValueSet, ResultCode::IllegalValueSet},
        {12, "-2", ResultCode::Success, ResultCode::Success},
        {12, "-3", ResultCode::IllegalValueSet, ResultCode::IllegalValueSet},
        {12, "22", ResultCode::IllegalValueSet, ResultCode::IllegalValueSet},
        {13, "23", ResultCode::Success, ResultCode::IllegalValueSet},
        {13, "27", ResultCode::IllegalValueSet, ResultCode::IllegalValueSet},
        {9, "1234567890123456", ResultCode::IllegalValueSet, ResultCode::IllegalValueSet},
    };
    for (const Case& c : cases) {
        auto fields = good;
        fields[c.field] = c.value;
        for (std::uint8_t channel : {1, 2}) {
            DeviceState before = state;
            const ResultCode expected = channel == 1 ? c.sound : c.vibration;
            EXPECT_EQ(Judge(CommandCode::SET, channel, Join(fields)), expected)
                << "field " << c.field << " = " << c.value << " on channel " << int(channel);
            if (expected != ResultCode::Success) {
                EXPECT_EQ(state.channels, before.channels);
            }
        }
    }
    // Sensitivity is stored unchecked, as its low 16 bits.
    auto fields = good;
    fields[9] = "70000";
    ASSERT_EQ(Judge(CommandCode::SET, 1, Join(fields)), ResultCode::Success);
    EXPECT_EQ(state.channels[0].deviceSetup.sensitivity, 70000 & 0xFFFF);
    // A channel without a module has nothing to check the fields against.
    EXPECT_EQ(Judge(CommandCode::SET, 3, Join(good)), ResultCode::IllegalValueSet);
}

TEST_F(ParsersTest, UserFiltersStoreBothCopiesWithTheCutoffTexts) {
    ASSERT_EQ(Judge(CommandCode::UHC, 1, "1,1250,1,2,3,4,281474976710655"), ResultCode::Success);
    const UserFilter& hpf = state.channels[0].editUserHpf;
    EXPECT_EQ(hpf, state.channels[0].deviceUserHpf);
    EXPECT_EQ(hpf.cutoff, 1250u);
    EXPECT_EQ(hpf.coef[4], 281474976710655);
    EXPECT_EQ(TextOf(hpf.cutoffLabel), "12.5Hz");
    EXPECT_EQ(Judge(CommandCode::UHC, 1, "1,0,1,2,3,4,5"), ResultCode::Success);

    ASSERT_EQ(Judge(CommandCode::ULC, 1, "1,50000,0,0,0,0,0"), ResultCode::Success);
    EXPECT_EQ(TextOf(state.channels[0].editUserLpf.cutoffLabel), "50.0kHz");
    EXPECT_EQ(state.channels[0].editUserLpf.cutoffUnit, 1u);
}

TEST(LeadingInteger, ReadsTheLeadingDecimalNumber) {
    const std::pair<std::string_view, std::int64_t> cases[] = {
        {"42", 42},  {"  -7x", -7}, {"+5", 5},  {"abc", 0}, {"", 0},
        {"0001", 1}, {"12.5", 12},  {"- 3", 0}, {"\t9", 9}, {"99999999999999999999", INT64_MAX},
    };
    for (const auto& [text, value] : cases) {
        EXPECT_EQ(LeadingInteger(text), value) << text;
    }
}

} // namespace
} // namespace va48
