#include "filters/filter_files.h"

#include "filters/filter_csv.h"
#include "resources/text_id.h"
#include "ui/dialog_seam.h"
#include "ui/file_commands.h"
#include "ui/ui_text.h"

#include <QFile>

#include <initializer_list>

namespace va48 {

namespace {

constexpr qint64 kImportLimit = 64 * 1024;

constexpr TextId kLessThanMinimumText = TextId::BelowMinimum;
constexpr TextId kMaximumExceededText = TextId::AboveMaximum;
constexpr TextId kExportText = TextId::ExportButton;
constexpr TextId kImportText = TextId::ImportButton;
constexpr TextId kCsvFilterText = TextId::CsvFileFilter;
constexpr TextId kReadFailedText = TextId::FileReadFailed;
constexpr TextId kWriteFailedText = TextId::FileWriteFailed;
constexpr TextId kImportFieldText = TextId::ImportFieldRefused;
constexpr TextId kImportLineText = TextId::ImportLineRefused;
constexpr TextId kTooLargeText = TextId::ImportFileTooLarge;

TextId ProblemText(ImportProblem problem) {
    switch (problem) {
    case ImportProblem::NoHeader:
        return TextId::ImportHeaderExpected;
    case ImportProblem::FieldCount:
        return TextId::ImportNineFieldsExpected;
    case ImportProblem::NotAChannel:
        return TextId::ImportChannelExpected;
    case ImportProblem::RepeatedChannel:
        return TextId::ImportChannelRepeated;
    case ImportProblem::NotAFlag:
        return TextId::ImportSwitchExpected;
    case ImportProblem::Empty:
        return TextId::ImportFieldEmpty;
    case ImportProblem::NotDecimal:
        return TextId::ImportDecimalExpected;
    case ImportProblem::BelowMinimum:
        return kLessThanMinimumText;
    case ImportProblem::AboveMaximum:
        return kMaximumExceededText;
    case ImportProblem::NotAUnit:
        return TextId::ImportUnitUnknown;
    case ImportProblem::NotHexadecimal:
        return TextId::ImportHexExpected;
    }
    return kImportFieldText; // every problem has its text above
}

// A text of the table with its "%d" and "%s" placeholders filled in order.
QString Filled(QString pattern, std::initializer_list<QString> values) {
    qsizetype from = 0;
    for (const QString& value : values) {
        const qsizetype at = pattern.indexOf(QLatin1Char('%'), from);
        if (at < 0 || at + 1 >= pattern.size()) {
            break;
        }
        pattern.replace(at, 2, value);
        from = at + value.size();
    }
    return pattern;
}

void ShowFileFailure(QWidget* owner, TextId text, const QString& path, const QString& reason) {
    ShowMessageBox(owner, Filled(UiText(text), {path + ": " + reason}), BoxIcon::Error);
}

} // namespace

void ExportFiltersToFile(QWidget* owner, const DeviceState& device, FilterSide side) {
    const QString path =
        AskForFile({owner,
                    FileAccess::Save,
                    FileDialogCaption(kExportText),
                    {UiText(kCsvFilterText)},
                    side == FilterSide::HighPass ? QStringLiteral("hpf_filters.csv")
                                                 : QStringLiteral("lpf_filters.csv"),
                    QStringLiteral("csv")});
    if (path.isEmpty()) {
        return;
    }
    const std::string text = ExportFilters(device, side);
    QString error;
    if (!WriteWholeFile(path, text, error)) {
        ShowFileFailure(owner, kWriteFailedText, path, error);
    }
}

int ImportFiltersFromFile(QWidget* owner, DeviceState& device, FilterSide side) {
    const QString path = AskForFile({owner,
                                     FileAccess::Open,
                                     FileDialogCaption(kImportText),
                                     {UiText(kCsvFilterText)},
                                     {},
                                     {}});
    if (path.isEmpty()) {
        return 0;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ShowFileFailure(owner, kReadFailedText, path, file.errorString());
        return 0;
    }
    // Read one byte past the limit: a device or a pipe reports no size of its own.
    const QByteArray bytes = file.read(kImportLimit + 1);
    if (bytes.size() > kImportLimit) {
        ShowFileFailure(owner, kReadFailedText, path, UiText(kTooLargeText));
        return 0;
    }
    const ImportResult result = ImportFilters(
        device, side, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (const auto& error = result.error) {
        const QString line = QString::number(error->line);
        const QString reason = UiText(ProblemText(error->problem));
        const std::string_view field = ImportFieldName(error->field);
        ShowMessageBox(
            owner,
            error->field < 0
                ? Filled(UiText(kImportLineText), {line, reason})
                : Filled(UiText(kImportFieldText),
                         {line, QString::fromLatin1(field.data(), std::ssize(field)), reason}),
            BoxIcon::Exclamation);
        return 0;
    }
    return result.changedRows;
}

} // namespace va48
