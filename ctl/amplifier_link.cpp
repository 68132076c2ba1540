#include "ctl/amplifier_link.h"

#include "ctl/texts.h"
#include "shell/sequence_jobs.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace va48 {

namespace {

using std::chrono::milliseconds;

constexpr WindowHandle kWindow = 1;
constexpr std::uint32_t kConnected = 1;
constexpr std::uint32_t kDone = 2;
constexpr std::uint32_t kFailed = 3;

// How long and how often a TEDS reading still under way is asked after.
constexpr milliseconds kTedsPause{100};
constexpr int kMaxTedsRounds = 300;

} // namespace

AmplifierLink::AmplifierLink(LinkTarget& target) : target_(target), log_(target.logPath) {
    const MessageFn post = [this](WindowHandle, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t) {
        {
            const std::lock_guard lock(mutex_);
            outcomes_.emplace_back(message, wParam);
        }
        arrived_.notify_all();
    };
    // Only Connect sends, and its return value says the same.
    const MessageFn send = [](WindowHandle, std::uint32_t, std::uintptr_t, std::intptr_t) {};
    session_ = std::make_unique<CommandSession>(SessionContext{
        device_, target_.settings, events_, log_, post, send, kWindow, target_.usbRoots});
}

AmplifierLink::~AmplifierLink() {
    session_.reset();
}

ResultCode AmplifierLink::Connect() {
    return session_->Connect(target_.kind, kConnected);
}

ResultCode AmplifierLink::Run(CommandJob job) {
    job.notifyWindow = kWindow;
    job.doneMessage = kDone;
    job.failMessage = kFailed;
    {
        const std::lock_guard lock(mutex_);
        outcomes_.clear();
    }
    if (session_->StartJob(job) != ResultCode::Success) {
        return ResultCode::SendReceiveFailed;
    }
    const auto limit = milliseconds(static_cast<std::int64_t>(job.count + 1) *
                                        (target_.settings.replyTimeoutMs.load() + 2000) +
                                    5000);
    std::unique_lock lock(mutex_);
    if (!arrived_.wait_for(lock, limit, [this] { return !outcomes_.empty(); })) {
        lock.unlock();
        session_->Disconnect();
        return ResultCode::ReplyTimeout;
    }
    const auto [message, wParam] = outcomes_.front();
    outcomes_.pop_front();
    return message == kDone ? ResultCode::Success : static_cast<ResultCode>(wParam);
}

Outcome AmplifierLink::ReadAll(std::string* warnings) {
    CommandJob job;
    BuildDeviceIndexJob(job);
    if (const ResultCode code = Run(job); code != ResultCode::Success) {
        return {code};
    }
    if (!AnyChannelPresent(device_)) {
        return {ResultCode::NoDevice};
    }
    BuildSettingsQueryJob(device_, job);
    if (const ResultCode code = Run(job); code != ResultCode::Success) {
        return {code};
    }
    BuildUserFilterQueryJob(device_, job);
    if (const ResultCode code = Run(job); code != ResultCode::Success) {
        return {code};
    }
    for (int round = 0;; ++round) {
        BuildTedsQueryJob(device_, job);
        if (const ResultCode code = Run(job); code != ResultCode::Success) {
            return {code};
        }
        const TedsEvaluation evaluation = EvaluateTeds(device_, tedsWatch_);
        if (evaluation.pending != 0) {
            // The viewer asks again at once and for as long as it takes; a sensor that never
            // finishes must not hold a script for ever.
            if (round >= kMaxTedsRounds) {
                return {ResultCode::ReplyTimeout};
            }
            std::this_thread::sleep_for(kTedsPause);
            continue;
        }
        if (std::any_of(evaluation.failed.begin(), evaluation.failed.end(),
                        [](bool failed) { return failed; })) {
            if (warnings) {
                *warnings += TedsFailureText(evaluation, Text(TextId::TedsFailedHeading),
                                             Text(TextId::TedsFailedLine));
            }
            BuildTedsRetryJob(evaluation, tedsWatch_, job);
            if (const ResultCode code = Run(job); code != ResultCode::Success) {
                return {code};
            }
        }
        break;
    }
    BuildSettingsQueryJob(device_, job);
    if (const ResultCode code = Run(job); code != ResultCode::Success) {
        return {code};
    }
    // The closing TEC round ends the read-all whatever its outcome, as in the viewer.
    BuildTedsExecuteJob(device_, job);
    Run(job);
    const UserFilterCheckResult check = CheckUserFilters(device_);
    if (check.channel != 0) {
        log_.Write(check.check.logLine);
        return {check.check.result, check.channel};
    }
    return {};
}

} // namespace va48
