// Feeds arbitrary bytes through the reply path: split, status check and every handler, for every
// command, expects-data flag and a few channel numbers (including ones outside 1..16).
#include "protocol/frame.h"
#include "protocol/reply_parsers.h"
#include "protocol/request_builders.h"
#include "protocol/value_tables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace va48;
    const std::span<const std::uint8_t> frame(data, size);

    static DeviceState state; // kept across inputs, as the program keeps it across replies
    ReplyRecord record;
    const int split = SplitReply(frame, record);
    Check((split == -1) == (size < kFrameOverhead));
    if (split != 0) {
        return 0;
    }
    Check(record.fieldCount <= kMaxReplyFields);
    for (std::size_t i = 0; i < record.fieldCount; ++i) {
        Check(record.Field(i).size() < kReplyFieldSize);
    }
    const ResultCode status = CheckStatus(record);
    Check(status >= ResultCode::StatusBcc && status <= ResultCode::StatusOther);

    for (int command = 0; command <= kCommandCount; ++command) {
        for (std::uint8_t expects : {0, 1, 2}) {
            for (std::uint8_t channel : {0, 1, 2, 16, 17, 255}) {
                record.command = static_cast<CommandCode>(command);
                record.expectsData = expects;
                record.channel = channel;
                const ResultCode result = JudgeReply(record, state);
                Check(static_cast<int>(result) < kResultCodeCount);
            }
        }
    }

    // Whatever the parsers stored must still build requests that fit a frame.
    std::array<char, kRequestTextSize> text{};
    std::array<std::uint8_t, kMaxFrameSize> out{};
    for (int n = 1; n <= kChannelCount; ++n) {
        const ChannelSettings& channel = state.channels[static_cast<std::size_t>(n - 1)];
        if (channel.moduleKind != kNoModule) {
            const int length = BuildSetup(static_cast<std::uint8_t>(n), channel, text);
            Check(length > 0 && BuildRequestFrame({text.data(), std::size_t(length)}, out) > 0);
        }
        Check(BuildUserFilter(0, static_cast<std::uint8_t>(n), channel.editUserHpf, text) > 0);
        Check(BuildUserFilter(1, static_cast<std::uint8_t>(n), channel.editUserLpf, text) > 0);
    }
    Check(DeviceVersion(state).size() < state.deviceVersion.size());
    return 0;
}
