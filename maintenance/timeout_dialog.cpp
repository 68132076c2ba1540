#include "maintenance/timeout_dialog.h"

#include "shell/link_settings_file.h"
#include "ui/control_factory.h"
#include "ui/dialog_seam.h"
#include "ui/dialog_support.h"
#include "ui/field_adapter.h"
#include "ui/ui_text.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdint>

namespace va48 {

namespace {

struct TimeoutTexts {
    const char* caption;
    const char* label;
    const char* unit;
    const char* range;
    const char* ok;
    const char* cancel;
};

constexpr TimeoutTexts kEnglishTexts{"Timeout", "Timeout:", "sec", "(5 - 120)", "OK", "Cancel"};
constexpr TimeoutTexts kJapaneseTexts{"Timeout", "Timeout:", "sec", "(5 - 120)", "OK", "ｷｬﾝｾﾙ"};

const TimeoutTexts& Texts() {
    return UiLanguage() == Language::Japanese ? kJapaneseTexts : kEnglishTexts;
}

constexpr int kFieldId = 1035;
constexpr int kOkId = 1;
constexpr int kCancelId = 2;

constexpr std::uint16_t kSecondsDigits = 3;
constexpr qsizetype kFieldReadChars = 15;
constexpr std::int64_t kMinimumMs = 5000;
constexpr std::int64_t kMaximumMs = 120000;
constexpr TextId kBelowMinimumText = TextId::BelowMinimum;
constexpr TextId kAboveMaximumText = TextId::AboveMaximum;

// The seconds typed, as milliseconds. Wide enough that no pasted number can wrap around into the
// accepted range.
std::int64_t TypedTimeoutMs(const QLineEdit& field) {
    const std::string text = field.text().left(kFieldReadChars).toLatin1().toStdString();
    return std::int64_t{ParseSettingNumber(text)} * 1000;
}

} // namespace

TimeoutDialog::TimeoutDialog(LinkSettings& link, SettingsFile& file, QWidget* owner)
    : QDialog(owner) {
    const TimeoutTexts& texts = Texts();
    setObjectName(QStringLiteral("146"));
    setWindowTitle(QString::fromUtf8(texts.caption));
    setFont(DialogFont(8));

    auto* label = new QLabel(QString::fromUtf8(texts.label), this);
    auto* field = new QLineEdit(this);
    field->setObjectName(QString::number(kFieldId));
    field->setAccessibleName(label->text());
    field->setFixedWidth(DialogUnitsX(30));
    field->setText(QString::number(link.replyTimeoutMs / 1000));
    label->setBuddy(field);
    RouteTypedCharacters(
        *field, [field](char16_t code, bool) { DecimalKey(*field, code, kSecondsDigits, false); });

    auto* ok = MakeDialogButton(this, QString::fromUtf8(texts.ok), kOkId);
    ok->setDefault(true);
    auto* cancel = MakeDialogButton(this, QString::fromUtf8(texts.cancel), kCancelId);

    auto* entry = new QHBoxLayout;
    entry->addWidget(label);
    entry->addWidget(field);
    entry->addWidget(new QLabel(QString::fromUtf8(texts.unit), this));
    entry->addSpacing(DialogUnitsX(8));
    entry->addWidget(new QLabel(QString::fromUtf8(texts.range), this));
    entry->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(entry);
    layout->addSpacing(DialogUnitsY(4));
    layout->addLayout(ButtonRow({ok, cancel}));

    connect(ok, &QPushButton::clicked, this, [this, field, &link, &file] {
        const std::int64_t ms = TypedTimeoutMs(*field);
        if (ms < kMinimumMs || ms > kMaximumMs) {
            ShowMessageBox(this, UiText(ms < kMinimumMs ? kBelowMinimumText : kAboveMaximumText),
                           BoxIcon::Exclamation);
            field->setFocus(Qt::OtherFocusReason);
            field->selectAll();
            return;
        }
        // A value the file did not take would be gone at the next start: say so and stay.
        if (std::error_code why;
            !SaveReplyTimeout(file, link, static_cast<std::uint32_t>(ms), &why)) {
            ShowSettingNotSaved(this, file.Path(), why);
            return;
        }
        done(1);
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    SetWindowIcons(this);
    CentreWhenShown(*this);
}

} // namespace va48
