#include "maintenance/update_steps.h"

#include "protocol/frame.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace va48 {
namespace {

// A request as "UPD step [data]", the way the job frames it.
std::string Text(const UpdateRequest& request) {
    CommandJob job;
    EXPECT_TRUE(BuildUpdateStepJob(request, job));
    EXPECT_EQ(job.count, 1);
    EXPECT_EQ(job.entries[0].expectsData, 0);
    return std::string(FrameText({job.entries[0].frame.data(), job.entries[0].frameLength}));
}

// Runs a sequence as the dialog does when every step succeeds: the texts sent, and the bar after
// each acknowledged step. `abortAt`: Abort is pressed while that request (0-based) is under way.
struct Sent {
    std::vector<std::string> texts;
    std::vector<int> percents;
};
Sent RunAll(UpdateSequence& update, int abortAt = -1) {
    Sent run;
    UpdateRequest request = update.Start();
    for (int i = 0;; ++i) {
        run.texts.push_back(Text(request));
        if (i == abortAt) {
            update.RequestAbort();
        }
        switch (ReportOnSuccess(request.step, update.RebootAfterUpdate())) {
        case StepReport::StepDone:
            request = update.OnStepDone();
            break;
        case StepReport::WriteDone:
            request = update.OnWriteDone();
            break;
        case StepReport::Completed:
        case StepReport::Aborted:
            return run;
        }
        run.percents.push_back(update.Percent());
    }
}

TEST(UpdateSteps, SendEveryPieceBetweenEnteringAndWriting) {
    const std::string content = "S1a\nS1b\n" + std::string(300, 'c') + "\nS9";
    for (const bool reboot : {true, false}) {
        UpdateSequence update(content, content.size(), reboot);
        const Sent run = RunAll(update);
        std::vector<std::string> expected = {"UPD 1",
                                             "UPD 4 S1a\n",
                                             "UPD 4 S1b\n",
                                             "UPD 4 " + std::string(255, 'c'),
                                             "UPD 4 " + std::string(45, 'c') + "\n",
                                             "UPD 4 S9",
                                             "UPD 2"};
        if (reboot) {
            expected.push_back("UPD 3");
        }
        EXPECT_EQ(run.texts, expected);
        EXPECT_EQ(update.BytesSent(), content.size());
    }
}

TEST(UpdateSteps, ProgressOfA1000ByteFile) {
    // Ten lines of 99 characters and LF: 1 % for entering, each line, 1 % for writing.
    std::string content;
    for (int i = 0; i < 10; ++i) {
        content += std::string(99, 'x') + "\n";
    }
    UpdateSequence update(content, content.size(), true);
    EXPECT_EQ(update.Total(), 1030u);
    const Sent run = RunAll(update);
    // After entering 10 * 100 / 1030, after the last line 1010 * 100 / 1030, after writing 1020.
    EXPECT_EQ(run.percents, (std::vector<int>{0, 10, 20, 30, 39, 49, 59, 68, 78, 88, 98, 99}));
}

TEST(UpdateSteps, SmallAndEmptyFilesAvoidDividingByZero) {
    const std::string content = "S9030000FC\n"; // 11 bytes: 1 % is nothing
    UpdateSequence small(content, content.size(), false);
    EXPECT_EQ(RunAll(small).percents, (std::vector<int>{0, 100}));
    EXPECT_EQ(ProgressTotal(0), 0u);
    EXPECT_EQ(ProgressPercent(0, 0), 100);
    UpdateSequence empty("", 0, false);
    EXPECT_EQ(RunAll(empty).texts, (std::vector<std::string>{"UPD 1", "UPD 2"}));
}

TEST(UpdateSteps, AbortIsServedAtTheNextStepBoundary) {
    const std::string content = "S1a\nS1b\nS9\n";
    const struct {
        int abortAt;
        std::vector<std::string> texts;
    } rows[] = {
        {0, {"UPD 1", "UPD 0"}},                                             // while entering
        {3, {"UPD 1", "UPD 4 S1a\n", "UPD 4 S1b\n", "UPD 4 S9\n", "UPD 0"}}, // the last line
        {4, {"UPD 1", "UPD 4 S1a\n", "UPD 4 S1b\n", "UPD 4 S9\n", "UPD 2", "UPD 3"}}, // writing
    };
    for (const auto& row : rows) {
        UpdateSequence update(content, content.size(), true);
        EXPECT_EQ(RunAll(update, row.abortAt).texts, row.texts) << row.abortAt;
    }
}

} // namespace
} // namespace va48
