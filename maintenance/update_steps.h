#pragma once

#include "resources/text_id.h"

#include "protocol/command_session.h"

#include <cstdint>
#include <string_view>

namespace va48 {

// The firmware update as a sequence of UPD steps, without a window: which step follows which,
// what each one queues, and the progress figures. The dialog shows and sends what this decides.

// UPD step numbers as the amplifier knows them.
enum class UpdateStep : std::uint8_t { Abort = 0, Enter = 1, Write = 2, Reboot = 3, Data = 4 };

// What the session reports when a step succeeds; the dialog names a window message for each.
enum class StepReport : std::uint8_t { StepDone, WriteDone, Completed, Aborted };

// One UPD request: the step, and for Data one piece of the file (a view into its content).
struct UpdateRequest {
    UpdateStep step = UpdateStep::Enter;
    std::string_view data;
};

// String-table number of the status shown while `step` is under way (394 to 397, 399).
TextId StepStatusText(UpdateStep step);

// What the session reports when `step` succeeds: Enter and Data StepDone, Write WriteDone when
// the amplifier is to reboot after it (else Completed), Reboot Completed, Abort Aborted.
StepReport ReportOnSuccess(UpdateStep step, bool rebootAfterUpdate);

// Empties `job` and adds the one UPD write entry for `request` (no reply data expected). False
// when the text does not fit a frame, which a piece of at most 255 characters never does.
bool BuildUpdateStepJob(const UpdateRequest& request, CommandJob& job);

// Progress units: the file size plus 1 % of it for each of entering, writing and the end.
// 0 for an empty file.
std::uint64_t ProgressTotal(std::uint64_t fileSize);

// current * 100 / total, at most 100; 100 when total is 0 (nothing to wait for).
int ProgressPercent(std::uint64_t current, std::uint64_t total);

// One update over one file's text-mode content (see firmware_image.h), sent piece by piece.
// Holds a view of `content`, which must outlive it.
class UpdateSequence {
  public:
    UpdateSequence(std::string_view content, std::uint64_t fileSize, bool rebootAfterUpdate);

    // Step 1: enter update mode.
    UpdateRequest Start();

    // After Enter or a Data step succeeded: Abort when asked for (the request is then served),
    // else the next piece of the file, or Write after the last one.
    UpdateRequest OnStepDone();

    // After Write succeeded (only asked when the amplifier reboots after it): Reboot.
    UpdateRequest OnWriteDone();

    // Asks for the update to stop at the next step boundary. Write and Reboot are no such
    // boundary: once the image is being written it runs to its end.
    void RequestAbort() { abortRequested_ = true; }
    bool AbortRequested() const { return abortRequested_; }

    bool RebootAfterUpdate() const { return reboot_; }
    std::uint64_t FileSize() const { return fileSize_; }
    std::uint64_t BytesSent() const { return bytesSent_; } // pieces acknowledged, in characters
    std::uint64_t Total() const { return total_; }
    std::uint64_t Current() const { return current_; }
    int Percent() const { return ProgressPercent(current_, total_); }

  private:
    std::string_view content_;
    std::size_t offset_ = 0; // next piece starts here
    std::uint64_t fileSize_ = 0;
    std::uint64_t total_ = 0;
    std::uint64_t current_ = 0;
    std::uint64_t bytesSent_ = 0;
    std::uint64_t lastPiece_ = 0; // length of the piece under way
    bool entered_ = false;        // update mode acknowledged
    bool reboot_ = false;
    bool abortRequested_ = false;
};

} // namespace va48
