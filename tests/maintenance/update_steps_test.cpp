#include "maintenance/update_steps.h"

#include "protocol/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace va48 {
namespace {

// Runs an update as the dialog does when every step succeeds: the request texts sent, and the
// bar after each acknowledged step. Abort is pressed while request `abortAt` (0-based) runs.
struct Sent {
    std::vector<std::string> texts;
    std::vector<int> percents;
};
Sent RunAll(const std::string& content, bool reboot, int abortAt = -1) {
    UpdateSequence update(content, content.size(), reboot);
    Sent sent;
    CommandJob job;
    for (UpdateRequest request = update.Start();;) {
        EXPECT_TRUE(BuildUpdateStepJob(request, job));
        EXPECT_EQ(job.entries[0].expectsData, 0);
        sent.texts.emplace_back(
            FrameText({job.entries[0].frame.data(), job.entries[0].frameLength}));
        if (static_cast<int>(sent.texts.size()) == abortAt + 1) {
            update.RequestAbort();
        }
        const StepReport report = ReportOnSuccess(request.step, reboot);
        if (report == StepReport::Completed || report == StepReport::Aborted) {
            return sent;
        }
        request = report == StepReport::StepDone ? update.OnStepDone() : update.OnWriteDone();
        sent.percents.push_back(update.Percent());
    }
}

TEST(UpdateSteps, SendEveryPieceBetweenEnteringAndWriting) {
    const std::string content = "S1a\nS1b\n" + std::string(300, 'c') + "\nS9";
    const std::vector<std::string> pieces = {"UPD 1",
                                             "UPD 4 S1a\n",
                                             "UPD 4 S1b\n",
                                             "UPD 4 " + std::string(255, 'c'),
                                             "UPD 4 " + std::string(45, 'c') + "\n",
                                             "UPD 4 S9",
                                             "UPD 2"};
    EXPECT_EQ(RunAll(content, false).texts, pieces);
}

TEST(UpdateSteps, ProgressCountsOnePercentForEnteringAndWriting) {
    std::string thousand; // ten lines of 99 characters and LF: a progress total of 1030
    for (int i = 0; i < 10; ++i) {
        thousand += std::string(99, 'x') + "\n";
    }
    const struct {
        std::string content;
        std::vector<int> percents;
    } rows[] = {
        {thousand, {0, 10, 20, 30, 39, 49, 59, 68, 78, 88, 98, 99}},
        // 1 % of 11 bytes is nothing, yet the line still counts.
        {"S9030000FC\n", {0, 100, 100}},
        // Nothing to send: the bar is full rather than a division by zero.
        {"", {100, 100}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RunAll(row.content, true).percents, row.percents) << row.content.size();
    }
}

TEST(UpdateSteps, AbortIsServedAtTheNextStepBoundary) {
    const std::string content = "S1a\nS9\n";
    const struct {
        int abortAt;
        std::vector<std::string> texts;
    } rows[] = {
        {0, {"UPD 1", "UPD 0"}},                                       // while entering
        {2, {"UPD 1", "UPD 4 S1a\n", "UPD 4 S9\n", "UPD 0"}},          // the last line: no write
        {3, {"UPD 1", "UPD 4 S1a\n", "UPD 4 S9\n", "UPD 2", "UPD 3"}}, // writing goes on
    };
    for (const auto& row : rows) {
        EXPECT_EQ(RunAll(content, true, row.abortAt).texts, row.texts) << row.abortAt;
    }
}

} // namespace
} // namespace va48
