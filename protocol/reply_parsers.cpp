#include "protocol/reply_parsers.h"

#include "protocol/user_filter_text.h"
#include "protocol/value_tables.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace va48 {

namespace {

constexpr std::int64_t kMaxCoefficient = (std::int64_t{1} << 48) - 1;

constexpr bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads the fields of one reply for a parser whose failures are `valueCode`.
class FieldReader {
  public:
    explicit FieldReader(const ReplyRecord& record) : record_(record) {}

    bool CountIs(std::uint32_t expected) const {
        return !record_.fieldsDropped && record_.fieldCount == expected;
    }

    // Integer of field i; nullopt when the field was too long to be stored whole.
    std::optional<std::int64_t> Integer(std::size_t i) const {
        if (i >= record_.fieldCount || record_.cutFields.test(i)) {
            return std::nullopt;
        }
        return LeadingInteger(record_.Field(i));
    }

    // Integer of field i when it lies in lo..hi.
    std::optional<std::int64_t> InRange(std::size_t i, std::int64_t lo, std::int64_t hi) const {
        const auto value = Integer(i);
        if (!value || *value < lo || *value > hi) {
            return std::nullopt;
        }
        return value;
    }

  private:
    const ReplyRecord& record_;
};

bool IsSound(const ChannelSettings& channel) {
    return channel.moduleKind == kSoundModule;
}

// A user filter reply: enabled, cutoff, five coefficients. Returns the filter, or nullopt at the
// first bad value.
std::optional<UserFilter> ReadUserFilter(const FieldReader& fields, std::int64_t maxCutoff) {
    UserFilter filter;
    const auto enabled = fields.InRange(0, 0, 1);
    const auto cutoff = fields.InRange(1, 0, maxCutoff);
    if (!enabled || !cutoff || (*cutoff != 0 && *cutoff < 300)) {
        return std::nullopt;
    }
    filter.enabled = static_cast<std::uint8_t>(*enabled);
    filter.cutoff = static_cast<std::uint32_t>(*cutoff);
    for (std::size_t i = 0; i < filter.coef.size(); ++i) {
        const auto coef = fields.InRange(2 + i, 0, kMaxCoefficient);
        if (!coef) {
            return std::nullopt;
        }
        filter.coef[i] = *coef;
    }
    return filter;
}

// The eleven DOD fields of one channel, or nullopt at the first bad one.
std::optional<ChannelReading> ReadChannelReading(const FieldReader& fields, std::size_t first,
                                                 std::uint8_t moduleKind) {
    std::array<std::int64_t, 11> v{};
    for (std::size_t i = 0; i < v.size(); ++i) {
        const auto value = fields.Integer(first + i);
        if (!value) {
            return std::nullopt;
        }
        v[i] = *value;
    }
    const auto within = [](std::int64_t value, std::int64_t lo, std::int64_t hi) {
        return value >= lo && value <= hi;
    };
    if (!within(v[5], 0, 1) || !within(v[6], 0, 1) || !within(v[7], 0, 2)) {
        return std::nullopt;
    }
    if (moduleKind == kSoundModule && (!within(v[8], 0, 5) || v[9] != 0)) {
        return std::nullopt;
    }
    if (moduleKind == kVibrationModule && (!within(v[8], 0, 6) || !within(v[9], 1, 3))) {
        return std::nullopt;
    }
    ChannelReading reading;
    // Unchecked fields keep the low bits of what the amplifier sent.
    reading.value = static_cast<std::uint32_t>(v[0]);
    reading.aux1 = static_cast<std::uint32_t>(v[1]);
    reading.aux2 = static_cast<std::uint32_t>(v[2]);
    reading.aux3 = static_cast<std::uint32_t>(v[3]);
    reading.aux4 = static_cast<std::uint32_t>(v[4]);
    reading.lampRed = static_cast<std::uint8_t>(v[5]);
    reading.lampCyan = static_cast<std::uint8_t>(v[6]);
    reading.readingExp = static_cast<std::uint8_t>(v[7]);
    reading.readingRange = static_cast<std::uint8_t>(v[8]);
    reading.readingUnit = static_cast<std::uint8_t>(v[9]);
    reading.readingExtra = static_cast<std::uint8_t>(v[10]);
    return reading;
}

// The fourteen SET fields checked for a module kind, or nullopt at the first bad one.
std::optional<ChannelSetup> ReadSetup(const FieldReader& fields, std::uint8_t moduleKind) {
    const bool sound = moduleKind == kSoundModule;
    struct Check {
        std::int64_t lo;
        std::int64_t hi;
    };
    const std::array<Check, 14> checks = {{
        {0, 1},                                    // first flag
        {0, 1},                                    // rear
        {0, 1},                                    // charge
        {0, 1},                                    // ccld
        {0, 1},                                    // teds
        {1, 3},                                    // time weighting / unit
        {1, 3},                                    // frequency weighting / detection
        {1, sound ? 3 : 12},                       // hpfMode
        {1, sound ? 3 : 12},                       // lpfMode
        {std::numeric_limits<std::int64_t>::min(), // sensitivity: any value, low 16 bits kept
         std::numeric_limits<std::int64_t>::max()},
        {0, sound ? 0 : 2},    // sensitivityExp
        {0, sound ? 5 : 6},    // rangeIndex
        {-2, 21},              // hpfIndex
        {-2, sound ? 26 : 22}, // lpfIndex
    }};
    std::array<std::int64_t, 14> v{};
    for (std::size_t i = 0; i < checks.size(); ++i) {
        const auto value = fields.InRange(i, checks[i].lo, checks[i].hi);
        if (!value) {
            return std::nullopt;
        }
        v[i] = *value;
    }
    const auto u8 = [&v](std::size_t i) { return static_cast<std::uint8_t>(v[i]); };
    ChannelSetup setup;
    setup.firstFlag = u8(0);
    setup.rear = u8(1);
    setup.charge = u8(2);
    setup.ccld = u8(3);
    setup.teds = u8(4);
    setup.timeWeightDetection = sound ? u8(5) : u8(6);
    setup.freqWeightUnit = sound ? u8(6) : u8(5);
    setup.hpfMode = u8(7);
    setup.lpfMode = u8(8);
    setup.sensitivity = static_cast<std::uint16_t>(v[9]);
    setup.sensitivityExp = u8(10);
    setup.rangeIndex = u8(11);
    setup.hpfIndex = static_cast<std::int8_t>(v[12]);
    setup.lpfIndex = static_cast<std::int8_t>(v[13]);
    setup.tedsState = 0;
    return setup;
}

} // namespace

