#include "protocol/command_session.h"

#include "protocol/reply_parsers.h"
#include "transport/lan_channel.h"
#include "transport/serial_channel.h"

#include <chrono>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace va48 {

namespace {

using std::chrono::milliseconds;

// How long a start or a disconnect waits for a running job before giving up on it.
constexpr milliseconds kWorkerWaitLimit(3000);

constexpr std::array<std::uint8_t, 1> kStartMarker = {kStx};
constexpr std::array<std::uint8_t, 2> kEndMarker = {kCr, kLf};

// Writes one formatted text to the log. The buffer holds a frame's hexadecimal text, the frame's
// text and their prefixes.
void LogF(CommLog& log, const char* format, ...) {
    std::array<char, kHexTextSize + kMaxFrameSize + 64> text{};
    va_list args;
    va_start(args, format);
    std::vsnprintf(text.data(), text.size(), format, args);
    va_end(args);
    log.Write(text.data());
}

// The text of a frame as "%s" would print it: up to the ETX, or an earlier NUL.
std::string_view PrintedText(std::span<const std::uint8_t> frame) {
    const std::string_view text = FrameText(frame);
    return text.substr(0, text.find('\0'));
}

ResultCode MapLinkError(int code) {
    switch (code) {
    case kSerialOpenFailed:
    case kSerialConfigureFailed:
    case kSerialNoRing:
    case 105: // counted among the open faults, though no channel stores it today
        return ResultCode::NotConnected;
    case kLanPeerClosed:
        return ResultCode::Disconnected;
    default:
        return ResultCode::CommunicationError;
    }
}

// One job as the worker runs it: the job's header and its used entries (a job is mostly unused
// room), with the link it was started on.
struct WorkerTask {
    WindowHandle notifyWindow = 0;
    std::uint32_t doneMessage = 0;
    std::uint32_t failMessage = 0;
    std::vector<JobEntry> entries;
    LinkKind kind = LinkKind::None;
    ConnectionHandle handle = kNoConnection;
};

// Runs one job and posts its outcome.
class Worker {
  public:
    Worker(const WorkerTask& task, SessionContext& context, const std::atomic<bool>& abandoned)
        : task_(task), c_(context), abandoned_(abandoned) {}

    void Run() {
        const ResultCode result = RunEntries();
        if (result != kEndSilently && !abandoned_.load()) {
            if (result == ResultCode::Success) {
                c_.post(task_.notifyWindow, task_.doneMessage, 0, 0);
            } else {
                c_.post(task_.notifyWindow, task_.failMessage, static_cast<std::uintptr_t>(result),
                        0);
            }
        }
    }

  private:
    // Not a result code: the job ends without a message (disconnect, or given up).
    static constexpr auto kEndSilently = static_cast<ResultCode>(255);

    ResultCode RunEntries() {
        for (const JobEntry& entry : task_.entries) {
            const ResultCode result = RunEntry(entry);
            if (result != ResultCode::Success) {
                return result;
            }
        }
        return ResultCode::Success;
    }

    ResultCode RunEntry(const JobEntry& entry) {
        ReplyRecord record;
        record.command = entry.command;
        record.expectsData = entry.expectsData;
        record.channel = entry.channel;
        const std::span<const std::uint8_t> frame(
            entry.frame.data(), std::min<std::size_t>(entry.frameLength, entry.frame.size()));

        // A worker given up on must leave the link alone: by now the handle may name the next
        // link. Hence the look before every step that touches it.
        if (abandoned_.load()) {
            return kEndSilently;
        }
        // A link that ended between two jobs (or two entries) fails the entry at once: its end
        // was signalled before this job reset the events, and it would never answer.
        if (const auto lost = LinkLost()) {
            return *lost;
        }

        // Whatever is still buffered answers an earlier request (a reply that came after its
        // time-out) or is noise; it must not be taken for this request's reply.
        const int stale = Transport(TransportOperation::DiscardInput)->discardInput(task_.handle);
        if (stale > 0) {
            LogF(c_.log, "<< Discard Recv Data (%d) >>\n", stale);
        }

        LogFrame("SendData -> ", frame);

        if (abandoned_.load()) {
            return kEndSilently;
        }
        const int sent = Transport(TransportOperation::Send)->send(task_.handle, frame);
        if (abandoned_.load()) {
            return kEndSilently;
        }
        if (sent != static_cast<int>(frame.size())) {
            if (TryTake(c_.events.cancel)) {
                c_.log.Write("<< Abort Event Recv (Send) >>\n");
                return ResultCode::Aborted;
            }
            if (TryTake(c_.events.close)) {
                c_.log.Write("<< Close Event Recv (Send) >>\n");
                return kEndSilently;
            }
            if (const auto lost = LinkLost()) {
                return *lost;
            }
            c_.log.Write("<< Send Error >>\n");
            return ResultCode::SendFailed;
        }
        return AwaitReply(record);
    }

