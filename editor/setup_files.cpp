#include "editor/setup_files.h"

#include "editor/report_pdf.h"
#include "setup/amplifier_setup.h"
#include "setup/setup_apply.h"
#include "setup/setup_json.h"
#include "setup/setup_report.h"
#include "ui/dialog_seam.h"
#include "ui/file_commands.h"
#include "ui/ui_text.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <variant>

namespace va48 {

namespace {

// A setup file is a few tens of kilobytes; anything much larger is not one.
constexpr qint64 kSetupFileLimit = 1024 * 1024;

AmplifierSetup CurrentSetup(const DeviceState& device) {
    return SetupFromDevice(device, UtcTimestamp(std::chrono::system_clock::now()));
}

} // namespace

void SaveSetupFile(QWidget* owner, const DeviceState& device) {
    const QString path = AskForFile({owner,
                                     FileAccess::Save,
                                     FileDialogCaption(TextId::MenuSaveSetup),
                                     {UiText(TextId::SetupFileFilter)},
                                     QStringLiteral("setup.json"),
                                     QStringLiteral("json")});
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!WriteWholeFile(path, SetupToJson(CurrentSetup(device)), error)) {
        ShowFileFailure(owner, TextId::SetupSaveFailed, path, error, BoxIcon::Error);
    }
}

QString LoadSetupFile(QWidget* owner, DeviceState& device) {
    const QString path = AskForFile({owner,
                                     FileAccess::Open,
                                     FileDialogCaption(TextId::MenuLoadSetup),
                                     {UiText(TextId::SetupFileFilter)},
                                     {},
                                     {}});
    if (path.isEmpty()) {
        return {};
    }
    const auto refuse = [&](const QString& reason) {
        ShowFileFailure(owner, TextId::SetupLoadRefused, path, reason, BoxIcon::Exclamation);
        return QString();
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return refuse(file.errorString());
    }
    // One byte past the limit tells a file that is too large, also where no size is known.
    const QByteArray bytes = file.read(kSetupFileLimit + 1);
    if (bytes.size() > kSetupFileLimit) {
        return refuse(QStringLiteral("the file is larger than 1 MiB"));
    }
    if (file.error() != QFileDevice::NoError) {
        return refuse(file.errorString());
    }
    auto read =
        SetupFromJson(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (const auto* refusal = std::get_if<SetupRefusal>(&read)) {
        return refuse(QString::fromStdString(DescribeRefusal(*refusal)));
    }
    const AmplifierSetup& setup = std::get<AmplifierSetup>(read);
    if (const std::optional<SetupRefusal> misfit = CheckAgainstAmplifier(setup, device)) {
        return refuse(QString::fromStdString(DescribeRefusal(*misfit)));
    }
    if (CompareSetups(setup, CurrentSetup(device)).empty()) {
        ShowMessageBox(owner, UiText(TextId::SetupMatches), BoxIcon::Information);
        return {};
    }
    LoadIntoEditCopies(setup, device);
    ShowMessageBox(owner, UiText(TextId::SetupLoaded), BoxIcon::Information);
    return QFileInfo(path).fileName();
}

void ExportSetupReport(QWidget* owner, const DeviceState& device, const QString& loadedSetup) {
    const QString path = AskForFile({owner,
                                     FileAccess::Save,
                                     FileDialogCaption(TextId::MenuExportReport),
                                     {UiText(TextId::ReportFileFilter)},
                                     QStringLiteral("setup-report.pdf"),
                                     QStringLiteral("pdf")});
    if (path.isEmpty()) {
        return;
    }
    const AmplifierSetup setup = CurrentSetup(device);
    const ReportFacts facts{setup.firmwareVersion, setup.savedAt, loadedSetup.toStdString()};
    const QFileInfo pdf(path);
    const QString csvPath = pdf.dir().filePath(pdf.completeBaseName() + QStringLiteral(".csv"));
    QString error;
    if (!WriteReportPdf(path, setup, facts, error)) {
        ShowFileFailure(owner, TextId::ReportWriteFailed, path, error, BoxIcon::Error);
        return;
    }
    if (!WriteWholeFile(csvPath, ReportCsv(setup, facts), error)) {
        ShowFileFailure(owner, TextId::ReportWriteFailed, csvPath, error, BoxIcon::Error);
    }
}

} // namespace va48
