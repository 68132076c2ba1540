#pragma once

#include "protocol/command_session.h"
#include "tests/support/fake_usb_tree.h"
#include "tests/support/message_inbox.h"
#include "tests/support/sim_process.h"

#include <unistd.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace va48 {

// A command session with everything it refers to, for the session tests, the benchmarks and the
// soak run. Its messages go to `inbox`, addressed to kWindow. The members are public: a test sets
// `settings` before the first Session() call (the reply time-out at any time) and reads `device`.
struct SessionRig {
    static constexpr WindowHandle kWindow = 7;
    static constexpr std::uint32_t kConnected = 1030;
    static constexpr std::uint32_t kDone = 1040;
    static constexpr std::uint32_t kFailed = 1041; // wParam: the ResultCode

    // `logName` names the log file in the temporary folder (the process id is added); empty for
    // no log. The file and its backup are removed at the end.
    explicit SessionRig(const std::string& logName)
        : logPath(logName.empty() ? std::filesystem::path()
                                  : std::filesystem::temp_directory_path() /
                                        (logName + "_" + std::to_string(::getpid()) + ".log")),
          log(logPath) {
        std::filesystem::remove(logPath);
        settings.lanAddress = {127, 0, 0, 1};
        settings.baudRate = 115200;
        settings.byteSize = 8;
        settings.hardwareId = "USB\\VID_7C4E&PID_0008";
        settings.replyTimeoutMs = 5000;
    }
    ~SessionRig() {
        session.reset(); // its worker may still write to the log
        if (!logPath.empty()) {
            std::filesystem::remove(logPath);
            std::filesystem::remove(log.BackupPath());
        }
    }
    SessionRig(const SessionRig&) = delete;
    SessionRig& operator=(const SessionRig&) = delete;

    // The session, made on the first call with `roots` for USB discovery.
    CommandSession& Session(UsbSearchRoots roots = {}) {
        if (!session) {
            session = std::make_unique<CommandSession>(
                SessionContext{device, settings, events, log, inbox.Deliver(), inbox.Deliver(),
                               kWindow, std::move(roots)});
        }
        return *session;
    }

    // Connects to `sim`: over LAN to its port, or over USB to its pseudo-terminal, found in a fake
    // device tree. True when the connection stands and its message came.
    bool Connect(LinkKind kind, const SimProcess& sim) {
        settings.lanPort = sim.Port();
        if (kind == LinkKind::Usb) {
            usb = std::make_unique<FakeUsbTree>(sim.PtyPath());
            Session({usb->SysfsRoot(), usb->DevRoot()});
        }
        if (Session().Connect(kind, kConnected) != ResultCode::Success) {
            return false;
        }
        const auto message =
            inbox.Wait(std::chrono::milliseconds(0)); // sent before Connect returns
        return message && message->window == kWindow && message->message == kConnected;
    }

    static CommandJob NewJob() {
        CommandJob job;
        job.notifyWindow = kWindow;
        job.doneMessage = kDone;
        job.failMessage = kFailed;
        return job;
    }

    // Runs `job` and returns the message it ended with; nullopt when it could not start or nothing
    // came within `limit`.
    std::optional<Message> RunFor(const CommandJob& job,
                                  std::chrono::milliseconds limit = std::chrono::seconds(15)) {
        if (Session().StartJob(job) != ResultCode::Success) {
            return std::nullopt;
        }
        return inbox.Wait(limit);
    }

    std::filesystem::path logPath;
    CommLog log;
    DeviceState device;
    LinkSettings settings;
    SessionEvents events;
    MessageInbox inbox;
    std::unique_ptr<FakeUsbTree> usb;
    std::unique_ptr<CommandSession> session; // last: goes first
};

} // namespace va48
