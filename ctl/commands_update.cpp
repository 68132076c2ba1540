// update: the firmware update with the S-record check, progress on standard error.
#include "ctl/commands.h"

#include "ctl/texts.h"
#include "maintenance/firmware_image.h"
#include "maintenance/update_steps.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace va48 {

namespace {

bool Japanese() {
    return TextLanguage() == Language::Japanese;
}

// "Data transfer( 1200 / 34000 )..."
std::string TransferText(std::uint64_t sent, std::uint64_t size) {
    return FillIn(FillIn(Text(TextId::UpdateTransferring), std::to_string(sent)),
                  std::to_string(size));
}

// The file as the update sends it, checked before the amplifier is touched; nullopt with the
// failure reported when it is refused.
std::optional<FirmwareFile> CheckedFile(const std::filesystem::path& path, ExitStatus& status) {
    const std::string illegal = Text(TextId::UpdateIllegalFile);
    status = ExitStatus::File;
    if (!HasFirmwareExtension(path.string())) {
        Fail(status, illegal + " " + path.string());
        return std::nullopt;
    }
    std::optional<FirmwareFile> file = ReadFirmwareFile(path);
    if (!file) {
        Fail(status, illegal + " " + path.string());
        return std::nullopt;
    }
    const ImageTexts& texts = ImageTextsFor(Japanese());
    if (file->fileSize > kMaxFirmwareFileBytes) {
        const ImageProblem tooLarge{ImageFault::TooLarge, 0,
                                    static_cast<std::uint32_t>(kMaxFirmwareFileBytes >> 20)};
        Fail(status, illegal + " " + DescribeProblem(tooLarge, texts));
        return std::nullopt;
    }
    const ImageCheck check = CheckFirmwareImage(file->content);
    if (check.problem) {
        Fail(status, illegal + " " + DescribeProblem(*check.problem, texts));
        return std::nullopt;
    }
    std::fprintf(stderr, "%s: %s\n", path.string().c_str(),
                 DescribeSummary(check.summary, texts).c_str());
    return file;
}

bool Confirmed(const std::filesystem::path& path) {
    std::fprintf(stderr, "Write %s into the amplifier's program memory? [y/N] ",
                 path.string().c_str());
    std::fflush(stderr);
    std::string answer;
    std::getline(std::cin, answer);
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "YES";
}

} // namespace

ExitStatus RunUpdate(LinkTarget& target, const std::filesystem::path& path, bool yes) {
    ExitStatus status = ExitStatus::Success;
    const std::optional<FirmwareFile> file = CheckedFile(path, status);
    if (!file) {
        return status;
    }
    if (!yes && !Confirmed(path)) {
        return Fail(ExitStatus::Cancelled, Text(TextId::UpdateAborted));
    }
    AmplifierLink link(target);
    if (auto failed = Open(link)) {
        return *failed;
    }
    InstallStopHandler();

    UpdateSequence update(file->content, file->fileSize, target.settings.rebootAfterUpdate);
    const std::uint32_t replyTimeoutMs = target.settings.replyTimeoutMs;
    int shownPercent = -1;
    for (UpdateRequest request = update.Start();;) {
        if (request.step != UpdateStep::Data) {
            std::fprintf(stderr, "%s\n",
                         Text(static_cast<TextId>(StepStatusText(request.step))).c_str());
        } else if (update.Percent() != shownPercent) {
            shownPercent = update.Percent();
            std::fprintf(stderr, "%s %d%%\n",
                         TransferText(update.BytesSent(), update.FileSize()).c_str(), shownPercent);
        }
        // Writing the image takes the amplifier far longer than any other reply.
        if (request.step == UpdateStep::Write) {
            target.settings.replyTimeoutMs = target.settings.updateTimeoutMs;
        }
        CommandJob job;
        const ResultCode code =
            BuildUpdateStepJob(request, job) ? link.Run(job) : ResultCode::SendReceiveFailed;
        target.settings.replyTimeoutMs = replyTimeoutMs;
        if (code != ResultCode::Success) {
            return Fail(ExitStatusFor(code), FillIn(Text(TextId::UpdateFailed), ResultText(code)));
        }
        if (StopRequested()) {
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
            std::fprintf(stderr, "%s\n", Text(TextId::UpdateCompleted).c_str());
            return ExitStatus::Success;
        case StepReport::Aborted:
            return Fail(ExitStatus::Cancelled, Text(TextId::UpdateAborted));
        }
    }
}

} // namespace va48
