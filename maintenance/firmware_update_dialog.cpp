#include "maintenance/firmware_update_dialog.h"

#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/dialog_support.h"
#include "ui/messages.h"
#include "ui/ui_text.h"
#include "ui/window_message.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace va48 {

namespace {

constexpr int kPathId = 1800;
constexpr int kBrowseId = 1801;
constexpr int kStartId = 1802;
constexpr int kAbortId = 1803;
constexpr int kProgressId = 1804;
constexpr int kCloseId = 1805;
constexpr int kStatusId = 1806;
constexpr int kSummaryId = 1807; // what the chosen file holds

// The window message that reports each StepReport.
constexpr std::array<std::uint32_t, 4> kReportMessages = {UM_UPDATE_STEP_DONE, UM_UPDATE_WRITE_DONE,
                                                          UM_UPDATE_COMPLETED, UM_UPDATE_ABORTED};

const ImageTexts& Texts() {
    return ImageTextsFor(UiLanguage() == Language::Japanese);
}

QString FromUtf8(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::filesystem::path ToPath(const QString& path) {
    const QByteArray utf8 = path.toUtf8();
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// "Data transfer( %d / %d )...": bytes sent and the file size (both under 2^31: the file is
// limited to kMaxFirmwareFileBytes).
QString TransferText(std::uint64_t sent, std::uint64_t size) {
    QString text = UiText(StepStatusText(UpdateStep::Data));
    for (const std::uint64_t value : {sent, size}) {
        const qsizetype at = text.indexOf(QLatin1String("%d"));
        if (at >= 0) {
            text.replace(at, 2, QString::number(value));
        }
    }
    return text;
}

// "Update is failed. (%s)" with the message of the result code.
QString FailureText(std::uintptr_t result) {
    return UiText(TextId::UpdateFailed).replace(QLatin1String("%s"), ResultText(result));
}

// The file at `path` as Start would take it, or why it is refused: an empty problem text for a
// wrong name or an unreadable file ("Illegal file." says it all), else the S-record problem.
struct Examined {
    std::optional<FirmwareFile> file;
    std::optional<ImageProblem> problem;
    ImageSummary summary;
};
Examined Examine(const QString& path) {
    Examined result;
    if (!HasFirmwareExtension(path.toStdString())) {
        return result;
    }
    auto file = ReadFirmwareFile(ToPath(path));
    if (!file) {
        return result;
    }
    if (file->fileSize > kMaxFirmwareFileBytes) {
        result.problem = ImageProblem{ImageFault::TooLarge, 0,
                                      static_cast<std::uint32_t>(kMaxFirmwareFileBytes >> 20)};
        return result;
    }
    ImageCheck check = CheckFirmwareImage(file->content);
    result.problem = check.problem;
    result.summary = std::move(check.summary);
    if (!check.problem) {
        result.file = std::move(file);
    }
    return result;
}

} // namespace

FirmwareUpdateDialog::FirmwareUpdateDialog(LinkSettings& link, Hooks hooks)
    : QDialog(nullptr), link_(link), hooks_(std::move(hooks)),
      savedTimeoutMs_(link.replyTimeoutMs.load()), job_(std::make_unique<CommandJob>()) {
    // The main window forgets the dialog by its guarded pointer once it is gone.
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QString::number(219));
    setWindowTitle(UiText(TextId::AppTitle));
    setFont(DialogFont(8));

    path_ = new QLineEdit(this);
    path_->setObjectName(QString::number(kPathId));
    path_->setAccessibleName(QStringLiteral("File"));
    path_->setMinimumWidth(DialogUnitsX(200));
    browse_ = MakeDialogButton(this, QStringLiteral("..."), kBrowseId);
    browse_->setMinimumWidth(DialogUnitsX(16));
    browse_->setAutoDefault(false);
    summary_ = new QLabel(this);
    summary_->setObjectName(QString::number(kSummaryId));
    summary_->setWordWrap(true);
    status_ = new QLabel(this);
    status_->setObjectName(QString::number(kStatusId));
    progress_ = new QProgressBar(this);
    progress_->setObjectName(QString::number(kProgressId));
    progress_->setAccessibleName(QStringLiteral("Progress"));
    progress_->setRange(0, 100);
    start_ = MakeDialogButton(this, UiText(TextId::UpdateStart), kStartId);
    abort_ = MakeDialogButton(this, UiText(TextId::UpdateAbort), kAbortId);
    close_ = MakeDialogButton(this, UiText(TextId::UpdateClose), kCloseId);
    for (QPushButton* button : {start_, abort_, close_}) {
        button->setAutoDefault(false);
    }

    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(browse_);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setSpacing(10);
    layout->addLayout(pathRow);
    layout->addWidget(summary_);
    layout->addWidget(status_);
    layout->addWidget(progress_);
    layout->addLayout(ButtonRow({start_, abort_, close_}));

    connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
    connect(path_, &QLineEdit::editingFinished, this, [this] { ShowFileSummary(); });
    connect(start_, &QPushButton::clicked, this, [this] { Start(); });
    connect(abort_, &QPushButton::clicked, this, [this] {
        if (update_) {
            update_->RequestAbort();
            abort_->setEnabled(false);
        }
    });
    connect(close_, &QPushButton::clicked, this, [this] { close(); });

    ShowPhase(Phase::Idle);
    SetWindowIcons(this);
    CentreWhenShown(*this);
}

FirmwareUpdateDialog::~FirmwareUpdateDialog() {
    // Also when the dialog goes without being closed (the link torn down under it).
    link_.replyTimeoutMs = savedTimeoutMs_;
}

bool FirmwareUpdateDialog::event(QEvent* event) {
    static constexpr std::array<MessageRoute<FirmwareUpdateDialog>, 5> kRoutes = {{
        {UM_UPDATE_STEP_DONE,
         [](FirmwareUpdateDialog& d, const WindowMessageEvent&) { d.OnStepDone(); }},
        {UM_UPDATE_WRITE_DONE,
         [](FirmwareUpdateDialog& d, const WindowMessageEvent&) { d.OnWriteDone(); }},
        {UM_UPDATE_COMPLETED,
         [](FirmwareUpdateDialog& d, const WindowMessageEvent&) { d.OnCompleted(); }},
        {UM_UPDATE_ABORTED,
         [](FirmwareUpdateDialog& d, const WindowMessageEvent&) { d.OnAborted(); }},
        {UM_UPDATE_FAILED,
         [](FirmwareUpdateDialog& d, const WindowMessageEvent& m) { d.OnFailed(m.WParam()); }},
    }};
    return RouteWindowMessage(event, *this, kRoutes) || QDialog::event(event);
}

bool FirmwareUpdateDialog::Running() const {
    return phase_ == Phase::Running && update_;
}

void FirmwareUpdateDialog::OnStepDone() {
    if (!Running()) {
        return;
    }
    const UpdateRequest next = update_->OnStepDone();
    if (next.step != UpdateStep::Abort) {
        ShowProgress();
    }
    Send(next);
}

void FirmwareUpdateDialog::OnWriteDone() {
    if (!Running()) {
        return;
    }
    const UpdateRequest next = update_->OnWriteDone();
    ShowProgress();
    Send(next);
}

void FirmwareUpdateDialog::OnCompleted() {
    if (Running()) {
        Finish(UiText(TextId::UpdateCompleted));
    }
}

void FirmwareUpdateDialog::OnAborted() {
    if (Running()) {
        Finish(UiText(TextId::UpdateAborted));
    }
}

void FirmwareUpdateDialog::OnFailed(std::uintptr_t result) {
    if (Running()) {
        Finish(FailureText(result));
    }
}

void FirmwareUpdateDialog::closeEvent(QCloseEvent* event) {
    // Not QDialog's: it would go round through reject().
    link_.replyTimeoutMs = savedTimeoutMs_;
    if (!std::exchange(closeReported_, true) && hooks_.closed) {
        // A started update always reports a total above 0, so the link is dropped after it.
        hooks_.closed(started_ ? std::max<std::uint64_t>(update_->Total(), 1) : 0);
    }
    event->accept();
}

void FirmwareUpdateDialog::reject() {
    // Escape must not end an update half-way; the close box still can, as a deliberate act.
    if (phase_ != Phase::Running) {
        close();
    }
}

void FirmwareUpdateDialog::Browse() {
    const QString chosen =
        AskForFile({this, FileAccess::Open, UiText(TextId::UpdateSelectFile),
                    QStringList{QStringLiteral("MOT Files(*.mot)"), QStringLiteral("All Files(*)")},
                    path_->text(), QStringLiteral("mot")});
    if (!chosen.isEmpty()) {
        path_->setText(chosen);
        ShowFileSummary();
    }
}

void FirmwareUpdateDialog::ShowFileSummary() {
    if (phase_ != Phase::Idle) {
        return;
    }
    const QString path = path_->text();
    if (path.isEmpty()) {
        summary_->clear();
        return;
    }
    const Examined examined = Examine(path);
    if (examined.file) {
        summary_->setText(FromUtf8(DescribeSummary(examined.summary, Texts())));
    } else if (examined.problem) {
        summary_->setText(UiText(TextId::UpdateIllegalFile) + QLatin1Char(' ') +
                          FromUtf8(DescribeProblem(*examined.problem, Texts())));
    } else {
        summary_->setText(UiText(TextId::UpdateIllegalFile));
    }
}

void FirmwareUpdateDialog::Start() {
    Examined examined = Examine(path_->text());
    if (!examined.file) {
        QString text = UiText(TextId::UpdateIllegalFile);
        if (examined.problem) {
            text += QLatin1Char('\n') + FromUtf8(DescribeProblem(*examined.problem, Texts()));
        }
        ShowMessageBox(this, text, BoxIcon::Error);
        return;
    }
    file_ = std::move(*examined.file);
    summary_->setText(FromUtf8(DescribeSummary(examined.summary, Texts())));
    progress_->setValue(0);
    ShowPhase(Phase::Running);
    started_ = true;
    update_.emplace(file_.content, file_.fileSize, link_.rebootAfterUpdate);
    Send(update_->Start());
}

void FirmwareUpdateDialog::Send(const UpdateRequest& request) {
    if (request.step == UpdateStep::Data) {
        status_->setText(TransferText(update_->BytesSent(), update_->FileSize()));
    } else {
        status_->setText(UiText(StepStatusText(request.step)));
    }
    if (request.step == UpdateStep::Write) {
        // Writing the image takes the amplifier far longer than any other reply.
        link_.replyTimeoutMs = link_.updateTimeoutMs;
    }
    // Abort is served only between transfer steps; once writing it would wait for nothing.
    abort_->setEnabled(!update_->AbortRequested() &&
                       (request.step == UpdateStep::Enter || request.step == UpdateStep::Data));
    const StepReport report = ReportOnSuccess(request.step, update_->RebootAfterUpdate());
    job_->notifyWindow = hooks_.self;
    job_->doneMessage = kReportMessages[static_cast<std::size_t>(report)];
    job_->failMessage = UM_UPDATE_FAILED;
    if (!BuildUpdateStepJob(request, *job_) || !hooks_.startJob ||
        hooks_.startJob(*job_) != ResultCode::Success) {
        PostWindowMessage(this, UM_UPDATE_FAILED, ToInt(ResultCode::SendReceiveFailed));
    }
}

void FirmwareUpdateDialog::Finish(const QString& status) {
    if (started_ && hooks_.closeLink) {
        hooks_.closeLink();
    }
    link_.replyTimeoutMs = savedTimeoutMs_;
    ShowPhase(Phase::Finished);
    progress_->setValue(100);
    status_->setText(status);
}

void FirmwareUpdateDialog::ShowPhase(Phase phase) {
    phase_ = phase;
    const bool idle = phase == Phase::Idle;
    path_->setEnabled(idle);
    browse_->setEnabled(idle);
    start_->setVisible(idle);
    status_->setVisible(!idle);
    progress_->setVisible(!idle);
    abort_->setVisible(phase == Phase::Running);
    // Finished: Close takes Abort's place in the same row.
    close_->setVisible(phase != Phase::Running);
    if (phase == Phase::Finished) {
        close_->setFocus();
    }
}

void FirmwareUpdateDialog::ShowProgress() {
    progress_->setValue(update_->Percent());
}

} // namespace va48
