#include "protocol/command_session.h"

#include "protocol/reply_parsers.h"
#include "transport/lan_channel.h"
#include "transport/serial_channel.h"

#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace va48 {

namespace {

using std::chrono::milliseconds;

constexpr int kWorkerWaitSleeps = 30;
constexpr milliseconds kWorkerWaitSleep(100);

constexpr std::array<std::uint8_t, 1> kStartMarker = {kStx};
constexpr std::array<std::uint8_t, 2> kEndMarker = {kCr, kLf};

// Writes one formatted text to the log. The buffer holds a hexadecimal frame text and its prefix.
void LogF(CommLog& log, const char* format, ...) {
    std::array<char, kHexTextSize + 64> text{};
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
    case 105:
        return ResultCode::NotConnected;
    case kLanPeerClosed:
        return ResultCode::Disconnected;
    default:
        return ResultCode::CommunicationError;
    }
}

// Everything one worker needs; it owns its copy of the job.
struct WorkerTask {
    std::unique_ptr<CommandJob> job;
    LinkKind kind;
    ConnectionHandle handle;
    SessionContext* context;
    std::shared_ptr<void> controlKeepAlive;
    std::atomic<bool>* running;
    std::atomic<bool>* abandoned;
};

class Worker {
  public:
    explicit Worker(WorkerTask task) : task_(std::move(task)), c_(*task_.context) {}

    void Run() {
        const ResultCode result = RunEntries();
        if (result != kEndSilently && !task_.abandoned->load()) {
            const CommandJob& job = *task_.job;
            if (result == ResultCode::Success) {
                c_.post(job.notifyWindow, job.doneMessage, 0, 0);
            } else {
                c_.post(job.notifyWindow, job.failMessage, static_cast<std::uintptr_t>(result), 0);
            }
        }
        task_.running->store(false);
    }

  private:
    // Not a result code: the job ends without a message (disconnect, or given up).
    static constexpr auto kEndSilently = static_cast<ResultCode>(255);

    ResultCode RunEntries() {
        const CommandJob& job = *task_.job;
        for (std::uint16_t i = 0; i < job.count && i < kMaxJobEntries; ++i) {
            const ResultCode result = RunEntry(job.entries[i]);
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

        // Whatever is still buffered answers an earlier request (a reply that came after its
        // time-out) or is noise; it must not be taken for this request's reply.
        const int stale = Transport(TransportOperation::DiscardInput)->discardInput(task_.handle);
        if (stale > 0) {
            LogF(c_.log, "<< Discard Recv Data (%d) >>\n", stale);
        }

        LogHex("SendData -> %s\n", frame);
        LogF(c_.log, "\t(Data) : %.*s\n", static_cast<int>(PrintedText(frame).size()),
             PrintedText(frame).data());

        const int sent = Transport(TransportOperation::Send)->send(task_.handle, frame);
        if (task_.abandoned->load()) {
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
            if (task_.abandoned->load()) {
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
            case 1: {
                const int code = Transport(TransportOperation::LastError)->lastError(task_.handle);
                const ResultCode result = MapLinkError(code);
                LogF(c_.log, "Comm Notify Code=%d ErrorCode=%d\n", code, ToInt(result));
                return result;
            }
            case 2:
                c_.log.Write("<< Abort Event Recv (Recv) >>\n");
                return ResultCode::Aborted;
            default:
                c_.log.Write("<< Close Event Recv (Recv) >>\n");
                return kEndSilently;
            }
        }
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
            LogHex("RecvData <- %s\n", frame);
            if (frame.size() < kFrameOverhead) {
                c_.log.Write("Invalic Length\n");
                continue;
            }
            const std::string_view text = PrintedText(frame);
            LogF(c_.log, "\t(Data) : %.*s\n", static_cast<int>(text.size()), text.data());
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

    void LogHex(const char* format, std::span<const std::uint8_t> frame) {
        std::array<char, kHexTextSize> hex{};
        HexText(frame, hex);
        LogF(c_.log, format, hex.data());
    }

    const TransportEntry* Transport(TransportOperation operation) const {
        return FindTransport(operation, task_.kind);
    }

    WorkerTask task_;
    SessionContext& c_;
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

CommandSession::CommandSession(SessionContext context) : context_(std::move(context)) {}

CommandSession::~CommandSession() {
    Disconnect();
    JoinFinishedWorker();
    // A worker that was given up on ends by itself once its link is closed; wait for it here so
    // that nothing outlives what it refers to.
    for (std::thread& worker : abandonedWorkers_) {
        worker.join();
    }
}

bool CommandSession::WorkerRunning() const {
    return control_ && control_->running.load();
}

void CommandSession::JoinFinishedWorker() {
    if (worker_.joinable() && !WorkerRunning()) {
        worker_.join();
    }
}

bool CommandSession::WaitForWorker() {
    for (int sleeps = 0; WorkerRunning() && sleeps < kWorkerWaitSleeps; ++sleeps) {
        std::this_thread::sleep_for(kWorkerWaitSleep);
    }
    JoinFinishedWorker();
    return !WorkerRunning();
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
        if (FindUsbPort(settings.hardwareId, context_.usbRoots, port) != 0) {
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
            context_.log.Write("<< End Connection Thread Close >>\n");
            // The worker is no longer waited for. It must not report or touch the link once it
            // wakes; the link's channel keeps what the worker still holds alive until it lets go.
            control_->abandoned = true;
            control_->running = false;
            abandonedWorkers_.push_back(std::move(worker_));
        }
    }
    JoinFinishedWorker();
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
    auto copy = std::make_unique<CommandJob>(job);
    // Cleared here rather than on the worker, so that a disconnect right after this start is
    // not lost.
    for (AutoResetEvent* event : {&context_.events.recv, &context_.events.commNotify,
                                  &context_.events.cancel, &context_.events.close}) {
        event->Reset();
    }
    auto control = std::make_shared<WorkerControl>();
    WorkerTask task{std::move(copy), linkKind_,         linkHandle_,        &context_,
                    control,         &control->running, &control->abandoned};
    control_ = control;
    try {
        worker_ =
            std::thread([task = std::move(task)]() mutable { Worker(std::move(task)).Run(); });
    } catch (const std::system_error&) {
        context_.log.Write("_beginthread Failed\n");
        control_->running = false;
        return ResultCode::NotStarted;
    }
    return ResultCode::Success;
}

} // namespace va48
