#include "tests/support/session_rig.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace va48 {

namespace {

std::filesystem::path LogPath(const std::string& name) {
    if (name.empty()) {
        return {};
    }
    return std::filesystem::temp_directory_path() /
           ("va48_" + name + "_" + std::to_string(::getpid()) + ".log");
}

constexpr std::string_view kLogMark = "--\n";

} // namespace

SessionRig::SessionRig(const std::string& logName) : logPath_(LogPath(logName)), log_(logPath_) {
    std::error_code ignored;
    std::filesystem::remove(logPath_, ignored); // a log a killed run left behind
    settings.lanAddress = {127, 0, 0, 1};
    settings.baudRate = 115200;
    settings.byteSize = 8;
    settings.hardwareId = "USB\\VID_7C4E&PID_0008";
    settings.replyTimeoutMs = 5000;
}

SessionRig::~SessionRig() {
    session_.reset(); // ask the worker to end and join it before what it refers to goes
    std::error_code ignored;
    std::filesystem::remove(logPath_, ignored);
    std::filesystem::remove(log_.BackupPath(), ignored);
}

bool SessionRig::StartSim(std::vector<std::string> args) {
    sim_ = std::make_unique<SimProcess>(std::move(args));
    settings.lanPort = sim_->Port();
    return sim_->Started();
}

CommandSession& SessionRig::Session(UsbSearchRoots roots) {
    if (!session_) {
        session_ = std::make_unique<CommandSession>(SessionContext{device, settings, events, log_,
                                                                   inbox.Deliver(), inbox.Deliver(),
                                                                   kWindow, std::move(roots)});
    }
    return *session_;
}

bool SessionRig::Connect(LinkKind kind) {
    if (kind == LinkKind::Usb && sim_ && !usb_) {
        usb_ = std::make_unique<FakeUsbTree>(sim_->PtyPath());
    }
    const ResultCode result =
        Session(usb_ ? UsbSearchRoots{usb_->SysfsRoot(), usb_->DevRoot()} : UsbSearchRoots{})
            .Connect(kind, kConnected);
    const auto message = inbox.Wait(std::chrono::milliseconds(0));
    log_.Write(kLogMark);
    return result == ResultCode::Success && message && message->window == kWindow &&
           message->message == kConnected;
}

CommandJob SessionRig::Job(const std::vector<std::pair<std::string, CommandCode>>& requests,
                           std::uint8_t expectsData, std::uint8_t channel) {
    CommandJob job;
    job.notifyWindow = kWindow;
    job.doneMessage = kDone;
    job.failMessage = kFailed;
    for (const auto& [text, command] : requests) {
        job.Add(text, command, expectsData, channel);
    }
    return job;
}

std::optional<ResultCode> SessionRig::Outcome(std::chrono::milliseconds limit) {
    const auto message = inbox.Wait(limit);
    if (!message || message->window != kWindow) {
        return std::nullopt;
    }
    if (message->message == kDone && message->wParam == 0) {
        return ResultCode::Success;
    }
    if (message->message == kFailed) {
        return static_cast<ResultCode>(message->wParam);
    }
    return std::nullopt;
}

std::optional<ResultCode> SessionRig::Run(const CommandJob& job) {
    if (Session().StartJob(job) != ResultCode::Success) {
        return std::nullopt;
    }
    return Outcome();
}

std::string SessionRig::Log() const {
    std::ifstream in(logPath_, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string log = text.str();
    std::string plain;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (!(log[i] == '\r' && i + 1 < log.size() && log[i + 1] == '\n')) {
            plain += log[i];
        }
    }
    const std::size_t mark = plain.find(kLogMark);
    return mark == std::string::npos ? plain : plain.substr(mark + kLogMark.size());
}

} // namespace va48
