#include "maintenance/update_steps.h"

#include "maintenance/firmware_image.h"
#include "protocol/request_builders.h"

#include <algorithm>
#include <array>

namespace va48 {

TextId StepStatusText(UpdateStep step) {
    switch (step) {
    case UpdateStep::Enter:
        return TextId::UpdateEnteringMode;
    case UpdateStep::Data:
        return TextId::UpdateTransferring;
    case UpdateStep::Write:
        return TextId::UpdateWriting;
    case UpdateStep::Reboot:
        return TextId::Rebooting;
    case UpdateStep::Abort:
        break;
    }
    return TextId::UpdateAborting;
}

StepReport ReportOnSuccess(UpdateStep step, bool rebootAfterUpdate) {
    switch (step) {
    case UpdateStep::Enter:
    case UpdateStep::Data:
        return StepReport::StepDone;
    case UpdateStep::Write:
        return rebootAfterUpdate ? StepReport::WriteDone : StepReport::Completed;
    case UpdateStep::Reboot:
        return StepReport::Completed;
    case UpdateStep::Abort:
        break;
    }
    return StepReport::Aborted;
}

bool BuildUpdateStepJob(const UpdateRequest& request, CommandJob& job) {
    job.count = 0;
    std::array<char, kRequestTextSize> text{};
    const auto length = static_cast<int>(request.data.size());
    if (BuildUpdate(static_cast<std::uint8_t>(request.step), request.data, length, text) < 0) {
        return false;
    }
    return job.Add(text.data(), CommandCode::UPD, 0, 0);
}

std::uint64_t ProgressTotal(std::uint64_t fileSize) {
    return fileSize + 3 * (fileSize / 100);
}

int ProgressPercent(std::uint64_t current, std::uint64_t total) {
    if (total == 0) {
        return 100;
    }
    return static_cast<int>(std::min<std::uint64_t>(current * 100 / total, 100));
}

UpdateSequence::UpdateSequence(std::string_view content, std::uint64_t fileSize,
                               bool rebootAfterUpdate)
    : content_(content), fileSize_(fileSize), total_(ProgressTotal(fileSize)),
      reboot_(rebootAfterUpdate) {}

UpdateRequest UpdateSequence::Start() {
    return {UpdateStep::Enter, {}};
}

UpdateRequest UpdateSequence::OnStepDone() {
    if (abortRequested_) {
        abortRequested_ = false;
        return {UpdateStep::Abort, {}};
    }
    // Entering counts 1 % of the file, each piece its length. A flag, not a zero progress, tells
    // the two apart: with a file under 100 bytes 1 % is 0 and no piece would ever count.
    current_ += entered_ ? lastPiece_ : fileSize_ / 100;
    entered_ = true;
    bytesSent_ += lastPiece_;
    const std::string_view piece = NextLinePiece(content_, offset_);
    lastPiece_ = piece.size();
    if (piece.empty()) {
        return {UpdateStep::Write, {}};
    }
    return {UpdateStep::Data, piece};
}

UpdateRequest UpdateSequence::OnWriteDone() {
    current_ += fileSize_ / 100;
    return {UpdateStep::Reboot, {}};
}

} // namespace va48
