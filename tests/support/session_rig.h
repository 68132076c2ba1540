#pragma once

#include "protocol/command_session.h"
#include "tests/support/fake_usb_tree.h"
#include "tests/support/message_inbox.h"
#include "tests/support/sim_process.h"

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace va48 {

// A command session against va48sim, with everything it refers to, for end-to-end tests and
// benchmarks: a device image, link settings pointed at the simulator, the events, a log file of
// its own and an inbox that collects what the session posts and sends. Not thread-safe beyond
// what the session itself allows: drive it from one thread.
class SessionRig {
  public:
    static constexpr WindowHandle kWindow = 7; // the "main window" every message names
    static constexpr std::uint32_t kConnected = 1030;
    static constexpr std::uint32_t kDone = 1040;
    static constexpr std::uint32_t kFailed = 1041;

    // `logName` names the log file in the temporary folder (with the process id); an empty name
    // gives a log that writes nothing. The file is removed with the rig.
    explicit SessionRig(const std::string& logName);
    ~SessionRig();
    SessionRig(const SessionRig&) = delete;
    SessionRig& operator=(const SessionRig&) = delete;

    // Starts va48sim with `args` (add "--log" for Sim().ReceivedRequests()) and points the LAN
    // settings at it. False when it did not start; Sim().Error() says why.
    bool StartSim(std::vector<std::string> args);
    SimProcess& Sim() { return *sim_; }

    // The session, made on first use with `roots` for USB discovery.
    CommandSession& Session(UsbSearchRoots roots = {});

    // Connects over `kind` (USB finds the simulator's pseudo-terminal through a fake USB tree)
    // and takes the connected message. True when the connect succeeded and its message, to
    // kWindow, arrived. The log then gets a "--" line, where Log() begins.
    bool Connect(LinkKind kind);

    // A job to kWindow with kDone and kFailed, holding `requests` (each with `expectsData` and
    // `channel`).
    static CommandJob Job(const std::vector<std::pair<std::string, CommandCode>>& requests = {},
                          std::uint8_t expectsData = 1, std::uint8_t channel = 0);

    // The outcome of the job that ends next: Success for kDone, the wParam of kFailed. nullopt
    // when no message arrives within `limit`, or one that is not a job's outcome to kWindow (a
    // done message with a non-zero wParam included).
    std::optional<ResultCode> Outcome(std::chrono::milliseconds limit = std::chrono::seconds(15));

    // Starts `job` and waits for its outcome; nullopt also when the job could not start.
    std::optional<ResultCode> Run(const CommandJob& job);

    // The log after the "--" line Connect writes (all of it before), CR LF read as "\n".
    std::string Log() const;

    DeviceState device;
    LinkSettings settings;
    SessionEvents events;
    MessageInbox inbox;

  private:
    std::filesystem::path logPath_;
    CommLog log_;
    std::unique_ptr<SimProcess> sim_;
    std::unique_ptr<FakeUsbTree> usb_;
    std::unique_ptr<CommandSession> session_;
};

} // namespace va48
