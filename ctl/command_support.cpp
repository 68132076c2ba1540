#include "ctl/commands.h"

#include "ctl/texts.h"

#include <csignal>
#include <cstdio>

namespace va48 {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void OnStopSignal(int) {
    stopRequested = 1;
}

} // namespace

ExitStatus Fail(ExitStatus status, const std::string& text) {
    std::fprintf(stderr, "va48ctl: %s\n", text.c_str());
    return status;
}

ExitStatus Fail(const Outcome& outcome) {
    return Fail(ExitStatusFor(outcome.code), ResultText(outcome.code, outcome.channel));
}

std::optional<ExitStatus> Open(AmplifierLink& link) {
    if (const ResultCode code = link.Connect(); code != ResultCode::Success) {
        return Fail(Outcome{code});
    }
    return std::nullopt;
}

void InstallStopHandler() {
    std::signal(SIGINT, OnStopSignal);
    std::signal(SIGTERM, OnStopSignal);
}

bool StopRequested() {
    return stopRequested != 0;
}

} // namespace va48
