#include "protocol/reply_parsers.h"

#include "protocol/value_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace va48 {
namespace {

// A data reply for `command` on `channel`, with the fields joined by commas.
ReplyRecord Reply(CommandCode command, std::uint8_t channel, const std::vector<std::string>& f) {
    std::string text;
    for (const std::string& field : f) {
        text += (text.empty() ? "" : ",") + field;
    }
    std::vector<std::uint8_t> frame = {kStx, 0x01, 0x41};
    frame.insert(frame.end(), text.begin(), text.end());
    for (const std::uint8_t tail : {kEtx, std::uint8_t{0}, kCr, kLf}) {
        frame.push_back(tail);
    }
    ReplyRecord record;
    record.command = command;
    record.expectsData = 1;
    record.channel = channel;
    EXPECT_EQ(SplitReply(frame, record), 0);
    return record;
}

std::vector<std::string> Did(const std::vector<int>& kinds) {
    std::vector<std::string> fields = {"0"};
    for (int kind : kinds) {
        fields.push_back(std::to_string(kind));
    }
    fields.resize(17, "0");
    return fields;
}

// The DOD fields of one channel.
std::vector<std::string> DodChannel(int value, int red, int cyan, int exp, int range, int unit) {
    std::vector<std::string> fields;
    for (const int field : {value, 1, 2, 3, 4, red, cyan, exp, range, unit, 9}) {
        fields.push_back(std::to_string(field));
    }
    return fields;
}

class ParsersTest : public ::testing::Test {
  protected:
    // Channel 1 sound, channel 2 vibration, the rest empty.
    void SetUp() override {
        ASSERT_EQ(ParseDid(Reply(CommandCode::DID, 0, Did({14, 15})), state), ResultCode::Success);
    }

    ResultCode Judge(const ReplyRecord& record) { return JudgeReply(record, state); }

    std::vector<std::string> AllDod() {
        std::vector<std::string> fields;
        for (int n = 1; n <= kChannelCount; ++n) {
            const auto channel = n == 1   ? DodChannel(1234, 1, 0, 0, 5, 0)
                                 : n == 2 ? DodChannel(567, 0, 1, 2, 6, 3)
                                          : DodChannel(0, 0, 0, 0, 0, 0);
            fields.insert(fields.end(), channel.begin(), channel.end());
        }
        return fields;
    }

