// Soak run: the command session without windows polls va48sim over LAN for a given time, as the
// viewer does while its settings window is open, while the simulator's run-time control switches
// faults at random. Like a user who is sent back to the connection menu, the tool reconnects after
// every failure. At the end it prints the polls, the reconnects, the failures by the message the
// user would have seen, and its resident memory at the start and the end.
//
// scripts/soak.sh builds and runs it; see there for the usual parameters.
#include "protocol/request_builders.h"
#include "resources/string_table.h"
#include "tests/support/session_rig.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <thread>

namespace va48 {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct Options {
    int seconds = 600;
    int pollMs = 1000;
    int timeoutMs = 2000; // the reply time-out; short, so that silences pass quickly
    int minFaultMs = 2000;
    int maxFaultMs = 10000;
    unsigned seed = 1;
};

// Resident memory of this process in kB, from /proc; 0 when it cannot be read.
long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
    }
    return 0;
}

std::string MessageText(ResultCode code) {
    const std::string_view text = LoadString(Language::English, ResultMessage(code));
    return text.empty() ? "(code " + std::to_string(ToInt(code)) + ")" : std::string(text);
}

// Picks the next fault and the control line that switches it on ("" for none).
class FaultPicker {
  public:
    FaultPicker(unsigned seed, int timeoutMs) : random_(seed), timeoutMs_(timeoutMs) {}

    std::pair<std::string, std::string> Next() {
        switch (Pick(0, 6)) {
        case 0:
            return {"none", ""};
        case 1:
            return {"delay", "delay-ms " + std::to_string(Pick(0, timeoutMs_ * 3 / 2))};
        case 2:
            return {"split", "split-at " + std::to_string(Pick(1, 12))};
        case 3:
            return {"stray bytes",
                    std::string("stray-bytes ") + (Pick(0, 1) ? "zz\\r\\n" : "\\x03q")};
        case 4:
            return {"NAK", "nak DOD:000" + std::to_string(Pick(0, 4))};
        case 5:
            return {"silence", "silent DOD"};
        default:
            return {"close", "drop-after " + std::to_string(Pick(1, 5))};
        }
    }

    milliseconds Duration(int minMs, int maxMs) { return milliseconds(Pick(minMs, maxMs)); }

  private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

    std::mt19937 random_;
    int timeoutMs_;
};

class Soak {
  public:
    Soak(const Options& options, const SimProcess& sim) : options_(options), sim_(sim) {
        rig_.settings.replyTimeoutMs = static_cast<std::uint32_t>(options.timeoutMs);
    }

    bool Connect() {
        if (!rig_.Connect(LinkKind::Lan, sim_)) {
            return false;
        }
        // As the viewer does first: the calibration signal off, then which slots hold what.
        CommandJob job = SessionRig::NewJob();
        std::array<char, kRequestTextSize> text{};
        BuildCalibration(0, 0, text);
        job.Add(text.data(), CommandCode::CAL, 0, 0);
        job.Add("DID?", CommandCode::DID, 1, 0);
        return Run(job);
    }

    // One poll; false after a failure, which has been counted.
    bool Poll() {
        CommandJob job = SessionRig::NewJob();
        job.Add("DOD?", CommandCode::DOD, 1, 0);
        return Run(job);
    }

    void Disconnect() { rig_.Session().Disconnect(); }

    std::map<std::string, int> failures; // by message text
    int lostOutcomes = 0;                // jobs that never reported: a hang

  private:
    bool Run(const CommandJob& job) {
        const ResultCode started = rig_.Session().StartJob(job);
        if (started != ResultCode::Success) {
            ++failures[MessageText(ResultCode::SendReceiveFailed)];
            return false;
        }
        // Every job ends within its reply time-out per entry; anything longer is a hang.
        const auto message = rig_.inbox.Wait(milliseconds(options_.timeoutMs * 3 + 5000));
        if (!message) {
            ++lostOutcomes;
            return false;
        }
        if (message->message == SessionRig::kDone) {
            return true;
        }
        ++failures[MessageText(static_cast<ResultCode>(message->wParam))];
        return false;
    }

