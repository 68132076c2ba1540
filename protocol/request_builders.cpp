#include "protocol/request_builders.h"

#include "protocol/value_tables.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

namespace va48 {

namespace {

// Collects a request text; every parameter goes after one space.
class RequestText {
  public:
    explicit RequestText(std::string_view head) : text_(head) {}

    RequestText& Param(std::int64_t value) {
        char digits[24];
        const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
        text_ += ' ';
        // A length, not an iterator pair: GCC 12 at -O3 mistakes the iterator form's inlined
        // replace for an overlapping copy (-Wrestrict).
        text_.append(digits, static_cast<std::size_t>(result.ptr - digits));
        return *this;
    }

    RequestText& Raw(std::string_view value) {
        text_ += ' ';
        text_ += value;
        return *this;
    }

    // Copies the text into `out` as the builders promise.
    int WriteTo(std::span<char> out) const {
        if (out.empty()) {
            return -1;
        }
        std::fill(out.begin(), out.end(), '\0');
        if (text_.size() >= out.size()) {
            return -1;
        }
        std::memcpy(out.data(), text_.data(), text_.size());
        return static_cast<int>(text_.size());
    }

  private:
    std::string text_;
};

} // namespace

int BuildQuery(CommandCode command, std::uint8_t channel, std::span<char> out) {
    RequestText text(std::string(CommandName(command)) + "?");
    if (channel != 0) {
        text.Param(channel);
    }
    return text.WriteTo(out);
}

int BuildTedsExecute(std::uint8_t channel, std::span<char> out) {
    return RequestText(CommandName(CommandCode::TEC)).Param(channel).WriteTo(out);
}

int BuildCalibration(std::uint8_t first, std::uint8_t second, std::span<char> out) {
    return RequestText(CommandName(CommandCode::CAL)).Param(first).Param(second).WriteTo(out);
}

int BuildLanSetting(const DeviceLan& lan, std::span<char> out) {
    RequestText text(CommandName(CommandCode::IPA));
    for (const auto* bytes : {&lan.address, &lan.mask, &lan.gateway}) {
        for (const std::uint8_t byte : *bytes) {
            text.Param(byte);
        }
    }
    return text.WriteTo(out);
}

int BuildSetup(std::uint8_t channelNumber, const ChannelSettings& channel, std::span<char> out) {
    const ChannelSetup& s = channel.editSetup;
    std::uint8_t firstWeighting = 0;
    std::uint8_t secondWeighting = 0;
    if (channel.moduleKind == kSoundModule) {
        firstWeighting = s.timeWeightDetection;
        secondWeighting = s.freqWeightUnit;
    } else if (channel.moduleKind == kVibrationModule) {
        firstWeighting = s.freqWeightUnit;
        secondWeighting = s.timeWeightDetection;
    } else {
        if (!out.empty()) {
            std::fill(out.begin(), out.end(), '\0');
        }
        return -1;
    }
    RequestText text(CommandName(CommandCode::SET));
    text.Param(channelNumber).Param(0); // the first flag always goes out as 0
    text.Param(s.rear).Param(s.charge).Param(s.ccld).Param(s.teds);
    text.Param(firstWeighting).Param(secondWeighting);
    text.Param(s.hpfMode).Param(s.lpfMode);
    text.Param(s.sensitivity).Param(s.sensitivityExp).Param(s.rangeIndex);
    text.Param(s.hpfIndex).Param(s.lpfIndex);
    return text.WriteTo(out);
}

int BuildUserFilter(int which, std::uint8_t channelNumber, const UserFilter& filter,
                    std::span<char> out) {
    RequestText text(CommandName(which == 0 ? CommandCode::UHC : CommandCode::ULC));
    text.Param(channelNumber).Param(filter.enabled);
    if (filter.enabled == 1) {
        text.Param(filter.cutoff);
        for (const std::int64_t c : filter.coef) {
            text.Param(c);
        }
    } else {
        for (int i = 0; i < 6; ++i) {
            text.Param(0);
        }
    }
    return text.WriteTo(out);
}

int BuildUpdate(std::uint8_t step, std::string_view data, int dataLength, std::span<char> out) {
    RequestText text(CommandName(CommandCode::UPD));
    text.Param(step);
    if (dataLength > 0) {
        data = data.substr(0, data.find('\0'));
        text.Raw(data.substr(0, static_cast<std::size_t>(dataLength)));
    }
    return text.WriteTo(out);
}

} // namespace va48
