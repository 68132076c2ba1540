// The window thread's share of a core with the trend window open at the fastest poll period:
// 2 or 16 channels shown, ten minutes of session behind, five polls a second each taken into the
// trend and handed to the window, which draws and paints as the program's event loop lets it. One
// iteration is one second of polling, so its CPU time in milliseconds over 10 is the percentage of
// a core (the goal is under 2 % for the whole program).
#include "monitor/level_trend.h"
#include "monitor/trend_window.h"
#include "protocol/value_tables.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>

namespace {

using namespace std::chrono_literals;

constexpr auto kPoll = 200ms;

void Vary(va48::DeviceState& device, int poll) {
    for (int n = 0; n < va48::kChannelCount; ++n) {
        device.channels[static_cast<std::size_t>(n)].reading.value =
            static_cast<std::uint32_t>(800 + 100 * std::sin(poll * 0.05 + n));
    }
}

void Idle(std::chrono::milliseconds time) {
    QEventLoop loop;
    QTimer::singleShot(time, &loop, &QEventLoop::quit);
    loop.exec();
}

void SecondOfPollsWithTrendOpen(benchmark::State& s) {
    va48::DeviceState device;
    for (int n = 0; n < s.range(0); ++n) {
        device.channels[static_cast<std::size_t>(n)].moduleKind = va48::kSoundModule;
    }
    va48::LevelTrend trend;
    auto at = va48::WallClock::now() - 10min;
    int poll = 0;
    for (; poll < 3000; ++poll) {
        Vary(device, poll);
        trend.Take(device, at += kPoll);
    }
    va48::TrendWindow window(nullptr, trend, device);
    window.resize(900, 560);
    window.show();
    Idle(1s);
    for (auto _ : s) {
        for (int i = 0; i < 5; ++i) {
            Vary(device, ++poll);
            trend.Take(device, at += kPoll);
            window.Refresh();
            Idle(kPoll);
        }
    }
}
BENCHMARK(SecondOfPollsWithTrendOpen)
    ->Arg(2)
    ->Arg(16)
    ->Iterations(15)
    ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qt(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