    ResultCode AwaitReply(ReplyRecord& record) {
        AutoResetEvent* const events[] = {&c_.events.recv, &c_.events.commNotify, &c_.events.cancel,
                                          &c_.events.close};
        for (;;) {
            // The time-out is read afresh at every wait: the tools may change it.
            const milliseconds timeout(c_.settings.replyTimeoutMs.load());
            const int signalled = WaitAny(events, timeout);
            if (abandoned_.load()) {
                return kEndSilently;
            }
            switch (signalled) {
            case kWaitTimeout:
                c_.log.Write("<< Recv Timeout >>\n");
                return ResultCode::ReplyTimeout;
            case 0:
                if (const auto result = TakeReplies(record)) {
                    return *result;
                }
                break; // no complete reply yet: wait again with a full time-out
            case 1:
                return LinkError(Transport(TransportOperation::LastError)->lastError(task_.handle));
            case 2:
                c_.log.Write("<< Abort Event Recv (Recv) >>\n");
                return ResultCode::Aborted;
            default:
                c_.log.Write("<< Close Event Recv (Recv) >>\n");
                return kEndSilently;
            }
        }
    }

    // The result for a channel's error code, logged as the channel's report is.
    ResultCode LinkError(int code) {
        const ResultCode result = MapLinkError(code);
        LogF(c_.log, "Comm Notify Code=%d ErrorCode=%d\n", code, ToInt(result));
        return result;
    }

    // The result for a link that can no longer carry a request; nullopt while it can.
    std::optional<ResultCode> LinkLost() {
        const int fault = Transport(TransportOperation::LinkFault)->linkFault(task_.handle);
        if (fault == 0) {
            return std::nullopt;
        }
        return LinkError(fault);
    }

    // Takes buffered frames until one is a reply (judged) or none is left (nullopt). A frame
    // too short to be a reply is logged and skipped; a real reply buffered behind it is taken
    // at once rather than left waiting for an event that already came.
    std::optional<ResultCode> TakeReplies(ReplyRecord& record) {
        for (;;) {
            const int length =
                Transport(TransportOperation::ReceiveFrame)
                    ->receiveFrame(task_.handle, kStartMarker, kEndMarker, buffer_, 1);
            if (length <= 0) {
                return std::nullopt;
            }
            const std::span<const std::uint8_t> frame(buffer_.data(),
                                                      static_cast<std::size_t>(length));
            LogFrame("RecvData <- ", frame);
            if (frame.size() < kFrameOverhead) {
                continue;
            }
            SplitReply(frame, record);
            const ResultCode result = JudgeReply(record, c_.device);
            if (result != ResultCode::Success) {
                LogF(c_.log, "Command Process Failed <Cmd=%.*s Param=%d>\n",
                     static_cast<int>(CommandName(record.command).size()),
                     CommandName(record.command).data(), record.channel);
            }
            return result;
        }
    }

    // Logs a frame as hexadecimal text, then its text, or "Invalic Length" for a frame too short
    // to hold one. The lines go out in one write: they belong together, and every write costs.
    void LogFrame(const char* prefix, std::span<const std::uint8_t> frame) {
        std::array<char, kHexTextSize> hex{};
        HexText(frame, hex);
        if (frame.size() < kFrameOverhead) {
            LogF(c_.log, "%s%s\nInvalic Length\n", prefix, hex.data());
        } else {
            const std::string_view text = PrintedText(frame);
            LogF(c_.log, "%s%s\n\t(Data) : %.*s\n", prefix, hex.data(),
                 static_cast<int>(text.size()), text.data());
        }
    }