    DeviceState state;
};

TEST_F(ParsersTest, EachParserRefusesTheWrongFieldCount) {
    const std::vector<std::string> one = {"1"};
    const std::vector<std::string> two = {"1", "2"};
    EXPECT_EQ(Judge(Reply(CommandCode::DID, 0, two)), ResultCode::IllegalDataDid);
    EXPECT_EQ(Judge(Reply(CommandCode::TDS, 1, two)), ResultCode::IllegalDataTds);
    EXPECT_EQ(Judge(Reply(CommandCode::DOD, 0, std::vector<std::string>(175, "0"))),
              ResultCode::IllegalDataDod);
    EXPECT_EQ(Judge(Reply(CommandCode::IPA, 0, one)), ResultCode::IllegalDataIpa);
    EXPECT_EQ(Judge(Reply(CommandCode::UHC, 1, one)), ResultCode::IllegalDataUhc);
    EXPECT_EQ(Judge(Reply(CommandCode::ULC, 1, one)), ResultCode::IllegalDataUlc);
    EXPECT_EQ(Judge(Reply(CommandCode::SET, 1, one)), ResultCode::IllegalDataSet);
    EXPECT_EQ(Judge(Reply(CommandCode::VER, 0, two)), ResultCode::IllegalDataVer);
    EXPECT_EQ(Judge(Reply(CommandCode::VER, 0, {})), ResultCode::IllegalDataVer);
}

TEST_F(ParsersTest, WritesAndCommandsWithoutDataAcceptAnyPositiveReply) {
    ReplyRecord record = Reply(CommandCode::SET, 1, {"junk"});
    record.expectsData = 0;
    EXPECT_EQ(Judge(record), ResultCode::Success);
    for (CommandCode command : {CommandCode::CAL, CommandCode::TEC, CommandCode::RES,
                                CommandCode::SES, CommandCode::UPD, CommandCode::TST}) {
        EXPECT_EQ(Judge(Reply(command, 0, {"x", "y"})), ResultCode::Success);
    }
}

TEST_F(ParsersTest, StatusRepliesNeverSucceed) {
    ReplyRecord record = Reply(CommandCode::DID, 0, {"0002"});
    record.replyKind = kNak;
    EXPECT_EQ(Judge(record), ResultCode::StatusParameter);
    record.command = static_cast<CommandCode>(99);
    EXPECT_EQ(Judge(record), ResultCode::StatusParameter);
    record.replyKind = 0x41;
    EXPECT_EQ(Judge(record), ResultCode::CommunicationError);
}

TEST_F(ParsersTest, DidSetsModuleKindsAndClearsEveryChannel) {
    state.channels[0].editSetup.sensitivity = 321;
    state.channels[0].editUserHpf.enabled = 1;
    state.channels[0].reading.value = 99;
    ASSERT_EQ(Judge(Reply(CommandCode::DID, 0, Did({14, 15}))), ResultCode::Success);
    ChannelSettings fresh;
    fresh.moduleKind = kSoundModule;
    fresh.lamp = kLampNormal;
    EXPECT_EQ(state.channels[0], fresh);
    EXPECT_EQ(state.channels[1].moduleKind, kVibrationModule);
    EXPECT_EQ(state.channels[2], ChannelSettings{});

    ASSERT_EQ(Judge(Reply(CommandCode::DID, 0, Did({}))), ResultCode::Success);
    for (const ChannelSettings& channel : state.channels) {
        EXPECT_EQ(channel, ChannelSettings{});
    }
}

TEST_F(ParsersTest, DidRefusesANonZeroStatusOrABadKind) {
    auto fields = Did({15, 15});
    fields[0] = "0001";
    EXPECT_EQ(Judge(Reply(CommandCode::DID, 0, fields)), ResultCode::DeviceError);
    EXPECT_EQ(state.channels[1].moduleKind, kVibrationModule);
    EXPECT_EQ(state.channels[0].moduleKind, kSoundModule);

    // A bad kind stops the parse; the channels before it keep their new kinds.
    EXPECT_EQ(Judge(Reply(CommandCode::DID, 0, Did({15, 14, 16, 14}))),
              ResultCode::IllegalValueDid);
    EXPECT_EQ(state.channels[0].moduleKind, kVibrationModule);
    EXPECT_EQ(state.channels[1].moduleKind, kSoundModule);
    EXPECT_EQ(state.channels[2].moduleKind, kNoModule);
    EXPECT_EQ(state.channels[3].moduleKind, kNoModule);
}

TEST_F(ParsersTest, TdsStoresTheStateInBothSetupsOfItsChannel) {
    EXPECT_EQ(Judge(Reply(CommandCode::TDS, 2, {"3"})), ResultCode::Success);
    EXPECT_EQ(state.channels[1].deviceSetup.tedsState, 3);
    EXPECT_EQ(state.channels[1].editSetup.tedsState, 3);
    EXPECT_EQ(Judge(Reply(CommandCode::TDS, 2, {"4"})), ResultCode::IllegalValueTds);
    EXPECT_EQ(Judge(Reply(CommandCode::TDS, 2, {"-1"})), ResultCode::IllegalValueTds);
    EXPECT_EQ(state.channels[1].deviceSetup.tedsState, 3);
    // A channel number outside 1..16 stores nowhere.
    EXPECT_EQ(Judge(Reply(CommandCode::TDS, 17, {"1"})), ResultCode::IllegalValueTds);
    EXPECT_EQ(Judge(Reply(CommandCode::TDS, 0, {"1"})), ResultCode::IllegalValueTds);
}

TEST_F(ParsersTest, SetStoresBothCopiesWithWeightingsByModuleKind) {
    state.channels[1].edited = 1;
    state.channels[1].editSetup.tedsState = 2;
    const std::vector<std::string> fields = {"1",  "0", "0",   "1", "1", "2",  "1",
                                             "12", "3", "512", "1", "4", "10", "-2"};
    ASSERT_EQ(Judge(Reply(CommandCode::SET, 2, fields)), ResultCode::Success);
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

    const std::vector<std::string> soundFields = {"0", "0", "0",   "0", "0", "2",  "1",
                                                  "1", "2", "250", "0", "5", "-1", "26"};
    ASSERT_EQ(Judge(Reply(CommandCode::SET, 1, soundFields)), ResultCode::Success);
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
            EXPECT_EQ(Judge(Reply(CommandCode::SET, channel, fields)), expected)
                << "field " << c.field << " = " << c.value << " on channel " << int(channel);
            if (expected != ResultCode::Success) {
                EXPECT_EQ(state.channels, before.channels);
            }
        }
    }
    // Sensitivity is stored unchecked, as its low 16 bits.
    auto fields = good;
    fields[9] = "70000";
    ASSERT_EQ(Judge(Reply(CommandCode::SET, 1, fields)), ResultCode::Success);
    EXPECT_EQ(state.channels[0].deviceSetup.sensitivity, 70000 & 0xFFFF);
    // A channel without a module has nothing to check the fields against.
    EXPECT_EQ(Judge(Reply(CommandCode::SET, 3, good)), ResultCode::IllegalValueSet);
}

