// The cost of judging the largest reply the amplifier sends every second: a DOD reply of
// 176 fields, from frame bytes to stored readings.
#include "protocol/frame.h"
#include "protocol/reply_parsers.h"
#include "protocol/value_tables.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> DodFrame() {
    std::string text;
    for (int n = 0; n < va48::kChannelCount; ++n) {
        text += (n ? "," : "") + std::string("1234,0,0,0,0,0,1,1,3,2,0");
    }
    std::vector<std::uint8_t> frame(text.size() + va48::kFrameOverhead);
    va48::BuildFrame(0x01, 0x41, text, frame);
    return frame;
}

void SplitAndJudgeDod(benchmark::State& s) {
    va48::DeviceState state;
    for (auto& channel : state.channels) {
        channel.moduleKind = va48::kVibrationModule;
    }
    const auto frame = DodFrame();
    va48::ReplyRecord record;
    record.command = va48::CommandCode::DOD;
    record.expectsData = 1;
    for (auto _ : s) {
        va48::SplitReply(frame, record);
        benchmark::DoNotOptimize(va48::JudgeReply(record, state));
    }
}
BENCHMARK(SplitAndJudgeDod);

} // namespace