    const TransportEntry* Transport(TransportOperation operation) const {
        return FindTransport(operation, task_.kind);
    }

    const WorkerTask& task_;
    SessionContext& c_;
    const std::atomic<bool>& abandoned_;
    std::array<std::uint8_t, kMaxFrameSize> buffer_{};
};

} // namespace

bool CommandJob::Add(std::string_view text, CommandCode command, std::uint8_t expectsData,
                     std::uint8_t channel) {
    if (count >= kMaxJobEntries) {
        return false;
    }
    JobEntry& entry = entries[count];
    const int length = BuildRequestFrame(text, entry.frame);
    if (length < 0) {
        return false;
    }
    entry.frameLength = static_cast<std::uint16_t>(length);
    entry.command = command;
    entry.expectsData = expectsData;
    entry.channel = channel;
    ++count;
    return true;
}

// The session's worker: one thread that runs the jobs handed to it, one at a time. Keeping the
// thread between jobs saves a thread start on every request of the poll and the firmware update.
class CommandSession::WorkerThread {
  public:
    explicit WorkerThread(SessionContext& context)
        : context_(context), thread_([this] { Loop(); }) {}

    ~WorkerThread() {
        {
            const std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    // Hands over a job; the caller has made sure none runs.
    void Start(WorkerTask task) {
        {
            const std::lock_guard lock(mutex_);
            task_ = std::move(task);
            pending_ = true;
            running_ = true;
            jobHanded_ = true;
        }
        changed_.notify_all();
    }

    bool Running() const {
        const std::lock_guard lock(mutex_);
        return running_;
    }

    // True when no job runs, waiting up to `limit` for a running one to end.
    bool WaitIdle(std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return !running_; });
    }

    // Given up on: the running job ends without a message, and the thread ends after it.
    void Abandon() {
        abandoned_ = true;
        {
            const std::lock_guard lock(mutex_);
            quit_ = true;
        }
        changed_.notify_all();
    }

  private:
    void Loop() {
        std::unique_lock lock(mutex_);
        for (;;) {
            changed_.wait(lock, [this] { return pending_ || quit_; });
            if (!pending_) {
                return;
            }
            pending_ = false;
            jobHanded_ = false;
            lock.unlock();
            Worker(task_, context_, abandoned_).Run();
            lock.lock();
            running_ = false;
            changed_.notify_all();
            lock.unlock();
            AwaitNextJobBriefly();
            lock.lock();
        }
    }

    // The next job of a sequence usually follows within microseconds of the last one's message;
    // looking for it a little before sleeping saves a wake-up per job.
    void AwaitNextJobBriefly() const {
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(60);
        while (!jobHanded_.load(std::memory_order_acquire) &&
               std::chrono::steady_clock::now() < until) {
            std::this_thread::yield();
        }
    }

    SessionContext& context_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    WorkerTask task_;      // written under the lock while no job runs
    bool pending_ = false; // a job was handed over and not yet taken
    bool running_ = false; // a job was handed over and has not ended
    bool quit_ = false;
    std::atomic<bool> abandoned_{false};
    std::atomic<bool> jobHanded_{false}; // pending_, readable without the lock
    std::thread thread_;                 // last: starts once everything above exists
};

CommandSession::CommandSession(SessionContext context) : context_(std::move(context)) {}

CommandSession::~CommandSession() {
    Disconnect();
    worker_.reset();
    // A worker that was given up on ends by itself once its link is closed; its thread is
    // joined here so that nothing outlives what it refers to.
    abandonedWorkers_.clear();
}

bool CommandSession::WorkerRunning() const {
    return worker_ && worker_->Running();
}

bool CommandSession::WaitForWorker() {
    return !worker_ || worker_->WaitIdle(kWorkerWaitLimit);
}

