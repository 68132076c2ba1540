#pragma once

#include "protocol/comm_log.h"
#include "protocol/command_code.h"
#include "protocol/device_state.h"
#include "protocol/frame.h"
#include "protocol/link_settings.h"
#include "protocol/result_code.h"
#include "transport/auto_reset_event.h"
#include "transport/transport.h"
#include "transport/usb_discovery.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

namespace va48 {

// Identifies the window that receives a message; the application maps it to a real window.
using WindowHandle = std::uintptr_t;

// Delivers a window message (message number, wParam, lParam) to a window.
using MessageFn = std::function<void(WindowHandle window, std::uint32_t message,
                                     std::uintptr_t wParam, std::intptr_t lParam)>;

// One ready-made request of a job.
struct JobEntry {
    std::array<std::uint8_t, kMaxFrameSize> frame{};
    std::uint16_t frameLength = 0; // 7..1024
    CommandCode command = CommandCode::DID;
    std::uint8_t expectsData = 0; // 1: judge the reply with the command's parser
    std::uint8_t channel = 0;     // 1..16, 0 for none; handed to the parser and logged
};

inline constexpr std::size_t kMaxJobEntries = 256;

// A list of requests sent one after the other, and the window messages that report the outcome.
struct CommandJob {
    std::array<JobEntry, kMaxJobEntries> entries{};
    std::uint16_t count = 0;
    WindowHandle notifyWindow = 0;
    std::uint32_t doneMessage = 0; // posted with wParam 0 after the last entry succeeded
    std::uint32_t failMessage = 0; // posted with wParam = ResultCode of the first failure

    // Frames `text` into the next entry. False when the job is full or the text does not fit a
    // frame; the job is then unchanged.
    bool Add(std::string_view text, CommandCode command, std::uint8_t expectsData,
             std::uint8_t channel);
};

// What the session works with; everything referenced must outlive the session.
struct SessionContext {
    DeviceState& device;    // written by the reply parsers on the worker
    LinkSettings& settings; // read at connect; the reply time-out at every wait
    SessionEvents& events;
    CommLog& log;
    MessageFn post; // queued delivery; called from the worker thread
    MessageFn send; // immediate delivery; called on the caller's thread
    WindowHandle mainWindow = 0;
    UsbSearchRoots usbRoots; // where USB discovery looks
};

// Owns the link to the amplifier and runs command jobs on a worker thread, one at a time. Every
// outcome reaches the windows as a message; nothing here waits for the amplifier on the caller's
// thread except the bounded waits for a previous worker.
class CommandSession {
  public:
    explicit CommandSession(SessionContext context);
    ~CommandSession();

    CommandSession(const CommandSession&) = delete;
    CommandSession& operator=(const CommandSession&) = delete;

    // Opens the link of `kind` and, on success, sends `successMessage` to the main window before
    // returning Success. Failures: NotConnected (24), ComPortNotFound (28). An open link is
    // closed first.
    ResultCode Connect(LinkKind kind, std::uint32_t successMessage);

    // Ends a running worker (it posts nothing) and closes the link.
    void Disconnect();

    // Runs `job` on a worker (the job is copied; the caller may refill it at once). Returns
    // Success when the worker runs it; NotStarted (27) when a previous worker did not end within
    // about 3 s or no thread could be started. A job started while no link is open ends through
    // its fail message with NotConnected.
    ResultCode StartJob(const CommandJob& job);

    LinkKind Kind() const { return linkKind_; }
    ConnectionHandle Handle() const { return linkHandle_; }
    bool WorkerRunning() const;

    class WorkerThread;

  private:
    // True when no job runs any more (waits up to about 3 s for a running one).
    bool WaitForWorker();

    SessionContext context_;
    LinkKind linkKind_ = LinkKind::None;
    ConnectionHandle linkHandle_ = kNoConnection;
    std::unique_ptr<WorkerThread> worker_;
    std::vector<std::unique_ptr<WorkerThread>> abandonedWorkers_;
};

} // namespace va48
