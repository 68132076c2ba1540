// Measures the viewer's own CPU share while it polls va48sim at each poll period, with the
// settings window, the overload history and the trend window open: the real program in this
// process, the simulator in its own (not counted). Prints one line per period.
// Usage: poll_cpu [SECONDS_PER_PERIOD [settings-only]]   (default 30; scripts/poll-cpu.sh runs it)
// With "settings-only" the overload history and trend windows stay closed.
#include "app/application.h"
#include "editor/settings_window.h"
#include "monitor/level_watch.h"
#include "tests/support/gui_support.h"
#include "tests/support/sim_process.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace va48;

namespace {

// User and system time of every thread of this process, in seconds.
double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Runs the event loop as the program's own does (QTest::qWait would wake it up every few
// milliseconds and count its own work).
void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication qt(argc, argv);
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 30;
    if (seconds <= 0) {
        std::fprintf(stderr, "usage: poll_cpu [SECONDS_PER_PERIOD]\n");
        return 2;
    }
    ProgramOnSim on({"--layout", "SSSSSSSSVVVVVVVV", "--seed", "7"});
    if (!on.Started() || !on.ConnectLan()) {
        std::fprintf(stderr, "the program did not connect to va48sim: %s\n",
                     on.sim ? on.sim->Error().c_str() : "");
        return 1;
    }
    AppContext& app = on.App();
    const bool watchWindows = !(argc > 2 && std::string_view(argv[2]) == "settings-only");
    if (watchWindows && (!TriggerAction(on.Settings(), QStringLiteral("overloadHistory")) ||
                         !TriggerAction(on.Settings(), QStringLiteral("trend")))) {
        std::fprintf(stderr, "the View menu has no Overload history or Trend item\n");
        return 1;
    }
    std::printf("poll period  polls  CPU (share of one core)\n");
    for (const int period : kPollPeriodsMs) {
        TriggerAction(on.Settings(), QStringLiteral("pollPeriod%1").arg(period));
        RunFor(3000); // the new period settles and the trend fills a little
        const std::size_t pollsBefore = app.watch.trend.Samples().size();
        const double cpuBefore = ProcessCpuSeconds();
        const auto wallBefore = std::chrono::steady_clock::now();
        RunFor(seconds * 1000);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count();
        const double cpu = ProcessCpuSeconds() - cpuBefore;
        std::printf("%7d ms  %5zu  %5.2f %%\n", period,
                    app.watch.trend.Samples().size() - pollsBefore, 100.0 * cpu / wall);
        std::fflush(stdout);
    }
    return on.boxes.boxes.empty() ? 0 : 1;
}
