#pragma once

#include "protocol/comm_log.h"
#include "protocol/command_session.h"
#include "protocol/device_state.h"
#include "protocol/link_settings.h"

#include <array>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>

namespace va48 {

// Where and how va48ctl reaches the amplifier.
struct LinkTarget {
    LinkSettings settings; // from the settings file, then the command line
    LinkKind kind = LinkKind::Lan;
    UsbSearchRoots usbRoots;       // where USB discovery looks
    std::filesystem::path logPath; // the communication log; empty for none
};

// A command's outcome: the result code, and the channel its message names (the user-filter
// contradictions), 0 otherwise.
struct Outcome {
    ResultCode code = ResultCode::Success;
    int channel = 0;

    bool Ok() const { return code == ResultCode::Success; }
};

// The viewer's command session, driven one job at a time from a plain program: each job runs on
// the session's worker and Run waits for its outcome. Not thread-safe; use from one thread.
class AmplifierLink {
  public:
    // `target` must outlive the link; its reply time-out may be changed between jobs.
    explicit AmplifierLink(LinkTarget& target);
    ~AmplifierLink(); // ends a running job and closes the link

    AmplifierLink(const AmplifierLink&) = delete;
    AmplifierLink& operator=(const AmplifierLink&) = delete;

    // Opens the link. NotConnected or ComPortNotFound when it cannot be opened.
    ResultCode Connect();

    // Runs `job` (its window and messages are filled in here) and waits for its outcome: at
    // most the reply time-out per request and a few seconds more, after which the link is
    // closed and ReplyTimeout returned, so that nothing waits for ever.
    ResultCode Run(CommandJob job);

    // The viewer's read-all: DID?, SET?, UHC? and ULC?, TDS? until no channel is still reading its
    // sensor (a failed TEDS reading is reported on `warnings` and retried with TEC), SET? again
    // and TEC, then the user-filter check. NoDevice when no slot holds a module. A TEDS reading
    // that is still under way after about 30 s ends the read with ReplyTimeout.
    Outcome ReadAll(std::string* warnings = nullptr);

    DeviceState& Device() { return device_; }
    // Channels whose TEDS reading the next read-all waits for (marked by a send).
    std::array<bool, kChannelCount>& TedsWatch() { return tedsWatch_; }

  private:
    LinkTarget& target_;
    CommLog log_;
    DeviceState device_;
    SessionEvents events_;
    std::array<bool, kChannelCount> tedsWatch_{};

    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::pair<std::uint32_t, std::uintptr_t>> outcomes_; // message, wParam

    std::unique_ptr<CommandSession> session_; // last: it uses everything above
};

} // namespace va48
