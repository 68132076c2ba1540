// Round trips through the full session against va48sim, each beside its physical floor measured
// in the same run: the same request bytes over a bare socket or pseudo-terminal to the same sim.
//
// Every benchmark reports, besides Google Benchmark's mean, the median and 90th percentile of the
// individual round trips (counters median_us, p90_us).
#include "bench/bench_links.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <termios.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace va48 {
namespace {

using Clock = std::chrono::steady_clock;

void ReportLatencies(benchmark::State& state, std::vector<double>& microseconds) {
    if (microseconds.empty()) {
        return;
    }
    std::sort(microseconds.begin(), microseconds.end());
    state.counters["median_us"] = microseconds[microseconds.size() / 2];
    state.counters["p90_us"] = microseconds[microseconds.size() * 9 / 10];
}

double Since(Clock::time_point start) {
    return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

void SessionRoundTrip(benchmark::State& state, LinkKind kind) {
    SimProcess sim(kind == LinkKind::Usb ? std::vector<std::string>{"--pty"}
                                         : std::vector<std::string>{});
    const auto rig = ConnectRig(kind, sim);
    if (!rig) {
        state.SkipWithError("cannot reach va48sim");
        return;
    }
    CommandJob job = SessionRig::NewJob();
    job.Add(kTestText, CommandCode::TST, 1, 0);
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!RunDone(*rig, job)) {
            state.SkipWithError("round trip failed");
            return;
        }
        samples.push_back(Since(start));
    }
    ReportLatencies(state, samples);
}

void BareRoundTrip(benchmark::State& state, int fd) {
    const auto frame = TestFrame();
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!PingPong(fd, frame)) {
            state.SkipWithError("bare round trip failed");
            return;
        }
        samples.push_back(Since(start));
    }
    ReportLatencies(state, samples);
}

void LanSession(benchmark::State& state) {
    SessionRoundTrip(state, LinkKind::Lan);
}

void PtySession(benchmark::State& state) {
    SessionRoundTrip(state, LinkKind::Usb);
}

void LanBare(benchmark::State& state) {
    SimProcess sim;
    const int fd = sim.Started() ? ConnectBare(sim.Port()) : -1;
    if (fd < 0) {
        state.SkipWithError("cannot reach va48sim");
        return;
    }
    BareRoundTrip(state, fd);
    ::close(fd);
}

void PtyBare(benchmark::State& state) {
    SimProcess sim({"--pty"});
    const int fd = sim.Started() ? ::open(sim.PtyPath().c_str(), O_RDWR | O_NOCTTY) : -1;
    termios raw{};
    if (fd < 0 || ::tcgetattr(fd, &raw) != 0) {
        state.SkipWithError("cannot open the pseudo-terminal");
    } else {
        ::cfmakeraw(&raw);
        ::tcsetattr(fd, TCSANOW, &raw);
        BareRoundTrip(state, fd);
    }
    if (fd >= 0) {
        ::close(fd);
    }
}

// The shape of a read-all: DID, then per channel SET, UHC, ULC, TDS, SET again and TEC.
void ReadAllLan(benchmark::State& state) {
    SimProcess sim({"--layout", "SSSSSSSSVVVVVVVV"});
    const auto rig = ConnectRig(LinkKind::Lan, sim);
    if (!rig) {
        state.SkipWithError("cannot reach va48sim");
        return;
    }
    CommandJob job = SessionRig::NewJob();
    job.Add("DID?", CommandCode::DID, 1, 0);
    std::array<char, kRequestTextSize> text{};
    for (CommandCode command : {CommandCode::SET, CommandCode::UHC, CommandCode::ULC,
                                CommandCode::TDS, CommandCode::SET, CommandCode::TEC}) {
        for (std::uint8_t ch = 1; ch <= kChannelCount; ++ch) {
            const bool tec = command == CommandCode::TEC;
            tec ? BuildTedsExecute(ch, text) : BuildQuery(command, ch, text);
            job.Add(text.data(), command, tec ? 0 : 1, ch);
        }
    }
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!RunDone(*rig, job)) {
            state.SkipWithError("read-all failed");
            return;
        }
        samples.push_back(Since(start));
    }
    state.counters["requests"] = job.count;
    ReportLatencies(state, samples);
}

BENCHMARK(LanSession)->Name("LanRoundTrip/Session")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(LanBare)->Name("LanRoundTrip/Bare")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(PtySession)->Name("PtyRoundTrip/Session")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(PtyBare)->Name("PtyRoundTrip/Bare")->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(ReadAllLan)->Name("ReadAllJob/Lan")->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
} // namespace va48
