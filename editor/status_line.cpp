#include "editor/status_line.h"

#include "ui/ui_text.h"

#include <QLabel>

namespace va48 {

StatusLine::StatusLine(QWidget* parent) : QStatusBar(parent) {
    setSizeGripEnabled(false); // the window has a fixed size
    link_ = new QLabel(this);
    firmware_ = new QLabel(this);
    state_ = new QLabel(this);
    recording_ = new QLabel(this);
    recording_->setObjectName(QStringLiteral("statusRecording"));
    recording_->setStyleSheet(QStringLiteral("QLabel { color: #c00000; font-weight: bold; }"));
    recording_->hide();
    link_->setObjectName(QStringLiteral("statusLink"));
    firmware_->setObjectName(QStringLiteral("statusFirmware"));
    state_->setObjectName(QStringLiteral("statusState"));
    addWidget(link_, 1);
    addWidget(firmware_, 1);
    addPermanentWidget(recording_);
    addPermanentWidget(state_);
}

void StatusLine::ShowRecording(const QString& file, std::uint64_t lines) {
    if (file.isEmpty()) {
        recording_->clear();
        recording_->hide();
        return;
    }
    // U+25CF, the round dot recorders show while they record.
    recording_->setText(QStringLiteral("\u25CF ") +
                        UiText(TextId::StatusRecording)
                            .replace(QLatin1String("%s"), file)
                            .replace(QLatin1String("%d"), QString::number(lines)));
    recording_->show();
}

void StatusLine::Show(const QString& link, std::string_view firmware, TextId state) {
    link_->setText(link);
    firmware_->setText(
        firmware.empty()
            ? QString()
            : UiText(TextId::StatusFirmware)
                  .replace(QLatin1String("%s"),
                           QString::fromLatin1(firmware.data(),
                                               static_cast<qsizetype>(firmware.size()))));
    state_->setText(UiText(state));
    setAccessibleDescription(link_->text() + QLatin1Char(' ') + firmware_->text() +
                             QLatin1Char(' ') + state_->text());
}

QString StatusLine::LinkText() const {
    return link_->text();
}

QString StatusLine::FirmwareText() const {
    return firmware_->text();
}

QString StatusLine::StateText() const {
    return state_->text();
}

QString StatusLine::RecordingText() const {
    return recording_->text();
}

} // namespace va48