std::int64_t LeadingInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    constexpr std::int64_t kLimit = std::numeric_limits<std::int64_t>::max();
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int digit = text[i] - '0';
        if (value > (kLimit - digit) / 10) {
            return negative ? std::numeric_limits<std::int64_t>::min() : kLimit;
        }
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

ResultCode AcceptReply(const ReplyRecord&, DeviceState&) {
    return ResultCode::Success;
}

ResultCode ParseDid(const ReplyRecord& record, DeviceState& state) {
    const FieldReader fields(record);
    if (!fields.CountIs(17)) {
        return ResultCode::IllegalDataDid;
    }
    if (fields.Integer(0) != 0) {
        return ResultCode::DeviceError;
    }
    state.channels.fill(ChannelSettings{});
    for (int n = 1; n <= kChannelCount; ++n) {
        ChannelSettings& channel = state.channels[static_cast<std::size_t>(n - 1)];
        const auto value = fields.Integer(static_cast<std::size_t>(n));
        if (value == 0) {
            channel.moduleKind = kNoModule;
            channel.lamp = kLampOff;
        } else if (value == kDidSoundModule) {
            channel.moduleKind = kSoundModule;
            channel.lamp = kLampNormal;
        } else if (value == kDidVibrationModule) {
            channel.moduleKind = kVibrationModule;
            channel.lamp = kLampNormal;
        } else {
            return ResultCode::IllegalValueDid;
        }
    }
    return ResultCode::Success;
}

ResultCode ParseTds(const ReplyRecord& record, DeviceState& state) {
    const FieldReader fields(record);
    if (!fields.CountIs(1)) {
        return ResultCode::IllegalDataTds;
    }
    const auto value = fields.InRange(0, 0, 3);
    ChannelSettings* channel = GetChannel(state, 1, record.channel);
    if (!value || !channel) {
        return ResultCode::IllegalValueTds;
    }
    channel->deviceSetup.tedsState = static_cast<std::uint16_t>(*value);
    channel->editSetup.tedsState = static_cast<std::uint16_t>(*value);
    return ResultCode::Success;
}

ResultCode ParseDod(const ReplyRecord& record, DeviceState& state) {
    const FieldReader fields(record);
    if (!fields.CountIs(11 * kChannelCount)) {
        return ResultCode::IllegalDataDod;
    }
    for (std::size_t n = 0; n < state.channels.size(); ++n) {
        ChannelSettings& channel = state.channels[n];
        const auto reading = ReadChannelReading(fields, 11 * n, channel.moduleKind);
        if (!reading) {
            return ResultCode::IllegalValueDod;
        }
        channel.reading = *reading;
    }
    return ResultCode::Success;
}