    const Options options_;
    const SimProcess& sim_;
    SessionRig rig_{"va48soak"};
};

int RunSoak(const Options& options) {
    SimProcess sim;
    if (!sim.Started()) {
        std::fprintf(stderr, "va48sim did not start: %s\n", sim.Error().c_str());
        return 1;
    }
    Soak soak(options, sim);
    FaultPicker picker(options.seed, options.timeoutMs);
    std::map<std::string, int> faultsSwitched;

    const auto start = Clock::now();
    const auto end = start + std::chrono::seconds(options.seconds);
    auto nextSwitch = start + picker.Duration(options.minFaultMs, options.maxFaultMs);
    bool connected = soak.Connect();
    const long rssStart = ResidentKb();
    long rssMax = rssStart;
    int polls = 0;
    int pollsOk = 0;
    int reconnects = 0;
    int connectFailures = 0;

    while (Clock::now() < end) {
        if (Clock::now() >= nextSwitch) {
            const auto [name, line] = picker.Next();
            if (!sim.Control("clear") || (!line.empty() && !sim.Control(line))) {
                std::fprintf(stderr, "control refused: %s\n", sim.Error().c_str());
                return 1;
            }
            ++faultsSwitched[name];
            nextSwitch = Clock::now() + picker.Duration(options.minFaultMs, options.maxFaultMs);
        }
        if (!connected) {
            soak.Disconnect();
            connected = soak.Connect();
            if (connected) {
                ++reconnects;
            } else {
                ++connectFailures;
                std::this_thread::sleep_for(milliseconds(100));
            }
            continue;
        }
        const auto pollStart = Clock::now();
        ++polls;
        if (soak.Poll()) {
            ++pollsOk;
        } else {
            connected = false; // back to the menu, from where the user connects again
        }
        rssMax = std::max(rssMax, ResidentKb());
        std::this_thread::sleep_until(pollStart + milliseconds(options.pollMs));
    }
    soak.Disconnect();
    const long rssEnd = ResidentKb();

    std::printf("duration_s %d poll_ms %d reply_timeout_ms %d seed %u\n", options.seconds,
                options.pollMs, options.timeoutMs, options.seed);
    std::printf("polls %d ok %d reconnects %d connect_failures %d lost_outcomes %d\n", polls,
                pollsOk, reconnects, connectFailures, soak.lostOutcomes);
    for (const auto& [name, count] : faultsSwitched) {
        std::printf("fault \"%s\" %d\n", name.c_str(), count);
    }
    for (const auto& [text, count] : soak.failures) {
        std::printf("failure \"%s\" %d\n", text.c_str(), count);
    }
    std::printf("rss_kb start %ld end %ld max %ld\n", rssStart, rssEnd, rssMax);
    return soak.lostOutcomes == 0 ? 0 : 2;
}

} // namespace
} // namespace va48

int main(int argc, char** argv) {
    va48::Options options;
    CLI::App app{"Polls va48sim under randomly switched faults and reports what the user saw."};
    app.add_option("--seconds", options.seconds, "how long to run")->check(CLI::Range(1, 86400));
    app.add_option("--poll-ms", options.pollMs, "poll period")->check(CLI::Range(10, 60000));
    app.add_option("--timeout-ms", options.timeoutMs, "reply time-out")
        ->check(CLI::Range(100, 60000));
    app.add_option("--min-fault-ms", options.minFaultMs, "shortest time a fault stays")
        ->check(CLI::Range(100, 600000));
    app.add_option("--max-fault-ms", options.maxFaultMs, "longest time a fault stays")
        ->check(CLI::Range(100, 600000));
    app.add_option("--seed", options.seed, "seed of the fault choice");
    CLI11_PARSE(app, argc, argv);
    if (options.maxFaultMs < options.minFaultMs) {
        options.maxFaultMs = options.minFaultMs;
    }
    return va48::RunSoak(options);
}