ResultCode CommandSession::Connect(LinkKind kind, std::uint32_t successMessage) {
    if (linkHandle_ != kNoConnection) {
        Disconnect();
    }
    LinkSettings& settings = context_.settings;
    if (kind == LinkKind::Lan) {
        linkKind_ = LinkKind::Lan;
        LanSettings lan;
        char address[32];
        std::snprintf(address, sizeof address, "%d.%d.%d.%d", settings.lanAddress[0],
                      settings.lanAddress[1], settings.lanAddress[2], settings.lanAddress[3]);
        lan.address = address;
        lan.port = static_cast<std::uint16_t>(settings.lanPort & 0xFFFF);
        context_.log.Write("LAN Connection Start\n");
        linkHandle_ = LanOpen(lan, &context_.events.recv, &context_.events.commNotify);
    } else if (kind == LinkKind::Usb) {
        linkKind_ = LinkKind::Usb;
        std::uint32_t port = 0;
        if (FindUsbPort(settings.hardwareId, context_.usbRoots, port, settings.usbSerialNumber) !=
            0) {
            linkKind_ = LinkKind::None;
            return ResultCode::ComPortNotFound;
        }
        settings.comPort = port;
        const int number = static_cast<int>(port);
        SetSerialBaudRate(number, settings.baudRate);
        SetSerialByteSize(number, settings.byteSize);
        SetSerialParity(number, settings.parityEnabled, settings.parityKind);
        SetSerialStopBits(number, settings.stopBits);
        context_.log.Write("USB Connection Start\n");
        linkHandle_ = SerialOpen(number, &context_.events.recv, &context_.events.commNotify);
    } else {
        linkHandle_ = kNoConnection;
        linkKind_ = LinkKind::None;
        return ResultCode::NotConnected;
    }
    if (linkHandle_ == kNoConnection) {
        linkKind_ = LinkKind::None;
        return ResultCode::NotConnected;
    }
    context_.send(context_.mainWindow, successMessage, 0, 0);
    return ResultCode::Success;
}

void CommandSession::Disconnect() {
    if (WorkerRunning()) {
        context_.events.close.Set();
        if (!WaitForWorker()) {
            // The worker is no longer waited for. It must not report or use the link once it
            // wakes; the channel keeps what the worker still holds alive until it lets go. It is
            // told before anything else happens here: it may be held in the log, whose next
            // write would wait for it.
            worker_->Abandon();
            context_.log.Write("<< End Connection Thread Close >>\n");
            abandonedWorkers_.push_back(std::move(worker_));
        }
    }
    if (linkHandle_ != kNoConnection) {
        if (linkKind_ == LinkKind::Usb) {
            SerialClose(linkHandle_);
            context_.log.Write("USB Connection End\n");
        } else if (linkKind_ == LinkKind::Lan) {
            LanClose(linkHandle_);
            context_.log.Write("LAN Connection End\n");
        }
        linkHandle_ = kNoConnection;
    }
}

ResultCode CommandSession::StartJob(const CommandJob& job) {
    if (!WaitForWorker()) {
        return ResultCode::NotStarted;
    }
    if (linkHandle_ == kNoConnection) {
        context_.post(job.notifyWindow, job.failMessage, ToInt(ResultCode::NotConnected), 0);
        return ResultCode::Success;
    }
    if (!worker_) {
        try {
            worker_ = std::make_unique<WorkerThread>(context_);
        } catch (const std::system_error&) {
            context_.log.Write("_beginthread Failed\n");
            return ResultCode::NotStarted;
        }
    }
    // Cleared here rather than on the worker, so that a disconnect right after this start is
    // not lost.
    for (AutoResetEvent* event : {&context_.events.recv, &context_.events.commNotify,
                                  &context_.events.cancel, &context_.events.close}) {
        event->Reset();
    }
    const std::size_t used = std::min<std::size_t>(job.count, kMaxJobEntries);
    worker_->Start({job.notifyWindow, job.doneMessage, job.failMessage,
                    std::vector<JobEntry>(job.entries.begin(), job.entries.begin() + used),
                    linkKind_, linkHandle_});
    return ResultCode::Success;
}

} // namespace va48