ResultCode ParseIpa(const ReplyRecord& record, DeviceState& state) {
    const FieldReader fields(record);
    if (!fields.CountIs(12)) {
        return ResultCode::IllegalDataIpa;
    }
    std::array<std::uint8_t, 12> bytes{};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto value = fields.InRange(i, 0, 255);
        if (!value) {
            return ResultCode::IllegalValueIpa;
        }
        bytes[i] = static_cast<std::uint8_t>(*value);
    }
    std::copy_n(bytes.begin(), 4, state.deviceLan.address.begin());
    std::copy_n(bytes.begin() + 4, 4, state.deviceLan.mask.begin());
    std::copy_n(bytes.begin() + 8, 4, state.deviceLan.gateway.begin());
    return ResultCode::Success;
}

ResultCode ParseVer(const ReplyRecord& record, DeviceState& state) {
    const FieldReader fields(record);
    const std::string_view version = record.Field(0);
    if (!fields.CountIs(1) || record.cutFields.test(0) ||
        version.size() >= state.deviceVersion.size()) {
        return ResultCode::IllegalDataVer;
    }
    state.deviceVersion.fill('\0');
    std::memcpy(state.deviceVersion.data(), version.data(), version.size());
    return ResultCode::Success;
}

namespace {

// UHC and ULC replies differ only in their codes, the cut-off limit and where they are stored.
ResultCode ParseUserFilterReply(const ReplyRecord& record, DeviceState& state, bool lowPass) {
    const ResultCode countCode = lowPass ? ResultCode::IllegalDataUlc : ResultCode::IllegalDataUhc;
    const ResultCode valueCode =
        lowPass ? ResultCode::IllegalValueUlc : ResultCode::IllegalValueUhc;
    const FieldReader fields(record);
    if (!fields.CountIs(7)) {
        return countCode;
    }
    ChannelSettings* channel = GetChannel(state, 1, record.channel);
    if (!channel) {
        return valueCode;
    }
    const std::int64_t maxCutoff = lowPass && IsSound(*channel) ? 50000 : 20000;
    auto filter = ReadUserFilter(fields, maxCutoff);
    if (!filter) {
        return valueCode;
    }
    if (lowPass) {
        SetLpfCutoffTexts(*filter);
        channel->deviceUserLpf = channel->editUserLpf = *filter;
    } else {
        SetHpfCutoffTexts(*filter);
        channel->deviceUserHpf = channel->editUserHpf = *filter;
    }
    return ResultCode::Success;
}

} // namespace

ResultCode ParseUhc(const ReplyRecord& record, DeviceState& state) {
    return ParseUserFilterReply(record, state, false);
}

ResultCode ParseUlc(const ReplyRecord& record, DeviceState& state) {
    return ParseUserFilterReply(record, state, true);
}

ResultCode ParseSet(const ReplyRecord& record, DeviceState& state) {
    const FieldReader fields(record);
    if (!fields.CountIs(14)) {
        return ResultCode::IllegalDataSet;
    }
    ChannelSettings* channel = GetChannel(state, 1, record.channel);
    // Without a module kind the fields have no meaning to check them against.
    if (!channel || channel->moduleKind == kNoModule) {
        return ResultCode::IllegalValueSet;
    }
    const auto setup = ReadSetup(fields, channel->moduleKind);
    if (!setup) {
        return ResultCode::IllegalValueSet;
    }
    channel->deviceSetup = *setup;
    channel->editSetup = *setup;
    channel->tedsInput = TedsInput(*channel);
    channel->edited = 0;
    return ResultCode::Success;
}

const std::array<ReplyHandler, 2 * kCommandCount> kReplyParserTable = {
    AcceptReply, ParseDid,    // DID
    AcceptReply, AcceptReply, // CAL
    AcceptReply, ParseTds,    // TDS
    AcceptReply, AcceptReply, // TEC
    AcceptReply, ParseDod,    // DOD
    AcceptReply, ParseIpa,    // IPA
    AcceptReply, AcceptReply, // RES
    AcceptReply, ParseVer,    // VER
    AcceptReply, ParseUhc,    // UHC
    AcceptReply, ParseUlc,    // ULC
    AcceptReply, AcceptReply, // SES
    AcceptReply, ParseSet,    // SET
    AcceptReply, AcceptReply, // UPD
    AcceptReply, AcceptReply, // TST
};

ResultCode JudgeReply(const ReplyRecord& record, DeviceState& state) {
    if (record.replyKind == kNak) {
        return CheckStatus(record);
    }
    const auto command = static_cast<std::size_t>(record.command);
    if (command >= kCommandCount) {
        return ResultCode::CommunicationError;
    }
    return kReplyParserTable[command * 2 + (record.expectsData ? 1 : 0)](record, state);
}

} // namespace va48
