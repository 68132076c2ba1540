// Round trips through the full session against va48sim, each beside its physical floor measured
// in the same run: the same request bytes over a bare socket or pseudo-terminal to the same sim.
//
// Every benchmark reports, besides Google Benchmark's mean, the median and 90th percentile of the
// individual round trips (counters median_us, p90_us).
#include "protocol/command_session.h"
#include "protocol/request_builders.h"
#include "tests/support/session_rig.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
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

std::vector<std::uint8_t> TestFrame() {
    std::vector<std::uint8_t> frame(kMaxFrameSize);
    frame.resize(static_cast<std::size_t>(BuildRequestFrame(kTestText, frame)));
    return frame;
}

// Sends a frame and reads until the reply's CR LF: one bare round trip.
bool PingPong(int fd, const std::vector<std::uint8_t>& frame) {
    if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) {
        return false;
    }
    std::array<std::uint8_t, 2048> reply{};
    std::size_t length = 0;
    while (length < 7 || reply[length - 2] != kCr || reply[length - 1] != kLf) {
        const ssize_t got = ::read(fd, reply.data() + length, reply.size() - length);
        if (got <= 0) {
            return false;
        }
        length += static_cast<std::size_t>(got);
    }
    return true;
}

// A session connected over `kind` to a simulator started with `args`; false when either failed.
bool StartRig(SessionRig& rig, LinkKind kind, std::vector<std::string> args) {
    if (kind == LinkKind::Usb) {
        args.push_back("--pty");
    }
    return rig.StartSim(std::move(args)) && rig.Connect(kind);
}

// The log costs a round trip its writes; VA48BENCH_NOLOG measures without it.
std::string LogName() {
    return std::getenv("VA48BENCH_NOLOG") ? std::string() : std::string("bench");
}

void SessionRoundTrip(benchmark::State& state, LinkKind kind) {
    SessionRig rig(LogName());
    if (!StartRig(rig, kind, {})) {
        state.SkipWithError("cannot reach va48sim");
        return;
    }
    const CommandJob job = SessionRig::Job({{std::string(kTestText), CommandCode::TST}});
    std::vector<double> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (rig.Run(job) != ResultCode::Success) {
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
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(sim.Port());
    peer.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (!sim.Started() || ::connect(fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer) != 0) {
        state.SkipWithError("cannot reach va48sim");
    } else {
        BareRoundTrip(state, fd);
    }
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
    SessionRig rig(LogName());
    if (!StartRig(rig, LinkKind::Lan, {"--layout", "SSSSSSSSVVVVVVVV"})) {
        state.SkipWithError("cannot reach va48sim");
        return;
    }
    CommandJob job = SessionRig::Job({{"DID?", CommandCode::DID}});
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
        if (rig.Run(job) != ResultCode::Success) {
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