TEST_F(ParsersTest, DodStoresReadingsChannelByChannel) {
    ASSERT_EQ(Judge(Reply(CommandCode::DOD, 0, AllDod())), ResultCode::Success);
    EXPECT_EQ(state.channels[0].reading, (ChannelReading{1234, 1, 2, 3, 4, 1, 0, 0, 5, 0, 9}));
    EXPECT_EQ(state.channels[1].reading.readingUnit, 3);
    EXPECT_EQ(state.channels[1].reading.lampCyan, 1);

    // A bad field in channel 5 keeps the new readings of channels 1..4 and the old ones after.
    auto fields = AllDod();
    for (int n = 0; n < 4; ++n) {
        fields[11 * n] = "777";
    }
    fields[11 * 5] = "888";
    fields[11 * 4 + 5] = "2"; // red lamp of channel 5
    EXPECT_EQ(Judge(Reply(CommandCode::DOD, 0, fields)), ResultCode::IllegalValueDod);
    EXPECT_EQ(state.channels[3].reading.value, 777u);
    EXPECT_EQ(state.channels[4].reading.value, 0u);
    EXPECT_EQ(state.channels[5].reading.value, 0u);
}

TEST_F(ParsersTest, DodChecksRangeAndUnitByModuleKind) {
    struct Case {
        std::size_t field; // index within the channel's 11
        std::string value;
        std::uint8_t channel;
        ResultCode expected;
    };
    const Case cases[] = {
        {8, "6", 1, ResultCode::IllegalValueDod}, {8, "6", 2, ResultCode::Success},
        {8, "200", 3, ResultCode::Success},       {9, "1", 1, ResultCode::IllegalValueDod},
        {9, "0", 2, ResultCode::IllegalValueDod}, {9, "9", 3, ResultCode::Success},
        {7, "3", 3, ResultCode::IllegalValueDod}, {6, "2", 3, ResultCode::IllegalValueDod},
    };
    for (const Case& c : cases) {
        auto fields = AllDod();
        fields[11 * (c.channel - 1) + c.field] = c.value;
        EXPECT_EQ(Judge(Reply(CommandCode::DOD, 0, fields)), c.expected)
            << "field +" << c.field << " = " << c.value << " on channel " << int(c.channel);
    }
}

