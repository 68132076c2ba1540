#pragma once

#include "ctl/amplifier_link.h"
#include "ctl/exit_status.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace va48 {

// The commands of va48ctl. Each opens the link of `target` itself (list opens none), prints its
// result on standard output and its failure, in the program's own words, on standard error, and
// returns the exit status.

ExitStatus RunRead(LinkTarget& target, bool json);
ExitStatus RunApply(LinkTarget& target, const std::filesystem::path& file);

struct LevelOptions {
    int count = 0;         // polls to make; 0 until interrupted
    int intervalMs = 1000; // from the start of one poll to the start of the next
    bool csv = false;
};
ExitStatus RunLevels(LinkTarget& target, const LevelOptions& options);

ExitStatus RunCalibration(LinkTarget& target, bool on);
ExitStatus RunVersion(LinkTarget& target);
ExitStatus RunReset(LinkTarget& target);
ExitStatus RunReboot(LinkTarget& target);
ExitStatus RunReplyTest(LinkTarget& target, int count);
ExitStatus RunUpdate(LinkTarget& target, const std::filesystem::path& file, bool yes);
ExitStatus RunList(const LinkTarget& target);

// Shared by the commands.

// Prints "va48ctl: <the message for the outcome>" on standard error; returns its exit status.
ExitStatus Fail(const Outcome& outcome);
// Prints "va48ctl: <text>" on standard error; returns `status`.
ExitStatus Fail(ExitStatus status, const std::string& text);

// Opens the link; nullopt on success, else the failure's exit status (already reported).
std::optional<ExitStatus> Open(AmplifierLink& link);

// Set by SIGINT and SIGTERM once InstallStopHandler ran: a command that repeats stops at the next
// step.
void InstallStopHandler();
bool StopRequested();

} // namespace va48
