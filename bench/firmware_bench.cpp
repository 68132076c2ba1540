// A firmware update of a 1 MiB image (32,768 data records of 32 bytes) through the session to
// va48sim over loopback, one UPD step per job as the update dialog runs it, beside its floor
// measured in the same run: as many bare TST round trips over a socket to the same simulator as
// the update has steps.
#include "bench/bench_links.h"
#include "maintenance/firmware_image.h"
#include "maintenance/update_steps.h"
#include "tests/support/srecord_image.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace va48 {
namespace {

using Clock = std::chrono::steady_clock;

// Seconds for `count` bare round trips back to back; 0 when one failed.
double BareRoundTrips(std::uint16_t port, std::size_t count) {
    const int fd = ConnectBare(port);
    if (fd < 0) {
        return 0;
    }
    const auto frame = TestFrame();
    const auto start = Clock::now();
    for (std::size_t i = 0; i < count; ++i) {
        if (!PingPong(fd, frame)) {
            ::close(fd);
            return 0;
        }
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(fd);
    return seconds;
}

// One update from UPD 1 to UPD 3; returns the number of steps, 0 when one failed.
std::size_t RunUpdate(SessionRig& rig, const std::string& content) {
    UpdateSequence update(content, content.size(), true);
    CommandJob job = SessionRig::NewJob();
    UpdateRequest request = update.Start();
    for (std::size_t steps = 1;; ++steps) {
        const StepReport report = ReportOnSuccess(request.step, true);
        if (!BuildUpdateStepJob(request, job)) {
            return 0;
        }
        if (!RunDone(rig, job)) {
            return 0;
        }
        switch (report) {
        case StepReport::StepDone:
            request = update.OnStepDone();
            break;
        case StepReport::WriteDone:
            request = update.OnWriteDone();
            break;
        case StepReport::Completed:
        case StepReport::Aborted:
            return steps;
        }
    }
}

// The floor is taken afresh before every update, as many bare round trips as the update has
// steps, so that both see the same machine: on a busy one every wake-up waits for a core.
void Lan1MB(benchmark::State& state) {
    const std::string content = SRecordImage(1 << 20);
    // Enter, one step per piece, write, reboot.
    std::size_t steps = 3;
    for (std::size_t offset = 0; !NextLinePiece(content, offset).empty();) {
        ++steps;
    }
    SimProcess sim;
    double seconds = 0;
    double floor = 0;
    for (auto _ : state) {
        // The simulator serves one connection at a time: the bare one first, then the session.
        const double bare = sim.Started() ? BareRoundTrips(sim.Port(), steps) : 0;
        const auto rig = ConnectRig(LinkKind::Lan, sim);
        if (bare <= 0 || !rig) {
            state.SkipWithError("cannot reach va48sim");
            return;
        }
        const auto start = Clock::now();
        const std::size_t ran = RunUpdate(*rig, content);
        const double update = std::chrono::duration<double>(Clock::now() - start).count();
        if (ran != steps) {
            state.SkipWithError("update failed");
            return;
        }
        state.SetIterationTime(update);
        seconds += update;
        floor += bare;
    }
    state.counters["steps"] = static_cast<double>(steps);
    state.counters["file_bytes"] = static_cast<double>(content.size());
    state.counters["floor_s"] = benchmark::Counter(floor, benchmark::Counter::kAvgIterations);
    state.counters["bare_rtt_us"] = floor / static_cast<double>(state.iterations() * steps) * 1e6;
    state.counters["ratio_to_floor"] = seconds / floor;
}

BENCHMARK(Lan1MB)
    ->Name("FirmwareUpdate/Lan1MB")
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kSecond);

} // namespace
} // namespace va48