TEST_F(ParsersTest, IpaAcceptsBytesOnlyAndStoresAllOrNothing) {
    std::vector<std::string> fields = {"192", "168", "1",   "10",  "255", "255",
                                       "255", "0",   "192", "168", "1",   "1"};
    ASSERT_EQ(Judge(Reply(CommandCode::IPA, 0, fields)), ResultCode::Success);
    EXPECT_EQ(state.deviceLan.address, (std::array<std::uint8_t, 4>{192, 168, 1, 10}));
    EXPECT_EQ(state.deviceLan.mask, (std::array<std::uint8_t, 4>{255, 255, 255, 0}));
    EXPECT_EQ(state.deviceLan.gateway, (std::array<std::uint8_t, 4>{192, 168, 1, 1}));
    EXPECT_EQ(state.deviceLan.known, 0u);

    fields[0] = "10";
    fields[11] = "256";
    EXPECT_EQ(Judge(Reply(CommandCode::IPA, 0, fields)), ResultCode::IllegalValueIpa);
    EXPECT_EQ(state.deviceLan.address[0], 192);
}

TEST_F(ParsersTest, VerStoresTheVersionOnlyWhenItFits) {
    ASSERT_EQ(Judge(Reply(CommandCode::VER, 0, {"1.02.03"})), ResultCode::Success);
    EXPECT_EQ(DeviceVersion(state), "1.02.03");
    ASSERT_EQ(Judge(Reply(CommandCode::VER, 0, {"2.0"})), ResultCode::Success);
    EXPECT_EQ(DeviceVersion(state), "2.0");
    EXPECT_EQ(Judge(Reply(CommandCode::VER, 0, {"1.02.003"})), ResultCode::IllegalDataVer);
    EXPECT_EQ(Judge(Reply(CommandCode::VER, 0, {"12345678901234567890"})),
              ResultCode::IllegalDataVer);
    EXPECT_EQ(DeviceVersion(state), "2.0");
}

TEST_F(ParsersTest, UserHighPassFilterChecksCutoffAndCoefficients) {
    const std::vector<std::string> good = {"1", "1250", "1", "2", "3", "4", "281474976710655"};
    ASSERT_EQ(Judge(Reply(CommandCode::UHC, 1, good)), ResultCode::Success);
    const UserFilter& hpf = state.channels[0].editUserHpf;
    EXPECT_EQ(hpf, state.channels[0].deviceUserHpf);
    EXPECT_EQ(hpf.cutoff, 1250u);
    EXPECT_EQ(hpf.coef[4], 281474976710655);
    EXPECT_EQ(TextOf(hpf.cutoffLabel), "12.5Hz");

    const std::pair<std::size_t, std::string> bad[] = {
        {1, "299"}, {1, "20001"}, {0, "2"}, {2, "281474976710656"}, {6, "-1"},
    };
    for (const auto& [field, value] : bad) {
        auto fields = good;
        fields[field] = value;
        EXPECT_EQ(Judge(Reply(CommandCode::UHC, 1, fields)), ResultCode::IllegalValueUhc)
            << field << " = " << value;
    }
    auto zero = good;
    zero[1] = "0";
    EXPECT_EQ(Judge(Reply(CommandCode::UHC, 1, zero)), ResultCode::Success);
}

TEST_F(ParsersTest, UserLowPassCutoffLimitDependsOnModuleKind) {
    const std::vector<std::string> fields = {"1", "50000", "0", "0", "0", "0", "0"};
    ASSERT_EQ(Judge(Reply(CommandCode::ULC, 1, fields)), ResultCode::Success);
    EXPECT_EQ(TextOf(state.channels[0].editUserLpf.cutoffLabel), "50.0kHz");
    EXPECT_EQ(state.channels[0].editUserLpf.cutoffUnit, 1u);
    EXPECT_EQ(Judge(Reply(CommandCode::ULC, 2, fields)), ResultCode::IllegalValueUlc);
    EXPECT_EQ(state.channels[1].editUserLpf, UserFilter{});

    auto coefficient = fields;
    coefficient[3] = "281474976710656";
    EXPECT_EQ(Judge(Reply(CommandCode::ULC, 1, coefficient)), ResultCode::IllegalValueUlc);
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
